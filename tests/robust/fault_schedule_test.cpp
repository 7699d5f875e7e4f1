/* Send runs under randomised fault schedules. Each seed makes a machine of
   one to four ticked ports (and up to two unticked ones) on a mix of
   roads, then runs "Go" on its own thread while every call through the
   seam may fail or answer short: the transfer calls, the driver list, the
   refresh's enumerations and the platform test.

   What must hold after every run, whatever was injected:
   - every handle opened was closed exactly once; every temporary printer
     added had DeletePrinter before ClosePrinter;
   - each port's result (seen in its boxes and at its far end) is the one
     its first effective fault gives, and success only when none touched
     that port's bytes;
   - the boxes are those of the results, in order, with the stop rule;
   - every byte that arrived is the file's byte at that offset, a
     successful port received the file whole, and no progress text ever
     claimed more than the far end had taken;
   - the run ends with "Ready" and every control enabled.

   A failing seed is printed with its plan and its call log; the variable
   VANTREL_FAULT_SEED=n runs that seed alone, VANTREL_FAULT_SEEDS=n sets
   the number of seeds, VANTREL_LONG_TESTS=1 asks for the long count. */
#include "fake_spooler.h"
#include "fake_transfer.h"
#include "message_boxes.h"
#include "port_list_host.h"
#include "ports.h"
#include "seam_test.h"
#include "send.h"
#include "send_windows.h"
#include "shell.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <memory>
#include <set>
#include <sstream>

