/* The released program, end to end: a copy of vantrel.exe started as a
   process of its own on the test bed and worked only from outside, as a
   person would: the file edit set, ports ticked by clicks and keys on the
   list, "Go" pressed, the status bar watched, every message box read and
   answered with OK, and the program closed. Then the bytes at each port's
   far end are compared with the file by SHA-256.

   What this process must not do: print (Wine counts jobs per process, so a
   job of ours would collide with the program's) or load the spooler at all
   (Wine syncs its printers with CUPS only while no process has it loaded).
   Temporary printers are looked for in the registry the spooler keeps.

   Far ends on the bed:
     installed queue   the printer listener behind the raw CUPS queue
     temporary queue   the file (or command) the LPT port's spooler mapping names
     direct            the file the LPT port's device link leads to */
#include "app_driver.h"
#include "bed.h"
#include "resource.h"
#include "screenshot.h"
#include "ui_pump.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const uint64_t Chunk = 524288;

BED_FILE MakeFile(const std::string &name, uint64_t size, unsigned seed)
{
    return MakeBedFile("e2e/" + name, size, seed);
}

std::string ScreenshotPath(const std::string &name)
{
    CreateDirectoryA(BedWindowsPath("screenshots").c_str(), NULL);
    return BedWindowsPath("screenshots/" + name);
}

/* The spooler keeps one key per printer; DeletePrinter removes it. */
std::vector<std::string> TemporaryPrinters()
{
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Print\\Printers", 0,
                      KEY_ENUMERATE_SUB_KEYS, &key) != ERROR_SUCCESS)
        return names;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof(name);
        if (RegEnumKeyExA(key, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        if (std::string(name).rfind("Temporary Printer", 0) == 0)
            names.push_back(name);
    }
    RegCloseKey(key);
    return names;
}

/* "Writing to PORT", or "Writing to PORT\t\tN% Completed" (percent -1 for
   the first). */
bool ParseProgress(const std::string &text, std::string *port, int *percent)
{
    const std::string prefix = "Writing to ";
    if (text.compare(0, prefix.size(), prefix) != 0)
        return false;
    size_t tabs = text.find("\t\t");
    *port = text.substr(prefix.size(), tabs == std::string::npos ? std::string::npos : tabs - prefix.size());
    *percent = -1;
    if (tabs == std::string::npos)
        return true;
    int value = -1;
    char rest[32] = "";
    if (sscanf(text.c_str() + tabs + 2, "%d%% %31[^\n]", &value, rest) != 2)
        return false;
    *percent = value;
    return std::string(rest) == "Completed" && value >= 0 && value <= 100 &&
           text == prefix + *port + "\t\t" + std::to_string(value) + "% Completed";
}

std::string Shown(const std::string &text)
{
    std::string shown;
    for (char c : text)
        shown += c == '\t' ? std::string("\\t") : c == '\n' ? std::string("\\n") : std::string(1, c);
    return shown;
}

std::string Shown(const std::vector<std::string> &texts)
{
    std::string shown;
    for (const std::string &text : texts)
        shown += "[" + Shown(text) + "] ";
    return shown;
}

/* Whatever of a run the polling caught: every text is one the program
   shows; the ports written to appear in list order, each once; each port's
   percentages never go down. */
void ExpectProgressInOrder(const RUN_RECORD &record, const std::vector<std::string> &ticked)
{
    SCOPED_TRACE("status texts seen: " + Shown(record.statusTexts));
    size_t current = 0;
    int lastPercent = -1;
    bool started = false;
    for (const std::string &text : record.statusTexts) {
        std::string port;
        int percent = 0;
        if (text == "Ready" || text == "Error")
            continue;
        ASSERT_TRUE(ParseProgress(text, &port, &percent)) << "not a status text of the program: " << Shown(text);
        size_t at = current;
        while (at < ticked.size() && ticked[at] != port)
            ++at;
        ASSERT_LT(at, ticked.size()) << port << " is written to out of order, again, or without a tick";
        if (at != current || !started) {
            current = at;
            lastPercent = -1;
            started = true;
        }
        EXPECT_GE(percent, lastPercent) << "the progress of " << port << " went down";
        lastPercent = percent;
    }
}

class EndToEnd : public ::testing::Test {
protected:
    enum TICK_BY { BY_CHECK_BOX, BY_DOUBLE_CLICK, BY_SPACE_BAR };
    enum QUIT_BY { BY_EXIT_BUTTON, BY_CLOSE_BOX };

