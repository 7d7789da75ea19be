// Resource and control ids of the framework's test dialogs.
#pragma once

#define IDD_PLAIN 100
#define IDD_VISIBLE 101
#define IDB_MODEL 110

#define IDC_EDIT 1001
#define IDC_STATIC_TEXT 1002
#define IDC_LIST 1003
#define IDC_LISTVIEW 1004
#define IDC_TAB 1005
#define IDC_ICON_STATIC 1006
#define IDC_PUSH 1007

// Commands without a control.
#define IDC_CMD_A 2001
#define IDC_CMD_B 2002
#define IDC_APP_CMD 2003
