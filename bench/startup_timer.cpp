/* Times start-ups from outside: starts a program, watches for its window
   to be shown and filled, closes it, and repeats, alternating between the
   programs given so that both see the same machine. Prints one row per
   program: the median and the quartiles in milliseconds, and the ratio of
   each median to the first program's.

   Usage: startup_timer ROUNDS NAME=EXE=CLASS[=filled] ...
   "filled" waits, besides the shown window, for a status bar child and a
   list view with at least one item (the port list). */
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

struct PROGRAM {
    std::string name, exe, windowClass;
    bool filled;
    std::vector<double> times;
};

struct SEARCH {
    DWORD processId;
    const char *windowClass;
    HWND found;
};

static BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam)
{
    SEARCH *search = (SEARCH *)lParam;
    DWORD processId = 0;
    char className[64];
    GetWindowThreadProcessId(window, &processId);
    if (processId == search->processId && IsWindowVisible(window) &&
        GetClassNameA(window, className, sizeof(className)) && strcmp(className, search->windowClass) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

static bool IsFilled(HWND window)
{
    HWND statusBar = FindWindowExA(window, NULL, STATUSCLASSNAMEA, NULL);
    HWND list = FindWindowExA(window, NULL, WC_LISTVIEWA, NULL);
    return statusBar != NULL && list != NULL && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0;
}

static double Now(void)
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (double)count.QuadPart / (double)frequency.QuadPart;
}

/* One start: milliseconds until the window is shown (and filled), or -1. */
static double TimeOneStart(const PROGRAM &program)
{
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    std::string commandLine = "\"" + program.exe + "\"";
    std::vector<char> writable(commandLine.begin(), commandLine.end());
    writable.push_back('\0');

    double start = Now();
    if (!CreateProcessA(program.exe.c_str(), writable.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return -1;
    double elapsed = -1;
    SEARCH search = {process.dwProcessId, program.windowClass.c_str(), NULL};
    while (Now() - start < 20000) {
        if (search.found == NULL)
            EnumWindows(MatchWindow, (LPARAM)&search);
        if (search.found != NULL && (!program.filled || IsFilled(search.found))) {
            elapsed = Now() - start;
            break;
        }
        if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0)
            break;
    }
    if (search.found != NULL)
        PostMessageA(search.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}

static double Quantile(std::vector<double> values, double q)
{
    std::sort(values.begin(), values.end());
    double at = q * (values.size() - 1);
    size_t low = (size_t)at;
    size_t high = std::min(low + 1, values.size() - 1);
    return values[low] + (values[high] - values[low]) * (at - low);
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: startup_timer ROUNDS NAME=EXE=CLASS[=filled] ...\n");
        return 2;
    }
    int rounds = atoi(argv[1]);
    std::vector<PROGRAM> programs;
    for (int i = 2; i < argc; ++i) {
        std::string entry = argv[i];
        size_t a = entry.find('='), b = entry.find('=', a + 1), c = entry.find('=', b + 1);
        if (a == std::string::npos || b == std::string::npos) {
            fprintf(stderr, "startup_timer: bad program %s\n", argv[i]);
            return 2;
        }
        PROGRAM program;
        program.name = entry.substr(0, a);
        program.exe = entry.substr(a + 1, b - a - 1);
        program.windowClass = entry.substr(b + 1, c == std::string::npos ? std::string::npos : c - b - 1);
        program.filled = c != std::string::npos && entry.substr(c + 1) == "filled";
        programs.push_back(program);
    }

    /* One unmeasured start each: the first start pays for loading Wine's
       libraries into the page cache. */
    for (PROGRAM &program : programs)
        TimeOneStart(program);
    for (int round = 0; round < rounds; ++round) {
        for (PROGRAM &program : programs) {
            double elapsed = TimeOneStart(program);
            if (elapsed < 0) {
                fprintf(stderr, "startup_timer: %s did not show its window\n", program.name.c_str());
                return 1;
            }
            program.times.push_back(elapsed);
        }
    }

    double baseline = Quantile(programs[0].times, 0.5);
    printf("%-28s %10s %10s %10s %8s\n", "start-up (ms, n=each)", "median", "q1", "q3", "ratio");
    for (const PROGRAM &program : programs) {
        double median = Quantile(program.times, 0.5);
        printf("%-28s %10.1f %10.1f %10.1f %8.2f\n", program.name.c_str(), median, Quantile(program.times, 0.25),
               Quantile(program.times, 0.75), median / baseline);
    }
    return 0;
}
