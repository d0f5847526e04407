// Entry point of QLTSCapture.exe. Command-line arguments are ignored.
#include "app/App.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int nCmdShow)
{
    return RunApplication(hInstance, nCmdShow);
}
