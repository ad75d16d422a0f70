// Resource ids of the program: dialog templates, their controls, icons and bitmaps.
// Shared by the resource script and the C++ code.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Dialog templates
#define IDD_KEST_VANDREL_DIALOG     102
#define IDD_PROGRAM_LOG             105
#define IDD_UPDATE                  107
#define IDD_BROWSE                  109
#define IDD_MESSAGEBOX              2000
#define IDD_ABOUT                   2007

// Icons
#define IDR_MAINFRAME               128
#define IDI_PROGRAM_LOG             152

// Bitmaps
#define IDB_ABOUT_PICTURE           129
#define IDB_HSCROLL_LEFT            130
#define IDB_HSCROLL_RIGHT           131
#define IDB_HSCROLL_TRACK           132
#define IDB_HSCROLL_THUMB           133
#define IDB_SCROLL_CORNER           134
#define IDB_VSCROLL_DOWN            135
#define IDB_VSCROLL_TRACK           136
#define IDB_VSCROLL_THUMB           137
#define IDB_SCROLL_TILE             138
#define IDB_VSCROLL_UP              139
#define IDB_MSG_ERROR               141
#define IDB_MSG_INFO                143
#define IDB_MSG_WARNING             144

// Main window (102)
#define IDC_CLOSE                   1000
#define IDC_JOB_LIST                1001
#define IDC_SHOW_LOG                1002
#define IDC_ABOUT                   1003
#define IDC_DROP_HINT               1004
#define IDC_INC_STRINGTABLE         1005
#define IDC_DUMP_TO_LOCAL           1006
#define IDC_OUTPUT_FOLDER_TEXT      1007
#define IDC_WINDOW_ON_TOP           1008
#define IDC_CREATE_DUMP             1009

// Program log window (105)
#define IDC_LOG_CLOSE               1009
#define IDC_LOG_CLEAR               1010
#define IDC_LOG_TEXT                1011

// Browse window (109)
#define IDC_BROWSE_FILTER           3001
#define IDC_BROWSE_LIST             3002
#define IDC_BROWSE_PREVIEW          3003
#define IDC_BROWSE_EXTRACT_SELECTED 3004
#define IDC_BROWSE_EXTRACT_ALL      3005
#define IDC_BROWSE_CLOSE            3006

// Update prompt (107)
#define IDC_UPDATE_RELEASE_NOTES    1010
#define IDC_UPDATE_STATUS           1011
#define IDC_UPDATE_ERROR_LABEL      1012
#define IDC_UPDATE_NOTICE           1013
#define IDC_UPDATE_CLOSE            1019
#define IDC_UPDATE_DOWNLOAD         1020
#define IDC_UPDATE_PROGRESS         1021
#define IDC_UPDATE_CANCEL           1022

// Message box (2000)
#define IDC_MSGBOX_RIGHT            2001
#define IDC_MSGBOX_TEXT             2002
#define IDC_MSGBOX_PICTURE          2003
#define IDC_MSGBOX_LEFT             2004
#define IDC_MSGBOX_MIDDLE           2010

// About box (2007)
#define IDC_ABOUT_OK                1104
#define IDC_ABOUT_TEXT              2008
#define IDC_ABOUT_PICTURE           2009
#define IDC_ABOUT_LINK              1211
