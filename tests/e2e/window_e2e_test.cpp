/* The released program end to end: a copy of vantrel.exe started on the
   test bed and worked only from outside, as a user would. What arrives at
   each far end is compared with the file by SHA-256:
     installed queue   the listener behind the raw CUPS queue, one job each
     temporary queue   the file (or command) LPTn:'s spooler mapping names
     direct            the file LPTn:'s device leads to ("direct" profile)
   Tests of fixture Both run in either profile and use its roads; Spool's
   need the queue. This process never loads the spooler (checked after each
   test): Wine counts jobs per process and syncs its printers with CUPS only
   while no process holds the spooler. */
#include "bed_test.h"
#include "resource.h"
#include "version.h"

#include <algorithm>
#include <map>

namespace {

const std::string Invalid = "Input File Error|Selected Filename is invalid!\nPlease check validity of the file.|main|Ready";

/* "Writing to PORT" (percent -1) or "Writing to PORT\t\tN% Completed". */
bool ParseProgress(const std::string &text, std::string *port, int *percent)
{
    size_t tabs = text.find("\t\t");
    if (text.rfind("Writing to ", 0) != 0)
        return false;
    *port = text.substr(11, tabs == std::string::npos ? tabs : tabs - 11);
    *percent = tabs == std::string::npos ? -1 : atoi(text.c_str() + tabs + 2);
    return tabs == std::string::npos ||
           (*percent >= 0 && *percent <= 100 && text.substr(tabs) == "\t\t" + std::to_string(*percent) + "% Completed");
}

class Both : public BedTest {
protected:
    /* The file is set first: the driver syncs through the edit's text. */
    void Start(const std::string &file, const std::vector<std::string> &ticked = None)
    {
        ASSERT_TRUE(StartApp(exe, &app)) << "no main window within " << START_DEADLINE << " ms";
        if (!file.empty()) {
            SendMessageA(Control(app, IDC_FILENAME), WM_SETTEXT, 0, (LPARAM)file.c_str());
            ASSERT_EQ(file, Text(Control(app, IDC_FILENAME)));
        }
        for (const std::string &port : ticked)
            ASSERT_NO_FATAL_FAILURE(Tick(port, true, BY_CHECK_BOX));
        ASSERT_EQ(ticked, Ticked());
    }

    void Tick(const std::string &port, bool ticked, TICK_BY how)
    {
        std::vector<std::string> ports = PortTexts(app);
        int row = (int)(std::find(ports.begin(), ports.end(), port) - ports.begin());
        ASSERT_LT(row, (int)ports.size()) << port << " is not listed: " << ::testing::PrintToString(ports);
        if ((PortCheck(app, row) == 2) != ticked) {
            ASSERT_TRUE(TogglePort(app, row, how)) << port << ": the tick did not follow the input " << how;
        }
    }

    std::vector<std::string> Ticked()
    {
        std::vector<std::string> ports = PortTexts(app), ticked;
        for (size_t row = 0; row < ports.size(); ++row)
            if (PortCheck(app, (int)row) == 2)
                ticked.push_back(ports[row]);
        return ticked;
    }

