/* Start-up: registers the main window's class, builds the window from its
   template, fills it, runs the message loop and hands back the exit code. */
#include "shell.h"
#include "portlist.h"
#include "resource.h"
#include "syscalls.h"

#include <commctrl.h>

#define MAIN_WINDOW_CLASS   "FirmwareUpdate"

static void RegisterMainWindowClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass;
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.cbClsExtra = 0;
    /* The dialog manager keeps its data there: the class is named by a template. */
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(LTGRAY_BRUSH);
    windowClass.lpszMenuName = "THIS_APP_MENU";
    windowClass.lpszClassName = MAIN_WINDOW_CLASS;
    windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    RegisterClassExA(&windowClass);
}

/* Older common-controls libraries lack InitCommonControlsEx; they register
   every class through InitCommonControls instead. */
void InitCommonControlClasses(void)
{
    typedef BOOL (WINAPI *INIT_COMMON_CONTROLS_EX)(const INITCOMMONCONTROLSEX *);

    HMODULE library = LoadLibraryA("ComCtl32.dll");
    INIT_COMMON_CONTROLS_EX initEx = NULL;
    if (library != NULL)
        initEx = (INIT_COMMON_CONTROLS_EX)(void (*)(void))GetProcAddress(library, "InitCommonControlsEx");
    if (initEx != NULL) {
        INITCOMMONCONTROLSEX controls;
        controls.dwSize = sizeof(controls);
        controls.dwICC = ICC_LISTVIEW_CLASSES;
        initEx(&controls);
        return;     /* the classes live in the library: it stays loaded */
    }
    InitCommonControls();
    if (library != NULL)
        FreeLibrary(library);
}

/* Cuts the path at its last backslash. Walks by characters, not bytes: in a
   double-byte code page a trail byte may have the backslash's value. */
void TruncateAtLastBackslash(char *path)
{
    char *lastBackslash = NULL;
    for (char *p = path; *p != '\0'; p = CharNextA(p)) {
        if (*p == '\\')
            lastBackslash = p;
    }
    if (lastBackslash != NULL)
        *lastBackslash = '\0';
}

static BOOL AppendToPath(char *path, int size, const char *text)
{
    if (lstrlenA(path) + lstrlenA(text) >= size)
        return FALSE;
    lstrcatA(path, text);
    return TRUE;
}

/* Offers the first "*.prn" beside the program. A path that does not fit, or
   that the edit's reader would refuse, is not offered at all: a cut one
   would name some other file. */
void SetDefaultPrinterFile(void)
{
    char path[INPUT_PATH_SIZE];
    DWORD length = Sys.GetModuleFileNameA(NULL, path, sizeof(path));
    if (length == 0 || length >= sizeof(path))
        return;
    TruncateAtLastBackslash(path);
    if (!AppendToPath(path, sizeof(path), "\\") || !AppendToPath(path, sizeof(path), "*.prn"))
        return;

    WIN32_FIND_DATAA found;
    HANDLE search = Sys.FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    TruncateAtLastBackslash(path);
    if (AppendToPath(path, sizeof(path), "\\") && AppendToPath(path, sizeof(path), found.cFileName) &&
        IsPathLengthAllowed(path))
        SendMessageA(FileEditWindow, WM_SETTEXT, 0, (LPARAM)path);
    Sys.FindClose(search);
}

/* Everything before the window shows. Returns NULL after telling the user
   why the program cannot go on. */
HWND CreateMainWindow(HINSTANCE instance)
{
    RegisterMainWindowClass(instance);
    InitCommonControlClasses();
    AppInstance = instance;
    LogoBitmap = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_LOGO));

    /* No dialog procedure: the class's window procedure gets every message. */
    HWND window = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), NULL, NULL, 0);
    if (window == NULL) {
        /* Without a window the loop below would wait for good, unseen. */
        Sys.MessageBoxA(NULL, "Main Window could not be created! Program terminated.",
                        "Main Window Initialisation Error", MB_ICONERROR);
        return NULL;
    }
    if (!InitPortList(window)) {
        Sys.MessageBoxA(window, "Printer List could not be initialised! Program terminated.",
                        "Printer List Initalisation Error", MB_ICONERROR);
        return NULL;
    }

    FileEditWindow = GetDlgItem(window, IDC_FILENAME);
    GoButtonWindow = GetDlgItem(window, IDOK);
    ExitButtonWindow = GetDlgItem(window, IDCANCEL);
    BrowseButtonWindow = GetDlgItem(window, IDC_BROWSE);
    StatusBarWindow = CreateStatusBar(window);

    /* The edit's change notification enables "Go" again when a default
       file goes in, through the handles just taken. */
    EnableWindow(GoButtonWindow, FALSE);
    SetDefaultPrinterFile();
    return window;
}

static void DeleteLogoBitmap(void)
{
    if (LogoBitmap != NULL)
        DeleteObject(LogoBitmap);
    LogoBitmap = NULL;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showState)
{
    HWND window = CreateMainWindow(instance);
    if (window == NULL) {
        DeleteLogoBitmap();
        return 0;
    }
    ShowWindow(window, showState);

    /* No IsDialogMessageA: Tab, Enter and Esc go to the focused control
       and never move the focus or press "Go" or "Exit". */
    MSG message;
    BOOL received;
    while ((received = GetMessageA(&message, NULL, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    DeleteLogoBitmap();
    /* -1 is GetMessageA's own failure: no quit message came, so no success. */
    return received == 0 ? (int)message.wParam : 1;
}
