// Identifiers of the program's resources, controls and the tray's callback message.
#pragma once

// Dialogs: 100..
#define IDD_MAIN 102

// Icons: 128.. (the main icon's number is also the tray icon's identifier)
#define IDR_MAINFRAME 128

// Controls of IDD_MAIN: 1000..
#define IDC_START 1000
#define IDC_STOP 1001
#define IDC_PORT 1002
#define IDC_BAUD 1003

// The tray icon's callback message: WM_USER + 10.
#define WM_TRAYNOTIFY (0x0400 + 10)