    /* A run, and after it: these boxes ("caption|text|owner|status",
       status "*" for any), the program idle and enabled (the focus back in
       the file edit after an invalid name), and every progress text one of
       a ticked port, in list order, each port once, never going back (the
       last percentage seen of each is kept in lastPercent). */
    void Go(const std::vector<std::string> &tried, const std::vector<std::string> &boxes,
            const std::function<void(const std::string &)> &onStatus = nullptr)
    {
        RUN_RECORD record;
        EXPECT_TRUE(RunAndWatch(app, &record, onStatus)) << "the run did not end within " << RUN_DEADLINE << " ms";
        SCOPED_TRACE("status texts seen: " + ::testing::PrintToString(record.statusTexts));
        std::vector<std::string> seen = record.boxes;
        for (size_t i = 0; i < seen.size() && i < boxes.size(); ++i)
            if (boxes[i].back() == '*')
                seen[i] = seen[i].substr(0, seen[i].rfind('|') + 1) + "*";
        EXPECT_EQ(boxes, seen);
        EXPECT_FALSE(record.enabledMidRun) << "the main window was enabled while a transfer showed";
        ASSERT_FALSE(record.statusTexts.empty());
        EXPECT_EQ("Ready", record.statusTexts.back());
        for (int id : {IDC_PORTLIST, IDC_FILENAME, IDOK, IDCANCEL, IDC_BROWSE})
            EXPECT_TRUE(IsWindowEnabled(Control(app, id))) << "control " << id << " is disabled after the run";
        if (!boxes.empty() && boxes.back() == Invalid) {
            GUITHREADINFO info = {};
            info.cbSize = sizeof(info);
            EXPECT_TRUE(WaitUntil(START_DEADLINE, [&] {
                return GetGUIThreadInfo(app.process.dwThreadId, &info) && info.hwndFocus == Control(app, IDC_FILENAME);
            })) << "the focus is not back in the file edit";
        }
        size_t next = 0;    /* tried[next - 1]: the port whose progress showed last */
        lastPercent.clear();
        for (const std::string &text : record.statusTexts) {
            std::string port;
            int percent;
            if (text == "Ready" || text == "Error")
                continue;
            ASSERT_TRUE(ParseProgress(text, &port, &percent)) << "not a status text of the program: " << ::testing::PrintToString(text);
            if (next == 0 || tried[next - 1] != port) {
                auto found = std::find(tried.begin() + next, tried.end(), port);
                ASSERT_TRUE(found != tried.end()) << port << " written to out of order, again or unticked";
                next = found - tried.begin() + 1;
                lastPercent[port] = -1;
            }
            EXPECT_GE(percent, lastPercent[port]) << "the progress of " << port << " went back";
            lastPercent[port] = percent;
        }
    }

    DWORD Quit(HWND window, UINT message, WPARAM wParam)
    {
        PostMessageA(window, message, wParam, 0);
        DWORD exitCode = 1000;
        EXPECT_TRUE(WaitForSingleObject(app.process.hProcess, START_DEADLINE) == WAIT_OBJECT_0 &&
                    GetExitCodeProcess(app.process.hProcess, &exitCode)) << "still running";
        EndApp(&app);
        return exitCode;
    }

    std::map<std::string, int> lastPercent;
};

typedef Both Spool;   /* needs the installed queue */

}  // namespace

/* Characters of no single ANSI code page (Cyrillic, CJK, an emoji) in the
   names of a file and its folder beside the program: offered at start.
   The limit of a path is the system's, MAX_PATH - 1 characters (UTF-16
   units), not bytes: one with a unit more, by a four-byte character that
   counts two, is refused as an invalid name (it exists), never cut; one of
   that many three-byte characters is chosen in the open-file dialog and
   sent on each road. (Ports so named: the failure table.) */
