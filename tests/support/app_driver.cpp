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

/* The wide calls in the long form: entries may pass MAX_PATH. */
void RemoveScratchFolder(const std::string &folder)
{
    if (folder.empty())
        return;
    std::wstring path(folder.size(), L'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, folder.data(), (int)folder.size(), &path[0], (int)path.size());
    path.resize(length > 0 ? length : 0);
    RemoveFolderW(L"\\\\?\\" + path);
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

/* SB_GETTEXTA carries a pointer that Wine does not marshal: the text is
   fetched into memory of the run's own. */
std::string RemoteStatusText(const VANTREL_RUN &run)
{
    HWND statusBar = GetDlgItem(run.mainWindow, IDC_STATUSBAR);
    if (statusBar == NULL)
        return "(no status bar)";
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                                 run.process.dwProcessId);
    if (process == NULL)
        return "(cannot open the process)";
    std::string text = "(cannot read)";
    LRESULT length = LOWORD(SendMessageA(statusBar, SB_GETTEXTLENGTHA, 0, 0));
    void *remote = VirtualAllocEx(process, NULL, length + 1, MEM_COMMIT, PAGE_READWRITE);
    if (remote != NULL) {
        std::vector<char> local(length + 1, '\0');
        SendMessageA(statusBar, SB_GETTEXTA, 0, (LPARAM)remote);
        if (ReadProcessMemory(process, remote, local.data(), length + 1, NULL))
            text.assign(local.data(), length);
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return text;
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
