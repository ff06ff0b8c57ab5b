// Identifiers of Orvane.exe's window resources: the main dialog and its controls, the accelerator
// table, menus, icons and commands. Shared by the resource script and the window code.
#pragma once

#define IDD_MAIN 129
#define IDC_DEVICE_LIST 1000
#define IDC_OPTIONS 1001
#define IDC_PLAY 1002
#define IDC_STOP 1003
#define IDC_CLIENT_BADGE 1004
#define IDC_STATUS 1005
#define IDC_POSITION 1007
#define IDC_HEADING 1009

#define IDR_MAIN_ACCELERATORS 128
#define IDI_PROGRAM 128
#define IDS_PROGRAM_NAME 128
#define IDR_OPTIONS_MENU 206

#define IDI_TRAY_ACTIVE_DARK 206
#define IDI_TRAY_INACTIVE 207
#define IDI_TRAY_ACTIVE_LIGHT 208
#define IDI_TRAY_TRYING 209
#define IDI_LOGO 210

#define ID_APP_EXIT 32779
#define ID_APP_ABOUT 32780
#define ID_PLAY_TOGGLE 32782
#define ID_SHOW_HIDE 32783
#define ID_SOURCE_FILTER 32826
#define ID_SOURCE_PIN 32827
