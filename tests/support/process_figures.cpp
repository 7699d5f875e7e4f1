#include "process_figures.h"

#include <psapi.h>
#include <stdio.h>

#include <vector>

namespace {

enum HANDLE_COUNT { COUNT_NONE, COUNT_SYSTEM, COUNT_PROBE };

bool Checked;
HANDLE_COUNT HandleCount = COUNT_NONE;
bool GdiAnswers, UserAnswers, CommitAnswers, HeapAnswers;

/* Handle values are multiples of 4 from 4 up, given out lowest first:
   past the last one there are only misses. */
long ProbeHandles(void)
{
    long count = 0, misses = 0;
    for (ULONG_PTR value = 4; misses < 4096; value += 4) {
        DWORD flags;
        if (GetHandleInformation((HANDLE)value, &flags)) {
            ++count;
            misses = 0;
        } else {
            ++misses;
        }
    }
    return count;
}

long SystemHandleCount(void)
{
    DWORD count = 0;
    return GetProcessHandleCount(GetCurrentProcess(), &count) ? (long)count : -1;
}

long long CommittedBytes(void)
{
    PROCESS_MEMORY_COUNTERS_EX counters;
    ZeroMemory(&counters, sizeof counters);
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS *)&counters, sizeof counters))
        return -1;
    return counters.PrivateUsage ? (long long)counters.PrivateUsage : (long long)counters.PagefileUsage;
}

long long HeapBytes(void)
{
    std::vector<HANDLE> heaps(64);
    DWORD count = GetProcessHeaps((DWORD)heaps.size(), heaps.data());
    if (count > heaps.size()) {
        heaps.resize(count);
        count = GetProcessHeaps(count, heaps.data());
    }
    long long bytes = 0;
    for (DWORD i = 0; i < count && i < heaps.size(); ++i) {
        if (!HeapLock(heaps[i]))
            continue;
        PROCESS_HEAP_ENTRY entry;
        entry.lpData = NULL;
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                bytes += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return bytes;
}

} // namespace

std::string CheckProcessFigures(void)
{
    const int Objects = 64;
    const SIZE_T Bytes = 8 << 20;
    long systemBefore = SystemHandleCount(), probeBefore = ProbeHandles();
    DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    DWORD userBefore = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    long long committedBefore = CommittedBytes(), heapBefore = HeapBytes();

    std::vector<HANDLE> events;
    std::vector<HBRUSH> brushes;
    std::vector<HMENU> menus;
    for (int i = 0; i < Objects; ++i) {
        events.push_back(CreateEventA(NULL, FALSE, FALSE, NULL));
        brushes.push_back(CreateSolidBrush(RGB(i, 0, 0)));
        menus.push_back(CreateMenu());
    }
    BYTE *committed = (BYTE *)VirtualAlloc(NULL, Bytes, MEM_COMMIT, PAGE_READWRITE);
    if (committed)
        FillMemory(committed, Bytes, 1);
    void *block = HeapAlloc(GetProcessHeap(), 0, Bytes);

    long systemGrowth = SystemHandleCount() - systemBefore;
    long probeGrowth = ProbeHandles() - probeBefore;
    GdiAnswers = (long)GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS) - (long)gdiBefore >= Objects;
    UserAnswers = (long)GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS) - (long)userBefore >= Objects;
    CommitAnswers = committedBefore >= 0 && CommittedBytes() - committedBefore >= (long long)Bytes;
    HeapAnswers = HeapBytes() - heapBefore >= (long long)Bytes;

    for (int i = 0; i < Objects; ++i) {
        CloseHandle(events[i]);
        DeleteObject(brushes[i]);
        DestroyMenu(menus[i]);
    }
    if (committed)
        VirtualFree(committed, 0, MEM_RELEASE);
    HeapFree(GetProcessHeap(), 0, block);

    HandleCount = systemGrowth >= Objects ? COUNT_SYSTEM : probeGrowth >= Objects ? COUNT_PROBE : COUNT_NONE;
    Checked = true;
    std::string gaps;
    if (HandleCount != COUNT_SYSTEM)
        gaps += "GetProcessHandleCount did not count 64 new events (handles are " +
                std::string(HandleCount == COUNT_PROBE ? "counted by probing each handle value" : "not counted") + "); ";
    if (!GdiAnswers)
        gaps += "GetGuiResources(GR_GDIOBJECTS) did not count 64 new brushes; ";
    if (!UserAnswers)
        gaps += "GetGuiResources(GR_USEROBJECTS) did not count 64 new menus; ";
    if (!CommitAnswers)
        gaps += "GetProcessMemoryInfo did not count 8 MiB committed; ";
    if (!HeapAnswers)
        gaps += "HeapWalk did not count 8 MiB allocated; ";
    return gaps;
}

PROCESS_FIGURES MeasureProcess(void)
{
    if (!Checked)
        CheckProcessFigures();
    PROCESS_FIGURES figures;
    figures.handles = HandleCount == COUNT_SYSTEM ? SystemHandleCount() : HandleCount == COUNT_PROBE ? ProbeHandles() : -1;
    figures.gdiObjects = GdiAnswers ? (long)GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS) : -1;
    figures.userObjects = UserAnswers ? (long)GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS) : -1;
    figures.committedBytes = CommitAnswers ? CommittedBytes() : -1;
    figures.heapBytes = HeapAnswers ? HeapBytes() : -1;
    return figures;
}

std::string DescribeFigures(const PROCESS_FIGURES &figures)
{
    char text[256];
    auto show = [](long long value) { return value < 0 ? std::string("-") : std::to_string(value); };
    snprintf(text, sizeof text, "handles %s, GDI objects %s, USER objects %s, committed %s bytes, heaps %s bytes",
             show(figures.handles).c_str(), show(figures.gdiObjects).c_str(), show(figures.userObjects).c_str(),
             show(figures.committedBytes).c_str(), show(figures.heapBytes).c_str());
    return text;
}
