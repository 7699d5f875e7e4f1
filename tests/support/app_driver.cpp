#include "app_driver.h"
#include "built_exe.h"
#include "resource.h"

#include <commctrl.h>
#include <vector>

std::string MakeScratchFolder(const std::string &name)
{
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof(temp), temp);
    if (length == 0 || length >= sizeof(temp))
        return "";
    std::string path = std::string(temp) + "vantrel-" + name;
    RemoveScratchFolder(path);
    /* Every level of a nested name. */
    for (size_t at = std::string(temp).size(); at != std::string::npos;) {
        at = path.find('\\', at + 1);
        std::string level = path.substr(0, at);
        if (!CreateDirectoryA(level.c_str(), NULL) && GetLastError() != ERROR_ALREADY_EXISTS)
            return "";
    }
    return path;
}

std::string CopyVantrelInto(const std::string &folder)
{
    std::string built = BuiltExePath();
    std::string copy = folder + "\\vantrel.exe";
    if (built.empty() || !CopyFileA(built.c_str(), copy.c_str(), FALSE))
        return "";
    return copy;
}

static void RemoveFolderW(const std::wstring &path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring entry = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolderW(entry);
            else
                DeleteFileW(entry.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

std::wstring Wide(const std::string &text)
{
    std::wstring wide(text.size(), L'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), &wide[0], (int)wide.size());
    wide.resize(length > 0 ? length : 0);
    return wide;
}

/* The wide calls in the long form: entries may pass MAX_PATH. */
void RemoveScratchFolder(const std::string &folder)
{
    if (folder.empty())
        return;
    RemoveFolderW(L"\\\\?\\" + Wide(folder));
}

struct WINDOW_SEARCH {
    DWORD processId;
    const char *className;
    HWND exclude;
    HWND found;
};

static BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM lParam)
{
    WINDOW_SEARCH *search = (WINDOW_SEARCH *)lParam;
    DWORD processId = 0;
    char className[64];
    GetWindowThreadProcessId(window, &processId);
    if (processId != search->processId || window == search->exclude)
        return TRUE;
    if (!GetClassNameA(window, className, sizeof(className)) || lstrcmpA(className, search->className) != 0)
        return TRUE;
    if (!IsWindowVisible(window))
        return TRUE;
    search->found = window;
    return FALSE;
}

static HWND FindProcessWindow(DWORD processId, const char *className, HWND exclude)
{
    WINDOW_SEARCH search = {processId, className, exclude, NULL};
    EnumWindows(MatchProcessWindow, (LPARAM)&search);
    return search.found;
}

bool LaunchVantrel(const std::string &exe, const std::string &arguments, int showState, VANTREL_RUN *run)
{
    ZeroMemory(run, sizeof(*run));
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    if (showState != NO_SHOW_STATE) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = (WORD)showState;
    }
    std::string commandLine = "\"" + exe + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    std::vector<char> writable(commandLine.begin(), commandLine.end());
    writable.push_back('\0');
    return CreateProcessA(exe.c_str(), writable.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup, &run->process)
           != FALSE;
}

/* Polls for a visible window of the run's until it shows, the run ends or
   10 s pass. */
static HWND WaitForRunWindow(const VANTREL_RUN &run, const char *className, HWND exclude)
{
    for (int waited = 0; waited < 10000; waited += 20) {
        HWND window = FindProcessWindow(run.process.dwProcessId, className, exclude);
        if (window != NULL)
            return window;
        if (WaitForSingleObject(run.process.hProcess, 20) == WAIT_OBJECT_0)
            return NULL;
    }
    return NULL;
}

bool StartVantrel(const std::string &exe, const std::string &arguments, int showState, VANTREL_RUN *run)
{
    if (!LaunchVantrel(exe, arguments, showState, run))
        return false;
    run->mainWindow = WaitForRunWindow(*run, "FirmwareUpdate", NULL);
    return run->mainWindow != NULL;
}

HWND WaitForProcessDialog(const VANTREL_RUN &run, HWND exclude)
{
    return WaitForRunWindow(run, "#32770", exclude);
}

HWND FindHiddenMainWindow(const VANTREL_RUN &run)
{
    for (HWND window = FindWindowExA(NULL, NULL, "FirmwareUpdate", NULL); window != NULL;
         window = FindWindowExA(NULL, window, "FirmwareUpdate", NULL)) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        if (processId == run.process.dwProcessId && !IsWindowVisible(window))
            return window;
    }
    return NULL;
}

