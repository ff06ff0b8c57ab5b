// Resource identifiers of the renderer's property page (dialog 106, title string 101), compiled into
// NimbRenderer.ax from RenderPropertyPage.rc. Plain macros: the resource compiler reads this file too.
#pragma once

#define IDD_RENDER_PROPERTY_PAGE 106
#define IDS_RENDER_PROPERTY_PAGE_TITLE 101

#define IDC_FILL_MODE 1001
#define IDC_SNAPSHOT 1002
#define IDC_MIRROR 1003
#define IDC_FLIP 1004
#define IDC_ROTATE 1005
#define IDC_OUTPUT_WIDTH 1006
#define IDC_OUTPUT_HEIGHT 1007
#define IDC_OUTPUT_FPS 1008
#define IDC_APPLY_FORMAT 1009
