#include "shell.h"
#include "ports.h"

#include <commctrl.h>

HINSTANCE AppInstance;
HBITMAP LogoBitmap;
HWND FileEditWindow;
HWND GoButtonWindow;
HWND ExitButtonWindow;
HWND BrowseButtonWindow;
HWND StatusBarWindow;
HWND MainWindowHandle;

/* The status bar has one part; a tab centres what follows it, two tabs
   right-align it, which the progress texts rely on. */
void SetStatusText(const char *text)
{
    SendMessageA(StatusBarWindow, SB_SETTEXTA, 0, (LPARAM)text);
}

void ShowReadyStatus(void)
{
    SetCursor(LoadCursorA(NULL, IDC_ARROW));
    SetStatusText("Ready");
}

void ShowErrorStatus(void)
{
    SetCursor(LoadCursorA(NULL, IDC_ARROW));
    SetStatusText("Error");
}

/* The window itself goes last: disabled, it takes no input at all, so the
   menu, the logo and the close box cannot act during a run. */
void EnableMainControls(HWND window, BOOL enable)
{
    EnableWindow(PortListWindow, enable);
    EnableWindow(FileEditWindow, enable);
    EnableWindow(GoButtonWindow, enable);
    EnableWindow(ExitButtonWindow, enable);
    EnableWindow(BrowseButtonWindow, enable);
    EnableWindow(window, enable);
}