bool WaitForVantrelExit(VANTREL_RUN *run, DWORD milliseconds, DWORD *exitCode)
{
    if (run->process.hProcess == NULL)
        return false;
    if (WaitForSingleObject(run->process.hProcess, milliseconds) != WAIT_OBJECT_0)
        return false;
    return GetExitCodeProcess(run->process.hProcess, exitCode) != FALSE;
}

void EndVantrel(VANTREL_RUN *run)
{
    if (run->process.hProcess != NULL) {
        if (WaitForSingleObject(run->process.hProcess, 0) != WAIT_OBJECT_0) {
            TerminateProcess(run->process.hProcess, 99);
            WaitForSingleObject(run->process.hProcess, 5000);
        }
        CloseHandle(run->process.hProcess);
    }
    if (run->process.hThread != NULL)
        CloseHandle(run->process.hThread);
    ZeroMemory(run, sizeof(*run));
}

HWND ProcessDialog(const VANTREL_RUN &run, HWND exclude)
{
    return FindProcessWindow(run.process.dwProcessId, "#32770", exclude);
}

std::string RemoteText(HWND window)
{
    char text[1024] = "";
    SendMessageA(window, WM_GETTEXT, sizeof(text), (LPARAM)text);
    return text;
}

/* A page of memory in the run's process, for the common controls' messages
   that carry pointers: Wine does not marshal them, so the control reads and
   writes its own memory at the address it is given. */
class RemotePage {
public:
    static const size_t Size = 4096;

    explicit RemotePage(const VANTREL_RUN &run)
    {
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               run.process.dwProcessId);
        if (process_ != NULL)
            remote_ = (char *)VirtualAllocEx(process_, NULL, Size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemotePage()
    {
        if (remote_ != NULL)
            VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
        if (process_ != NULL)
            CloseHandle(process_);
    }
    RemotePage(const RemotePage &) = delete;
    RemotePage &operator=(const RemotePage &) = delete;

    bool Ok() const { return remote_ != NULL; }
    char *At(size_t offset) const { return remote_ + offset; }
    bool Write(size_t offset, const void *bytes, size_t count)
    {
        return offset + count <= Size && WriteProcessMemory(process_, remote_ + offset, bytes, count, NULL);
    }
    bool Read(size_t offset, void *bytes, size_t count)
    {
        return offset + count <= Size && ReadProcessMemory(process_, remote_ + offset, bytes, count, NULL);
    }
    /* A NUL-terminated text at offset, at most up to the page's end. */
    std::string ReadText(size_t offset)
    {
        std::vector<char> text(Size - offset + 1, '\0');
        if (!Read(offset, text.data(), Size - offset))
            return "(cannot read)";
        return text.data();
    }

private:
    HANDLE process_ = NULL;
    char *remote_ = NULL;
};

/* The page is zeroed when committed, and the program's status texts are far
   shorter than it: a text that grew between the two messages still ends
   inside the page. */
std::string RemoteStatusText(const VANTREL_RUN &run)
{
    HWND statusBar = GetDlgItem(run.mainWindow, IDC_STATUSBAR);
    if (statusBar == NULL)
        return "(no status bar)";
    LRESULT length = LOWORD(SendMessageA(statusBar, SB_GETTEXTLENGTHA, 0, 0));
    if ((size_t)length >= RemotePage::Size / 2)
        return "(too long)";
    RemotePage page(run);
    if (!page.Ok())
        return "(cannot open the process)";
    SendMessageA(statusBar, SB_GETTEXTA, 0, (LPARAM)page.At(0));
    return page.ReadText(0);
}

HWND RemoteFocus(const VANTREL_RUN &run)
{
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof(info));
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(run.process.dwThreadId, &info))
        return NULL;
    return info.hwndFocus;
}

