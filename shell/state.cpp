#include "shell.h"
#include "portlist.h"

#include <commctrl.h>

HINSTANCE AppInstance;
HBITMAP LogoBitmap;
HWND FileEditWindow;
HWND GoButtonWindow;
HWND ExitButtonWindow;
HWND BrowseButtonWindow;
HWND StatusBarWindow;
HWND MainWindowHandle;
volatile LONG SendRunActive;

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

/* The file edit's text, read anew for every port. FALSE for a text longer
   than MAX_PATH - 1 characters: cut short, it could name another file. The
   length is asked first, since in a double-byte code page WM_GETTEXT may
   stop before a lead byte and return less than a full buffer. */
BOOL GetInputPath(char *path)
{
    path[0] = '\0';
    if (SendMessageA(FileEditWindow, WM_GETTEXTLENGTH, 0, 0) > MAX_PATH - 1)
        return FALSE;
    LRESULT length = SendMessageA(FileEditWindow, WM_GETTEXT, INPUT_PATH_SIZE, (LPARAM)path);
    return length <= MAX_PATH - 1;
}
