/* The start-up baseline: the least a Win32 program does to show a window
   from a dialog template. Registers a class, creates the empty template
   window without a dialog procedure, shows it and runs the message loop.
   Built with WITH_PORT_LIBRARIES it also loads what any port list needs
   before its window shows: the common controls and one spooler call. */
#include <windows.h>
#ifdef WITH_PORT_LIBRARIES
#include <commctrl.h>
#include <winspool.h>
#endif

static LRESULT CALLBACK BareWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showState)
{
#ifdef WITH_PORT_LIBRARIES
    InitCommonControls();
    DWORD needed = 0, returned = 0;
    EnumPortsA(NULL, 2, NULL, 0, &needed, &returned);
#endif
    WNDCLASSEXA windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = BareWndProc;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(LTGRAY_BRUSH);
    windowClass.lpszClassName = "BareStartup";
    RegisterClassExA(&windowClass);

    HWND window = CreateDialogParamA(instance, MAKEINTRESOURCEA(101), NULL, NULL, 0);
    if (window == NULL)
        return 1;
    ShowWindow(window, showState);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
