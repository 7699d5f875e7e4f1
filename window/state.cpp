#include "shell.h"
#include "portlist.h"
#include "resource.h"

#include <commctrl.h>
#include <string.h>

/* Room for any status text: "Writing to PORT" and the percentage. */
#define STATUS_TEXT_SIZE    (PORT_FIELD_SIZE + 64)

/* The status bar's own message: a text from another thread, answered
   before it is painted. */
#define WM_TAKE_STATUS_TEXT (WM_APP + 1)

HINSTANCE AppInstance;
HBITMAP LogoBitmap;
HWND FileEditWindow;
HWND GoButtonWindow;
HWND ExitButtonWindow;
HWND BrowseButtonWindow;
HWND StatusBarWindow;
HWND MainWindowHandle;
volatile LONG SendRunActive;

/* The text last given to the status bar, and that bar; empty while
   unknown. Only the run's worker sets the status, one run at a time. */
static HWND ShownStatusBar;
static char ShownStatusText[STATUS_TEXT_SIZE];

/* The status bar class's procedure, under the bar's own. */
static WNDPROC StatusBarClassProc;

/* The bar paints a new text before it answers, which under Wine takes a
   few times as long as the thread switch. A text from the worker is copied
   and answered first, then shown, so that the worker moves the next bytes
   while the bar paints. The worker still waits until the text is taken:
   it never runs ahead of what the window's thread has been told. */
static LRESULT CALLBACK StatusBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_TAKE_STATUS_TEXT)
        return CallWindowProcA(StatusBarClassProc, bar, message, wParam, lParam);
    char text[STATUS_TEXT_SIZE];
    lstrcpynA(text, (const char *)lParam, sizeof text);
    ReplyMessage(TRUE);
    return CallWindowProcA(StatusBarClassProc, bar, SB_SETTEXTA, 0, (LPARAM)text);
}

HWND CreateStatusBar(HWND window)
{
    HWND bar = CreateStatusWindowA(WS_CHILD | WS_VISIBLE, "Ready", window, IDC_STATUSBAR);
    if (bar != NULL)
        StatusBarClassProc = (WNDPROC)SetWindowLongPtrA(bar, GWLP_WNDPROC, (LONG_PTR)StatusBarProc);
    return bar;
}

/* The status bar has one part; a tab centres what follows it, two tabs
   right-align it, which the progress texts rely on. The worker reaches the
   bar through a thread switch, so a text it already shows is not sent
   again: a transfer reports after every chunk, and most reports repeat the
   text. A text too long to be remembered is always sent, and whole. Only a
   text sent from another thread may be answered early: on the bar's own
   thread the answer would go to whatever other thread's message that
   thread is in. */
void SetStatusText(const char *text)
{
    if (ShownStatusBar == StatusBarWindow && ShownStatusText[0] != '\0' && strcmp(ShownStatusText, text) == 0)
        return;
    ShownStatusText[0] = '\0';
    ShownStatusBar = StatusBarWindow;
    bool fits = lstrlenA(text) < STATUS_TEXT_SIZE;
    bool early = fits && GetWindowThreadProcessId(StatusBarWindow, NULL) != GetCurrentThreadId() &&
                 (WNDPROC)GetWindowLongPtrA(StatusBarWindow, GWLP_WNDPROC) == StatusBarProc;
    if (SendMessageA(StatusBarWindow, early ? WM_TAKE_STATUS_TEXT : SB_SETTEXTA, 0, (LPARAM)text) && fits)
        lstrcpynA(ShownStatusText, text, STATUS_TEXT_SIZE);
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
