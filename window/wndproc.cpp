/* The main window's procedure: keeps "Go" in step with the file edit, ticks
   ports on a double click, starts a send run, opens the About box and the
   open-file dialog, and draws the logo. */
#include "shell.h"
#include "portlist.h"
#include "resource.h"
#include "syscalls.h"

#include <commctrl.h>
#include <commdlg.h>

#define BROWSE_PATH_SIZE    INPUT_PATH_SIZE
#define BROWSE_TITLE_SIZE   512

/* Filled whole at every Browse. */
static OPENFILENAMEA OpenFileName;

/* Pairs of shown text and pattern; the literal's own NUL ends the list. */
static const char PrinterFileFilter[] =
    "PRN Files (*.PRN)\0*.prn\0"
    "FLN Files (*.FLN)\0*.fln\0"
    "BIN Files (*.BIN)\0*.bin\0"
    "All Files (*.*)\0*.*\0";

/* "Go" is usable exactly while the edit holds text; blanks count. */
static void UpdateGoButton(void)
{
    LRESULT length = SendMessageA(FileEditWindow, EM_LINELENGTH, 0, 0);
    EnableWindow(GoButtonWindow, length > 0);
}

/* The cursor over the client area belongs to this thread, which the
   system asks (WM_SETCURSOR) whenever the mouse moves: the wait cursor
   during a run, the class's arrow otherwise. A disabled window is asked
   with HTERROR wherever the mouse is, so the position decides. At the
   run's start and end it is set at once, the mouse being still. */
static BOOL SetRunCursor(HWND window)
{
    POINT at;
    RECT client;
    if (!GetCursorPos(&at) || !ScreenToClient(window, &at) || !GetClientRect(window, &client) ||
        !PtInRect(&client, at))
        return FALSE;
    SetCursor(LoadCursorA(NULL, SendRunActive ? IDC_WAIT : IDC_ARROW));
    return TRUE;
}

static void StartSendRun(HWND window)
{
    MainWindowHandle = window;
    InterlockedExchange(&SendRunActive, TRUE);
    EnableMainControls(window, FALSE);
    SetRunCursor(window);
    uintptr_t thread = Sys._beginthread(SendThreadProc, 0, &MainWindowHandle);
    if (thread == (uintptr_t)-1 || thread == 0) {
        InterlockedExchange(&SendRunActive, FALSE);
        /* Only the worker enables the window again: without one it would
           stay disabled for good. Enabled first, so that the box gives it
           back to the user when it closes. */
        EnableMainControls(window, TRUE);
        Sys.MessageBoxA(window, "Transfer could not be started! Please try again.",
                        "Transfer Start Error", MB_ICONERROR);
    }
}

static void OpenAboutBox(HWND window)
{
    HRSRC found = FindResourceA(AppInstance, MAKEINTRESOURCEA(IDD_ABOUT), RT_DIALOG);
    if (found == NULL)
        return;
    HGLOBAL loaded = LoadResource(AppInstance, found);
    if (loaded == NULL)
        return;
    DialogBoxIndirectParamA(AppInstance, (LPCDLGTEMPLATEA)LockResource(loaded), window, AboutDlgProc, 0);
    FreeResource(loaded);
}

BOOL BrowseForPrinterFile(HWND owner, char *path, char *title)
{
    OpenFileName.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    OpenFileName.hwndOwner = owner;
    OpenFileName.hInstance = NULL;
    OpenFileName.lpstrFilter = PrinterFileFilter;
    OpenFileName.lpstrCustomFilter = NULL;
    OpenFileName.nMaxCustFilter = 0;
    OpenFileName.nFilterIndex = 0;
    OpenFileName.lpstrFile = path;
    OpenFileName.nMaxFile = BROWSE_PATH_SIZE;
    OpenFileName.lpstrFileTitle = title;
    OpenFileName.nMaxFileTitle = BROWSE_TITLE_SIZE;
    OpenFileName.lpstrInitialDir = NULL;
    OpenFileName.lpstrTitle = NULL;
    OpenFileName.Flags = OFN_CREATEPROMPT | OFN_HIDEREADONLY;
    OpenFileName.nFileOffset = 0;
    OpenFileName.nFileExtension = 0;
    OpenFileName.lpstrDefExt = "prn";
    OpenFileName.lCustData = 0;
    OpenFileName.lpfnHook = NULL;
    OpenFileName.lpTemplateName = NULL;
    return GetOpenFileNameA(&OpenFileName);
}

/* The dialog always starts on "*.prn", never on the edit's current path. */
static void ChoosePrinterFile(HWND window)
{
    char path[BROWSE_PATH_SIZE];
    char title[BROWSE_TITLE_SIZE];
    ZeroMemory(path, sizeof(path));
    ZeroMemory(title, sizeof(title));
    lstrcpynA(path, "*.prn", sizeof(path));
    if (BrowseForPrinterFile(window, path, title))
        SendMessageA(FileEditWindow, WM_SETTEXT, 0, (LPARAM)path);
}

/* The notification code decides first: EN_CHANGE from whatever control,
   then the identifier alone. Only "Exit" answers 0 itself. */
static LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == EN_CHANGE) {
        UpdateGoButton();
        return DefWindowProcA(window, WM_COMMAND, wParam, lParam);
    }
    switch (LOWORD(wParam)) {
    case IDOK:
        StartSendRun(window);
        break;
    case IDCANCEL:
        if (!SendRunActive)
            PostQuitMessage(0);
        return 0;
    case IDM_ABOUT:
    case IDC_LOGO:
        OpenAboutBox(window);
        break;
    case IDC_BROWSE:
        ChoosePrinterFile(window);
        break;
    }
    return DefWindowProcA(window, WM_COMMAND, wParam, lParam);
}

/* The status bar sends NM_DBLCLK too, with its part number where the list
   has the item: only the port list's double click toggles a port. */
static void OnNotify(const NMHDR *header)
{
    if (header->code == (UINT)NM_DBLCLK && header->idFrom == IDC_PORTLIST)
        TogglePortCheck(((const NMITEMACTIVATE *)header)->iItem);
}

static void DrawMainLogo(HWND window, const DRAWITEMSTRUCT *item)
{
    ReplaceKeyColor(GetDlgItem(window, IDC_LOGO), LogoBitmap);
    DrawBitmapCentered(GetDlgItem(window, IDC_LOGO), LogoBitmap, item->hDC);
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATE:
        UpdateWindow(window);   /* a pending repaint is done at once */
        break;
    case WM_CLOSE:
        /* A disabled window still gets WM_CLOSE from other programs, and a
           box closing enables it for a moment: ending mid-run would cut a
           job short and leave a temporary printer installed. The close box
           and the system menu's Close come here too. */
        if (SendRunActive)
            return 0;
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_SETCURSOR:
        if (SendRunActive && SetRunCursor(window))
            return TRUE;
        break;
    case WM_ENABLE:
        /* The run gives the window back last of all; a box closing
           mid-run enables it too. */
        if (wParam && !SendRunActive)
            SetRunCursor(window);
        break;
    case WM_NOTIFY:
        OnNotify((const NMHDR *)lParam);
        return 0;
    case WM_COMMAND:
        return OnCommand(window, wParam, lParam);
    case WM_DRAWITEM:
        if (wParam == IDC_LOGO)
            DrawMainLogo(window, (const DRAWITEMSTRUCT *)lParam);
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