TEST_F(Both, AnyFileNameIsOfferedChosenAndSentUpToTheCharacterLimit)
{
    /* Folders of three-byte characters under the test's, each with its
       separator 80 units, down to a file of MAX_PATH - 1 units ending in
       "件"; the same name ending in an emoji, which counts two, is a unit
       over. */
    std::string run, stem = folder;     /* run: 80 of them */
    for (int i = 0; i < 80; ++i)
        run += "固";
    size_t left = MAX_PATH - 1 - BedPath(folder).size() - 6;
    for (; left > 80; left -= 80) {
        stem += "/" + run.substr(0, 3 * 79);
        CreateDirectoryA(BedPath(stem).c_str(), NULL);
    }
    stem += "/" + run.substr(0, 3 * left);
    std::string fits = stem + "件.prn", over = stem + "😀.prn";
    BED_FILE file = MakeBedFile(fits, Chunk + 1);
    ASSERT_TRUE(RunUnixCommand("cp '" + BedUnixPath(fits) + "' '" + BedUnixPath(over) + "'", START_DEADLINE));
    ASSERT_GT(BedPath(fits).size(), 2u * MAX_PATH) << "not a path of many bytes";
    std::string beside = folder + "/Прошивка 固件 😀";
    CreateDirectoryA(BedPath(beside).c_str(), NULL);
    std::string offered = MakeBedFile(beside + "/обновление 😀.prn", 10).path;
    exe = CopyExeTo(beside);

    std::vector<std::string> ports = {"LPT1:"}, refused = {Invalid};
    if (spool)
        ports.insert(ports.begin(), QueuePort());
    else
        refused.insert(refused.begin(), "Printer Error|Could not print to LPT1:! Please check your printer connection.|main|Ready");
    ASSERT_NO_FATAL_FAILURE(FillSinks(None, {"LPT1:"}));
    int before = CountListenerJobs();
    ASSERT_NO_FATAL_FAILURE(Start("", ports));
    EXPECT_EQ(offered, Text(Control(app, IDC_FILENAME))) << "not offered at start";
    EXPECT_TRUE(IsWindowEnabled(Control(app, IDOK))) << "Go does not follow the edit";
    EXPECT_EQ("Ready", StatusText(app));

    SendMessageA(Control(app, IDC_FILENAME), WM_SETTEXT, 0, (LPARAM)BedPath(over).c_str());
    ASSERT_EQ(BedPath(over), Text(Control(app, IDC_FILENAME)));
    Go(ports, refused);
    ExpectSinks(file.fingerprint, None, {"LPT1:"});

    PostMessageA(Control(app, IDC_BROWSE), BM_CLICK, 0, 0);
    HWND dialog = WaitForDialog(app);
    ASSERT_EQ("Open", Text(dialog)) << "no open-file dialog";
    SendMessageA(GetDlgItem(dialog, 0x47c), WM_SETTEXT, 0, (LPARAM)file.path.c_str());
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitForClose(dialog)) << "the open-file dialog stayed";
    ASSERT_EQ(file.path, Text(Control(app, IDC_FILENAME))) << "the open-file dialog's choice is not in the edit";
    Go(ports, None);
    ExpectSinks(file.fingerprint, {"LPT1:"}, None);
    if (spool) {
        EXPECT_EQ(std::vector<std::string>{file.fingerprint}, QueueJobsSince(before));
    }
    EXPECT_EQ(0u, Quit(Control(app, IDCANCEL), BM_CLICK, 0));
}

/* Every failure a run can meet on the bed, in both front ends: the
   window's boxes (caption, text, owner, status while up); the console's
   result lines, its messages (the boxes' texts in their order) and exit
   code. And the stop rule: a failing port moves on to the next, a failing
   input file stops the run. */