    void SetUp() override
    {
        folder = MakeScratchFolder("e2e");
        ASSERT_FALSE(folder.empty());
        exe = CopyVantrelInto(folder);
        ASSERT_FALSE(exe.empty()) << "VANTREL_EXE names no program";
        ASSERT_EQ(std::vector<std::string>(), TemporaryPrinters()) << "left by an earlier test";
    }

    void TearDown() override
    {
        EXPECT_TRUE(GetModuleHandleA("winspool.drv") == NULL) << "this process loaded the spooler";
        EndVantrel(&run);
        for (auto undo = undos.rbegin(); undo != undos.rend(); ++undo)
            (*undo)();
        undos.clear();
        RemoveScratchFolder(folder);
    }

    /* The edit gets the file at once: the marker by which this process
       waits for the program's input queue lives in the edit's text. Then
       these ports are ticked by their check boxes, and no other is. */
    void Start(const std::string &fileName, const std::vector<std::string> &ticked = {})
    {
        ASSERT_TRUE(StartVantrel(exe, "", NO_SHOW_STATE, &run)) << "no main window";
        ASSERT_FALSE(RemotePortTexts(run).empty()) << "no ports listed";
        if (!fileName.empty()) {
            ASSERT_NO_FATAL_FAILURE(SetFileName(fileName));
        }
        for (const std::string &port : ticked)
            ASSERT_NO_FATAL_FAILURE(SetTicked(port, true));
        ASSERT_EQ(ticked, TickedPorts());
    }

    HWND Control(int id) { return GetDlgItem(run.mainWindow, id); }

    void SetFileName(const std::string &path)
    {
        SendMessageA(Control(IDC_FILENAME), WM_SETTEXT, 0, (LPARAM)path.c_str());
        ASSERT_EQ(path, RemoteText(Control(IDC_FILENAME)));
        ASSERT_TRUE(IsWindowEnabled(Control(IDOK))) << "Go follows the edit";
    }

    int ItemOf(const std::string &port)
    {
        std::vector<std::string> texts = RemotePortTexts(run);
        for (size_t i = 0; i < texts.size(); ++i)
            if (texts[i] == port)
                return (int)i;
        return -1;
    }

    /* Ticks or unticks the port with this text as a user would: a click on
       its check box, a double click on its row, or the space bar on it
       once a click has made it the focused row. */
    void SetTicked(const std::string &port, bool ticked, TICK_BY how = BY_CHECK_BOX)
    {
        SCOPED_TRACE(port);
        int item = ItemOf(port);
        ASSERT_GE(item, 0) << "not in the list: " << Shown(RemotePortTexts(run));
        if ((RemotePortCheck(run, item) == 2) == ticked)
            return;
        HWND list = Control(IDC_PORTLIST);
        POINT at;
        switch (how) {
        case BY_CHECK_BOX:
            ASSERT_TRUE(PortCheckBoxPoint(run, item, &at)) << "no check box found";
            PostClick(list, at.x, at.y);
            break;
        case BY_DOUBLE_CLICK:
            ASSERT_TRUE(PortDescriptionPoint(run, item, &at));
            PostDoubleClick(list, at.x, at.y);
            break;
        case BY_SPACE_BAR:
            ASSERT_TRUE(PortDescriptionPoint(run, item, &at));
            PostClick(list, at.x, at.y);
            ASSERT_TRUE(SyncWithRun(Control(IDC_FILENAME)));
            ASSERT_EQ(ticked ? 1 : 2, RemotePortCheck(run, item)) << "a click on the row changed its tick";
            PostKey(list, VK_SPACE);
            break;
        }
        ASSERT_TRUE(SyncWithRun(Control(IDC_FILENAME)));
        ASSERT_EQ(ticked ? 2 : 1, RemotePortCheck(run, item));
    }

    void UntickAll()
    {
        for (const std::string &port : RemotePortTexts(run))
            SetTicked(port, false);
    }

    std::vector<std::string> TickedPorts()
    {
        std::vector<std::string> texts = RemotePortTexts(run), ticked;
        for (size_t i = 0; i < texts.size(); ++i)
            if (RemotePortCheck(run, (int)i) == 2)
                ticked.push_back(texts[i]);
        return ticked;
    }

    RUN_RECORD Go(DWORD milliseconds = 120000, const std::function<void(const std::string &)> &onStatus = nullptr,
                  const std::function<void(HWND)> &onBox = nullptr)
    {
        RUN_RECORD record;
        EXPECT_TRUE(PressGoAndWatch(run, milliseconds, &record, onStatus, onBox))
            << "the run did not end; status texts seen: " << Shown(record.statusTexts);
        return record;
    }

