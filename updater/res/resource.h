// Resource ids of ZEFOLauncher (ZEFOLauncher.rc). The numbers are fixed: the
// program code and the tests find dialogs, controls and pictures by them.
#pragma once

// Dialog templates
#define IDD_ABOUTBOX                100
#define IDD_ZEFOLAUNCHER_DIALOG     102
#define IDD_MESSAGEBOX              457

// Program icon (16, 32 and 48 pixels)
#define IDR_MAINFRAME               128

// Pictures, resource type "PNG"
#define IDB_START_FOURTH            130
#define IDB_START_NORMAL            131
#define IDB_START_HOVER             132
#define IDB_START_PRESSED           133
#define IDB_EXIT_NORMAL             134
#define IDB_EXIT_HOVER              135
#define IDB_EXIT_PRESSED            136
#define IDB_MSGBOX_BACKGROUND       137
#define IDB_QUIT_NORMAL             140
#define IDB_QUIT_HOVER              142
#define IDB_QUIT_PRESSED            143
#define IDB_CONFIRM_NORMAL          144
#define IDB_CONFIRM_HOVER           146
#define IDB_CONFIRM_PRESSED         147
#define IDB_MAIN_BACKGROUND         153

// Controls of the main window (template 102)
#define IDC_START                   1000
#define IDC_EXIT                    1001
#define IDC_PROGRESS                1002
#define IDC_STATUS                  1003

// Controls of the message box (template 457); its buttons are IDOK (1, the
// confirm button) and IDCANCEL (2, "Quit")
#define IDC_MSGBOX_TITLE            1028
#define IDC_MSGBOX_MESSAGE          1040

// Controls of the about box (template 100): IDOK and unnumbered statics
#ifndef IDC_STATIC
#define IDC_STATIC                  (-1)
#endif

// The system command that opens the about box
#define IDM_ABOUTBOX                0x0010
