/* The baseline for the installed road: a bare RAW job, no window, the same
   512 KiB ReadFile and WritePrinter loop.

     vantrel_raw_job_bench QUEUE FILE

   Prints "start" and "end" (seconds since 1970) around the job and
   "result" (0: every byte written and the job ended). */
#include <windows.h>
#include <winspool.h>
#include <stdio.h>

static double UnixNow(void)
{
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    ULONGLONG ticks = ((ULONGLONG)now.dwHighDateTime << 32) | now.dwLowDateTime;
    return (double)(ticks - 116444736000000000ull) / 1e7;
}

static BYTE Chunk[524288];

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: vantrel_raw_job_bench QUEUE FILE\n");
        return 2;
    }
    double start = UnixNow();
    int result = 1;
    HANDLE file = CreateFileA(argv[2], GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    HANDLE printer;
    if (file != INVALID_HANDLE_VALUE && OpenPrinterA(argv[1], &printer, NULL)) {
        DOC_INFO_1A document = {argv[2], NULL, const_cast<char *>("RAW")};
        if (StartDocPrinterA(printer, 1, (LPBYTE)&document) && StartPagePrinter(printer)) {
            DWORD read, written;
            BOOL ok = TRUE;
            while (ok && ReadFile(file, Chunk, sizeof Chunk, &read, NULL) && read > 0)
                ok = WritePrinter(printer, Chunk, read, &written) && written == read;
            BOOL ended = EndPagePrinter(printer) && EndDocPrinter(printer);
            result = ok && ended ? 0 : 1;
        }
        ClosePrinter(printer);
    }
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    printf("start %.6f\nend %.6f\nresult %d\n", start, UnixNow(), result);
    return result;
}
