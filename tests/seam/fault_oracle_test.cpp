/* One oracle for every failure path of the three roads. For each road and
   size a clean run gives the calls; then each call in turn fails (reads and
   writes also answer short), and a model of what the road must do is
   checked: the result, every handle closed once, a temporary printer always
   deleted before its close, a job ended only when every byte went and
   otherwise aborted without EndPage/EndDoc, the far end holding nothing
   but the file's bytes at their offsets (the whole file on success), and
   progress never ahead of the far end. The long mode (VANTREL_LONG_TESTS=1)
   adds many seeds of random schedules of several faults. */
#include "fake_system.h"
#include "send.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <map>

namespace {

const char Path[] = "C:\\jobs\\image.prn";
const char Port[] = "LPT1:";
const char Queue[] = "Queue on LPT1";
const uint64_t Chunk = SEND_CHUNK_SIZE;
const SEND_RESULT NoPrinter = 99;   /* AddTemporaryPrinter gave none: the run would write directly */

enum ROAD { INSTALLED, TEMPORARY, DIRECT };
const char *const RoadNames[] = {"installed", "temporary", "direct"};

struct CASE {
    ROAD road;
    uint64_t size;
    std::vector<FAKE_FAULT> faults;
    const char *path;
};

/* What the far end held when the road reported progress. */
struct REPORT {
    int percent;
    uint64_t taken;
    bool rightPort, fileOpen, deviceOpen, inPage;
};
std::vector<REPORT> Reports;

void RecordProgress(const char *portName, int percent)
{
    REPORT report = {percent, Fake.jobs.empty() ? 0 : Fake.jobs.back().bytes, strcmp(portName, Port) == 0,
                     false, false, false};
    for (const auto &entry : Fake.handles) {
        const FAKE_HANDLE &handle = entry.second;
        report.fileOpen |= handle.open && handle.kind == 'F';
        report.deviceOpen |= handle.open && handle.kind == 'D';
        report.inPage |= handle.open && handle.inPage;
    }
    Reports.push_back(report);
}

SEND_RESULT Run(const CASE &run)
{
    InstallFakeSystem();
    Fake.ports = {{Port, "Local Port", "Local Monitor"}};
    Fake.printers = {{Queue, Port, false}};
    Fake.drivers = {"Raw Driver"};
    Fake.files[Path] = run.size;
    Fake.devices.insert(Port);
    Fake.faults = run.faults;
    Reports.clear();
    SEND_RESULT result;
    if (run.road == INSTALLED) {
        result = PrintOnInstalledPrinter(run.path, Queue, Port, RecordProgress);
    } else if (run.road == DIRECT) {
        result = CopyFileToPort(run.path, Port, RecordProgress);
    } else {
        HANDLE printer = AddTemporaryPrinter(Port);
        result = printer ? PrintOnTemporaryPrinter(printer, run.path, Port, RecordProgress) : NoPrinter;
    }
    ResetSystemCalls();
    return result;
}

/* The result a fault gives when it fires; SEND_OK when the road gets past
   it. A short read is read on and a device given the rest, but nothing
   at all is an early end; a job that misses bytes has failed. Closing,
   deleting and aborting move no byte. */
SEND_RESULT Effect(const FAKE_FAULT &fault, ROAD road)
{
    const std::string &entry = fault.entry;
    if (fault.isShort && fault.value >= fault.normal)
        return SEND_OK;
    if (fault.isShort && entry != "WritePrinter")
        return fault.value > 0 ? SEND_OK : entry == "ReadFile" ? SEND_READ_FAILED : SEND_WRITE_FAILED;
    if (entry == "GetFileAttributesA")
        return SEND_BAD_FILE_NAME;
    if (entry == "CreateFileA")
        return Fake.log[fault.firedAt].find(Path) != std::string::npos ? SEND_OPEN_FAILED : SEND_PORT_OPEN_FAILED;
    if (entry == "GetFileSize" || entry == "ReadFile")
        return SEND_READ_FAILED;
    if (entry == "EnumPrinterDriversA" || entry == "AddPrinterA")
        return NoPrinter;
    if (entry == "OpenPrinterA")    /* a temporary name that will not open is taken */
        return road == INSTALLED ? SEND_WRITE_FAILED : SEND_OK;
    for (const char *write : {"StartDocPrinterA", "StartPagePrinter", "WritePrinter", "EndPagePrinter",
                              "EndDocPrinter", "WriteFile"})
        if (entry == write)
            return SEND_WRITE_FAILED;
    return SEND_OK;
}

/* The first fault that fired and stopped the road decides. */
SEND_RESULT Expected(ROAD road, bool *endFailed)
{
    SEND_RESULT expected = SEND_OK;
    int first = INT_MAX;
    for (const FAKE_FAULT &fault : Fake.faults) {
        if (fault.firedAt >= 0 && fault.firedAt < first && Effect(fault, road) != SEND_OK) {
            first = fault.firedAt;
            expected = Effect(fault, road);
            *endFailed = fault.entry == "EndPagePrinter" || fault.entry == "EndDocPrinter";
        }
    }
    return expected;
}

int Count(const char *entry)
{
    int count = 0;
    for (const std::string &line : Fake.log)
        count += line.compare(0, strlen(entry) + 1, std::string(entry) + " ") == 0;
    return count;
}

std::vector<std::string> Check(const CASE &run, SEND_RESULT result, SEND_RESULT expected, bool endFailed)
{
    std::vector<std::string> problems = FakeDefects();
    auto check = [&](bool holds, const std::string &what) {
        if (!holds)
            problems.push_back(what);
    };
    check(result == expected, "result " + std::to_string(result) + ", expected " + std::to_string(expected));
    check(Fake.boxes.empty(), "a road showed a box");
    bool aborted = false;
    for (const FAKE_JOB &job : Fake.jobs) {
        check(job.intact && job.bytes <= run.size, job.target + " took bytes that are not the file's at their offsets");
        check(!job.ended || job.device || job.bytes == run.size, "a job ended with " + std::to_string(job.bytes) +
                                                                     " of " + std::to_string(run.size) + " bytes");
        check(!job.ended || job.device || result == SEND_OK || endFailed, "a failed job ended, not aborted");
        check(!(job.ended && job.aborted), "a job both ended and aborted");
        aborted |= job.aborted;
    }
    check(!aborted || endFailed || Count("EndPagePrinter") + Count("EndDocPrinter") == 0,
          "an aborted job saw EndPagePrinter or EndDocPrinter");
    if (result == SEND_OK) {
        check(Fake.jobs.size() == 1, std::to_string(Fake.jobs.size()) + " jobs for one send");
        check(Fake.jobs.size() != 1 || (Fake.jobs[0].bytes == run.size && Fake.jobs[0].ended),
              "success without the whole file at the far end");
        check(run.road == DIRECT || (Fake.jobs.size() == 1 && Fake.jobs[0].datatype == "RAW" &&
                                     Fake.jobs[0].document == Path && Fake.jobs[0].paged),
              "the job is not one RAW page named after the file");
    }
    bool deleteFailed = false;
    for (const FAKE_FAULT &fault : Fake.faults)
        deleteFailed |= fault.entry == "DeletePrinter" && fault.firedAt >= 0;
    for (const auto &entry : Fake.handles)
        check(!entry.second.added || entry.second.deleted, entry.second.name + " never deleted");
    check(deleteFailed || Fake.printers.size() == 1, "a temporary printer left installed");
    for (const std::string &line : Fake.log)
        check(line.compare(0, 12, "AddPrinterA ") != 0 || line.find(" on LPT1:") != std::string::npos,
              "a temporary printer on another port");

    /* Progress: the start first and only first, then one report per
       chunk, none beyond what the far end took; 100 at the end. */
    for (size_t i = 0; i < Reports.size(); ++i) {
        const REPORT &report = Reports[i];
        bool start = i == 0;
        check(report.rightPort, "progress for another port");
        if (start && run.road == DIRECT)
            check(report.percent == 0 && report.fileOpen && report.deviceOpen, "the direct road's start is not 0 "
                                                                               "with port and file open");
        else if (start)
            check(report.percent == SEND_STARTED && report.taken == 0 &&
                      (run.road == INSTALLED ? report.inPage : report.fileOpen),
                  "the start is not SEND_STARTED once the job or file is open");
        else
            check(report.percent >= 0 && (uint64_t)report.percent * run.size <= report.taken * 100 &&
                      (run.size > 0 || report.percent == 0),
                  std::to_string(report.percent) + "% with " + std::to_string(report.taken) + " bytes taken");
    }
    if (result == SEND_OK)
        check(Reports.size() == run.size / Chunk + 2 && Reports.back().percent == (run.size ? 100 : 0),
              std::to_string(Reports.size()) + " progress reports, the last " +
                  (Reports.empty() ? "none" : std::to_string(Reports.back().percent)));
    return problems;
}

std::string Describe(const CASE &run)
{
    std::string text = std::string(RoadNames[run.road]) + " road, " + std::to_string(run.size) + " bytes" +
                       (run.path ? "" : ", no path");
    for (const FAKE_FAULT &fault : run.faults)
        text += "; " + fault.entry + " #" + std::to_string(fault.nth) +
                (fault.isShort ? " moves at most " : " fails with ") + std::to_string(fault.value);
    return text;
}

/* Runs one case against the model (or a result given outright); reports a
   failure with its plan and call log. */
bool Verify(const CASE &run, SEND_RESULT given = INT_MIN)
{
    SEND_RESULT result = Run(run);
    bool endFailed = false;
    SEND_RESULT expected = given != INT_MIN ? given : Expected(run.road, &endFailed);
    std::vector<std::string> problems = Check(run, result, expected, endFailed);
    std::string report;
    for (const std::string &problem : problems)
        report += "\n  " + problem;
    if (!problems.empty())
        ADD_FAILURE() << Describe(run) << report << "\n  calls:" << FakeLog();
    return problems.empty();
}

/* Every call of a clean run, as a fault's entry and number. */
std::vector<FAKE_FAULT> CallsOf(const CASE &clean)
{
    Run(clean);
    std::vector<FAKE_FAULT> calls;
    std::map<std::string, int> seen;
    for (const std::string &line : Fake.log) {
        std::string entry = line.substr(0, line.find(' '));
        calls.push_back({entry, ++seen[entry], false, ERROR_GEN_FAILURE});
    }
    return calls;
}

bool MovesBytes(const FAKE_FAULT &call)
{
    return call.entry == "ReadFile" || call.entry == "WriteFile" || call.entry == "WritePrinter";
}

const uint64_t Sizes[] = {0, 1, Chunk, Chunk + 1, 3 * Chunk + 5};

} // namespace