TEST_F(Both, FailuresShowTheirBoxesAndStopOnlyForTheFile)
{
    enum FILE_STATE { GOOD, MISSING, HELD };
    /* Ports named with characters of no single ANSI code page show in the
       status, the boxes and the console's lines as they are named; one
       named like a format is never taken as one. */
    const std::string q = QueuePort(), size = std::to_string(Chunk + 1), named = "ПОРТ-日本-😀:";
    const std::string nowhere = "B NOWHERE%s%n-日本-😀:", gone = "BGONE%s%n:";
    const struct {
        const char *what, *profile;
        FILE_STATE file;
        std::vector<std::string> ticked;
        std::function<void()> beforeStart;  /* and beforeGo: a change to the bed */
        std::vector<std::string> boxes, sent, spared;
        int exitCode;                       /* the console's; -1: the window's case alone */
        std::vector<std::string> out = {};  /* the console's result lines */
        std::function<void()> beforeGo = [] {};
        std::vector<std::string> tickedAfter = {}, listAfter = {};
    } cases[] = {
        {"no port ticked", "spool", GOOD, {}, [] {},
         {"Selection Error|No ports are selected! Please select a port.|main|Ready"}, {}, {"LPT1:", "LPT2:"}, -1},
        {"a missing file", "spool", MISSING, {q, "LPT1:"}, [] {}, {Invalid}, {}, {"LPT1:"},
         2, {q + "\tfailed\t0\tqueue"}},
        {"a file held open by another program", "spool", HELD, {q, "LPT1:"}, [] {},
         {"Input File Error|Input file can't be opened!|main|Ready"}, {}, {"LPT1:"}, 2, {q + "\tfailed\t0\tqueue"}},
        {"temporary printers whose jobs cannot be delivered", "spool", GOOD, {"LPT1:", "LPT2:", named},
         [&] {
             MapSpooler("LPT1:", "|exit 3");
             PortAdded(named);
         },
         {"Write to Printer Error|Error writing to LPT1:! Please check your printer connection.|main|Error",
          "Write to Printer Error|Error writing to " + named + "! Please check your printer connection.|main|Error"},
         {"LPT2:"}, {}, 1, {"LPT1:\tfailed\t" + size + "\ttemporary", "LPT2:\tsent\t" + size + "\ttemporary",
                            named + "\tfailed\t" + size + "\ttemporary"}},
        /* BGONE…: and BOLD: go, the first ticked and named like a format;
           ANEW: and BNEW: come above the ticked LPT2:. */
        {"a ticked and an unticked port that vanished, two that appeared", "spool", GOOD, {gone, "LPT2:"},
         [&] {
             PortAdded(gone);
             PortAdded("BOLD:");
         },
         {"Port Error|Selected Port " + gone + " is no longer valid!|none|Ready"}, {"LPT2:"}, {"LPT1:"}, -1, {},
         [&] {
             PortRemoved(gone);
             PortRemoved("BOLD:");
             PortAdded("ANEW:");
             PortAdded("BNEW:");
         },
         {"LPT2:"}, {"ANEW:", "BNEW:", q, "LPT1:", "LPT2:", "LPT3:"}},
        {"a port device that cannot be opened", "direct", GOOD, {nowhere, "LPT1:"}, [&] { PortAdded(nowhere); },
         {"Printer Error|Could not print to " + nowhere + "! Please check your printer connection.|main|Ready"},
         {"LPT1:"}, {}, 1, {nowhere + "\tfailed\t0\tdevice", "LPT1:\tsent\t" + size + "\tdevice"}},
        {"a missing file on the direct road", "direct", MISSING, {"LPT1:", "LPT2:"}, [] {},
         {"Printer Error|Could not print to LPT1:! Please check your printer connection.|main|Ready", Invalid},
         {}, {"LPT1:", "LPT2:"}, 2, {"LPT1:\tfailed\t0\tdevice"}},
    };
    BED_FILE good = MakeBedFile(folder + "/good.prn", Chunk + 1);
    int before = CountListenerJobs();
    for (const auto &c : cases) {
        if (BedProfile() != c.profile)
            continue;
        SCOPED_TRACE(c.what);
        ASSERT_NO_FATAL_FAILURE(FillSinks(c.sent, c.spared));
        ASSERT_NO_FATAL_FAILURE(c.beforeStart());
        std::string path = c.file == MISSING ? BedPath(folder + "/missing.prn") : good.path;
        ASSERT_NO_FATAL_FAILURE(Start(path, c.ticked));
        ASSERT_NO_FATAL_FAILURE(c.beforeGo());
        HANDLE held = c.file != HELD ? INVALID_HANDLE_VALUE
                    : CreateFileA(good.path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        ASSERT_EQ(c.file == HELD, held != INVALID_HANDLE_VALUE);

        Go(c.ticked, c.boxes);
        ExpectSinks(good.fingerprint, c.sent, c.spared);
        EXPECT_EQ(c.tickedAfter.empty() ? c.ticked : c.tickedAfter, Ticked());
        if (!c.listAfter.empty()) {
            EXPECT_EQ(c.listAfter, PortTexts(app));
        }
        EXPECT_EQ(0u, Quit(app.mainWindow, WM_CLOSE, 0));

        if (c.exitCode >= 0) {
            ASSERT_NO_FATAL_FAILURE(FillSinks(c.sent, c.spared));
            std::vector<std::string> arguments = {path};
            arguments.insert(arguments.end(), c.ticked.begin(), c.ticked.end());
            std::string messages;
            for (const std::string &box : c.boxes) {
                size_t text = box.find('|') + 1;
                messages += box.substr(text, box.find('|', text) - text) + "\n";
            }
            CONSOLE_RUN run = Send(arguments);
            EXPECT_EQ(c.exitCode, (int)run.exitCode);
            EXPECT_EQ(c.out, run.out);
            EXPECT_EQ(messages, run.err);
            ExpectSinks(good.fingerprint, c.sent, c.spared);
        }
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
        Undo();
    }
    if (spool) {
        EXPECT_EQ(None, QueueJobsSince(before));
    }
}

/* A large file goes once to the ports left ticked, however they were
   ticked (check box or double click; the space bar is the list view's
   own): the temporary printers' mappings append, so a second job would
   show. A close request of any
   kind during the run (WM_CLOSE, the system menu's Close, "Exit") is
   ignored on every road; the run ends whole, and a close afterwards ends
   the program with 0. */
TEST_F(Both, TheTickedPortsGetALargeFileOnceWhileCloseRequestsWait)
{
    std::vector<std::string> ports = {"LPT1:"};
    if (spool) {
        ports.insert(ports.begin(), QueuePort());
        for (const char *port : {"LPT1:", "LPT2:"})
            ASSERT_NO_FATAL_FAILURE(MapSpooler(port, "|cat >> '" + BedUnixPath("sinks/" + SinkOf(port)) + "'"));
    }
    ASSERT_NO_FATAL_FAILURE(FillSinks({"LPT1:"}, {"LPT2:"}));
    /* The direct road writes about a gigabyte a second here: its file is
       large enough for the requests to be handled while it still runs. */
    BED_FILE file = MakeBedFile(folder + "/large.prn", spool ? 256ull << 20 : 1ull << 30);
    ASSERT_NO_FATAL_FAILURE(Start(file.path, {ports[0]}));
    const struct {
        std::string port;
        bool tick;
        TICK_BY how;
    } steps[] = {
        {"LPT2:", true, BY_CHECK_BOX}, {"LPT2:", false, BY_DOUBLE_CLICK}, {"LPT2:", true, BY_DOUBLE_CLICK},
        {"LPT2:", false, BY_CHECK_BOX}, {"LPT1:", true, BY_DOUBLE_CLICK},
    };
    for (const auto &step : steps)
        ASSERT_NO_FATAL_FAILURE(Tick(step.port, step.tick, step.how));
    ASSERT_EQ(ports, Ticked());
    int before = CountListenerJobs();
    std::vector<std::string> closedDuring;

    Go(ports, None, [&](const std::string &status) {
        std::string port, now;
        int percent;
        if (!ParseProgress(status, &port, &percent) || (!closedDuring.empty() && closedDuring.back() == port))
            return;
        PostMessageA(app.mainWindow, WM_CLOSE, 0, 0);
        PostMessageA(app.mainWindow, WM_SYSCOMMAND, SC_CLOSE, 0);
        PostMessageA(Control(app, IDCANCEL), BM_CLICK, 0, 0);
        /* Handled while this port's transfer still showed? */
        if (SyncWithApp(app) && ParseProgress(StatusText(app), &now, &percent) && now == port)
            closedDuring.push_back(port);
    });

    EXPECT_EQ(ports, closedDuring) << "the close requests were not handled during each transfer";
    for (const std::string &port : ports)
        EXPECT_GE(lastPercent[port], spool ? 100 : 0) << port << ": the last progress seen";
    ExpectSinks(file.fingerprint, {"LPT1:"}, {"LPT2:"});
    if (spool) {
        EXPECT_EQ(std::vector<std::string>{file.fingerprint}, QueueJobsSince(before));
    }
    EXPECT_EQ(0u, Quit(app.mainWindow, WM_CLOSE, 0));
    DeleteFileA(file.path.c_str());
    FillSinks({"LPT1:"}, None);
}

/* Today's queues may have an XPS-based driver, which passes a job of data
   type XPS_PASS on unchanged and swallows a RAW one. The bed's own driver
   is XPS-based by its dependent files and comes first among the installed
   ones; the queue vantrel_xps is pointed at it, and the bed's print
   processor takes winprint's place (Wine's takes RAW only), recording each
   job's data type. The list says which goes where; the XPS queue and a
   temporary printer get XPS_PASS, the raw queue RAW, in both front ends,
   and every far end the exact bytes. */
TEST_F(Spool, XpsBasedDriversGetXpsPassAndOthersRaw)
{
    const bool x64 = sizeof(void *) == 8;
    static const std::string print = "System\\CurrentControlSet\\Control\\Print\\",
        environment = print + "Environments\\" + (x64 ? "Windows x64" : "Windows NT x86"),
        driver = environment + "\\Drivers\\Version-3\\Vantrel XPS", queue = print + "Printers\\vantrel_xps",
        processor = environment + "\\Print Processors\\winprint";
    const std::string log = "C:\\windows\\temp\\vantrel-datatypes.txt";
    ASSERT_EQ(0u, Send({"--list"}).exitCode) << "Wine makes its printers from the CUPS queues at a start";
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, driver.c_str(), 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL));
    undos.push_back([] { RegDeleteKeyA(HKEY_LOCAL_MACHINE, driver.c_str()); });
    static const char files[] = "C:\\drivers\\filter.dll\0C:\\drivers\\PipelineConfig.xml\0";
    RegSetValueExA(key, "Dependent Files", 0, REG_MULTI_SZ, (const BYTE *)files, sizeof files);
    RegCloseKey(key);
    ASSERT_NO_FATAL_FAILURE(Changed({HKEY_LOCAL_MACHINE, queue.c_str()}, "Printer Driver", "Vantrel XPS"));
    ASSERT_NO_FATAL_FAILURE(PortAdded("CUPS:vantrel_xps"));
    std::string dll = std::string("C:\\windows\\system32\\spool\\prtprocs\\") + (x64 ? "x64" : "w32x86") + "\\vantrelpp.dll";
    ASSERT_TRUE(CopyFileA(WindowsPath(getenv("VANTREL_PRINT_PROCESSOR")).c_str(), dll.c_str(), FALSE));
    ASSERT_NO_FATAL_FAILURE(Changed({HKEY_LOCAL_MACHINE, processor.c_str()}, "Driver", "vantrelpp.dll"));
    DeleteFileA(log.c_str());

    std::vector<std::string> listed = {QueuePort() + "\tqueue\tvantrel_raw\tRAW", "CUPS:vantrel_xps\tqueue\tvantrel_xps\tXPS_PASS"};
    for (const char *port : {"LPT1:", "LPT2:", "LPT3:"})
        listed.push_back(port + std::string("\ttemporary\tVantrel XPS\tXPS_PASS"));
    EXPECT_EQ(listed, Send({"--list"}).out);
    BED_FILE file = MakeBedFile(folder + "/firmware.bin", Chunk + 1);
    int raw = CountListenerJobs("raw"), xps = CountListenerJobs("xps");
    std::vector<std::string> ports = {QueuePort(), "CUPS:vantrel_xps", "LPT1:"};
    ASSERT_NO_FATAL_FAILURE(FillSinks(None, {"LPT1:"}));
    ASSERT_NO_FATAL_FAILURE(Start(file.path, ports));
    Go(ports, None);
    ExpectSinks(file.fingerprint, {"LPT1:"}, None);
    ASSERT_NO_FATAL_FAILURE(FillSinks(None, {"LPT1:"}));
    EXPECT_EQ(0u, Send({file.path, QueuePort(), "CUPS:vantrel_xps", "LPT1:"}).exitCode);
    ExpectSinks(file.fingerprint, {"LPT1:"}, None);
    for (int run = 1; run <= 2; ++run) {
        EXPECT_EQ(file.fingerprint, ListenerJob(raw + run, RUN_DEADLINE, "raw")) << run;
        EXPECT_EQ(file.fingerprint, ListenerJob(xps + run, RUN_DEADLINE, "xps")) << run;
    }
    const std::string datatypes = "vantrel_raw\tRAW\nvantrel_xps\tXPS_PASS\nTemporary Printer_1\tXPS_PASS\n";
    EXPECT_EQ(datatypes + datatypes, ReadBedFile(log));
}

