/* Long runs on the test bed: one process presses "Go" hundreds of times,
   small files over every road the profile has, and must hold no more
   after the last run than after the 50th: handles, GDI and USER objects,
   committed memory, heap bytes (each figure as far as this system gives
   it; process_figures.h names what Wine does not). Every run's bytes are
   checked where they arrive.

   The roads need two machines: a temporary printer and an installed queue
   need a printer driver (profile "spool"), the direct road needs a machine
   without any (profile "direct"). So there is one process per profile:
   CUPS:vantrel_raw and LPT1: ticked in the first, LPT1: and LPT2: in the
   second. VANTREL_LONG_TESTS=1 runs 5,000 instead of 500.

   Wine's spooler keeps about a hundred heap bytes for every job it has
   seen, and more for every printer added and deleted, for as long as the
   process lives (measured: 112 bytes a job on the queue, 214 a temporary
   printer's job, with these documents' names). So the same process then
   makes the same spooler calls bare, without the program, and the
   program's runs may let the heap grow by what those calls alone leave,
   and no more. */
#include "bed.h"
#include "bed_send.h"
#include "bed_spooler.h"
#include "message_boxes.h"
#include "process_figures.h"

#include <winspool.h>

#include <algorithm>
#include <functional>

namespace {

int RunCount()
{
    const char *longMode = getenv("VANTREL_LONG_TESTS");
    return longMode && *longMode && strcmp(longMode, "0") != 0 ? 5000 : 500;
}

const int FirstMeasuredRun = 50;

class LongRun : public BedSendTest {
protected:
    /* Fills the list, ticks the ports, then runs `runs` sends of the file,
       checking each with `check` (empty: good). */
    void RunMany(const std::string &path, const std::vector<std::string> &ports,
                 const std::function<std::string(int run)> &before, const std::function<std::string(int run)> &check,
                 const std::function<void()> &bareRun)
    {
        std::string gaps = CheckProcessFigures();
        if (!gaps.empty())
            printf("figures this system does not give: %s\n", gaps.c_str());
        ASSERT_NO_FATAL_FAILURE(ShowPorts());
        ASSERT_NO_FATAL_FAILURE(Tick(ports));
        windows->SetFileName(path);

        int runs = RunCount(), failedRuns = 0;
        PROCESS_FIGURES first = {}, last = {};
        for (int run = 1; run <= runs; ++run) {
            std::string problem = before(run);
            windows->statusTexts.clear();
            MessageBoxes.clear();
            if (problem.empty() && !windows->RunSend())
                problem = "the run did not end";
            for (const RECORDED_MESSAGE_BOX &box : MessageBoxes)
                problem += "box " + box.caption + ": " + box.text + "; ";
            if (windows->statusTexts.empty() || windows->statusTexts.back() != "Ready" || !IsWindowEnabled(windows->main))
                problem += "not given back with \"Ready\"; ";
            if (problem.empty())
                problem = check(run);
            if (!problem.empty() && ++failedRuns <= 5)
                ADD_FAILURE() << "run " << run << ": " << problem;
            if (run == FirstMeasuredRun || run == runs || run % 100 == 0) {
                PROCESS_FIGURES now = MeasureProcess();
                printf("after run %4d: %s\n", run, DescribeFigures(now).c_str());
                if (run == FirstMeasuredRun)
                    first = now;
                last = now;
            }
        }
        EXPECT_EQ(failedRuns, 0);

        /* What the system's own calls keep, per run, without the program. */
        const int BareRuns = 100;
        for (int i = 0; i < 10; ++i)
            bareRun();
        PROCESS_FIGURES bareStart = MeasureProcess();
        for (int i = 0; i < BareRuns; ++i)
            bareRun();
        PROCESS_FIGURES bareEnd = MeasureProcess();
        long long barePerRun = std::max(0LL, (bareEnd.heapBytes - bareStart.heapBytes) / BareRuns);

        /* Nothing that a run leaves behind may pile up: the same handles and
           objects, and no heap bytes beyond the system's own. */
        int measured = runs - FirstMeasuredRun;
        long long heapAllowed = first.heapBytes + barePerRun * measured + 4096;
        printf("%d runs; from run %d to run %d: handles %+ld, committed %+lld bytes, heaps %+lld bytes "
               "(the same calls without the program: %lld heap bytes a run)\n", runs, FirstMeasuredRun, runs,
               last.handles - first.handles, last.committedBytes - first.committedBytes,
               last.heapBytes - first.heapBytes, barePerRun);
        EXPECT_LE(last.handles, first.handles) << "handles";
        EXPECT_LE(last.gdiObjects, first.gdiObjects) << "GDI objects";
        EXPECT_LE(last.userObjects, first.userObjects) << "USER objects";
        EXPECT_LE(last.heapBytes, heapAllowed) << "heap bytes in use";
        EXPECT_LE(last.committedBytes, first.committedBytes + (heapAllowed - first.heapBytes) + 1024 * 1024)
            << "committed bytes";
    }
};

/* The spooler calls of one run on the queue and on a temporary printer,
   as a bare program makes them. */
void BareSpoolRun(const std::string &path)
{
    static std::vector<char> bytes(4099, 0x1b);
    HANDLE printer;
    if (OpenPrinterA(const_cast<char *>(BedQueueName().c_str()), &printer, NULL)) {
        SendRawJob(printer, path, bytes.data(), bytes.size());
        ClosePrinter(printer);
    }
    char name[] = "Temporary Printer_1";
    if (OpenPrinterA(name, &printer, NULL))
        ClosePrinter(printer);
    printer = AddRawPrinter(name, "LPT1:");
    if (printer != NULL) {
        SendRawJob(printer, path, bytes.data(), bytes.size());
        DeletePrinter(printer);
        ClosePrinter(printer);
    }
}

void BareDirectRun(const std::string &path)
{
    std::vector<char> bytes(4099, 0x1b);
    for (const char *port : {"LPT1:", "LPT2:"}) {
        HANDLE device = CreateFileA(port, GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        DWORD done = 0;
        if (file != INVALID_HANDLE_VALUE) {
            ReadFile(file, bytes.data(), (DWORD)bytes.size(), &done, NULL);
            CloseHandle(file);
        }
        if (device != INVALID_HANDLE_VALUE) {
            WriteFile(device, bytes.data(), done, &done, NULL);
            CloseHandle(device);
        }
    }
}

std::string SinkProblem(const std::string &sink, uint64_t size, const std::string &sha256)
{
    uint64_t got = 0;
    std::string hash;
    if (!HashSink(sink, &got, &hash))
        return sink + " cannot be read; ";
    if (got != size || hash != sha256)
        return sink + " holds " + std::to_string(got) + " other bytes; ";
    return "";
}

} // namespace

TEST_F(LongRun, SpoolProfileInstalledQueueAndTemporaryPrinter)
{
    ASSERT_EQ(BedProfile(), "spool");
    const uint64_t size = 4099;
    std::string path = BedWindowsPath("send/long-spool.prn");
    std::string sha256 = WriteTestFile(path, size, 61);
    int jobsBefore = CountListenerJobs();

    RunMany(path, {BedQueuePortName(), "LPT1:"},
            [](int) { return EmptySink("spool-lpt1.bin") ? "" : "spool-lpt1.bin cannot be emptied"; },
            [&](int) { return SinkProblem("spool-lpt1.bin", size, sha256); }, [&] { BareSpoolRun(path); });

    /* The queue's jobs reach the listener behind cupsd in their own time. */
    int wrong = 0;
    for (int job = jobsBefore + 1; job <= jobsBefore + RunCount(); ++job) {
        uint64_t got = 0;
        std::string hash;
        if (!WaitForListenerJob(job, 60000, &got, &hash) || got != size || hash != sha256)
            if (++wrong <= 5)
                ADD_FAILURE() << "listener job " << job << ": " << got << " bytes, " << hash;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(TemporaryPrinters(), std::vector<std::string>());
}

TEST_F(LongRun, DirectProfileTwoPortDevices)
{
    ASSERT_EQ(BedProfile(), "direct");
    const uint64_t size = 4099;
    std::string path = BedWindowsPath("send/long-direct.prn");
    std::string sha256 = WriteTestFile(path, size, 67);

    RunMany(path, {"LPT1:", "LPT2:"},
            [](int) {
                return EmptySink("device-lpt1.bin") && EmptySink("device-lpt2.bin") ? "" : "a sink cannot be emptied";
            },
            [&](int) { return SinkProblem("device-lpt1.bin", size, sha256) + SinkProblem("device-lpt2.bin", size, sha256); },
            [&] { BareDirectRun(path); });
}
