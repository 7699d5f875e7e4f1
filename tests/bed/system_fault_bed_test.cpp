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
#include "bed_send.h"
#include "bed_spooler.h"
#include "message_boxes.h"
#include "port_list_host.h"
#include "send.h"

#include <algorithm>
#include <functional>

namespace {

const std::string WriteError2 = "Write to Printer Error: Error writing to LPT2:! Please check your printer connection.";
const std::vector<std::string> None;

} // namespace

class SystemFaultSpool : public BedSendTest {};
class SystemFaultDirect : public BedSendTest {};

/* LPT2:'s temporary printer delivers its job to a spooler mapping that
   fails; LPT1:'s to its sink. Wine's EndDocPrinter hands the job to the
   mapping and reports what came of it. */
TEST_F(SystemFaultSpool, TemporaryPrinterWhoseMappingFails)
{
    ASSERT_EQ(BedProfile(), "spool");
    BED_FILE file = MakeBedFile("send/mapping.prn", 3 * SEND_CHUNK_SIZE + 11, 71);   /* more than a pipe holds */
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

        EXPECT_EQ(Go(file.path), std::vector<std::string>({WriteError2}));
        ExpectSinkHolds("spool-lpt1.bin", file);
        EXPECT_EQ(TemporaryPrinters(), None);

        /* and the window works again once the mapping is mended */
        ASSERT_TRUE(SetSpoolerMapping("LPT2:", good));
        ASSERT_TRUE(EmptySink("spool-lpt2.bin"));
        EXPECT_EQ(Go(file.path), None);
        ExpectSinkHolds("spool-lpt2.bin", file);
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
        BED_FILE file = MakeBedFile("send/rejected.prn", size, 83);
        ShowPorts();
        Tick({queuePort, "LPT1:"});
        ASSERT_TRUE(EmptySink("spool-lpt1.bin"));
        int jobs = CountListenerJobs();
        ASSERT_TRUE(RunUnixCommand("/usr/sbin/cupsreject " + BedQueueName()));

        std::vector<std::string> boxes = Go(file.path);
        ASSERT_TRUE(RunUnixCommand("/usr/sbin/cupsaccept " + BedQueueName()));

        EXPECT_EQ(boxes, std::vector<std::string>({"Write to Printer Error: Error writing to " + queuePort +
                                                   "! Please check your printer connection."}));
        ExpectSinkHolds("spool-lpt1.bin", file);
        EXPECT_EQ(Go(file.path), None);
        ExpectListenerJob(jobs + 1, file);
        Sleep(200);
        EXPECT_EQ(CountListenerJobs(), jobs + 1) << "the rejected job arrived after all";
    }
}

/* The list still shows LPT2:, ticked, when the spooler no longer lists it. */
TEST_F(SystemFaultSpool, PortTakenOutOfTheListWhileTheProgramRuns)
{
    ASSERT_EQ(BedProfile(), "spool");
    BED_FILE file = MakeBedFile("send/removed.prn", 70000, 73);
    ShowPorts();
    Tick({"LPT2:", "LPT1:"});
    ASSERT_TRUE(EmptySink("spool-lpt1.bin"));
    ASSERT_TRUE(EmptySink("spool-lpt2.bin"));
    ASSERT_TRUE(RemovePortFromList("LPT2:"));

    std::vector<std::string> boxes = Go(file.path);
    bool restored = AddPortToList("LPT2:");

    ASSERT_EQ(MessageBoxes.size(), 1u);
    EXPECT_EQ(MessageBoxes[0].owner, (HWND)NULL);
    EXPECT_EQ(boxes, std::vector<std::string>({"Port Error: Selected Port LPT2: is no longer valid!"}));
    ExpectSinkHolds("spool-lpt1.bin", file);
    ExpectSinkHolds("spool-lpt2.bin", BED_FILE{"", 0, Sha256OfBytes("", 0)});
    std::vector<std::string> items = ListTexts(0);
    EXPECT_TRUE(std::find(items.begin(), items.end(), "LPT2:") == items.end());

    /* back in the list, it comes back unticked at the next run */
    ASSERT_TRUE(restored);
    EXPECT_EQ(Go(file.path), None);
    items = ListTexts(0);
    EXPECT_TRUE(std::find(items.begin(), items.end(), "LPT2:") != items.end());
}

/* LPT2:'s device leads to a target that cannot be opened for writing. */
TEST_F(SystemFaultDirect, PortDeviceWhoseTargetCannotBeOpened)
{
    ASSERT_EQ(BedProfile(), "direct");
    BED_FILE file = MakeBedFile("send/device.prn", SEND_CHUNK_SIZE + 5, 79);
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

        std::vector<std::string> boxes = Go(file.path);
        bool mended = c.mend();

        /* Wine opens a port whose target is gone (its parallel port
           device, with nothing behind it) and fails the first write
           instead (ERROR_INVALID_FUNCTION): a write error then follows the
           port's box. Either way the port is reported and not sent. */
        const std::string couldNotPrint = "Printer Error: Could not print to LPT2:! Please check your printer connection.";
        std::vector<std::string> openFails = {couldNotPrint}, writeFails = {couldNotPrint, WriteError2};
        EXPECT_TRUE(boxes == openFails || boxes == writeFails) << ::testing::PrintToString(boxes);
        ExpectSinkHolds("device-lpt1.bin", file);
        ASSERT_TRUE(mended);
        EXPECT_EQ(Go(file.path), None);
        ExpectSinkHolds("device-lpt2.bin", file);
    }
}
