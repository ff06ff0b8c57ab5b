// The host dialog with the controls in their typical looks, left on the screen for a while so that a
// screenshot can show them (not a test): a flat glyph button lit by the pointer resting on it, a
// classic default one, a transparent one on the dialog's own background, a link, a link underlined
// only under the mouse, a disabled link and an icon link.
//   controls_showcase.exe [seconds]      (5 by default)
#include <windows.h>

#include <cwchar>

#include "app/ui/controls/CButtonST.h"
#include "app/ui/controls/CHyperLink.h"
#include "tests/windows/controls/ControlHost.h"
#include "tests/windows/controls/ControlsTestResources.h"

namespace {

using orvane::CButtonST;
using orvane::CHyperLink;
using namespace orvane::testing;

void Glyph(CButtonST& button, HWND window, const wchar_t* glyph, HFONT font) {
  button.Attach(window);
  ::SetWindowTextW(window, glyph);
  ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  button.SetStateColour(CButtonST::kTextNormal, RGB(0, 0, 160), false);
  button.SetStateColour(CButtonST::kTextHover, RGB(255, 255, 255), false);
  button.SetStateColour(CButtonST::kTextPressed, RGB(255, 255, 255), true);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int seconds = argc > 1 ? static_cast<int>(std::wcstol(argv[1], nullptr, 10)) : 5;
  HostDialog host;
  if (!host.Open()) return 1;
  const orvane::UniqueFont glyphFont = SharpFont(26, FW_BOLD);
  const orvane::UniqueFont textFont = SharpFont(16, FW_NORMAL);

  CButtonST play, stop, snapshot;
  Glyph(play, host.Item(IDC_FLAT_BUTTON), L"\u25B6", glyphFont.get());
  play.SetTooltip(L"Start the camera", true);
  Glyph(stop, host.Item(IDC_DEFAULT_BUTTON), L"\u25A0", glyphFont.get());
  stop.SetFlat(false);
  Glyph(snapshot, host.Item(IDC_PLAIN_BUTTON), L"\u25CF", glyphFont.get());
  snapshot.SetTransparent(true);

  CHyperLink web, help, off, icon;
  const struct {
    CHyperLink& link;
    int id;
    DWORD style;
  } links[] = {{web, IDC_LINK, 0},
               {help, IDC_CENTRED_LINK, CHyperLink::kUnderlineHover},
               {off, IDC_RIGHT_LINK, 0},
               {icon, IDC_ICON_LINK, 0}};
  for (const auto& entry : links) {
    const HWND control = host.Item(entry.id);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(textFont.get()), TRUE);
    if (entry.id == IDC_ICON_LINK) {
      ::SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(::LoadIconW(nullptr, IDI_APPLICATION)), 0);
    }
    entry.link.Attach(control);
    entry.link.Initialise();
    entry.link.SetStyle(entry.style);
  }
  web.SetTarget(L"https://orvane.invalid/");
  ::EnableWindow(host.Item(IDC_RIGHT_LINK), FALSE);

  // The pointer rests on the flat button, which lights up as it would under the user's mouse.
  const POINT centre = Centre(host.Item(IDC_FLAT_BUTTON));
  PointerAt(host.Item(IDC_FLAT_BUTTON), centre);
  MouseMove(host.Item(IDC_FLAT_BUTTON), centre);
  Pump(static_cast<DWORD>(seconds > 0 ? seconds : 5) * 1000);
  return 0;
}
