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
#define IDM_JUMP_TO_FIRST 40015

// Schedule popup menu 127
#define IDM_SCHEDULE_ADD 40008
#define IDM_SCHEDULE_EDIT 40009
#define IDM_SCHEDULE_DELETE 40010

// About dialog 123
#define IDC_ABOUT_ICON 1042
#define IDC_ABOUT_VERSION 1043
#define IDC_ABOUT_OPEN_SITE 1040

// Settings dialog 105 (the up-down controls 111-114 are created at run time)
#define IDC_SET_OPML_SAVE 5
#define IDC_SET_WINX 1000
#define IDC_SET_WINTOP 1001
#define IDC_SET_WINY 1002
#define IDC_SET_POS_HINT 1003
#define IDC_SET_WIDTH 1004
#define IDC_SET_ADD 1005
#define IDC_SET_DELETE 1006
#define IDC_SET_UPTIMER 1007
#define IDC_SET_FEEDS 1008
#define IDC_SET_SITE 1009
#define IDC_SET_URL 1010
#define IDC_SET_MOUSESCHE 1011
#define IDC_SET_MAXIMUM 1012
#define IDC_SET_SPEED 1013
#define IDC_SET_UP 1014
#define IDC_SET_XMOVE 1015
#define IDC_SET_DOWN 1016
#define IDC_SET_CHANGE 1017
#define IDC_SET_COLOR_BACK 1018
#define IDC_SET_SCROLLF 1019
#define IDC_SET_COLOR_TEXT1 1021
#define IDC_SET_COLOR_TEXT2 1022
#define IDC_SET_RED_VALUE 1023
#define IDC_SET_GREEN_VALUE 1024
#define IDC_SET_BLUE_VALUE 1025
#define IDC_SET_RED 1026
#define IDC_SET_GREEN 1027
#define IDC_SET_BLUE 1028
#define IDC_SET_COLOR_FRAME 1029
#define IDC_SET_TOTAL 1030
#define IDC_SET_UPDAY 1031
#define IDC_SET_FSIZE 1033
#define IDC_SET_FONTFACE 1034
#define IDC_SET_BOLD 1035
#define IDC_SET_SAVEPOS 1036
#define IDC_SET_TRANSPARENCY 1037
#define IDC_SET_STEP 1038
#define IDC_SET_ALERTTIME 1039
#define IDC_SET_LOOKUP 1041
#define IDC_SET_HOVERSTOP 1042
#define IDC_SET_STARTUP 1043
#define IDC_SET_SPEED_SPIN 111
#define IDC_SET_STEP_SPIN 112
#define IDC_SET_TRANSPARENCY_SPIN 113
#define IDC_SET_ALERTTIME_SPIN 114

// OPML import dialog 119
#define IDC_IMPORT_ABORT 1033
#define IDC_IMPORT_PROGRESS 1034

// Schedule window 126 (the header control is created at run time)
#define IDC_SCHEDULE_HEADER 500

// Task editor 133 (the up-down controls and the month calendar are created at run time)
#define IDC_TASK_TEXT 1047
#define IDC_TASK_HOUR 1045
#define IDC_TASK_MINUTE 1046
#define IDC_TASK_DATE 1048
#define IDC_TASK_NOTIME 1049
#define IDC_TASK_WEEKDAY 1050
#define IDC_TASK_SPIN 111

// The chooser among the feeds a page names.
#define IDD_FEED_CHOOSER 140
#define IDC_CHOOSER_TEXT 1060
#define IDC_CHOOSER_LIST 1061