    /* After every run, whatever happened in it. */
    void ExpectIdle(const RUN_RECORD &record)
    {
        EXPECT_FALSE(record.windowEnabledDuringRun) << "the main window was enabled during the run";
        ASSERT_FALSE(record.statusTexts.empty());
        EXPECT_EQ("Ready", record.statusTexts.back());
        const struct {
            const char *name;
            int id;
        } controls[] = {{"the port list", IDC_PORTLIST}, {"the file edit", IDC_FILENAME}, {"Go", IDOK},
                        {"Exit", IDCANCEL},           {"Browse", IDC_BROWSE}};
        for (const auto &control : controls)
            EXPECT_TRUE(IsWindowEnabled(Control(control.id))) << control.name << " is disabled";
        EXPECT_TRUE(IsWindowEnabled(run.mainWindow)) << "the main window is disabled";
        EXPECT_TRUE(ProcessDialog(run) == NULL) << "a box is still open";
        EXPECT_EQ(std::vector<std::string>(), TemporaryPrinters());
    }

    void ExpectBoxes(const RUN_RECORD &record, const std::vector<SEEN_BOX> &expected)
    {
        ASSERT_EQ(expected.size(), record.boxes.size()) << "boxes seen: " << Shown(BoxTexts(record));
        for (size_t i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(expected[i].caption, record.boxes[i].caption);
            EXPECT_EQ(expected[i].text, record.boxes[i].text);
            EXPECT_EQ(expected[i].owner, record.boxes[i].owner);
            if (!expected[i].status.empty()) {
                EXPECT_EQ(expected[i].status, record.boxes[i].status);
            }
        }
    }

    /* Every box of the run, as "caption: text", for runs that should
       show none. */
    static std::vector<std::string> BoxTexts(const RUN_RECORD &record)
    {
        std::vector<std::string> texts;
        for (const SEEN_BOX &box : record.boxes)
            texts.push_back(box.caption + ": " + box.text);
        return texts;
    }

    void ExpectCleanRun(const RUN_RECORD &record, const std::vector<std::string> &ticked)
    {
        EXPECT_EQ(std::vector<std::string>(), BoxTexts(record));
        ExpectIdle(record);
        ExpectProgressInOrder(record, ticked);
    }

    /* The queue's jobs since `before` must be exactly these files. A small
       file of its own is sent to the queue alone afterwards: the listener's
       next job has to be that one, so nothing else reached the queue, at
       any time, and an empty job made none. */
    void ExpectQueueJobs(int before, const std::vector<BED_FILE> &expected)
    {
        SCOPED_TRACE("queue jobs");
        BED_FILE sentinel = MakeFile("sentinel.prn", 4099, 4099 + before);
        UntickAll();
        SetTicked(BedQueuePortName(), true);
        SetFileName(sentinel.path);
        RUN_RECORD record = Go();
        ExpectCleanRun(record, {BedQueuePortName()});
        for (size_t i = 0; i < expected.size(); ++i)
            ExpectListenerJob(before + 1 + (int)i, expected[i]);
        ExpectListenerJob(before + 1 + (int)expected.size(), sentinel);
    }

    DWORD Quit(QUIT_BY how)
    {
        if (how == BY_EXIT_BUTTON)
            PostMessageA(Control(IDCANCEL), BM_CLICK, 0, 0);
        else
            PostMessageA(run.mainWindow, WM_SYSCOMMAND, SC_CLOSE, 0);
        DWORD exitCode = 1000;
        EXPECT_TRUE(WaitForVantrelExit(&run, 10000, &exitCode)) << "still running";
        EndVantrel(&run);
        EXPECT_EQ(std::vector<std::string>(), TemporaryPrinters()) << "after the program ended";
        return exitCode;
    }

    /* Changes to the bed, each undone when the test ends. */
    void AddPort(const std::string &port)
    {
        undos.push_back([port] { RemovePortFromList(port); });
        ASSERT_TRUE(AddPortToList(port));
    }

    void MapSpooler(const std::string &port, const std::string &target)
    {
        std::string bedTarget = port == "LPT1:" ? BedUnixPath("sinks/spool-lpt1.bin")
                              : port == "LPT2:" ? BedUnixPath("sinks/spool-lpt2.bin") : "";
        undos.push_back([port, bedTarget] { SetSpoolerMapping(port, bedTarget); });
        ASSERT_TRUE(SetSpoolerMapping(port, target));
    }

