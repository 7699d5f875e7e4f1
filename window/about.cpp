/* The About box, which shows three values of the program's own version
   block, and the logo drawn on the owner-drawn logo buttons of both windows. */
#include "shell.h"
#include "resource.h"
#include "syscalls.h"

#define KEY_COLOR           RGB(128, 0, 0)   /* the logo's background */
#define MODULE_PATH_SIZE    256
#define VERSION_KEY_SIZE    200

static void SetVersionString(HWND dialog, void *block, const WORD *translation,
                             const char *format, int control)
{
    char key[VERSION_KEY_SIZE];
    char *text = NULL;
    UINT length = 0;
    /* The fixed formats and two four-digit numbers stay far below the key's size. */
    wsprintfA(key, format, translation[0], translation[1]);
    if (VerQueryValueA(block, key, (void **)&text, &length) && text != NULL)
        SetDlgItemTextA(dialog, control, text);
}

/* A value the block lacks leaves its static with the template's text. */
static void ShowVersionStrings(HWND dialog, void *block)
{
    WORD *translation = NULL;
    UINT length = 0;
    if (!VerQueryValueA(block, "\\VarFileInfo\\Translation", (void **)&translation, &length)
        || translation == NULL || length < 2 * sizeof(WORD))
        return;     /* no language and code page to build the keys from */
    SetVersionString(dialog, block, translation, "\\StringFileInfo\\%04x%04x\\ProductName", IDC_UTILITY_NAME);
    SetVersionString(dialog, block, translation, "\\StringFileInfo\\%04x%04x\\ProductVersion", IDC_VERSION);
    SetVersionString(dialog, block, translation, "\\StringFileInfo\\%04x%04x\\LegalCopyright", IDC_COPYRIGHT);
}

static void FillAboutTexts(HWND dialog)
{
    char path[MODULE_PATH_SIZE];
    DWORD length = Sys.GetModuleFileNameA(AppInstance, path, sizeof(path));
    if (length == 0 || length >= sizeof(path))
        return;     /* a cut path would name another file */

    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0)
        return;
    HLOCAL memory = LocalAlloc(LHND, size);
    if (memory == NULL)
        return;
    void *block = LocalLock(memory);
    if (block != NULL) {
        if (GetFileVersionInfoA(path, handle, size, block))
            ShowVersionStrings(dialog, block);
        LocalUnlock(memory);
    }
    LocalFree(memory);
}

/* The client size stands for the window size, so the box sits right of and
   below the exact centre by its frame; halves truncate toward zero. */
POINT GetCentredPosition(const RECT *owner, const RECT *client)
{
    POINT position;
    position.x = owner->left + (owner->right - owner->left - client->right) / 2;
    position.y = owner->top + (owner->bottom - owner->top - client->bottom) / 2;
    return position;
}

static void CentreOnOwner(HWND dialog)
{
    RECT owner;
    RECT client;
    GetWindowRect(GetParent(dialog), &owner);
    GetClientRect(dialog, &client);
    POINT position = GetCentredPosition(&owner, &client);
    SetWindowPos(dialog, HWND_NOTOPMOST, position.x, position.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

static void DrawAboutLogo(HWND dialog, const DRAWITEMSTRUCT *item)
{
    ReplaceKeyColor(GetDlgItem(dialog, IDC_LOGO), LogoBitmap);
    DrawBitmapCentered(GetDlgItem(dialog, IDC_LOGO), LogoBitmap, item->hDC);
}

/* Only OK (or Enter) closes the box; Esc and the logo leave it open. */
static void OnAboutCommand(HWND dialog, WPARAM wParam)
{
    if (LOWORD(wParam) == IDOK)
        EndDialog(dialog, 1);
}

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        FillAboutTexts(dialog);
        CentreOnOwner(dialog);
        return TRUE;    /* the focus goes to OK */
    case WM_COMMAND:
        OnAboutCommand(dialog, wParam);
        return TRUE;
    case WM_DRAWITEM:
        if (wParam == IDC_LOGO)
            DrawAboutLogo(dialog, (const DRAWITEMSTRUCT *)lParam);
        return FALSE;
    }
    return FALSE;
}

/* Releases what ReplaceKeyColor made, in reverse; a null entry was never made. */
static void DeleteMemoryDCs(HDC source, HDC mask, HDC work)
{
    if (work != NULL)
        DeleteDC(work);
    if (mask != NULL)
        DeleteDC(mask);
    if (source != NULL)
        DeleteDC(source);
}

