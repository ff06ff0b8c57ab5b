// Resource identifiers of TestCam.ax.
#pragma once

#define IDD_CAMERA_PAGE 100
#define IDD_FORMAT_PAGE 101
#define IDS_CAMERA_PAGE_TITLE 102
#define IDS_FORMAT_PAGE_TITLE 103

#define IDC_ZOOM 1001
#define IDC_PAN 1002
#define IDC_TILT 1003
#define IDC_ZOOM_VALUE 1004
#define IDC_PAN_VALUE 1005
#define IDC_TILT_VALUE 1006
#define IDC_FORMAT_LIST 1010
