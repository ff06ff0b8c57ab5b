// The other running instances of this program, found by their executable's file name (exactly, letter
// case ignored, so that another program whose name merely contains ours is left alone) and their main
// window's marker: commands sent to all of them ("/cmd"), and the one brought to the front when a
// second start is not allowed to run. User-interface thread; nothing is kept.
#pragma once

namespace orvane {

// The value a main window keeps in its GWLP_USERDATA, by which other instances know it.
inline constexpr long long kMainWindowMarker = 1024;

// Posts WM_COMMAND `commandId` (lParam: the window) to the main window of every running instance.
// Returns how many windows it was posted to; nothing is sent for command 0.
int SendCommandToInstances(int commandId);

// Shows and activates the window of another instance whose title names the program; false when there
// is none.
bool BringRunningInstanceToFront();

}  // namespace orvane
