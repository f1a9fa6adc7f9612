#pragma once
// Resource identifiers shared by the resource script and the Win32 code.

#define IDI_APP 102
#define IDD_SETTINGS 105
#define IDD_OPML_IMPORT 119
#define IDM_POPUP 120
#define IDD_ABOUT 123
#define IDA_SETTINGS 124
#define IDD_SCHEDULE 126
#define IDM_SCHEDULE_POPUP 127
#define IDB_SCROLL_FIRST 128
#define IDB_SCROLL_LAST 129
#define IDB_SCROLL_UP 130
#define IDB_SCROLL_DOWN 131
#define IDD_TASK_EDITOR 133

// Popup menu 120
#define IDM_QUIT 40001
#define IDM_READ_ALL 40002
#define IDM_UPDATE 40003
#define IDM_SETTINGS 40004
#define IDM_READ_NEW 40005
#define IDM_ABOUT 40006
#define IDM_SCHEDULE 40007
#define IDM_SCHEDULE_ADD 40008
#define IDM_SCHEDULE_EDIT 40009
#define IDM_SCHEDULE_DELETE 40010
#define IDM_JUMP_TO_FIRST 40015

// About dialog 123
#define IDC_ABOUT_OPEN_SITE 1040