TEST(FaultOracle, EveryCallOfEachRoadFailsOrAnswersShort)
{
    int cases = 0, failed = 0;
    for (ROAD road : {INSTALLED, TEMPORARY, DIRECT}) {
        for (uint64_t size : Sizes) {
            CASE clean = {road, size, {}, Path};
            failed += !Verify(clean);
            int chunks = (int)(size / Chunk + 1);
            EXPECT_EQ(Count("ReadFile"), chunks) << RoadNames[road] << " road, " << size << " bytes";
            EXPECT_EQ(Count(road == DIRECT ? "WriteFile" : "WritePrinter"), chunks) << RoadNames[road];
            for (FAKE_FAULT call : CallsOf(clean)) {
                std::vector<FAKE_FAULT> variants = {call};
                if (MovesBytes(call))
                    variants.insert(variants.end(), {{call.entry, call.nth, true, 0}, {call.entry, call.nth, true, 1}});
                for (const FAKE_FAULT &fault : variants) {
                    failed += !Verify({road, size, {fault}, Path});
                    ++cases;
                }
                ASSERT_LT(failed, 10) << "stopped after 10 failing cases";
            }
        }
    }
    printf("fault oracle: %d single-fault cases over 3 roads and %zu sizes\n", cases, sizeof Sizes / sizeof *Sizes);
}

