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

/* The limit that counts is the system's: MAX_PATH - 1 characters. Where the
   "A" calls take UTF-8 (Windows 10 version 1903 on, by the manifest) those
   are UTF-16 units, up to three bytes each; in any other code page the
   calls take MAX_PATH - 1 bytes. */
BOOL IsPathLengthAllowed(const char *path)
{
    int bytes = lstrlenA(path);
    if (bytes <= MAX_PATH - 1)
        return TRUE;
    if (GetACP() != CP_UTF8 || bytes > INPUT_PATH_BYTES)
        return FALSE;
    int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, NULL, 0);
    return units > 0 && units - 1 <= MAX_PATH - 1;
}

/* The file edit's text, read anew for every port; FALSE for a text too long
   to be a path: cut short, it could name another file. The length is asked
   first, and a read that fills the buffer is not taken either, since an
   edit may stop before a character that does not fit and return less. */
BOOL GetInputPath(char *path)
{
    path[0] = '\0';
    if (SendMessageA(FileEditWindow, WM_GETTEXTLENGTH, 0, 0) > INPUT_PATH_BYTES)
        return FALSE;
    LRESULT length = SendMessageA(FileEditWindow, WM_GETTEXT, INPUT_PATH_SIZE, (LPARAM)path);
    path[INPUT_PATH_SIZE - 1] = '\0';
    return length >= 0 && length <= INPUT_PATH_BYTES && IsPathLengthAllowed(path);
}
