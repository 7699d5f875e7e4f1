/* What the console program makes of a followed job, where Wine cannot
   show one (its jobs have left the queue when EndDocPrinter returns): the
   result lines, messages and exit code for a queue that keeps its job.
   Run on the fake, with standard output and error going to files. */
#include "console.h"
#include "fake_system.h"

#include <gtest/gtest.h>

namespace {

const char Path[] = "C:\\jobs\\image.prn";

std::string ReadBack(HANDLE file)
{
    std::string text;
    char buffer[4096];
    DWORD count;
    SetFilePointer(file, 0, NULL, FILE_BEGIN);
    while (ReadFile(file, buffer, sizeof buffer, &count, NULL) && count > 0)
        text.append(buffer, count);
    CloseHandle(file);
    return text;
}

HANDLE TemporaryFile(const char *name)
{
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, NULL);
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

/* --wait=2 to two queues. Ctrl+C cannot be taken back: its row is the
   last of the program. */
TEST(ConsoleWait, EachPortSaysWhatBecameOfItsJob)
{
    const std::string waiting = " has not printed the file yet: its job is still in the queue (";
    const struct {
        const char *what;
        std::vector<FAKE_LOOK> looks;
        const char *refused;
        int cancelAtLook;
        int exitCode;
        std::string out, err;
    } rows[] = {
        {"out of paper on every port when the time is up", {{JOB_STATUS_PAPEROUT}}, "", 0, EXIT_UNCONFIRMED,
         "LPT1:\tsent\t5\tqueue\tunconfirmed\nLPT2:\tsent\t5\tqueue\tunconfirmed\n",
         "LPT1:" + waiting + "out of paper).\nLPT2:" + waiting + "out of paper).\n"},
        {"a port failing before its first byte says 0 after one that got the file, and wins over it",
         {{JOB_STATUS_PAPEROUT}}, "Queue2", 0, EXIT_PORT_FAILED,
         "LPT1:\tsent\t5\tqueue\tunconfirmed\nLPT2:\tfailed\t0\tqueue\t-\n",
         "LPT1:" + waiting + "out of paper).\nError writing to LPT2:! Please check your printer connection.\n"},
        {"deleted before it printed", {{JOB_STATUS_DELETING}}, "", 0, EXIT_PORT_FAILED,
         "LPT1:\tsent\t5\tqueue\tdeleted\nLPT2:\tsent\t5\tqueue\tdeleted\n",
         "The job for LPT1: was deleted before it printed! The port did not get the file.\n"
         "The job for LPT2: was deleted before it printed! The port did not get the file.\n"},
        {"Ctrl+C while waiting: the job is left alone, the next port gets nothing", {{JOB_STATUS_PRINTING}}, "", 2,
         EXIT_CANCELLED, "LPT1:\tsent\t5\tqueue\tunconfirmed\n",
         "LPT1:" + waiting + "printing).\nSending was cancelled before LPT2:: it and the ports after it got nothing.\n"},
    };
    for (const auto &row : rows) {
        InstallFakeSystem();
        Fake.ports = {{"LPT1:"}, {"LPT2:"}};
        Fake.printers = {{"Queue1", "LPT1:", false}, {"Queue2", "LPT2:", false}};
        Fake.drivers = {"Plain"};
        Fake.files[Path] = 5;
        Fake.looks = row.looks;
        if (*row.refused)
            Fake.refusals[row.refused] = ERROR_ACCESS_DENIED;
        FakeGetJobA = Sys.GetJobA;
        Sys.GetJobA = CancellingGetJobA;
        CancelAtLook = row.cancelAtLook;
        HANDLE out = TemporaryFile("console-out.txt"), err = TemporaryFile("console-err.txt");
        HANDLE oldOut = GetStdHandle(STD_OUTPUT_HANDLE), oldErr = GetStdHandle(STD_ERROR_HANDLE);
        SetStdHandle(STD_OUTPUT_HANDLE, out);
        SetStdHandle(STD_ERROR_HANDLE, err);
        char *ports[] = {(char *)"LPT1:", (char *)"LPT2:"};
        int exitCode = SendFileToPorts(Path, ports, 2, true, 2);
        SetStdHandle(STD_OUTPUT_HANDLE, oldOut);
        SetStdHandle(STD_ERROR_HANDLE, oldErr);
        EXPECT_EQ(row.exitCode, exitCode) << row.what;
        EXPECT_EQ(row.out, ReadBack(out)) << row.what;
        EXPECT_EQ(row.err, ReadBack(err)) << row.what;
        for (const FAKE_JOB &job : Fake.jobs)
            EXPECT_TRUE(job.ended && !job.aborted) << row.what;
        EXPECT_EQ(FakeDefects(), std::vector<std::string>()) << row.what;
        ResetSystemCalls();
    }
}
