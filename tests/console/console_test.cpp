/* What the console program says where Wine cannot show it: a user without
   the right to add printers, and a job followed in a queue that keeps it
   (Wine's jobs have left the queue when EndDocPrinter returns). Run on the
   fake, with standard output and error going to files. */
#include "console.h"
#include "fake_system.h"
#include "send.h"

#include <gtest/gtest.h>
#include <functional>

namespace {

const char Path[] = "C:\\jobs\\image.prn";

/* No queue on LPT1:, whose device exists, and a queue on LPT2:. */
void Install(void)
{
    InstallFakeSystem();
    Fake.ports = {{"LPT1:"}, {"LPT2:"}};
    Fake.printers = {{"Queue", "LPT2:", false}};
    Fake.drivers = {{"Plain"}};
    Fake.files[Path] = 5;
    Fake.devices = {"LPT1:"};
}

FAKE_FAULT Failing(const char *entry, int nth = 0, FAKE_ANSWER answer = FAULT_FAILS, DWORD value = ERROR_GEN_FAILURE)
{
    return {entry, nth, answer, value};
}

/* The exit code of run, with what it wrote to standard output and error
   (more than a buffer's worth differs from anything expected). */
int Captured(const std::function<int()> &run, std::string *out, std::string *err)
{
    const DWORD streams[] = {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    std::string *texts[] = {out, err};
    HANDLE old[2], files[2];
    for (int i = 0; i < 2; ++i) {
        old[i] = GetStdHandle(streams[i]);
        files[i] = CreateFileA(i ? "console-err.txt" : "console-out.txt", GENERIC_READ | GENERIC_WRITE, 0, NULL,
                               CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, NULL);
        SetStdHandle(streams[i], files[i]);
    }
    int exitCode = run();
    for (int i = 0; i < 2; ++i) {
        SetStdHandle(streams[i], old[i]);
        char text[8192];
        DWORD count = 0;
        SetFilePointer(files[i], 0, NULL, FILE_BEGIN);
        ReadFile(files[i], text, sizeof text, &count, NULL);
        texts[i]->assign(text, count);
        CloseHandle(files[i]);
    }
    return exitCode;
}

/* Ctrl+C as the console's handler gets it, at the given look at a job. */
BOOL (WINAPI *FakeGetJobA)(HANDLE, DWORD, DWORD, LPBYTE, DWORD, LPDWORD);
int CancelAtLook;

BOOL WINAPI CancellingGetJobA(HANDLE printer, DWORD job, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    if (buffer == NULL && --CancelAtLook == 0)
        OnConsoleControl(CTRL_C_EVENT);
    return FakeGetJobA(printer, job, level, buffer, size, needed);
}

} // namespace

/* A user without the right to add printers: a send writes the device
   instead; only when that fails too is the missing right named (in the
   window, in a box of its own caption), and only for the port's failure,
   never the file's. The list warns of it where the print server refuses
   this user its administration; a server that cannot be asked says
   nothing of it. */
TEST(RefusedRight, IsNamedWhenTheDirectRoadFailsTooAndInTheList)
{
    const std::string couldNot = "Could not print to LPT1:! Please check your printer connection.\n";
    const std::string failed = "LPT1:\tfailed\t0\tdevice\n";
    const std::string listed = "LPT1:\ttemporary\tPlain\tRAW\nLPT2:\tqueue\tQueue\tRAW\n";
    const FAKE_FAULT denied = Failing("AddPrinterA", 0, FAULT_FAILS, ERROR_ACCESS_DENIED);
    const struct {
        const char *what;
        std::vector<FAKE_FAULT> faults;
        bool list;          /* vantrel-send --list, else a send to LPT1: */
        int exitCode;
        std::string out, err;
    } rows[] = {
        {"the device cannot be opened either", {denied, Failing("CreateFileA LPT1:")}, false, EXIT_PORT_FAILED, failed,
         couldNot + "A temporary printer could not be added on LPT1:, since adding a printer needs administrator "
                    "rights. Start Vantrel as an administrator, or install a printer on the port.\n"},
        {"refused for another reason", {Failing("AddPrinterA"), Failing("CreateFileA LPT1:")}, false, EXIT_PORT_FAILED,
         failed, couldNot},
        {"the file is missing", {denied, Failing("GetFileAttributesA")}, false, EXIT_FILE_FAILED, failed,
         couldNot + "Selected Filename is invalid!\nPlease check validity of the file.\n"},
        {"the server refuses its administration", {Failing("OpenPrinterA (server)", 0, FAULT_FAILS, ERROR_ACCESS_DENIED)},
         true, EXIT_SENT, listed, "vantrel-send: adding a temporary printer needs administrator rights, which this "
         "user lacks: a send to a port listed as temporary tries the port device instead. Run vantrel-send as an "
         "administrator, or install a printer on the port.\n"},
        {"the server cannot be asked", {Failing("OpenPrinterA (server)")}, true, EXIT_SENT, listed, ""},
        {"the server lets the user add printers", {}, true, EXIT_SENT, listed, ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        Install();
        Fake.faults = row.faults;
        char *ports[] = {(char *)"LPT1:"};
        std::string out, err;
        EXPECT_EQ(row.exitCode, Captured([&] { return row.list ? ListPorts() : SendFileToPorts(Path, ports, 1, false, 0); },
                                         &out, &err));
        EXPECT_EQ(row.out, out);
        EXPECT_EQ(row.err, err);
        EXPECT_EQ(FakeDefects(), std::vector<std::string>());
        ResetSystemCalls();
    }
    SEND_ROUTE refused = {ROAD_DIRECT, TRUE};
    SEND_OUTCOME outcome;
    DescribeSendResult(SEND_PORT_OPEN_FAILED, &refused, NULL, "LPT1:", &outcome);
    ASSERT_EQ(2, outcome.messageCount);
    EXPECT_STREQ("Printer Rights Error", outcome.messages[1].caption);
}

/* --wait=SECONDS to LPT1: and LPT2:, each job given the same answers look
   by look. A job is looked at at once, then after 100 ms, doubling to a
   second, never past the time; on the printer handle that ended it, after
   the file is closed and before a temporary printer is deleted; and never
   touched. Ctrl+C cannot be taken back: its row comes last. */
TEST(ConsoleWait, EachPortSaysWhatBecameOfItsJob)
{
    const FAKE_LOOK Gone = {0, "", ERROR_INVALID_PARAMETER};
    const std::string waiting = " has not printed the file yet: its job is still in the queue (";
    auto results = [](const char *job) {
        return std::string("LPT1:\tsent\t5\ttemporary\t") + job + "\nLPT2:\tsent\t5\tqueue\t" + job + "\n";
    };
    auto unconfirmed = [&](const std::string &state) {
        return "LPT1:" + waiting + state + ").\nLPT2:" + waiting + state + ").\n";
    };
    const struct {
        const char *what;
        std::vector<FAKE_LOOK> looks;
        DWORD seconds;
        std::vector<FAKE_FAULT> faults;
        int cancelAtLook;
        int exitCode;
        std::string out, err;
        int looked;         /* at each job */
        DWORD waited;       /* in all */
    } rows[] = {
        {"printed after several looks", {{JOB_STATUS_SPOOLING}, {JOB_STATUS_PRINTING}, {JOB_STATUS_PRINTED}}, 600, {},
         0, EXIT_SENT, results("delivered"), "", 3, 600},
        {"offline, then printing, then gone", {{JOB_STATUS_OFFLINE}, {JOB_STATUS_OFFLINE}, {JOB_STATUS_PRINTING}, Gone},
         600, {}, 0, EXIT_SENT, results("delivered"), "", 4, 1400},
        {"in error until the time is up, in the spooler's own words before its bits",
         {{JOB_STATUS_ERROR, "Paper jam", 0, 2, 1}}, 3, {}, 0, EXIT_UNCONFIRMED, results("unconfirmed"),
         unconfirmed("Paper jam, 1 of 2 pages printed"), 7, 6000},
        {"the spooler will not say", {{0, "", ERROR_ACCESS_DENIED}}, 1, {}, 0, EXIT_UNCONFIRMED,
         results("unconfirmed"), unconfirmed("the spooler does not say (error 5)"), 5, 2000},
        {"deleted by someone else", {{JOB_STATUS_PRINTING}, {JOB_STATUS_PRINTING | JOB_STATUS_DELETING}}, 600, {}, 0,
         EXIT_PORT_FAILED, results("deleted"),
         "The job for LPT1: was deleted before it printed! The port did not get the file.\n"
         "The job for LPT2: was deleted before it printed! The port did not get the file.\n", 2, 200},
        {"a port failing before its first byte says 0 after one that got the file, and wins over it",
         {{JOB_STATUS_PAPEROUT}}, 1, {Failing("OpenPrinterA Queue")}, 0, EXIT_PORT_FAILED,
         "LPT1:\tsent\t5\ttemporary\tunconfirmed\nLPT2:\tfailed\t0\tqueue\t-\n",
         "LPT1:" + waiting + "out of paper).\nError writing to LPT2:! Please check your printer connection.\n", 5, 1000},
        {"Ctrl+C while waiting: the job is left alone, the next port gets nothing", {{JOB_STATUS_PAUSED}}, 600, {}, 2,
         EXIT_CANCELLED, "LPT1:\tsent\t5\ttemporary\tunconfirmed\n",
         "LPT1:" + waiting + "paused).\nSending was cancelled before LPT2:: it and the ports after it got nothing.\n", 2,
         100},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        Install();
        Fake.looks = row.looks;
        Fake.faults = row.faults;
        FakeGetJobA = Sys.GetJobA;
        Sys.GetJobA = CancellingGetJobA;
        CancelAtLook = row.cancelAtLook;
        char *ports[] = {(char *)"LPT1:", (char *)"LPT2:"};
        std::string out, err;
        EXPECT_EQ(row.exitCode, Captured([&] { return SendFileToPorts(Path, ports, 2, true, row.seconds); }, &out, &err));
        EXPECT_EQ(row.out, out);
        EXPECT_EQ(row.err, err);
        EXPECT_EQ(row.waited, Fake.clock);
        for (const FAKE_JOB &job : Fake.jobs)
            EXPECT_TRUE(job.ended && !job.aborted && job.looks == row.looked) << job.looks << " looks";
        auto first = [](const std::string &call) {
            return std::find_if(Fake.log.begin(), Fake.log.end(),
                                [&](const std::string &line) { return line.rfind(call, 0) == 0; });
        };
        EXPECT_LT(first(std::string("CloseHandle ") + Path), first("GetJobA")) << "the file held while following";
        EXPECT_EQ(FakeDefects(), std::vector<std::string>()) << FakeLog();
        ResetSystemCalls();
    }
}
