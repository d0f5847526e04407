// Start-up and the message loop of the program's one window.
#pragma once

#include <windows.h>

extern HINSTANCE g_hInstance;
extern HWND g_hDialog;

// Creates the control panel (its initialisation runs inside) and shows it; always TRUE.
BOOL InitInstance(HINSTANCE hInstance, int nCmdShow);

// Runs until the dialog window is gone; returns the wParam of the last message taken.
int RunMessageLoop();

// Adds SEM_FAILCRITICALERRORS to the process error mode: failures of drives are returned
// to the caller, never shown in a system box.
void SetProcessErrorMode();

// The whole program between the runtime's start and its exit.
int RunApplication(HINSTANCE hInstance, int nCmdShow);
