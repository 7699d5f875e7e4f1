#include "driver.h"
#include "bed.h"
#include "resource.h"

#include <commctrl.h>
#include <stddef.h>
#include <stdio.h>
#include <algorithm>

/* Seen on loaded machines: a start refused just after the bed's profile
   switch. A program that cannot start at all still fails, and says why. */
static bool StartRetried(const std::string &line, PROCESS_INFORMATION *process, HANDLE in = NULL,
                         HANDLE out = NULL, HANDLE err = NULL)
{
    if (WaitUntil(START_DEADLINE, [&] { return StartProcess(line, process, in, out, err); }))
        return true;
    fprintf(stderr, "CreateProcessA(%s) failed with error %lu\n", line.c_str(), GetLastError());
    return false;
}

bool StartApp(const std::string &exe, APP *app, bool waitForWindow)
{
    *app = APP{};
    if (!StartRetried("\"" + exe + "\"", &app->process))
        return false;
    return !waitForWindow ||
           WaitUntil(START_DEADLINE, [&] { return (app->mainWindow = FindAppWindow(*app, "FirmwareUpdate")) != NULL; });
}

void EndApp(APP *app)
{
    if (app->process.hProcess != NULL) {
        if (WaitForSingleObject(app->process.hProcess, 0) != WAIT_OBJECT_0) {
            TerminateProcess(app->process.hProcess, 99);
            WaitForSingleObject(app->process.hProcess, START_DEADLINE);
        }
        CloseHandle(app->process.hProcess);
        CloseHandle(app->process.hThread);
    }
    *app = APP{};
}

HWND FindAppWindow(const APP &app, const char *className, bool visible)
{
    for (HWND window = NULL; (window = FindWindowExA(NULL, window, className, NULL)) != NULL;) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        if (processId == app.process.dwProcessId && (IsWindowVisible(window) != FALSE) == visible)
            return window;
    }
    return NULL;
}

HWND WaitForDialog(const APP &app)
{
    HWND dialog = NULL;
    WaitUntil(START_DEADLINE, [&] { return (dialog = FindAppWindow(app, "#32770")) != NULL; });
    return dialog;
}

HWND Control(const APP &app, int id)
{
    return GetDlgItem(app.mainWindow, id);
}

std::string Text(HWND window)
{
    char text[1024] = "";
    SendMessageA(window, WM_GETTEXT, sizeof(text), (LPARAM)text);
    return text;
}

/* Sends a message whose lParam points at `size` bytes copied into the
   program's memory, and copies them back. A pointer inside the block (at
   pointerAt) is made to point at pointee within the copy. */
static LRESULT SendRemote(const APP &app, HWND window, UINT message, WPARAM wParam, void *block, size_t size,
                          size_t pointerAt = 0, size_t pointee = 0)
{
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                                 app.process.dwProcessId);
    char *remote = process ? (char *)VirtualAllocEx(process, NULL, size, MEM_COMMIT, PAGE_READWRITE) : NULL;
    LRESULT result = 0;
    if (remote != NULL) {
        if (pointee != 0)
            *(char **)((char *)block + pointerAt) = remote + pointee;
        if (WriteProcessMemory(process, remote, block, size, NULL)) {
            result = SendMessageA(window, message, wParam, (LPARAM)remote);
            ReadProcessMemory(process, remote, block, size, NULL);
        }
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    if (process != NULL)
        CloseHandle(process);
    return result;
}

std::string StatusText(const APP &app)
{
    char text[1024] = "";
    SendRemote(app, Control(app, IDC_STATUSBAR), SB_GETTEXTA, 0, text, sizeof(text) - 1);
    return text;
}

/* Twice: keys posted before the first marker may have made TranslateMessage
   post characters behind it. */
bool SyncWithApp(const APP &app)
{
    HWND edit = Control(app, IDC_FILENAME);
    if (SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0) < 3)
        return false;
    for (int round = 0; round < 2; ++round) {
        DWORD marker = (DWORD)SendMessageA(edit, EM_GETSEL, 0, 0) == MAKELONG(1, 2) ? MAKELONG(2, 3) : MAKELONG(1, 2);
        PostMessageA(edit, EM_SETSEL, LOWORD(marker), HIWORD(marker));
        if (!WaitUntil(START_DEADLINE, [&] { return (DWORD)SendMessageA(edit, EM_GETSEL, 0, 0) == marker; }))
            return false;
    }
    return true;
}

std::vector<std::string> PortTexts(const APP &app)
{
    std::vector<std::string> texts;
    HWND list = Control(app, IDC_PORTLIST);
    int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int row = 0; row < count; ++row) {
        struct {
            LVITEMA item;
            char text[260];
        } block = {};
        block.item.cchTextMax = sizeof(block.text);
        SendRemote(app, list, LVM_GETITEMTEXTA, row, &block, sizeof(block), offsetof(LVITEMA, pszText),
                   offsetof(decltype(block), text));
        texts.push_back(block.text);
    }
    return texts;
}

int PortCheck(const APP &app, int row)
{
    return (int)(SendMessageA(Control(app, IDC_PORTLIST), LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) >> 12);
}

/* The middle of the row's "Description", away from its check box; and the
   check box, found by hit-testing the row's left end point by point. */
