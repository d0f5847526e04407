// Start-up and the message loop of the program's one window.
#pragma once

#include <windows.h>

extern HINSTANCE g_hInstance;
extern HWND g_hDialog;

// Creates the control panel (its initialisation runs inside) and shows it; always TRUE.
BOOL InitInstance(HINSTANCE hInstance, int nCmdShow);

// Runs until the dialog window is gone; returns the wParam of the last message taken.
int RunMessageLoop();

// The whole program between the runtime's start and its exit.
int RunApplication(HINSTANCE hInstance, int nCmdShow);
