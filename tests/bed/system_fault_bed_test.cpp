/* Faults of the real system, as far as the program can see them on the
   test bed: a temporary printer whose spooler mapping is a command that
   fails or stops reading, or a file that cannot be written; a port taken
   out of the spooler's list while the program runs; a port device whose
   target cannot be opened. Each run ticks the failing port and a good one:
   the failing one must be reported, never sent "successfully", the good
   one must still get every byte, and the window must be given back and
   work for the next run.

   What Wine's spooler hides is covered through the seam instead (the fault
   schedules): EndDocPrinter was seen to return TRUE with cupsd unreachable
   although the job was lost; WritePrinter always takes every byte, and
   StartPagePrinter always succeeds. */
#include "bed.h"
#include "message_boxes.h"
#include "port_list_host.h"
#include "ports.h"
#include "seam_test.h"
#include "send.h"
#include "send_windows.h"
#include "shell.h"

#include <winspool.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

class SystemFault : public SeamTest {
protected:
    void SetUp() override
    {
        SeamTest::SetUp();
        ForgetPortTable();
        RecordMessageBoxes();
        CreateDirectoryA(BedWindowsPath("send").c_str(), NULL);
        windows.reset(new SendWindows());
        ShowWindow(windows->main, SW_SHOW);
    }

    void TearDown() override
    {
        ForgetPortTable();
        windows.reset();
        SeamTest::TearDown();
    }

    /* Fresh windows (one set at a time: the old one's end clears the
       shell's handles) with the list as the spooler has it now. */
    void ShowPorts()
    {
        ForgetPortTable();
        windows.reset();
        windows.reset(new SendWindows());
        ShowWindow(windows->main, SW_SHOW);
        ASSERT_TRUE(InitPortList(windows->main));
    }

    void Tick(const std::vector<std::string> &ports)
    {
        std::vector<std::string> items = ListTexts(0);
        for (int i = 0; i < (int)items.size(); ++i)
            SetPortCheckState(i, std::find(ports.begin(), ports.end(), items[i]) != ports.end() ? PORT_CHECKED
                                                                                               : PORT_UNCHECKED);
        for (const std::string &port : ports)
            EXPECT_TRUE(std::find(items.begin(), items.end(), port) != items.end()) << port << " is not listed";
    }

    /* One press of "Go"; the boxes it showed, as "caption: text". */
    std::vector<std::string> Go(const std::string &path)
    {
        windows->SetFileName(path);
        windows->statusTexts.clear();
        MessageBoxes.clear();
        EXPECT_TRUE(windows->RunSend());
        EXPECT_EQ(windows->statusTexts.empty() ? "" : windows->statusTexts.back(), "Ready");
        for (HWND control : {windows->main, windows->edit, windows->list, GoButtonWindow, ExitButtonWindow,
                             BrowseButtonWindow})
            EXPECT_TRUE(IsWindowEnabled(control));
        std::vector<std::string> boxes;
        for (const RECORDED_MESSAGE_BOX &box : MessageBoxes)
            boxes.push_back(box.caption + ": " + box.text);
        return boxes;
    }

    std::unique_ptr<SendWindows> windows;
};

void ExpectSinkHolds(const std::string &sink, uint64_t size, const std::string &sha256)
{
    uint64_t got = 0;
    std::string hash;
    ASSERT_TRUE(HashSink(sink, &got, &hash)) << sink;
    EXPECT_EQ(got, size) << sink;
    EXPECT_EQ(hash, sha256) << sink;
}

std::vector<std::string> TemporaryPrinters()
{
    DWORD needed = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, NULL, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 1);
    std::vector<std::string> names;
    if (EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, buffer.data(), needed, &needed, &count))
        for (DWORD i = 0; i < count; ++i)
            if (strncmp(((PRINTER_INFO_2A *)buffer.data())[i].pPrinterName, "Temporary Printer", 17) == 0)
                names.push_back(((PRINTER_INFO_2A *)buffer.data())[i].pPrinterName);
    return names;
}

const std::string WriteError2 = "Write to Printer Error: Error writing to LPT2:! Please check your printer connection.";

} // namespace

class SystemFaultSpool : public SystemFault {};
class SystemFaultDirect : public SystemFault {};