    /* A picture is no assertion, but one that was tried and failed is. */
    void Screenshot(const std::string &name, HWND other = NULL)
    {
        EXPECT_TRUE(SaveWindowPng(run.mainWindow, ScreenshotPath(name), other)) << "cannot save " << name;
    }

    VANTREL_RUN run = {};
    std::string folder;
    std::string exe;
    std::vector<std::function<void()>> undos;
};

class EndToEndSpool : public EndToEnd {
protected:
    void SetUp() override
    {
        ASSERT_EQ("spool", BedProfile());
        EndToEnd::SetUp();
    }
};

class EndToEndDirect : public EndToEnd {
protected:
    void SetUp() override
    {
        ASSERT_EQ("direct", BedProfile());
        EndToEnd::SetUp();
    }
};

class EndToEndLarge : public EndToEndSpool {};

const uint64_t Sizes[] = {0, 1, Chunk, Chunk + 1};

}  // namespace

/* ---- The installed queue, the temporary queue ("spool" profile) ---- */

TEST_F(EndToEndSpool, InstalledQueueGetsEachFileByteExact)
{
    std::vector<BED_FILE> files;
    for (uint64_t size : Sizes)
        files.push_back(MakeFile("installed-" + std::to_string(size) + ".prn", size, 100 + (unsigned)size));
    ASSERT_NO_FATAL_FAILURE(Start(files[0].path, {BedQueuePortName()}));
    int before = CountListenerJobs();
    std::vector<BED_FILE> jobs;
    for (const BED_FILE &file : files) {
        uint64_t size = file.size;
        SCOPED_TRACE(size);
        ASSERT_NO_FATAL_FAILURE(SetFileName(file.path));
        RUN_RECORD record = Go();
        ExpectCleanRun(record, {BedQueuePortName()});
        /* Wine hands an empty job to CUPS as no job at all. */
        if (size > 0)
            jobs.push_back(file);
    }
    ExpectQueueJobs(before, jobs);
    EXPECT_EQ(0u, Quit(BY_EXIT_BUTTON));
}

TEST_F(EndToEndSpool, TemporaryPrinterGetsEachFileByteExactAndIsDeleted)
{
    std::vector<BED_FILE> files;
    for (uint64_t size : Sizes)
        files.push_back(MakeFile("temporary-" + std::to_string(size) + ".prn", size, 200 + (unsigned)size));
    ASSERT_NO_FATAL_FAILURE(Start(files[0].path, {"LPT2:"}));
    for (const BED_FILE &file : files) {
        SCOPED_TRACE(file.size);
        ASSERT_TRUE(SpoilSink("spool-lpt2.bin"));   /* an empty job must still replace it */
        ASSERT_NO_FATAL_FAILURE(SetFileName(file.path));
        RUN_RECORD record = Go();
        ExpectCleanRun(record, {"LPT2:"});
        ExpectSinkHolds("spool-lpt2.bin", file);
    }
    EXPECT_EQ(0u, Quit(BY_CLOSE_BOX));
}

/* The spooler mappings append here, so a second job to a port would show
   as a second copy of the file; the queue is checked by the job after. */
TEST_F(EndToEndSpool, SeveralPortsEachGetTheWholeFileOnce)
{
    for (const char *port : {"LPT1:", "LPT2:"}) {
        std::string sink = std::string("spool-") + (port[3] == '1' ? "lpt1" : "lpt2") + ".bin";
        ASSERT_TRUE(EmptySink(sink));
        ASSERT_NO_FATAL_FAILURE(MapSpooler(port, "|cat >> '" + BedUnixPath("sinks/" + sink) + "'"));
    }
    BED_FILE file = MakeFile("several.prn", 16 * Chunk + 7, 300);
    std::vector<std::string> ports = {BedQueuePortName(), "LPT1:", "LPT2:"};
    ASSERT_NO_FATAL_FAILURE(Start(file.path, ports));
    int before = CountListenerJobs();

    bool shot = false;
    RUN_RECORD record = Go(120000, [&](const std::string &status) {
        std::string port;
        int percent;
        if (!shot && ParseProgress(status, &port, &percent) && percent >= 25 && percent < 100) {
            Screenshot("main-window-sending.png");
            shot = true;
        }
    });

    ExpectCleanRun(record, ports);
    ExpectSinkHolds("spool-lpt1.bin", file);
    ExpectSinkHolds("spool-lpt2.bin", file);
    ExpectQueueJobs(before, {file});
    EXPECT_EQ(0u, Quit(BY_EXIT_BUTTON));
}

