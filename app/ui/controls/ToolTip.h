// The tooltip of one control: a tooltips_class32 window owned by the control's window, with a single
// tool (id 1) covering a rectangle of the control's client area. Mouse messages reach it only when the
// control relays them (Relay), so nothing is subclassed behind the control's back.
//
// The control's thread only. The object owns the tooltip window and destroys it when it goes or when
// Destroy is called.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace orvane {

class ToolTip {
 public:
  ToolTip() = default;
  ~ToolTip() { Destroy(); }
  ToolTip(const ToolTip&) = delete;
  ToolTip& operator=(const ToolTip&) = delete;

  // Creates the window, inactive and with tips wrapped at 400 pixels. True when it exists afterwards.
  bool Create(HWND control);
  void Destroy();

  bool HasTool() const;
  // Adds the tool, with a copy of `text`.
  bool AddTool(const RECT& area, const wchar_t* text);
  bool SetText(const wchar_t* text);
  void SetArea(const RECT& area);
  void Activate(bool active);
  // Hands one of the control's mouse messages to the tooltip, which shows and hides itself from them.
  void Relay(UINT message, WPARAM wParam, LPARAM lParam);

  HWND window() const { return window_; }

 private:
  TOOLINFOW ToolInfo() const;

  HWND window_ = nullptr;
  HWND control_ = nullptr;
  // The record size comctl32 accepted. Version 6 (the program's manifest asks for it) takes the full
  // record; version 5 refuses it and takes the record without lpReserved. Tests and hosts without the
  // manifest get version 5 on Windows, so the smaller size is the fallback.
  UINT infoSize_ = sizeof(TOOLINFOW);
};

}  // namespace orvane
