#include "send_windows.h"
#include "ports.h"
#include "resource.h"
#include "shell.h"

#include <commctrl.h>

static SendWindows *Current;

static const char MainClassName[] = "VantrelSendTestMain";

SendWindows::SendWindows()
{
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = MainClassName;
    RegisterClassA(&windowClass);   /* fails harmlessly once registered */

    HINSTANCE instance = GetModuleHandleA(NULL);
    main = CreateWindowA(MainClassName, "Vantrel test", WS_OVERLAPPEDWINDOW, 0, 0, 500, 400,
                         NULL, NULL, instance, NULL);
    /* Without ES_AUTOHSCROLL an edit takes no more text than fits its width. */
    edit = CreateWindowA("EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10, 10, 300, 24,
                         main, (HMENU)IDC_FILENAME, instance, NULL);
    GoButtonWindow = CreateWindowA("BUTTON", "Go", WS_CHILD | WS_VISIBLE, 320, 10, 50, 24,
                                   main, (HMENU)IDOK, instance, NULL);
    ExitButtonWindow = CreateWindowA("BUTTON", "Exit", WS_CHILD | WS_VISIBLE, 380, 10, 50, 24,
                                     main, (HMENU)IDCANCEL, instance, NULL);
    BrowseButtonWindow = CreateWindowA("BUTTON", "Browse", WS_CHILD | WS_VISIBLE, 440, 10, 50, 24,
                                       main, (HMENU)IDC_BROWSE, instance, NULL);
    list = CreateWindowA(WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 10, 40, 400, 200,
                         main, (HMENU)IDC_PORTLIST, instance, NULL);
    status = CreateStatusWindowA(WS_CHILD | WS_VISIBLE, "Ready", main, IDC_STATUSBAR);

    Current = this;
    statusProc = (WNDPROC)SetWindowLongPtrA(status, GWLP_WNDPROC, (LONG_PTR)StatusProc);
    FileEditWindow = edit;
    StatusBarWindow = status;
    PortListWindow = list;
    MainWindowHandle = main;
}

/* A newer set made before this one ended keeps the shell's handles. */
SendWindows::~SendWindows()
{
    DestroyWindow(main);
    if (Current != this)
        return;
    FileEditWindow = StatusBarWindow = PortListWindow = MainWindowHandle = NULL;
    GoButtonWindow = ExitButtonWindow = BrowseButtonWindow = NULL;
    Current = NULL;
}

LRESULT CALLBACK SendWindows::StatusProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == SB_SETTEXTA) {
        Current->statusTexts.push_back((const char *)lParam);
        if (Current->onStatusText)
            Current->onStatusText(Current->statusTexts.back());
    }
    return CallWindowProcA(Current->statusProc, window, message, wParam, lParam);
}

void SendWindows::SetFileName(const std::string &path)
{
    SetWindowTextA(edit, path.c_str());
}
