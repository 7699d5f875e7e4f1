/* The application shell: its process-wide state, the status and control
   helpers both threads use, start-up, the main window procedure and the
   About box. */
#ifndef VANTREL_SHELL_H
#define VANTREL_SHELL_H

#include <windows.h>

/* Set by the start-up before the main window shows; never changed after. */
extern HINSTANCE AppInstance;
extern HBITMAP LogoBitmap;
extern HWND FileEditWindow;      /* IDC_FILENAME */
extern HWND GoButtonWindow;      /* IDOK, "Go" */
extern HWND ExitButtonWindow;    /* IDCANCEL, "Exit" */
extern HWND BrowseButtonWindow;  /* IDC_BROWSE */
extern HWND StatusBarWindow;     /* IDC_STATUSBAR */

/* Written at every "Go"; the worker reads it once through its argument. */
extern HWND MainWindowHandle;

/* True from "Go" until the worker gives the window back: closing is
   refused meanwhile, since it would cut a job short. */
extern volatile LONG SendRunActive;

/* A path Windows takes has MAX_PATH - 1 characters at most; in UTF-8 a
   character takes up to three bytes (four for a pair of UTF-16 units).
   The room beyond them shows a text too long to be a path even when the
   edit stops before a character that does not fit whole. */
#define INPUT_PATH_BYTES    (3 * (MAX_PATH - 1))
#define INPUT_PATH_SIZE     (INPUT_PATH_BYTES + 5)

/* Status bar and controls (state.cpp) */
/* The status bar, showing "Ready", at the foot of the window. */
HWND CreateStatusBar(HWND window);
void SetStatusText(const char *text);
void ShowReadyStatus(void);
void ShowErrorStatus(void);
void EnableMainControls(HWND window, BOOL enable);
BOOL GetInputPath(char *path);
BOOL IsPathLengthAllowed(const char *path);

/* Start-up (startup.cpp) */
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showState);
/* Every start-up step before the window shows; NULL after the failure box. */
HWND CreateMainWindow(HINSTANCE instance);
void InitCommonControlClasses(void);
void SetDefaultPrinterFile(void);
void TruncateAtLastBackslash(char *path);

/* Main window procedure (wndproc.cpp) */
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL BrowseForPrinterFile(HWND owner, char *path, char *title);

/* Send run (sendrun.cpp): the worker thread of one "Go", and how it
   shows a transfer's progress. */
void __cdecl SendThreadProc(void *argument);
BOOL ShowSendProgress(const char *portName, int percent, ULONGLONG bytesSent);

/* About box and logo (about.cpp) */
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
POINT GetCentredPosition(const RECT *owner, const RECT *client);
void ReplaceKeyColor(HWND window, HBITMAP bitmap);
void DrawBitmapCentered(HWND window, HBITMAP bitmap, HDC dc);

#endif
