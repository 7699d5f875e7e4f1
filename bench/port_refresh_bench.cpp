/* Times the refresh before a run with many ports in the bed's real Wine
   port list: the program's own RebuildPortTable on a worker thread, against
   a real port list owned by another thread, as in a run. The baseline, side
   by side in the same rounds: a bare fill, EnumPortsA into an emptied
   check-box list view on its own thread, in a window not yet shown, as a
   bare program fills its list before it shows.

     vantrel_port_refresh_bench COUNT    adds COUNT ports, times, removes them
     vantrel_port_refresh_bench --remove removes the ports a run left

   Two cases: nothing changed since the list was filled, and one unticked
   port gone with one new in the middle. Every tenth port is ticked, and
   each refresh is checked to leave item i showing row i with the ticks on
   their ports. Prints one row per case: medians in milliseconds and the
   ratio to the bare fill; then, to tell where the time goes, the table's
   build alone (RefreshPortTable) and a bare EnumPortsA. */
#include "portlist.h"
#include "resource.h"

#include <windows.h>
#include <commctrl.h>
#include <winspool.h>
#include <process.h>
#include <stdio.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <vector>

namespace {

const char PortsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
const char BenchPrefix[] = "BENCH";
const int Rounds = 5;

HWND Host;
HWND BareList;

std::string BenchPort(int number)
{
    char name[32];
    snprintf(name, sizeof name, "%s%05d:", BenchPrefix, number);
    return name;
}

bool SetPort(const std::string &name, bool present)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, PortsKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) != ERROR_SUCCESS)
        return false;
    LONG done = present ? RegSetValueExA(key, name.c_str(), 0, REG_SZ, (const BYTE *)"", 1)
                        : RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
    return done == ERROR_SUCCESS;
}

/* Every port of ours, whatever an earlier run left. */
int RemoveBenchPorts(void)
{
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PortsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumValueA(key, i, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        if (strncmp(name, BenchPrefix, strlen(BenchPrefix)) == 0)
            names.push_back(name);
    }
    RegCloseKey(key);
    for (const std::string &name : names)
        SetPort(name, false);
    return (int)names.size();
}

double Now(void)
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (double)count.QuadPart / (double)frequency.QuadPart;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

/* Runs `work` on a worker thread while this thread, the lists' own, carries
   out the messages sent to it; the worker's time. */
struct WORK {
    void (*work)(void);
    double milliseconds;
};

unsigned __stdcall TimedWork(void *argument)
{
    WORK *work = (WORK *)argument;
    double start = Now();
    work->work();
    work->milliseconds = Now() - start;
    return 0;
}

double OnWorker(void (*work)(void))
{
    WORK timed = {work, 0};
    HANDLE worker = (HANDLE)_beginthreadex(NULL, 0, TimedWork, &timed, 0, NULL);
    if (worker == NULL) {
        fprintf(stderr, "port_refresh: no worker thread\n");
        ExitProcess(1);
    }
    while (MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    CloseHandle(worker);
    return timed.milliseconds;
}

bool IsExcluded(const char *name)
{
    return name == NULL || strncmp(name, "COM", 3) == 0 || strncmp(name, "FILE", 4) == 0;
}

/* What a bare program does: the ports from the spooler into an emptied
   check-box list, port and description, on the list's own thread. */
int BareFill(void)
{
    SendMessageA(BareList, LVM_DELETEALLITEMS, 0, 0);
    DWORD needed = 0, count = 0;
    EnumPortsA(NULL, 2, NULL, 0, &needed, &count);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!EnumPortsA(NULL, 2, buffer.data(), needed, &needed, &count))
        return -1;
    const PORT_INFO_2A *ports = (const PORT_INFO_2A *)buffer.data();
    int items = 0;
    for (DWORD i = 0; i < count; ++i) {
        if (IsExcluded(ports[i].pPortName))
            continue;
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = items;
        item.pszText = ports[i].pPortName;
        item.iItem = (int)SendMessageA(BareList, LVM_INSERTITEMA, 0, (LPARAM)&item);
        item.iSubItem = 1;
        item.pszText = ports[i].pDescription;
        SendMessageA(BareList, LVM_SETITEMA, 0, (LPARAM)&item);
        ++items;
    }
    return items;
}

void BareEnumeration(void)
{
    DWORD needed = 0, count = 0;
    EnumPortsA(NULL, 2, NULL, 0, &needed, &count);
    std::vector<BYTE> buffer(needed ? needed : 1);
    EnumPortsA(NULL, 2, buffer.data(), needed, &needed, &count);
}

std::vector<std::string> ListTexts(HWND list, bool tickedOnly)
{
    std::vector<std::string> texts;
    int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        if (tickedOnly && GetPortCheckState(i) != PORT_CHECKED)
            continue;
        char text[PORT_LABEL_SIZE];
        GetPortListItemText(i, 0, text);
        texts.push_back(text);
    }
    return texts;
}