void PostClick(HWND window, int x, int y)
{
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

/* A posted selection change is handled after everything posted before it.
   Twice: keys posted before the first marker may have made TranslateMessage
   post characters behind it. Each marker differs from the selection before it. */
bool SyncWithRun(HWND edit)
{
    if (SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0) < 3)
        return false;
    for (int round = 0; round < 2; ++round) {
        DWORD before = (DWORD)SendMessageA(edit, EM_GETSEL, 0, 0);
        DWORD marker = before == MAKELONG(1, 2) ? MAKELONG(2, 3) : MAKELONG(1, 2);
        PostMessageA(edit, EM_SETSEL, LOWORD(marker), HIWORD(marker));
        bool seen = false;
        for (int waited = 0; waited < 5000 && !seen; waited += 10) {
            seen = (DWORD)SendMessageA(edit, EM_GETSEL, 0, 0) == marker;
            if (!seen)
                Sleep(10);
        }
        if (!seen)
            return false;
    }
    return true;
}

static HWND PortList(const VANTREL_RUN &run)
{
    return GetDlgItem(run.mainWindow, IDC_PORTLIST);
}

/* LVM_GETITEMTEXTA with the LVITEMA and its text buffer in one remote page. */
std::vector<std::string> RemotePortTexts(const VANTREL_RUN &run)
{
    std::vector<std::string> texts;
    HWND list = PortList(run);
    RemotePage page(run);
    if (list == NULL || !page.Ok())
        return texts;
    const size_t textAt = 256;
    int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int item = 0; item < count; ++item) {
        LVITEMA request;
        ZeroMemory(&request, sizeof(request));
        request.iSubItem = 0;
        request.pszText = page.At(textAt);
        request.cchTextMax = (int)(RemotePage::Size - textAt);
        char nothing = '\0';
        if (!page.Write(0, &request, sizeof(request)) || !page.Write(textAt, &nothing, 1))
            break;
        SendMessageA(list, LVM_GETITEMTEXTA, item, (LPARAM)page.At(0));
        texts.push_back(page.ReadText(textAt));
    }
    return texts;
}

int RemotePortCheck(const VANTREL_RUN &run, int item)
{
    return (int)((SendMessageA(PortList(run), LVM_GETITEMSTATE, item, LVIS_STATEIMAGEMASK) & 0xF000) >> 12);
}

static bool RemoteItemRect(const VANTREL_RUN &run, UINT message, int item, int subItem, int part, RECT *rect)
{
    RemotePage page(run);
    RECT request = {part, subItem, 0, 0};
    if (!page.Ok() || !page.Write(0, &request, sizeof(request)))
        return false;
    if (!SendMessageA(PortList(run), message, item, (LPARAM)page.At(0)))
        return false;
    return page.Read(0, rect, sizeof(*rect));
}

static bool RemoteHitTest(const VANTREL_RUN &run, POINT at, LVHITTESTINFO *info)
{
    RemotePage page(run);
    ZeroMemory(info, sizeof(*info));
    info->pt = at;
    if (!page.Ok() || !page.Write(0, info, sizeof(*info)))
        return false;
    SendMessageA(PortList(run), LVM_HITTEST, 0, (LPARAM)page.At(0));
    return page.Read(0, info, sizeof(*info));
}

/* The check box is not a rectangle the list reports: the row's left end is
   hit-tested point by point, and the middle of the part that is the state
   icon is taken. */