static bool RowPoint(const APP &app, int row, bool checkBox, POINT *at)
{
    HWND list = Control(app, IDC_PORTLIST);
    RECT rect = {LVIR_LABEL, 1, 0, 0};
    if (!SendRemote(app, list, LVM_GETSUBITEMRECT, row, &rect, sizeof(rect)))
        return false;
    *at = POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    if (!checkBox)
        return true;
    for (int x = 0; x < 64; ++x) {
        LVHITTESTINFO hit = {};
        hit.pt = POINT{x, at->y};
        SendRemote(app, list, LVM_HITTEST, 0, &hit, sizeof(hit));
        if (hit.iItem == row && (hit.flags & LVHT_ONITEMSTATEICON)) {
            at->x = x + 4;
            return true;
        }
    }
    return false;
}

bool TogglePort(const APP &app, int row, TICK_BY how)
{
    HWND list = Control(app, IDC_PORTLIST);
    int before = PortCheck(app, row);
    POINT at;
    if (!RowPoint(app, row, how == BY_CHECK_BOX, &at))
        return false;
    LPARAM where = MAKELPARAM(at.x, at.y);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, where);
    PostMessageA(list, WM_LBUTTONUP, 0, where);
    if (how == BY_DOUBLE_CLICK) {
        PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
        PostMessageA(list, WM_LBUTTONUP, 0, where);
    }
    return SyncWithApp(app) && PortCheck(app, row) == 3 - before;
}

bool WaitForClose(HWND dialog)
{
    return WaitUntil(START_DEADLINE, [&] { return !IsWindow(dialog); });
}

bool RunAndWatch(const APP &app, RUN_RECORD *record, const std::function<void(const std::string &)> &onStatus)
{
    auto note = [&](const std::string &status) {
        if (record->statusTexts.empty() || record->statusTexts.back() != status) {
            record->statusTexts.push_back(status);
            if (onStatus)
                onStatus(status);
        }
    };
    note(StatusText(app));
    PostMessageA(Control(app, IDOK), BM_CLICK, 0, 0);
    /* From here on "Go" is handled: the window is disabled, the run begun. */
    if (!SyncWithApp(app))
        return false;
    std::string leftBeforeBox;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < RUN_DEADLINE) {
        if (WaitForSingleObject(app.process.hProcess, 5) == WAIT_OBJECT_0 || !IsWindow(app.mainWindow))
            return false;
        if (HWND box = FindAppWindow(app, "#32770")) {
            HWND owner = GetWindow(box, GW_OWNER);
            std::string status = StatusText(app);
            note(status);
            record->boxes.push_back(Text(box) + "|" + Text(GetDlgItem(box, 0xFFFF)) + "|" +
                                    (owner == app.mainWindow ? "main" : owner == NULL ? "none" : "other") + "|" + status);
            PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
            if (!WaitForClose(box))
                return false;
            leftBeforeBox = StatusText(app);
            continue;
        }
        /* The status is read on both sides of the window's state: a run
           that ended in between changed it to "Ready". */
        std::string before = StatusText(app);
        bool enabled = IsWindowEnabled(app.mainWindow) != FALSE;
        std::string status = StatusText(app);
        note(before);
        note(status);
        if (enabled && status == before && status.rfind("Writing to ", 0) == 0 && status != leftBeforeBox)
            record->enabledMidRun = true;
        if (enabled && IsWindowEnabled(Control(app, IDOK)) && FindAppWindow(app, "#32770") == NULL) {
            note(StatusText(app));
            return true;
        }
    }
    return false;
}

/* One argument as the runtime's parser reads it back: quoted when empty or
   when it holds a blank (no test's argument holds a quote). */
static std::string QuoteArgument(const std::string &argument)
{
    return argument.empty() || argument.find_first_of(" \t") != std::string::npos ? "\"" + argument + "\"" : argument;
}

bool RunConsole(const std::string &exe, const std::vector<std::string> &arguments, CONSOLE_RUN *run,
                const std::function<void(const PROCESS_INFORMATION &)> &whileRunning)
{
    *run = CONSOLE_RUN{1000, {}, ""};
    std::string line = QuoteArgument(exe);
    for (const std::string &argument : arguments)
        line += " " + QuoteArgument(argument);
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
    std::string outPath = BedPath("console-out.txt"), errPath = BedPath("console-err.txt");
    /* Wine's console host for the last run inherits the files too, and may
       hold them a moment longer than its program on a slow machine. */
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, share, &inherit, CREATE_ALWAYS, 0, NULL);
    HANDLE err = CreateFileA(errPath.c_str(), GENERIC_WRITE, share, &inherit, CREATE_ALWAYS, 0, NULL);
    HANDLE in = CreateFileA("NUL", GENERIC_READ, share, &inherit, OPEN_EXISTING, 0, NULL);
    APP app = {};
    bool started = out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE && StartRetried(line, &app.process, in, out, err);
    DWORD error = GetLastError();
    for (HANDLE handle : {out, err, in})
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    if (!started) {
        run->err = "not started: error " + std::to_string(error);
        return false;
    }
    if (whileRunning)
        whileRunning(app.process);
    DWORD waited = WaitForSingleObject(app.process.hProcess, RUN_DEADLINE);
    bool ended = waited == WAIT_OBJECT_0 && GetExitCodeProcess(app.process.hProcess, &run->exitCode);
    error = GetLastError();
    EndApp(&app);
    std::string text = ReadBedFile(outPath);
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
        end = std::min(text.find('\n', start), text.size());
        run->out.push_back(text.substr(start, end - start));
    }
    run->err = ReadBedFile(errPath);
    if (!ended)
        run->err += "(not ended: wait " + std::to_string(waited) + ", error " + std::to_string(error) + ")";
    return ended;
}
