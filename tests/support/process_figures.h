/* What this process holds, for tests that look for leaks over many runs:
   kernel handles, GDI and USER objects, committed private memory and the
   bytes in use on its heaps.

   Not every system answers every question: under Wine 8
   GetProcessHandleCount succeeds with 0, GetGuiResources fails with
   ERROR_CALL_NOT_IMPLEMENTED, and PrivateUsage is 0. CheckProcessFigures()
   makes objects of each kind, sees which figures grow with them, and keeps
   the way of counting that does: the handles are then counted by asking
   GetHandleInformation about every handle value, and the committed memory
   is PagefileUsage. A figure no way answers is named in `gaps` and is -1. */
#ifndef VANTREL_PROCESS_FIGURES_H
#define VANTREL_PROCESS_FIGURES_H

#include <windows.h>
#include <string>

struct PROCESS_FIGURES {
    long handles;
    long gdiObjects;
    long userObjects;
    long long committedBytes;
    long long heapBytes;        /* in use, over every heap of the process */
};

/* Checks the figures against objects made for the purpose, once; what
   does not answer is listed in the result, empty when all do. */
std::string CheckProcessFigures(void);

/* The figures now, by the ways CheckProcessFigures kept. */
PROCESS_FIGURES MeasureProcess(void);

/* "handles 123, GDI objects -, ..." for a log. */
std::string DescribeFigures(const PROCESS_FIGURES &figures);

#endif