bool PortCheckBoxPoint(const VANTREL_RUN &run, int item, POINT *at)
{
    RECT bounds;
    if (!RemoteItemRect(run, LVM_GETITEMRECT, item, 0, LVIR_BOUNDS, &bounds))
        return false;
    int y = (bounds.top + bounds.bottom) / 2;
    int first = -1, last = -1;
    for (int x = bounds.left; x < bounds.left + 48 && x < bounds.right; ++x) {
        LVHITTESTINFO info;
        if (!RemoteHitTest(run, POINT{x, y}, &info))
            return false;
        bool onBox = info.iItem == item && (info.flags & LVHT_ONITEMSTATEICON) != 0;
        if (onBox && first < 0)
            first = x;
        if (onBox)
            last = x;
        if (!onBox && first >= 0)
            break;
    }
    if (first < 0)
        return false;
    *at = POINT{(first + last) / 2, y};
    return true;
}

bool PortDescriptionPoint(const VANTREL_RUN &run, int item, POINT *at)
{
    RECT bounds;
    if (!RemoteItemRect(run, LVM_GETSUBITEMRECT, item, 1, LVIR_LABEL, &bounds))
        return false;
    *at = POINT{(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2};
    return true;
}

static SEEN_BOX ReadMessageBox(HWND box)
{
    SEEN_BOX seen;
    seen.caption = RemoteText(box);
    seen.text = RemoteText(GetDlgItem(box, 0xFFFF));
    seen.owner = GetWindow(box, GW_OWNER);
    return seen;
}

/* A box is closed by a posted click on its OK button: it runs its own modal
   loop on the worker, which a sent click would have to wait out. */
static bool CloseMessageBox(const VANTREL_RUN &run, HWND box)
{
    HWND ok = GetDlgItem(box, IDOK);
    if (ok == NULL)
        return false;
    PostMessageA(ok, BM_CLICK, 0, 0);
    for (int waited = 0; waited < 10000; waited += 5) {
        if (!IsWindow(box))
            return true;
        if (WaitForSingleObject(run.process.hProcess, 5) == WAIT_OBJECT_0)
            return false;
    }
    return false;
}

bool PressGoAndWatch(const VANTREL_RUN &run, DWORD milliseconds, RUN_RECORD *record,
                     const std::function<void(const std::string &)> &onStatus,
                     const std::function<void(HWND)> &onBox)
{
    HWND edit = GetDlgItem(run.mainWindow, IDC_FILENAME);
    auto noteStatus = [&](const std::string &status) {
        if (record->statusTexts.empty() || record->statusTexts.back() != status) {
            record->statusTexts.push_back(status);
            if (onStatus)
                onStatus(status);
        }
    };

    noteStatus(RemoteStatusText(run));
    PostMessageA(GetDlgItem(run.mainWindow, IDOK), BM_CLICK, 0, 0);
    /* From here on the click has been handled: the window is disabled and
       the worker started, however short its run. */
    if (!SyncWithRun(edit))
        return false;

    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        if (WaitForSingleObject(run.process.hProcess, 0) == WAIT_OBJECT_0)
            return false;
        HWND box = ProcessDialog(run);
        if (box != NULL) {
            SEEN_BOX seen = ReadMessageBox(box);
            seen.status = RemoteStatusText(run);
            noteStatus(seen.status);
            record->boxes.push_back(seen);
            if (onBox)
                onBox(box);
            if (!CloseMessageBox(run, box))
                return false;
            continue;
        }
        noteStatus(RemoteStatusText(run));
        /* The run ends by enabling the list, the edit, "Go", "Exit",
           "Browse" and last the main window, after "Ready"; no box can
           follow. Before that the window must stay disabled: enabled, it
           takes input (its menu, its close box) while a transfer runs. */
        bool windowEnabled = IsWindowEnabled(run.mainWindow) != FALSE;
        bool goEnabled = IsWindowEnabled(GetDlgItem(run.mainWindow, IDOK)) != FALSE;
        if (windowEnabled && !goEnabled)
            record->windowEnabledDuringRun = true;
        if (windowEnabled && goEnabled && ProcessDialog(run) == NULL) {
            noteStatus(RemoteStatusText(run));
            return true;
        }
    }
    return false;
}
