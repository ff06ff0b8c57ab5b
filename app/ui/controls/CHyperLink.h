// A link label: a static control (typically of the About dialog) that shows its label in link colours
// and opens its target with the shell when clicked or when Enter or Space is pressed while it has the
// focus. It takes over the control (Attach, then Initialise) and paints the label itself; an image
// static keeps its own painting and the whole control is the link.
//
// The label is drawn in the font the owner gave the control (WM_SETFONT), or else the system's icon
// title font, underlined; the background is the parent's WM_CTLCOLORSTATIC brush, as for any static.
// Link colours follow the browser settings of the user ("Anchor Color", "Anchor Color Visited") when
// they hold valid colours.
//
// The window's thread only. The object must outlive the control's window or be destroyed first. It
// owns its tooltip window and the fonts it creates, which go with the window.
#pragma once

#include <windows.h>

#include <string>

#include "app/ui/controls/GdiOwners.h"
#include "app/ui/controls/ToolTip.h"
#include "platform/ui/Window.h"

namespace orvane {

class CHyperLink : public ui::CWindowImpl {
 public:
  // Style flags.
  static constexpr DWORD kUnderlineHover = 0x02;  // underlined only while the mouse is over the link
  static constexpr DWORD kNoTooltip = 0x40;       // no tooltip showing the target
  static constexpr COLORREF kDefaultLinkColour = RGB(0, 0, 255);
  static constexpr COLORREF kDefaultVisitedColour = RGB(128, 0, 128);
  static constexpr wchar_t kSettingsKey[] = L"Software\\Microsoft\\Internet Explorer\\Settings";

  CHyperLink() = default;
  ~CHyperLink() override;

  // Subclasses `control`. False, with the last error set, for no window or one already attached.
  bool Attach(HWND control);
  // Makes the attached control a link: notifications on, the hand cursor, label and target (from the
  // window text unless set before), the link's rectangle, the tooltip and the colours of the browser
  // settings. False, with the last error set, when nothing is attached.
  bool Initialise();
  // False, changing nothing, for a null text.
  bool SetTarget(const wchar_t* target);
  bool SetLabel(const wchar_t* label);
  void SetStyle(DWORD flags);
  // Opens the target with the shell ("open"); once that succeeds the link shows as visited. False when
  // the shell could not open it.
  bool Open();

  const std::wstring& Label() const { return label_; }
  const std::wstring& Target() const { return target_; }
  const RECT& LinkRect() const { return linkRect_; }
  DWORD Style() const { return style_; }
  bool IsVisited() const { return visited_; }
  bool IsHovered() const { return hover_; }
  bool PaintsLabel() const { return paintLabel_; }
  COLORREF LinkColour() const { return linkColour_; }
  COLORREF VisitedColour() const { return visitedColour_; }
  HWND TooltipWindow() const { return tooltip_.window(); }

 protected:
  bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void Paint(HDC dc);
  // Chooses the normal font and makes its underlined twin, once per font the owner sets.
  void EnsureFonts();
  void ReleaseFonts();
  void UpdateLinkRect();
  void ReadSettingsColours();
  bool IsOverLink(LPARAM clientPoint) const;
  void OnMouseMove(LPARAM lParam);
  void RepaintLink();

  std::wstring label_;
  std::wstring target_;
  HFONT normalFont_ = nullptr;  // the owner's font or ownNormalFont_
  UniqueFont ownNormalFont_;
  UniqueFont linkFont_;
  COLORREF linkColour_ = kDefaultLinkColour;
  COLORREF visitedColour_ = kDefaultVisitedColour;
  DWORD style_ = 0;
  bool visited_ = false;
  bool hover_ = false;
  bool paintLabel_ = true;
  RECT linkRect_{};
  HCURSOR cursor_ = nullptr;  // the system's hand: shared, never destroyed
  ToolTip tooltip_;
};

}  // namespace orvane