/* The file is cut from the Unix side (Windows opens honour the program's
   share mode 0) once the first chunks have gone. The run hands every
   change of its percentage to the window's thread and waits until that
   thread has taken it, so with that thread held the run cannot get past
   its next percent (a few chunks) before the cut. */
TEST_F(Spool, AFileCutShortDuringTheRunIsAReadError)
{
    std::string path = BedPath(folder + "/cut.prn"), unixPath = BedUnixPath(folder + "/cut.prn");
    ASSERT_TRUE(RunUnixCommand("truncate -s 256M '" + unixPath + "'", START_DEADLINE));
    ASSERT_NO_FATAL_FAILURE(Start(path, {QueuePort()}));
    int before = CountListenerJobs();
    bool cut = false;

    Go({QueuePort()}, {"Input File Read Error|Selected file could not be read|main|*"}, [&](const std::string &status) {
        std::string port;
        int percent;
        if (cut || !ParseProgress(status, &port, &percent) || percent < 1)
            return;
        ASSERT_LT(percent, 90) << "the run was nearly done before it was seen";
        SuspendThread(app.process.hThread);
        cut = RunUnixCommand("truncate -s 4M '" + unixPath + "'", START_DEADLINE);
        ResumeThread(app.process.hThread);
    });

    ASSERT_TRUE(cut) << "truncate did not run";
    /* Wine hands even an aborted job to CUPS; it must be delivered before
       the next test counts jobs. */
    QueueJobsSince(before);
    EXPECT_EQ(0u, Quit(app.mainWindow, WM_CLOSE, 0));
    DeleteFileA(path.c_str());
}

