// Resource identifiers of the property page tests.
#pragma once

#define IDD_TEST_PAGE 100
#define IDS_TEST_PAGE_TITLE 101
#define IDC_TEST_CHECK 1001
#define IDC_TEST_EDIT 1002