TEST_F(EndToEndSpool, OnlyTheTickedPortsAreSentHoweverTheyWereTicked)
{
    ASSERT_TRUE(SpoilSink("spool-lpt1.bin"));
    ASSERT_TRUE(SpoilSink("spool-lpt2.bin"));
    BED_FILE file = MakeFile("ticked.prn", Chunk + 1, 400);
    ASSERT_NO_FATAL_FAILURE(Start(file.path));
    ASSERT_NO_FATAL_FAILURE(SetTicked(BedQueuePortName(), true, BY_CHECK_BOX));
    ASSERT_NO_FATAL_FAILURE(SetTicked("LPT1:", true, BY_DOUBLE_CLICK));
    ASSERT_NO_FATAL_FAILURE(SetTicked("LPT2:", true, BY_SPACE_BAR));
    ASSERT_NO_FATAL_FAILURE(SetTicked(BedQueuePortName(), false, BY_SPACE_BAR));
    ASSERT_NO_FATAL_FAILURE(SetTicked("LPT2:", false, BY_DOUBLE_CLICK));
    ASSERT_EQ(std::vector<std::string>({"LPT1:"}), TickedPorts());
    int before = CountListenerJobs();

    RUN_RECORD record = Go();

    ExpectCleanRun(record, {"LPT1:"});
    ExpectSinkHolds("spool-lpt1.bin", file);
    ExpectSinkSpoilt("spool-lpt2.bin");
    ExpectQueueJobs(before, {});
    EXPECT_EQ(0u, Quit(BY_CLOSE_BOX));
}

TEST_F(EndToEndSpool, AFileChosenWithBrowseIsSent)
{
    BED_FILE file = MakeFile("browsed.prn", 1000, 500);
    ASSERT_NO_FATAL_FAILURE(Start(""));
    PostMessageA(Control(IDC_BROWSE), BM_CLICK, 0, 0);
    HWND dialog = WaitForProcessDialog(run);
    ASSERT_TRUE(dialog != NULL) << "no open-file dialog";
    ASSERT_EQ("Open", RemoteText(dialog));
    SendMessageA(GetDlgItem(dialog, 0x47c), WM_SETTEXT, 0, (LPARAM)file.path.c_str());
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    for (int waited = 0; waited < 10000 && IsWindow(dialog); waited += 20)
        Sleep(20);
    ASSERT_FALSE(IsWindow(dialog)) << "the dialog stayed open";
    ASSERT_EQ(file.path, RemoteText(Control(IDC_FILENAME)));
    ASSERT_NO_FATAL_FAILURE(SetTicked("LPT1:", true));

    RUN_RECORD record = Go();

    ExpectCleanRun(record, {"LPT1:"});
    ExpectSinkHolds("spool-lpt1.bin", file);
    EXPECT_EQ(0u, Quit(BY_EXIT_BUTTON));
}

/* ---- What stops a run, or a port ---- */

TEST_F(EndToEndSpool, NoTickedPortShowsOneSelectionErrorAndSendsNothing)
{
    ASSERT_TRUE(SpoilSink("spool-lpt1.bin"));
    ASSERT_TRUE(SpoilSink("spool-lpt2.bin"));
    BED_FILE file = MakeFile("unticked.prn", 1000, 600);
    ASSERT_NO_FATAL_FAILURE(Start(file.path));
    int before = CountListenerJobs();

    RUN_RECORD record = Go();

    ExpectBoxes(record, {{"Selection Error", "No ports are selected! Please select a port.", run.mainWindow, ""}});
    ExpectIdle(record);
    ExpectSinkSpoilt("spool-lpt1.bin");
    ExpectSinkSpoilt("spool-lpt2.bin");
    ExpectQueueJobs(before, {});
    EXPECT_EQ(0u, Quit(BY_EXIT_BUTTON));
}