/* LPT2:'s temporary printer delivers its job to a spooler mapping that
   fails; LPT1:'s to its sink. Wine's EndDocPrinter hands the job to the
   mapping and reports what came of it. */
TEST_F(SystemFaultSpool, TemporaryPrinterWhoseMappingFails)
{
    ASSERT_EQ(BedProfile(), "spool");
    const uint64_t size = 3 * SEND_CHUNK_SIZE + 11;    /* more than a pipe holds */
    std::string path = BedWindowsPath("send/mapping.prn");
    std::string sha256 = WriteTestFile(path, size, 71);
    std::string good = BedUnixPath("sinks/spool-lpt2.bin");
    struct {
        const char *what;
        std::string target;
    } cases[] = {
        {"a command that exits with 3", "|exit 3"},
        {"a command that stops reading after 1,000 bytes", "|head -c 1000 >/dev/null"},
        {"a command that reads everything, then exits with 1", "|cat >/dev/null; exit 1"},
        {"a file in a folder that does not exist", "/nonexistent/folder/lpt2.bin"},
        {"a folder", BedUnixPath("sinks")},
        {"a file that cannot be written", "/proc/version"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ShowPorts();
        Tick({"LPT2:", "LPT1:"});
        ASSERT_TRUE(EmptySink("spool-lpt1.bin"));
        ASSERT_TRUE(SetSpoolerMapping("LPT2:", c.target));

        std::vector<std::string> boxes = Go(path);

        EXPECT_EQ(boxes, std::vector<std::string>({WriteError2}));
        ExpectSinkHolds("spool-lpt1.bin", size, sha256);
        EXPECT_EQ(TemporaryPrinters(), std::vector<std::string>());

        /* and the window works again once the mapping is mended */
        ASSERT_TRUE(SetSpoolerMapping("LPT2:", good));
        ASSERT_TRUE(EmptySink("spool-lpt2.bin"));
        EXPECT_EQ(Go(path), std::vector<std::string>());
        ExpectSinkHolds("spool-lpt2.bin", size, sha256);
    }
    SetSpoolerMapping("LPT2:", good);
}

/* A command of the bed's own system. Wine starts a native program from
   CreateProcessA but gives no process handle to wait on, so the command
   leaves a mark when it is done, and the mark is waited for. */
bool RunUnixCommand(const std::string &command)
{
    std::string mark = BedUnixPath("command-done");
    DeleteFileA(BedWindowsPath("command-done").c_str());
    std::string line = "/bin/sh -c \"" + command + "; touch " + mark + "\"";
    std::vector<char> text(line.begin(), line.end());
    text.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(NULL, text.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return false;
    for (int waited = 0; waited < 30000; waited += 20) {
        if (DeleteFileA(BedWindowsPath("command-done").c_str()))
            return true;
        Sleep(20);
    }
    return false;
}

/* The queue on CUPS:vantrel_raw stops accepting jobs (cupsreject). */
TEST_F(SystemFaultSpool, QueueThatRejectsJobs)
{
    ASSERT_EQ(BedProfile(), "spool");
    const std::string queuePort = BedQueuePortName();
    for (uint64_t size : {(uint64_t)1000, (uint64_t)3 * SEND_CHUNK_SIZE + 1}) {
        SCOPED_TRACE(size);
        std::string path = BedWindowsPath("send/rejected.prn");
        std::string sha256 = WriteTestFile(path, size, 83);
        ShowPorts();
        Tick({queuePort, "LPT1:"});
        ASSERT_TRUE(EmptySink("spool-lpt1.bin"));
        int jobs = CountListenerJobs();
        ASSERT_TRUE(RunUnixCommand("/usr/sbin/cupsreject " + BedQueueName()));

        std::vector<std::string> boxes = Go(path);
        ASSERT_TRUE(RunUnixCommand("/usr/sbin/cupsaccept " + BedQueueName()));

        EXPECT_EQ(boxes, std::vector<std::string>({"Write to Printer Error: Error writing to " + queuePort +
                                                   "! Please check your printer connection."}));
        ExpectSinkHolds("spool-lpt1.bin", size, sha256);
        EXPECT_EQ(Go(path), std::vector<std::string>());
        uint64_t got = 0;
        std::string hash;
        ASSERT_TRUE(WaitForListenerJob(jobs + 1, 60000, &got, &hash));
        EXPECT_EQ(got, size);
        EXPECT_EQ(hash, sha256);
        Sleep(200);
        EXPECT_EQ(CountListenerJobs(), jobs + 1) << "the rejected job arrived after all";
    }
}

/* The list still shows LPT2:, ticked, when the spooler no longer lists it. */
TEST_F(SystemFaultSpool, PortTakenOutOfTheListWhileTheProgramRuns)
{
    ASSERT_EQ(BedProfile(), "spool");
    std::string path = BedWindowsPath("send/removed.prn");
    std::string sha256 = WriteTestFile(path, 70000, 73);
    ShowPorts();
    Tick({"LPT2:", "LPT1:"});
    ASSERT_TRUE(EmptySink("spool-lpt1.bin"));
    ASSERT_TRUE(EmptySink("spool-lpt2.bin"));
    ASSERT_TRUE(RemovePortFromList("LPT2:"));

    std::vector<std::string> boxes = Go(path);
    bool restored = AddPortToList("LPT2:");

    ASSERT_EQ(MessageBoxes.size(), 1u);
    EXPECT_EQ(MessageBoxes[0].owner, (HWND)NULL);
    EXPECT_EQ(boxes, std::vector<std::string>({"Port Error: Selected Port LPT2: is no longer valid!"}));
    ExpectSinkHolds("spool-lpt1.bin", 70000, sha256);
    ExpectSinkHolds("spool-lpt2.bin", 0, Sha256OfBytes("", 0));
    std::vector<std::string> items = ListTexts(0);
    EXPECT_TRUE(std::find(items.begin(), items.end(), "LPT2:") == items.end());

    /* back in the list, it comes back unticked at the next run */
    ASSERT_TRUE(restored);
    EXPECT_EQ(Go(path), std::vector<std::string>());
    items = ListTexts(0);
    EXPECT_TRUE(std::find(items.begin(), items.end(), "LPT2:") != items.end());
}

/* LPT2:'s device leads to a target that cannot be opened for writing. */
TEST_F(SystemFaultDirect, PortDeviceWhoseTargetCannotBeOpened)
{
    ASSERT_EQ(BedProfile(), "direct");
    std::string path = BedWindowsPath("send/device.prn");
    std::string sha256 = WriteTestFile(path, SEND_CHUNK_SIZE + 5, 79);
    std::string target = SinkWindowsPath("device-lpt2.bin");
    struct {
        const char *what;
        std::function<bool()> spoil;
        std::function<bool()> mend;
    } cases[] = {
        {"the target is gone", [&] { return DeleteFileA(target.c_str()) != FALSE; },
         [&] { return EmptySink("device-lpt2.bin"); }},
        {"the target is a folder", [&] { return DeleteFileA(target.c_str()) && CreateDirectoryA(target.c_str(), NULL); },
         [&] { return RemoveDirectoryA(target.c_str()) && EmptySink("device-lpt2.bin"); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ShowPorts();
        Tick({"LPT2:", "LPT1:"});
        ASSERT_TRUE(EmptySink("device-lpt1.bin"));
        ASSERT_TRUE(c.spoil());

        std::vector<std::string> boxes = Go(path);
        bool mended = c.mend();

        /* Wine opens a port whose target is gone (its parallel port
           device, with nothing behind it) and fails the first write
           instead (ERROR_INVALID_FUNCTION): a write error then follows the
           port's box. Either way the port is reported and not sent. */
        const std::string couldNotPrint = "Printer Error: Could not print to LPT2:! Please check your printer connection.";
        std::vector<std::string> openFails = {couldNotPrint}, writeFails = {couldNotPrint, WriteError2};
        EXPECT_TRUE(boxes == openFails || boxes == writeFails) << ::testing::PrintToString(boxes);
        ExpectSinkHolds("device-lpt1.bin", SEND_CHUNK_SIZE + 5, sha256);
        ASSERT_TRUE(mended);
        EXPECT_EQ(Go(path), std::vector<std::string>());
        ExpectSinkHolds("device-lpt2.bin", SEND_CHUNK_SIZE + 5, sha256);
    }
}