namespace {

const int NormalSeeds = 1000;
const int LongSeeds = 20000;
const char InputPath[] = "C:\\jobs\\image.bin";

/* splitmix64: the same sequence on every platform, so a seed replays. */
class Random {
public:
    explicit Random(uint64_t seed) : state(seed) {}
    uint64_t Next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Below(int n) { return (int)(Next() % (uint64_t)n); }
    bool Chance(int percent) { return Below(1000) < percent * 10; }
    bool ChancePerMille(int perMille) { return Below(1000) < perMille; }

private:
    uint64_t state;
};

enum KIND { QUEUE, TEMPORARY, DIRECT, CONNECTION };
const char *const KindNames[] = {"queue", "temporary", "direct", "connection"};

enum ROAD { ROAD_INSTALLED, ROAD_TEMPORARY, ROAD_DIRECT, ROAD_COUNT };
const char *const RoadNames[] = {"installed", "temporary", "direct"};

struct PLAN_PORT {
    KIND kind;
    std::string port;       /* the spooler's port name */
    std::string label;      /* the list's text: the port, or a connection's label */
    std::string printer;    /* the queue or the connection; empty for none */
    bool ticked;
};

struct PLAN {
    uint64_t seed;
    std::vector<PLAN_PORT> ports;       /* in list order: local ports, then connections */
    uint64_t fileSize;
    int faultPerMille;                  /* chance of a fault at each call */
    FAKE_ENUM_MODE portMode, printerMode, connectionMode;
    bool versionFails;
};

const char *const ModeNames[] = {"ok", "probe fails", "fill fails", "grows"};

std::string Describe(const PLAN &plan)
{
    std::ostringstream out;
    out << "file of " << plan.fileSize << " bytes, faults " << plan.faultPerMille << "/1000 calls";
    out << "; refresh: ports " << ModeNames[plan.portMode] << ", printers " << ModeNames[plan.printerMode]
        << ", connections " << ModeNames[plan.connectionMode] << (plan.versionFails ? ", version fails" : "");
    for (const PLAN_PORT &port : plan.ports)
        out << "\n  " << (port.ticked ? "[x] " : "[ ] ") << port.label << " (" << KindNames[port.kind]
            << (port.printer.empty() ? "" : ", " + port.printer) << ")";
    return out.str();
}

PLAN MakePlan(uint64_t seed)
{
    Random random(seed);
    PLAN plan;
    plan.seed = seed;
    int ticked = 1 + random.Below(4);
    int unticked = random.Below(3);
    std::vector<char> ticks(ticked, 1);
    ticks.insert(ticks.end(), unticked, 0);
    for (size_t i = ticks.size(); i > 1; --i)
        std::swap(ticks[i - 1], ticks[random.Below((int)i)]);

    std::vector<PLAN_PORT> locals, connections;
    for (char mark : ticks) {
        bool tick = mark != 0;
        KIND kind = (KIND)random.Below(4);
        if (kind == CONNECTION) {
            int n = (int)connections.size() + 1;
            std::string server = "server" + std::to_string(n);
            connections.push_back({kind, "NE0" + std::to_string(n) + ":", "NE0" + std::to_string(n) + ": on " + server,
                                   "\\\\" + server + "\\queue", tick});
        } else {
            std::string port = "LPT" + std::to_string(locals.size() + 1) + ":";
            locals.push_back({kind, port, port, kind == QUEUE ? "Queue on " + port : "", tick});
        }
    }
    /* a machine without a single port fails at start-up, before any run */
    if (locals.empty())
        locals.push_back({TEMPORARY, "LPT1:", "LPT1:", "", false});
    plan.ports = locals;
    plan.ports.insert(plan.ports.end(), connections.begin(), connections.end());

    const uint64_t chunk = SEND_CHUNK_SIZE;
    const uint64_t sizes[] = {0, 1, 4096, 100000, chunk - 1, chunk, chunk + 1, 2 * chunk + 17};
    plan.fileSize = sizes[random.Below(8)];
    const int rates[] = {0, 10, 30, 80, 150, 300};
    plan.faultPerMille = rates[random.Below(6)];
    FAKE_ENUM_MODE *modes[] = {&plan.portMode, &plan.printerMode, &plan.connectionMode};
    for (FAKE_ENUM_MODE *mode : modes)
        *mode = random.Chance(5) ? (FAKE_ENUM_MODE)(1 + random.Below(3)) : FAKE_ENUM_OK;
    plan.versionFails = random.Chance(3);
    return plan;
}

/* What the refresh leaves of a port, and what the run should then do. */
bool Survives(const PLAN &plan, const PLAN_PORT &port)
{
    if (port.kind == CONNECTION)
        return plan.connectionMode == FAKE_ENUM_OK && !plan.versionFails;
    return plan.portMode == FAKE_ENUM_OK;
}

bool HasPrinterAfterRefresh(const PLAN &plan, const PLAN_PORT &port)
{
    if (port.kind == CONNECTION)
        return true;
    return port.kind == QUEUE && plan.printerMode == FAKE_ENUM_OK;
}

/* The seed's live state, reached from the seam's plain function entries. */
struct RUN_STATE {
    const PLAN *plan;
    Random *random;
    FakeTransfer *fake;
    bool armed;                         /* faults only once the run has started */
    std::vector<const PLAN_PORT *> visits;  /* the ports the run should visit, in order */
    std::vector<size_t> segmentStarts;  /* log index where each port's transfer begins */
    bool segmentHasPath;                /* the current segment has read the path */
    std::vector<bool> driversListed;    /* per segment: the driver list was given */
    std::set<FAKE_CALL> callsFaulted;
    BOOL (WINAPI *fakeDrivers)(LPSTR, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
    BOOL (WINAPI *fakeVersion)(LPOSVERSIONINFOA);
    std::vector<std::string> progressProblems;
};

RUN_STATE State;

/* A port's transfer begins with the driver list (a port without a queue)
   or with the path check (a port with one); each reads the path once. */
void BeginSegment()
{
    State.segmentStarts.push_back(State.fake->log.size() - 1);
    State.driversListed.push_back(false);
}

const PLAN_PORT *SegmentPort()
{
    size_t segment = State.segmentStarts.size() - 1;
    return segment < State.visits.size() ? State.visits[segment] : NULL;
}

FAKE_FAULT ChooseFault(FAKE_CALL call)
{
    Random &random = *State.random;
    static const DWORD Errors[] = {ERROR_GEN_FAILURE, ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY,
                                   ERROR_NOT_READY, ERROR_SHARING_VIOLATION};
    DWORD error = Errors[random.Below(5)];
    bool movesBytes = call == FAKE_ReadFile || call == FAKE_WriteFile || call == FAKE_WritePrinter;
    if (movesBytes && random.Chance(50)) {
        const DWORD caps[] = {0, 1, 4095, SEND_CHUNK_SIZE / 2, SEND_CHUNK_SIZE - 1};
        return FAKE_FAULT{FAKE_FAULT::SHORT, caps[random.Below(5)]};
    }
    if (call == FAKE_AddPrinterA && random.Chance(50))
        error = ERROR_PRINTER_ALREADY_EXISTS;
    return FAKE_FAULT{FAKE_FAULT::FAIL, error};
}

FAKE_FAULT Schedule(FAKE_CALL call, int)
{
    if (call == FAKE_GetFileAttributesA) {
        if (State.segmentStarts.empty() || State.segmentHasPath)
            BeginSegment();
        State.segmentHasPath = true;
    }
    if (!State.armed || !State.random->ChancePerMille(State.plan->faultPerMille))
        return FAKE_FAULT{FAKE_FAULT::NONE, 0};
    State.callsFaulted.insert(call);
    return ChooseFault(call);
}

/* The driver list: absent for a port planned for the direct road, and
   failing now and then like any other call. */
BOOL WINAPI ScheduledDrivers(LPSTR name, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                             LPDWORD needed, LPDWORD returned)
{
    bool probe = buffer == NULL;
    State.fake->log.push_back(probe ? "EnumPrinterDriversA probe" : "EnumPrinterDriversA fill");
    if (probe && State.armed) {
        BeginSegment();
        State.segmentHasPath = false;
    }
    if (State.armed) {
        const PLAN_PORT *port = SegmentPort();
        bool none = port != NULL && port->kind == DIRECT;
        if (none || State.random->ChancePerMille(State.plan->faultPerMille)) {
            *needed = 0;
            *returned = 0;
            if (none) {
                State.fake->log.back() += ": no drivers";
                return TRUE;
            }
            State.fake->log.back() += ": fails";
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    BOOL result = State.fakeDrivers(name, environment, level, buffer, size, needed, returned);
    if (!probe && result && *returned > 0 && !State.driversListed.empty())
        State.driversListed.back() = true;
    return result;
}

BOOL WINAPI ScheduledVersion(LPOSVERSIONINFOA info)
{
    if (State.armed && State.plan->versionFails) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    return State.fakeVersion(info);
}

/* No progress text may claim more than the far end has taken: the job or
   device open that was written last. */
void CheckProgress(const std::string &text)
{
    static const char Suffix[] = "% Completed";
    size_t tab = text.rfind("\t\t");
    if (tab == std::string::npos || text.size() < sizeof Suffix - 1 ||
        text.compare(text.size() - (sizeof Suffix - 1), std::string::npos, Suffix) != 0)
        return;
    int percent = atoi(text.c_str() + tab + 2);
    uint64_t size = State.plan->fileSize;
    uint64_t taken = State.fake->jobs.empty() ? 0 : State.fake->jobs.back().bytes;
    uint64_t truthful = size == 0 ? 0 : taken * 100 / size;
    if ((uint64_t)percent > truthful)
        State.progressProblems.push_back("\"" + text + "\" with " + std::to_string(taken) + " of " +
                                         std::to_string(size) + " bytes taken");
}

/* The result that the first fault which changed this port's bytes gives;
   SEND_OK when none did. Faults in closing, deleting, naming the
   temporary printer or reading the driver list change no byte: the last
   two only choose the road. */
SEND_RESULT ExpectedResult(const FakeTransfer &fake, size_t begin, size_t end, ROAD road, std::string *cause)
{
    for (const FAKE_INJECTION &fault : fake.injected) {
        if (fault.logIndex < begin || fault.logIndex >= end)
            continue;
        const std::string &entry = fake.log[fault.logIndex];
        bool failed = fault.fault.kind == FAKE_FAULT::FAIL;
        SEND_RESULT result = SEND_OK;
        switch (fault.call) {
        case FAKE_GetFileAttributesA:
            result = SEND_BAD_FILE_NAME;
            break;
        case FAKE_CreateFileA:
            result = entry.find("access=40000000") != std::string::npos ? SEND_PORT_OPEN_FAILED : SEND_OPEN_FAILED;
            break;
        case FAKE_GetFileSize:
            result = SEND_READ_FAILED;
            break;
        case FAKE_ReadFile:
            /* a short read is read on; an empty one before the end is an
               end of file that comes too early */
            if (failed || (fault.answered == 0 && fault.available > 0))
                result = SEND_READ_FAILED;
            break;
        case FAKE_WriteFile:
            /* a device that takes part of a chunk is given the rest */
            if (failed || (fault.answered == 0 && fault.requested > 0))
                result = SEND_WRITE_FAILED;
            break;
        case FAKE_OpenPrinterA:
            /* on the temporary road it only asks whether a name is taken */
            if (road == ROAD_INSTALLED)
                result = SEND_WRITE_FAILED;
            break;
        case FAKE_WritePrinter:
        case FAKE_StartDocPrinterA:
        case FAKE_StartPagePrinter:
        case FAKE_EndPagePrinter:
        case FAKE_EndDocPrinter:
            result = SEND_WRITE_FAILED;
            break;
        default:
            break;
        }
        if (result != SEND_OK) {
            *cause = entry + (failed ? " failed" : " answered " + std::to_string(fault.answered) + " of " +
                                                   std::to_string(fault.available));
            return result;
        }
    }
    *cause = "no fault touched its bytes";
    return SEND_OK;
}

struct BOX {
    HWND owner;
    std::string caption;
    std::string text;
    bool operator==(const BOX &other) const
    {
        return owner == other.owner && caption == other.caption && text == other.text;
    }
};

std::string Show(const std::vector<BOX> &boxes)
{
    std::string shown;
    for (const BOX &box : boxes)
        shown += "\n    " + box.caption + ": " + box.text + (box.owner ? "" : " (no owner)");
    return shown.empty() ? " none" : shown;
}

std::string Format(const char *format, const std::string &port)
{
    char text[512];
    snprintf(text, sizeof text, format, port.c_str());
    return text;
}

/* The boxes of one port's result, and whether the run stops there. */
bool AddResultBoxes(HWND owner, const std::string &port, ROAD road, SEND_RESULT result, std::vector<BOX> *boxes)
{
    if (road == ROAD_DIRECT && result != SEND_OK)
        boxes->push_back({owner, "Printer Error",
                          Format("Could not print to %s! Please check your printer connection.", port)});
    switch (result) {
    case SEND_WRITE_FAILED:
        boxes->push_back({owner, "Write to Printer Error",
                          Format("Error writing to %s! Please check your printer connection.", port)});
        return false;
    case SEND_BAD_FILE_NAME:
        boxes->push_back({owner, "Input File Error",
                          "Selected Filename is invalid!\nPlease check validity of the file."});
        return true;
    case SEND_READ_FAILED:
        boxes->push_back({owner, "Input File Read Error", "Selected file could not be read"});
        return true;
    case SEND_OPEN_FAILED:
        boxes->push_back({owner, "Input File Error", "Input file can't be opened!"});
        return true;
    default:
        return false;
    }
}

/* Counts over all seeds, so that the schedules are seen to reach every
   road, every result and every call. */
struct TALLY {
    std::map<ROAD, int> roads;
    std::map<SEND_RESULT, int> results;
    std::set<FAKE_CALL> callsFaulted;
    int runs = 0, ports = 0, vanished = 0, stopped = 0, leftTemporaryPrinters = 0;
};

class FaultScheduleRun {
public:
    explicit FaultScheduleRun(const PLAN &plan) : plan(plan), random(plan.seed ^ 0x5EEDull) {}

    /* Runs the seed; returns what went wrong, empty when nothing did. */
    std::vector<std::string> Run(TALLY *tally);
    std::string Log() const;

private:
    void Arrange();
    void Check(bool condition, const std::string &what)
    {
        if (!condition)
            problems.push_back(what);
    }
    void CheckOutcome(TALLY *tally);
    const FAKE_ADDED_PRINTER &LastAdded(const std::string &name) const
    {
        const FAKE_ADDED_PRINTER *last = NULL;
        for (const FAKE_ADDED_PRINTER &printer : fake.added)
            if (printer.name == name)
                last = &printer;
        return *last;
    }

    const PLAN &plan;
    Random random;
    FakeTransfer fake;
    std::unique_ptr<SendWindows> windows;
    std::vector<std::string> problems;
};

void FaultScheduleRun::Arrange()
{
    InstallFakeSpooler();
    RecordMessageBoxes();
    fake.Bind();
    Spooler.drivers = {"Raw Driver"};
    for (const PLAN_PORT &port : plan.ports) {
        if (port.kind == CONNECTION) {
            Spooler.connections.push_back({port.printer, port.port, PRINTER_ATTRIBUTE_NETWORK});
        } else {
            Spooler.ports.push_back(LocalPort(port.port));
            /* every local port is a device too: a port whose temporary
               printer cannot be added is written directly */
            fake.AddPortDevice(port.port);
        }
        if (port.kind == QUEUE)
            Spooler.printers.push_back({port.printer, port.port, (DWORD)(port.ticked ? 0 : PRINTER_ATTRIBUTE_LOCAL)});
        if (!port.printer.empty())
            fake.InstallPrinter(port.printer);
    }
    fake.AddFile(InputPath, plan.fileSize);

    State = RUN_STATE();
    State.plan = &plan;
    State.random = &random;
    State.fake = &fake;
    State.fakeDrivers = Sys.EnumPrinterDriversA;
    State.fakeVersion = Sys.GetVersionExA;
    Sys.EnumPrinterDriversA = ScheduledDrivers;
    Sys.GetVersionExA = ScheduledVersion;
    fake.schedule = Schedule;
    for (const PLAN_PORT &port : plan.ports)
        if (port.ticked && Survives(plan, port))
            State.visits.push_back(&port);
}

std::vector<std::string> FaultScheduleRun::Run(TALLY *tally)
{
    ForgetPortTable();
    Arrange();
    windows.reset(new SendWindows());
    windows->SetFileName(InputPath);
    windows->onStatusText = CheckProgress;
    if (!InitPortList(windows->main)) {
        problems.push_back("the first fill failed");
        return problems;
    }
    for (size_t i = 0; i < plan.ports.size(); ++i)
        if (plan.ports[i].ticked)
            SetPortCheckState((int)i, PORT_CHECKED);

    /* From here on the refresh's lists fail as planned. */
    Spooler.portScript.mode = plan.portMode;
    Spooler.printerScript.mode = plan.printerMode;
    Spooler.connectionScript.mode = plan.connectionMode;
    State.armed = true;
    bool ended = windows->RunSend();
    State.armed = false;
    if (!ended) {
        problems.push_back("the run did not end within a minute");
        return problems;
    }
    CheckOutcome(tally);
    windows.reset();
    ForgetPortTable();
    return problems;
}

void FaultScheduleRun::CheckOutcome(TALLY *tally)
{
    HWND owner = windows->main;
    std::vector<BOX> expected;
    for (const PLAN_PORT &port : plan.ports) {
        if (port.ticked && !Survives(plan, port)) {
            expected.push_back({NULL, "Port Error", "Selected Port " + port.label + " is no longer valid!"});
            ++tally->vanished;
        }
    }

    const std::vector<size_t> &starts = State.segmentStarts;
    size_t visited = 0;
    bool stopped = false;
    for (; visited < State.visits.size() && !stopped; ++visited) {
        const PLAN_PORT &port = *State.visits[visited];
        std::string where = "port " + port.label + ": ";
        size_t problemsBefore = problems.size();
        if (visited >= starts.size()) {
            problems.push_back(where + "never sent to");
            break;
        }
        size_t begin = starts[visited];
        size_t end = visited + 1 < starts.size() ? starts[visited + 1] : fake.log.size();

        /* The road: the queue when the refresh found one; else a temporary
           printer when the driver list was given and a printer added; else
           the device. */
        const FAKE_ADDED_PRINTER *added = NULL;
        for (const FAKE_ADDED_PRINTER &printer : fake.added)
            if (printer.logIndex >= begin && printer.logIndex < end)
                added = &printer;
        ROAD road = HasPrinterAfterRefresh(plan, port) ? ROAD_INSTALLED : added ? ROAD_TEMPORARY : ROAD_DIRECT;
        Check(road != ROAD_TEMPORARY || State.driversListed[visited], where + "a printer added without a driver");
        if (road == ROAD_DIRECT && State.driversListed[visited]) {
            bool refused = false;
            for (const FAKE_INJECTION &fault : fake.injected)
                refused |= fault.call == FAKE_AddPrinterA && fault.logIndex >= begin && fault.logIndex < end &&
                           fault.fault.value != ERROR_PRINTER_ALREADY_EXISTS;
            Check(refused, where + "drivers listed and no printer refused, yet no temporary printer");
        }
        if (added) {
            Check(added->port == port.port, where + "temporary printer added on " + added->port);
        }

        std::string cause;
        SEND_RESULT result = ExpectedResult(fake, begin, end, road, &cause);
        stopped = AddResultBoxes(owner, port.label, road, result, &expected);
        tally->roads[road]++;
        tally->results[result]++;
        tally->ports++;

        /* What arrived: only at this port's target, every byte in place,
           the whole file when the port succeeded. */
        std::string target = road == ROAD_INSTALLED ? port.printer : road == ROAD_TEMPORARY ? added->name : port.port;
        int jobs = 0;
        for (const FAKE_JOB &job : fake.jobs) {
            if (job.logIndex < begin || job.logIndex >= end)
                continue;
            ++jobs;
            Check(job.sink == target, where + "bytes went to " + job.sink + ", not " + target);
            Check(job.intact, where + "a byte arrived that is not the file's byte at its offset");
            Check(job.bytes <= plan.fileSize, where + "more bytes arrived than the file has");
            if (result == SEND_OK) {
                Check(job.bytes == plan.fileSize && job.ended,
                      where + "reported sent, but " + std::to_string(job.bytes) + " of " +
                          std::to_string(plan.fileSize) + " bytes arrived" + (job.ended ? "" : ", job not ended"));
            }
        }
        if (result == SEND_OK)
            Check(jobs == 1, where + std::to_string(jobs) + " jobs for one successful send");
        if (road == ROAD_TEMPORARY)
            Check(fake.LogIndex("DeletePrinter " + added->name) >= 0, where + added->name + " never deleted");
        if (problems.size() > problemsBefore)
            problems.back() += " (expected " + std::to_string(result) + " by the " + RoadNames[road] + " road: " +
                               cause + ")";
    }

    /* A temporary printer still installed is one whose last deletion
       failed; the next port then takes the next free name. */
    for (const FAKE_ADDED_PRINTER &printer : fake.added) {
        if (!fake.PrinterExists(printer.name) || &printer != &LastAdded(printer.name))
            continue;
        size_t deleted = 0;
        for (size_t i = printer.logIndex; i < fake.log.size(); ++i)
            if (fake.log[i] == "DeletePrinter " + printer.name)
                deleted = i;
        bool failed = false;
        for (const FAKE_INJECTION &fault : fake.injected)
            failed |= deleted > 0 && fault.logIndex == deleted;
        Check(failed, printer.name + " left installed without a failed deletion");
        ++tally->leftTemporaryPrinters;
    }
    tally->stopped += stopped;
    Check(starts.size() == visited, std::to_string(starts.size()) + " ports sent to, " + std::to_string(visited) +
                                        " expected");
    for (const FAKE_JOB &job : fake.jobs)
        Check(!starts.empty() && job.logIndex >= starts[0], "bytes sent to " + job.sink + " outside any port's turn");

    std::vector<BOX> shown;
    for (const RECORDED_MESSAGE_BOX &box : MessageBoxes) {
        shown.push_back({box.owner, box.caption, box.text});
        Check(box.style == (UINT)(MB_OK | MB_ICONERROR) || box.style == (UINT)MB_ICONERROR,
              "a box without the error icon: " + box.text);
    }
    Check(shown == expected, "boxes shown:" + Show(shown) + "\n  expected:" + Show(expected));

    for (const std::string &problem : fake.Problems())
        problems.push_back("seam: " + problem);
    for (const std::string &handle : fake.OpenHandles())
        problems.push_back("left open: " + handle);
    for (const std::string &problem : State.progressProblems)
        problems.push_back("progress beyond what was taken: " + problem);
    Check(!windows->statusTexts.empty() && windows->statusTexts.back() == "Ready",
          "status at the end: " + (windows->statusTexts.empty() ? std::string("none") : windows->statusTexts.back()));
    for (HWND control : {windows->main, windows->edit, windows->list, GoButtonWindow, ExitButtonWindow,
                         BrowseButtonWindow})
        Check(IsWindowEnabled(control) != FALSE, "a control left disabled");
    tally->callsFaulted.insert(State.callsFaulted.begin(), State.callsFaulted.end());
    tally->runs++;
}

std::string FaultScheduleRun::Log() const
{
    std::string text;
    size_t next = 0;
    for (size_t i = 0; i < fake.log.size(); ++i) {
        bool start = next < State.segmentStarts.size() && State.segmentStarts[next] == i;
        if (start)
            ++next;
        std::string mark;
        for (const FAKE_INJECTION &fault : fake.injected)
            if (fault.logIndex == i)
                mark = fault.fault.kind == FAKE_FAULT::FAIL ? "  <- fails " + std::to_string(fault.fault.value)
                                                            : "  <- answers " + std::to_string(fault.answered);
        text += (start ? "\n  -- port " + std::to_string(next) + "\n    " : "\n    ") + fake.log[i] + mark;
    }
    return text;
}

int SeedCount()
{
    if (const char *count = getenv("VANTREL_FAULT_SEEDS"))
        return atoi(count);
    const char *longMode = getenv("VANTREL_LONG_TESTS");
    return longMode && *longMode && strcmp(longMode, "0") != 0 ? LongSeeds : NormalSeeds;
}

} // namespace

class FaultSchedule : public SeamTest {
protected:
    void TearDown() override
    {
        ForgetPortTable();
        SeamTest::TearDown();
    }
};

TEST_F(FaultSchedule, EverySeedKeepsTheInvariants)
{
    std::vector<uint64_t> seeds;
    if (const char *one = getenv("VANTREL_FAULT_SEED")) {
        seeds.push_back(strtoull(one, NULL, 10));
    } else {
        for (int i = 1; i <= SeedCount(); ++i)
            seeds.push_back((uint64_t)i);
    }

    TALLY tally;
    int failed = 0;
    for (uint64_t seed : seeds) {
        PLAN plan = MakePlan(seed);
        FaultScheduleRun run(plan);
        std::vector<std::string> problems = run.Run(&tally);
        ResetSystemCalls();
        if (problems.empty())
            continue;
        std::string report;
        for (const std::string &problem : problems)
            report += "\n  " + problem;
        ADD_FAILURE() << "seed " << seed << " (replay: VANTREL_FAULT_SEED=" << seed << ")\n  " << Describe(plan)
                      << report << "\n  calls:" << run.Log();
        if (++failed == 5) {
            ADD_FAILURE() << "stopped after 5 failing seeds";
            break;
        }
    }

    printf("fault schedules: %zu seeds, %d runs, %d ports sent to, %d ticked ports vanished, %d runs stopped, "
           "%d temporary printers left by a failed deletion\n",
           seeds.size(), tally.runs, tally.ports, tally.vanished, tally.stopped, tally.leftTemporaryPrinters);
    printf("  roads: installed %d, temporary %d, direct %d\n", tally.roads[ROAD_INSTALLED],
           tally.roads[ROAD_TEMPORARY], tally.roads[ROAD_DIRECT]);
    printf("  results: ok %d, write failed %d, bad file name %d, read failed %d, open failed %d, port open failed %d\n",
           tally.results[SEND_OK], tally.results[SEND_WRITE_FAILED], tally.results[SEND_BAD_FILE_NAME],
           tally.results[SEND_READ_FAILED], tally.results[SEND_OPEN_FAILED], tally.results[SEND_PORT_OPEN_FAILED]);
    EXPECT_EQ(failed, 0);

    /* A schedule that never reaches a road, a result or a call tests
       nothing there: over the whole count each must have come up. */
    if (seeds.size() >= (size_t)NormalSeeds) {
        for (int road = 0; road < ROAD_COUNT; ++road)
            EXPECT_GT(tally.roads[(ROAD)road], 0) << RoadNames[road];
        for (SEND_RESULT result : {SEND_OK, SEND_WRITE_FAILED, SEND_BAD_FILE_NAME, SEND_READ_FAILED, SEND_OPEN_FAILED,
                                   SEND_PORT_OPEN_FAILED})
            EXPECT_GT(tally.results[result], 0) << "result " << result;
        for (int call = 0; call < FAKE_CALL_COUNT; ++call)
            EXPECT_TRUE(tally.callsFaulted.count((FAKE_CALL)call)) << "call " << call << " never faulted";
        EXPECT_GT(tally.vanished, 0);
        EXPECT_GT(tally.leftTemporaryPrinters, 0);
    }
}