TEST_F(EndToEndSpool, MissingFileStopsTheRunWithTheFocusInTheEdit)
{
    ASSERT_TRUE(SpoilSink("spool-lpt1.bin"));
    std::string missing = BedWindowsPath("e2e/missing.prn");
    DeleteFileA(missing.c_str());
    ASSERT_NO_FATAL_FAILURE(Start(missing, {BedQueuePortName(), "LPT1:"}));
    int before = CountListenerJobs();

    RUN_RECORD record = Go();

    ExpectBoxes(record, {{"Input File Error", "Selected Filename is invalid!\nPlease check validity of the file.",
                          run.mainWindow, ""}});
    ExpectIdle(record);
    HWND focus = NULL;
    for (int waited = 0; waited < 5000 && (focus = RemoteFocus(run)) != Control(IDC_FILENAME); waited += 20)
        Sleep(20);
    EXPECT_EQ(Control(IDC_FILENAME), focus) << "the edit has not the focus";
    ExpectSinkSpoilt("spool-lpt1.bin");
    ExpectQueueJobs(before, {});
    EXPECT_EQ(0u, Quit(BY_CLOSE_BOX));
}

/* This process is the other program: it holds the file without sharing
   until it lets go, and then the same run goes through. */
TEST_F(EndToEndSpool, FileHeldOpenByAnotherProgramStopsTheRunUntilItLetsGo)
{
    ASSERT_TRUE(SpoilSink("spool-lpt1.bin"));
    BED_FILE file = MakeFile("held.prn", Chunk + 1, 700);
    HANDLE held = CreateFileA(file.path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    ASSERT_NO_FATAL_FAILURE(Start(file.path, {BedQueuePortName(), "LPT1:"}));
    int before = CountListenerJobs();

    RUN_RECORD held_run = Go();
    CloseHandle(held);

    ExpectBoxes(held_run, {{"Input File Error", "Input file can't be opened!", run.mainWindow, ""}});
    ExpectIdle(held_run);
    ExpectSinkSpoilt("spool-lpt1.bin");

    RUN_RECORD again = Go();

    ExpectCleanRun(again, {BedQueuePortName(), "LPT1:"});
    ExpectSinkHolds("spool-lpt1.bin", file);
    ExpectQueueJobs(before, {file});
    EXPECT_EQ(0u, Quit(BY_EXIT_BUTTON));
}

/* BGONE: sorts first in Wine's port list, above the ports still there. */
TEST_F(EndToEndSpool, TickedPortThatVanishedIsReportedAndTheOthersAreSent)
{
    ASSERT_NO_FATAL_FAILURE(AddPort("BGONE:"));
    ASSERT_TRUE(SpoilSink("spool-lpt2.bin"));
    BED_FILE file = MakeFile("vanished.prn", Chunk + 1, 800);
    std::vector<std::string> ports = {"BGONE:", BedQueuePortName(), "LPT1:"};
    ASSERT_NO_FATAL_FAILURE(Start(file.path, ports));
    ASSERT_TRUE(RemovePortFromList("BGONE:"));
    int before = CountListenerJobs();

    RUN_RECORD record = Go();

    /* The refresh's box has no owner. */
    ExpectBoxes(record, {{"Port Error", "Selected Port BGONE: is no longer valid!", NULL, ""}});
    ExpectIdle(record);
    ExpectProgressInOrder(record, {BedQueuePortName(), "LPT1:"});
    EXPECT_EQ(-1, ItemOf("BGONE:")) << "the vanished port is still listed";
    EXPECT_EQ(std::vector<std::string>({BedQueuePortName(), "LPT1:"}), TickedPorts());
    ExpectSinkHolds("spool-lpt1.bin", file);
    ExpectSinkSpoilt("spool-lpt2.bin");
    ExpectQueueJobs(before, {file});
    EXPECT_EQ(0u, Quit(BY_CLOSE_BOX));
}

/* BNEW: sorts first, so every item moves down by one and the ticked last
   item, LPT3:, moves past the count the list had when "Go" was pressed. */
TEST_F(EndToEndSpool, PortThatAppearedAboveATickedOneLeavesTheTickOnItsPort)
{
    ASSERT_TRUE(SpoilSink("spool-lpt3.bin"));
    ASSERT_NO_FATAL_FAILURE(MapSpooler("LPT3:", BedUnixPath("sinks/spool-lpt3.bin")));
    ASSERT_TRUE(SpoilSink("spool-lpt1.bin"));
    ASSERT_TRUE(SpoilSink("spool-lpt2.bin"));
    BED_FILE file = MakeFile("appeared.prn", Chunk + 1, 900);
    ASSERT_NO_FATAL_FAILURE(Start(file.path));
    std::vector<std::string> before_texts = RemotePortTexts(run);
    ASSERT_EQ("LPT3:", before_texts.back());
    ASSERT_NO_FATAL_FAILURE(SetTicked("LPT3:", true));
    ASSERT_NO_FATAL_FAILURE(AddPort("BNEW:"));
    int before = CountListenerJobs();

    RUN_RECORD record = Go();

    ExpectCleanRun(record, {"LPT3:"});
    std::vector<std::string> after_texts = RemotePortTexts(run);
    before_texts.insert(before_texts.begin(), "BNEW:");
    EXPECT_EQ(before_texts, after_texts);
    EXPECT_EQ(std::vector<std::string>({"LPT3:"}), TickedPorts());
    ExpectSinkHolds("spool-lpt3.bin", file);
    ExpectSinkSpoilt("spool-lpt1.bin");
    ExpectSinkSpoilt("spool-lpt2.bin");
    ExpectQueueJobs(before, {});
    EXPECT_EQ(0u, Quit(BY_EXIT_BUTTON));
}

/* A mapping the spooler cannot deliver to: a folder that does not exist,
   and a command that fails. Wine ends such a job with an error, which the
   program reports for that port before it goes on to the next. */
TEST_F(EndToEndSpool, UndeliverableJobIsAWriteErrorAndTheNextPortIsSent)
{
    const char *targets[] = {"/nonexistent/folder/lpt1.bin", "|exit 3"};
    BED_FILE file = MakeFile("undeliverable.prn", Chunk + 1, 1000);
    ASSERT_NO_FATAL_FAILURE(Start(file.path, {"LPT1:", "LPT2:"}));
    bool shot = false;
    for (const char *target : targets) {
        SCOPED_TRACE(target);
        ASSERT_NO_FATAL_FAILURE(MapSpooler("LPT1:", target));
        ASSERT_TRUE(SpoilSink("spool-lpt2.bin"));

        RUN_RECORD record = Go(120000, nullptr, [&](HWND box) {
            if (!shot)
                Screenshot("write-error-box.png", box);
            shot = true;
        });

        ExpectBoxes(record, {{"Write to Printer Error", "Error writing to LPT1:! Please check your printer connection.",
                              run.mainWindow, "Error"}});
        ExpectIdle(record);
        ExpectProgressInOrder(record, {"LPT1:", "LPT2:"});
        ExpectSinkHolds("spool-lpt2.bin", file);
    }
    EXPECT_EQ(0u, Quit(BY_CLOSE_BOX));
}

/* ---- Port devices written directly ("direct" profile: no driver) ---- */

TEST_F(EndToEndDirect, PortDeviceGetsEachFileByteExact)
{
    std::vector<BED_FILE> files;
    for (uint64_t size : Sizes)
        files.push_back(MakeFile("direct-" + std::to_string(size) + ".prn", size, 1100 + (unsigned)size));
    ASSERT_NO_FATAL_FAILURE(Start(files[0].path, {"LPT1:"}));
    for (const BED_FILE &file : files) {
        SCOPED_TRACE(file.size);
        /* A device is written from its start and never cut short. */
        ASSERT_TRUE(EmptySink("device-lpt1.bin"));
        ASSERT_NO_FATAL_FAILURE(SetFileName(file.path));
        RUN_RECORD record = Go();
        ExpectCleanRun(record, {"LPT1:"});
        ExpectSinkHolds("device-lpt1.bin", file);
    }
    EXPECT_EQ(0u, Quit(BY_EXIT_BUTTON));
}

TEST_F(EndToEndDirect, TwoPortDevicesInOneRun)
{
    ASSERT_TRUE(EmptySink("device-lpt1.bin"));
    ASSERT_TRUE(EmptySink("device-lpt2.bin"));
    BED_FILE file = MakeFile("two-devices.prn", 2 * Chunk + 5, 1200);
    ASSERT_NO_FATAL_FAILURE(Start(file.path, {"LPT1:"}));
    ASSERT_NO_FATAL_FAILURE(SetTicked("LPT2:", true, BY_DOUBLE_CLICK));

    RUN_RECORD record = Go();

    ExpectCleanRun(record, {"LPT1:", "LPT2:"});
    ExpectSinkHolds("device-lpt1.bin", file);
    ExpectSinkHolds("device-lpt2.bin", file);
    EXPECT_EQ(0u, Quit(BY_CLOSE_BOX));
}

/* Two ways a port's device is missing. A listed port with no device at all
   cannot be opened. A device link whose target file is gone opens under
   Wine, as a handle of unknown type, and the first write fails: the port
   box is then followed by the write error's. Either way the next ticked
   port is sent. */
TEST_F(EndToEndDirect, MissingDeviceIsAPrinterErrorAndTheNextPortIsSent)
{
    const struct {
        const char *what;
        const char *failing;
        bool targetGone;
        std::vector<std::string> boxes;
    } cases[] = {
        {"a listed port with no device", "BNOWHERE:", false,
         {"Printer Error: Could not print to BNOWHERE:! Please check your printer connection."}},
        {"a device link to a file that is gone", "LPT1:", true,
         {"Printer Error: Could not print to LPT1:! Please check your printer connection.",
          "Write to Printer Error: Error writing to LPT1:! Please check your printer connection."}},
    };
    BED_FILE file = MakeFile("no-device.prn", Chunk + 1, 1300);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.targetGone) {
            undos.push_back([] { EmptySink("device-lpt1.bin"); });
            ASSERT_TRUE(DeleteFileA(SinkWindowsPath("device-lpt1.bin").c_str()));
        } else {
            ASSERT_NO_FATAL_FAILURE(AddPort(c.failing));
        }
        ASSERT_TRUE(EmptySink("device-lpt2.bin"));
        ASSERT_NO_FATAL_FAILURE(Start(file.path, {c.failing, "LPT2:"}));

        RUN_RECORD record = Go();

        EXPECT_EQ(c.boxes, BoxTexts(record));
        for (const SEEN_BOX &box : record.boxes)
            EXPECT_EQ(run.mainWindow, box.owner);
        ExpectIdle(record);
        ExpectProgressInOrder(record, {c.failing, "LPT2:"});
        ExpectSinkHolds("device-lpt2.bin", file);
        if (c.targetGone) {
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(SinkWindowsPath("device-lpt1.bin").c_str()))
                << "the missing target was made";
        }
        EXPECT_EQ(0u, Quit(BY_EXIT_BUTTON));
        TearDown();
        SetUp();
    }
}

