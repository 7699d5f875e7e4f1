/* Times the refresh before a run (RebuildPortTable) with 10, 100 and 1,000
   ports, through the fake spooler, on a real list view owned by another
   thread than the one refreshing, as in a run: every list message is a
   thread switch. The baseline, side by side in the same run on the same
   list: a plain fill (every item deleted, then FillPortTable).

   Each refresh changes the list: one unticked port has gone and one new
   port comes in the middle, every tenth port is ticked. Prints one row per
   port count: medians in milliseconds, and the ratio. */
#include "fake_system.h"
#include "portlist.h"
#include "resource.h"

#include <windows.h>
#include <commctrl.h>
#include <process.h>
#include <stdio.h>
#include <algorithm>
#include <vector>

namespace {

std::vector<FAKE_PORT> PortsForRun(int count, int variant)
{
    std::vector<FAKE_PORT> ports;
    for (int i = 0; i < count; ++i) {
        char name[32];
        snprintf(name, sizeof(name), "PORT%05d:", i * 2);
        ports.push_back({name, "Local Port", "Local Monitor"});
    }
    /* variant 1: the second port goes, a new one stands in the middle */
    if (variant == 1 && count >= 2) {
        ports.erase(ports.begin() + 1);
        char name[32];
        snprintf(name, sizeof(name), "PORT%05d:", count + 1);
        ports.insert(ports.begin() + count / 2, {name, "Local Port", "Local Monitor"});
    }
    return ports;
}

double Milliseconds(LARGE_INTEGER start, LARGE_INTEGER end)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
}

/* Median of `repeats` timed runs; between runs the spooler flips between
   the two port lists, so that every refresh has work to do. */
double TimeMethod(bool refresh, int ports, int repeats)
{
    std::vector<double> times;
    for (int r = 0; r < repeats; ++r) {
        Fake.ports = PortsForRun(ports, 0);
        SendMessageA(PortListWindow, LVM_DELETEALLITEMS, 0, 0);
        FillPortTable();
        for (int i = 0; i < ports; i += 10)
            SetPortCheckState(i, PORT_CHECKED);
        Fake.ports = PortsForRun(ports, 1);

        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        if (refresh) {
            RebuildPortTable();
        } else {
            SendMessageA(PortListWindow, LVM_DELETEALLITEMS, 0, 0);
            FillPortTable();
        }
        QueryPerformanceCounter(&end);
        times.push_back(Milliseconds(start, end));

        if ((int)SendMessageA(PortListWindow, LVM_GETITEMCOUNT, 0, 0) != PortTableCount) {
            fprintf(stderr, "port_refresh: the list does not show the table after a run\n");
            ExitProcess(1);
        }
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

unsigned __stdcall BenchWorker(void *)
{
    printf("%-12s %7s %12s %12s %14s\n", "benchmark", "ports", "refresh ms", "fill ms", "refresh/fill");
    const int counts[] = {10, 100, 1000};
    for (int ports : counts) {
        int repeats = ports >= 1000 ? 5 : 15;
        /* interleaved, so that drift in the machine's load hits both alike */
        double refresh = TimeMethod(true, ports, repeats);
        double fill = TimeMethod(false, ports, repeats);
        printf("%-12s %7d %12.2f %12.2f %14.2f\n", "port_refresh", ports, refresh, fill, refresh / fill);
        fflush(stdout);
    }
    return 0;
}

} // namespace

int main(void)
{
    InstallFakeSystem();
    Fake.ports = PortsForRun(10, 0);
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    HWND host = CreateWindowA("STATIC", "bench", WS_OVERLAPPEDWINDOW, 0, 0, 500, 400,
                              NULL, NULL, GetModuleHandleA(NULL), NULL);
    CreateWindowA(WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 415, 300, host,
                  (HMENU)IDC_PORTLIST, GetModuleHandleA(NULL), NULL);
    if (host == NULL || !InitPortList(host)) {
        fprintf(stderr, "port_refresh: no list view (is there an X display?)\n");
        return 1;
    }
    HANDLE worker = (HANDLE)_beginthreadex(NULL, 0, BenchWorker, NULL, 0, NULL);
    if (worker == NULL)
        return 1;
    /* The list's own thread: carries out the worker's list messages. */
    while (MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    DWORD result = 1;
    GetExitCodeThread(worker, &result);
    CloseHandle(worker);
    DestroyWindow(host);
    return (int)result;
}
