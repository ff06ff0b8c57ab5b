// Identifiers of the controls tests' host dialog.
#pragma once

#define IDD_CONTROLS_HOST 100

#define IDC_FLAT_BUTTON 1001
#define IDC_DEFAULT_BUTTON 1002
#define IDC_PLAIN_BUTTON 1003
#define IDC_LINK 1010
#define IDC_CENTRED_LINK 1011
#define IDC_RIGHT_LINK 1012
#define IDC_ICON_LINK 1013