/* On this road the port is opened before the file is looked at, so the
   port's box comes first. */
TEST_F(EndToEndDirect, MissingFileNamesThePortThenStopsTheRun)
{
    ASSERT_TRUE(SpoilSink("device-lpt1.bin"));
    ASSERT_TRUE(SpoilSink("device-lpt2.bin"));
    std::string missing = BedWindowsPath("e2e/missing.prn");
    DeleteFileA(missing.c_str());
    ASSERT_NO_FATAL_FAILURE(Start(missing, {"LPT1:", "LPT2:"}));

    RUN_RECORD record = Go();

    ExpectBoxes(record, {{"Printer Error", "Could not print to LPT1:! Please check your printer connection.",
                          run.mainWindow, ""},
                         {"Input File Error", "Selected Filename is invalid!\nPlease check validity of the file.",
                          run.mainWindow, ""}});
    ExpectIdle(record);
    ExpectSinkSpoilt("device-lpt1.bin");
    ExpectSinkSpoilt("device-lpt2.bin");
    EXPECT_EQ(0u, Quit(BY_CLOSE_BOX));
}

/* ---- A large file ("spool" profile) ---- */

TEST_F(EndToEndLarge, A256MiBFileShowsGrowingProgressAndArrivesWhole)
{
    BED_FILE file = MakeFile("large.prn", 256ull << 20, 256);
    ASSERT_FALSE(file.sha256.empty());
    ASSERT_NO_FATAL_FAILURE(Start(file.path, {BedQueuePortName()}));
    int before = CountListenerJobs();

    bool shot = false;
    RUN_RECORD record = Go(900000, [&](const std::string &status) {
        std::string port;
        int percent;
        if (!shot && ParseProgress(status, &port, &percent) && percent >= 40 && percent < 100) {
            Screenshot("large-file-sending.png");
            shot = true;
        }
    });
    DeleteFileA(file.path.c_str());

    ExpectCleanRun(record, {BedQueuePortName()});
    std::vector<int> percents;
    for (const std::string &text : record.statusTexts) {
        std::string port;
        int percent;
        if (ParseProgress(text, &port, &percent) && percent >= 0)
            percents.push_back(percent);
    }
    ASSERT_FALSE(percents.empty()) << "no progress seen";
    EXPECT_EQ(100, percents.back()) << "the last progress seen";
    printf("percentages seen during the run: %u, the first %d\n", (unsigned)percents.size(), percents.front());
    ExpectListenerJob(before + 1, file, 600000);
    /* The listener's copy is 256 MiB of disk. */
    char job[16];
    snprintf(job, sizeof(job), "%04d.bin", before + 1);
    DeleteFileA(BedWindowsPath(std::string("jobs/raw/") + job).c_str());
    EXPECT_EQ(0u, Quit(BY_EXIT_BUTTON));
}