/* Two things wrong at once: each road's own order of checks decides. */
TEST(FaultOracle, EachRoadChecksInItsOrder)
{
    FAKE_FAULT noOpen = {"CreateFileA", 0, false, ERROR_ACCESS_DENIED};
    FAKE_FAULT noQueue = {"OpenPrinterA", 0, false, ERROR_ACCESS_DENIED};
    FAKE_FAULT noPath = {"GetFileAttributesA", 0, false, ERROR_FILE_NOT_FOUND};
    Verify({DIRECT, 1, {noPath, noOpen}, Path}, SEND_BAD_FILE_NAME);
    Verify({DIRECT, 1, {noOpen}, Path}, SEND_PORT_OPEN_FAILED);
    Verify({INSTALLED, 1, {noOpen, noQueue}, Path}, SEND_OPEN_FAILED);
    Verify({INSTALLED, 1, {noPath, noQueue}, Path}, SEND_BAD_FILE_NAME);
    Verify({TEMPORARY, 1, {noOpen}, Path}, SEND_OPEN_FAILED);
    /* a text too long to be a path */
    for (ROAD road : {INSTALLED, TEMPORARY, DIRECT}) {
        Verify({road, 1, {}, NULL}, SEND_BAD_FILE_NAME);
        EXPECT_EQ(Count("CreateFileA"), 0) << RoadNames[road];
    }
}