TEST_F(Spool, WithoutAnyPortTheProgramSaysSoAndEndsWithZero)
{
    for (const auto &port : ListKey(PortsKey, false))
        ASSERT_NO_FATAL_FAILURE(PortRemoved(port.first));
    ASSERT_TRUE(StartApp(exe, &app, false));
    HWND box = WaitForDialog(app);
    ASSERT_TRUE(box != NULL) << "no box";
    EXPECT_EQ("Printer List Initalisation Error", Text(box));
    EXPECT_EQ("Printer List could not be initialised! Program terminated.", Text(GetDlgItem(box, 0xFFFF)));
    HWND hidden = FindAppWindow(app, "FirmwareUpdate", false);
    EXPECT_TRUE(hidden != NULL && GetWindow(box, GW_OWNER) == hidden) << "not owned by the hidden main window";
    EXPECT_EQ(0u, Quit(GetDlgItem(box, IDOK), BM_CLICK, 0));
}

/* Without a *.prn beside the program the edit starts empty and Go
   disabled. The menu's "&About" and the logo open the same box with the
   product's name, version ("v1.1" from resources/version.h) and copyright,
   which it reads from the exe's own version block. The system menu's Close
   ends the program with 0. */
TEST_F(Spool, WithoutAPrnGoWaitsAndTheAboutBoxShowsTheVersionBlock)
{
    MakeBedFile(folder + "/notes.txt", 10);
    ASSERT_NO_FATAL_FAILURE(Start(""));
    EXPECT_EQ("", Text(Control(app, IDC_FILENAME))) << "a file not *.prn offered";
    EXPECT_FALSE(IsWindowEnabled(Control(app, IDOK))) << "Go does not follow the edit";
    EXPECT_EQ("Ready", StatusText(app));
    for (int opener : {IDM_ABOUT, IDC_LOGO}) {
        SCOPED_TRACE(opener);
        if (opener == IDM_ABOUT)
            PostMessageA(app.mainWindow, WM_COMMAND, IDM_ABOUT, 0);
        else
            PostMessageA(Control(app, IDC_LOGO), BM_CLICK, 0, 0);
        HWND box = WaitForDialog(app);
        ASSERT_TRUE(box != NULL) << "no About box";
        EXPECT_EQ(app.mainWindow, GetWindow(box, GW_OWNER));
        EXPECT_EQ("Vantrel", Text(GetDlgItem(box, IDC_UTILITY_NAME)));
        EXPECT_EQ(VANTREL_PRODUCT_VERSION_TEXT, Text(GetDlgItem(box, IDC_VERSION)));
        EXPECT_EQ("Copyright (C) 2026 Vantrel Project", Text(GetDlgItem(box, IDC_COPYRIGHT)));
        PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitForClose(box)) << "OK did not close the box";
    }
    EXPECT_EQ(0u, Quit(app.mainWindow, WM_SYSCOMMAND, SC_CLOSE));
}