/* W = face XOR logo; AND mask (key pixels all ones, the rest zero); XOR logo
   again: face where the logo had the key colour, the logo everywhere else. */
static void CombineThroughMask(HDC source, HDC mask, HDC work, int width, int height)
{
    SetBkColor(source, KEY_COLOR);
    BitBlt(mask, 0, 0, width, height, source, 0, 0, SRCCOPY);
    BitBlt(work, 0, 0, width, height, source, 0, 0, SRCINVERT);
    BitBlt(work, 0, 0, width, height, mask, 0, 0, SRCAND);
    BitBlt(work, 0, 0, width, height, source, 0, 0, SRCINVERT);
    BitBlt(source, 0, 0, width, height, work, 0, 0, SRCCOPY);
}

static BOOL FillWithColor(HDC dc, COLORREF color, int width, int height)
{
    HBRUSH brush = CreateSolidBrush(color);
    if (brush == NULL)
        return FALSE;
    HGDIOBJ previous = SelectObject(dc, brush);
    PatBlt(dc, 0, 0, width, height, PATCOPY);
    SelectObject(dc, previous);
    DeleteObject(brush);
    return TRUE;
}

/* Turns the key-colour background into the button face, in the bitmap
   itself. Whatever cannot be made leaves the bitmap as it was. */
void ReplaceKeyColor(HWND window, HBITMAP bitmap)
{
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    if (face == KEY_COLOR || window == NULL || bitmap == NULL)
        return;
    HDC screen = GetDC(window);
    if (screen == NULL)
        return;

    HDC source = CreateCompatibleDC(screen);
    HDC mask = source != NULL ? CreateCompatibleDC(screen) : NULL;
    HDC work = mask != NULL ? CreateCompatibleDC(screen) : NULL;
    BITMAP size;
    if (work == NULL || GetObjectA(bitmap, sizeof(size), &size) == 0) {
        DeleteMemoryDCs(source, mask, work);
        ReleaseDC(window, screen);
        return;
    }

    HBITMAP maskBitmap = CreateBitmap(size.bmWidth, size.bmHeight, 1, 1, NULL);
    HBITMAP workBitmap = CreateCompatibleBitmap(screen, size.bmWidth, size.bmHeight);
    if (maskBitmap != NULL && workBitmap != NULL) {
        HGDIOBJ previousSource = SelectObject(source, bitmap);
        HGDIOBJ previousMask = SelectObject(mask, maskBitmap);
        HGDIOBJ previousWork = SelectObject(work, workBitmap);
        /* Without the face fill the key pixels would take the work
           bitmap's undefined content: then nothing is copied back. */
        if (previousSource != NULL && previousMask != NULL && previousWork != NULL
            && FillWithColor(work, face, size.bmWidth, size.bmHeight))
            CombineThroughMask(source, mask, work, size.bmWidth, size.bmHeight);
        if (previousMask != NULL)
            SelectObject(mask, previousMask);
        if (previousWork != NULL)
            SelectObject(work, previousWork);
        if (previousSource != NULL)
            SelectObject(source, previousSource);
    }
    if (maskBitmap != NULL)
        DeleteObject(maskBitmap);
    if (workBitmap != NULL)
        DeleteObject(workBitmap);
    DeleteMemoryDCs(source, mask, work);
    ReleaseDC(window, screen);
}

/* Draws the bitmap at its own size, centred on the window's client area and
   clamped to its left and top edges; the device context clips the rest. */
void DrawBitmapCentered(HWND window, HBITMAP bitmap, HDC dc)
{
    HDC ownDC = NULL;
    if (dc == NULL && window != NULL)
        dc = ownDC = GetDC(window);

    if (window != NULL && bitmap != NULL && dc != NULL) {
        HDC memory = CreateCompatibleDC(dc);
        if (memory != NULL) {
            HGDIOBJ previous = SelectObject(memory, bitmap);
            BITMAP size;
            RECT client;
            if (previous != NULL && GetObjectA(bitmap, sizeof(size), &size) != 0
                && GetClientRect(window, &client)) {
                int x = (client.right - size.bmWidth) / 2;
                int y = (client.bottom - size.bmHeight) / 2;
                if (x < 0)
                    x = 0;
                if (y < 0)
                    y = 0;
                BitBlt(dc, x, y, size.bmWidth, size.bmHeight, memory, 0, 0, SRCCOPY);
            }
            if (previous != NULL)
                SelectObject(memory, previous);
            DeleteDC(memory);
        }
    }

    if (ownDC != NULL)
        ReleaseDC(window, ownDC);
}