/* Whole files at sizes whose arithmetic matters: past 4 GiB, and the
   percentage after a chunk where double precision gives 28.999... */
TEST(FaultOracle, LargeFilesGoWholeWithTheirPercentages)
{
    struct ROW { ROAD road; uint64_t size; size_t chunk; int percent; } rows[] = {
        {DIRECT, (4ull << 30) + 1, 8193, 100},
        {INSTALLED, 52428800, 29, 28},
    };
    for (const ROW &row : rows) {
        Verify({row.road, row.size, {}, Path});
        ASSERT_GT(Reports.size(), row.chunk);
        EXPECT_EQ(Reports[row.chunk].percent, row.percent) << row.size << " bytes, after chunk " << row.chunk;
    }
}

/* Random schedules of one to three faults, each at a call of the clean
   run; a replay is VANTREL_FAULT_SEED=n. */
TEST(FaultOracle, RandomSchedules)
{
    const char *longMode = getenv("VANTREL_LONG_TESTS");
    int seeds = longMode && strcmp(longMode, "1") == 0 ? 100000 : 3000;
    int from = 1;
    if (const char *one = getenv("VANTREL_FAULT_SEED"))
        from = seeds = atoi(one);
    std::map<std::pair<int, uint64_t>, std::vector<FAKE_FAULT>> calls;
    int failed = 0;
    for (int seed = from; seed <= seeds && failed < 5; ++seed) {
        srand(seed);
        CASE run = {(ROAD)(rand() % 3), Sizes[rand() % 5], {}, Path};
        std::vector<FAKE_FAULT> &clean = calls[{run.road, run.size}];
        if (clean.empty())
            clean = CallsOf(run);
        for (int n = 1 + rand() % 3; n > 0; --n) {
            FAKE_FAULT fault = clean[rand() % clean.size()];
            if (MovesBytes(fault) && rand() % 2)
                fault = {fault.entry, fault.nth, true, (DWORD)(rand() % 2 ? 0 : rand() % Chunk)};
            run.faults.push_back(fault);
        }
        if (!Verify(run)) {
            ++failed;
            ADD_FAILURE() << "seed " << seed << " (replay: VANTREL_FAULT_SEED=" << seed << ")";
        }
    }
    printf("fault oracle: %d random schedules\n", seeds - from + 1);
}