/* The list as at the start of a run: every port, every tenth ticked. Filled
   hidden, as at start-up: a shown list takes many times longer to fill. */
std::vector<std::string> FillAndTick(void)
{
    ShowWindow(Host, SW_HIDE);
    SendMessageA(PortListWindow, LVM_DELETEALLITEMS, 0, 0);
    FillPortTable();
    ShowWindow(Host, SW_SHOW);
    int count = (int)SendMessageA(PortListWindow, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; i += 10)
        SetPortCheckState(i, PORT_CHECKED);
    return ListTexts(PortListWindow, true);
}

void Fail(const char *what)
{
    fprintf(stderr, "port_refresh: %s\n", what);
    RemoveBenchPorts();
    ExitProcess(1);
}

/* Item i shows row i, and the ticks stayed on their ports. */
void CheckRefresh(const std::vector<std::string> &ticked)
{
    std::vector<std::string> items = ListTexts(PortListWindow, false);
    if ((int)items.size() != PortTableCount)
        Fail("the list does not show the table after the refresh");
    for (int i = 0; i < PortTableCount; ++i)
        if (items[i] != PortTable[i].szPortName)
            Fail("an item shows another row than its own");
    if (ListTexts(PortListWindow, true) != ticked)
        Fail("the ticks moved");
}

void Measure(int count)
{
    std::vector<double> unchanged, changed, bare, build, enumeration;
    std::string gone = BenchPort(2), added = BenchPort(count + 1);
    for (int round = 0; round < Rounds; ++round) {
        std::vector<std::string> ticked = FillAndTick();
        unchanged.push_back(OnWorker(RebuildPortTable));
        CheckRefresh(ticked);

        double start = Now();
        if (BareFill() < count)
            Fail("the bare fill found fewer ports than were added");
        bare.push_back(Now() - start);

        /* BENCH00002: is item 1, unticked; the new one sorts in the middle. */
        if (!SetPort(gone, false) || !SetPort(added, true))
            Fail("the port list cannot be changed");
        changed.push_back(OnWorker(RebuildPortTable));
        CheckRefresh(ticked);
        if (!SetPort(gone, true) || !SetPort(added, false))
            Fail("the port list cannot be changed back");

        build.push_back(OnWorker(RefreshPortTable));
        enumeration.push_back(OnWorker(BareEnumeration));
    }
    double base = Median(bare);
    printf("%-12s %-22s %6s %12s %10s %8s\n", "benchmark", "case", "ports", "ms", "bare ms", "ratio");
    const struct {
        const char *name;
        std::vector<double> *times;
    } rows[] = {{"refresh,unchanged", &unchanged}, {"refresh,one-gone-one-new", &changed},
                {"table-build-alone", &build}, {"bare-EnumPortsA-alone", &enumeration}};
    for (const auto &row : rows)
        printf("%-12s %-22s %6d %12.1f %10.1f %8.2f\n", "port_refresh", row.name, count, Median(*row.times),
               base, Median(*row.times) / base);
}

HWND MakeList(HWND host, int id)
{
    return CreateWindowA(WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 415, 300, host,
                         (HMENU)(INT_PTR)id, GetModuleHandleA(NULL), NULL);
}

HWND MakeHost(void)
{
    return CreateWindowA("STATIC", "bench", WS_OVERLAPPEDWINDOW, 0, 0, 430, 340, NULL, NULL,
                         GetModuleHandleA(NULL), NULL);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && strcmp(argv[1], "--remove") == 0) {
        printf("removed %d ports\n", RemoveBenchPorts());
        return 0;
    }
    int count = argc == 2 ? atoi(argv[1]) : 0;
    if (count < 10) {
        fprintf(stderr, "usage: vantrel_port_refresh_bench COUNT (10 or more) | --remove\n");
        return 2;
    }
    RemoveBenchPorts();
    for (int i = 0; i < count; ++i)
        if (!SetPort(BenchPort(2 * i), true))
            Fail("the ports cannot be added to the registry");

    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    Host = MakeHost();
    HWND bareHost = MakeHost();
    MakeList(Host, IDC_PORTLIST);
    BareList = MakeList(bareHost, IDC_PORTLIST);
    if (Host == NULL || BareList == NULL || !InitPortList(Host))
        Fail("no list view (is there an X display?)");
    DWORD styles = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
    SendMessageA(BareList, LVM_SETEXTENDEDLISTVIEWSTYLE, styles, styles);
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH | LVCF_TEXT;
    column.cx = 120;
    column.pszText = (LPSTR) "Port";
    SendMessageA(BareList, LVM_INSERTCOLUMNA, 0, (LPARAM)&column);
    column.pszText = (LPSTR) "Description";
    SendMessageA(BareList, LVM_INSERTCOLUMNA, 1, (LPARAM)&column);
    Measure(count);
    DestroyWindow(Host);
    DestroyWindow(bareHost);
    RemoveBenchPorts();
    return 0;
}
