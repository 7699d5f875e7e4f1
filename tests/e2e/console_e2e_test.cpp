/* The console program end to end: vantrel-send.exe run as a process on the
   test bed, its output and exit code read, and what arrived at each far
   end compared with the file by SHA-256. Fixture Console runs in either
   profile; ConsoleSpool needs the installed queue. Its failures are in the
   window's failure table, which runs each case through both programs. */
#include "bed_test.h"

namespace {

/* The size of Wine's spool file of the job being written, 0 while there is none. */
uint64_t SpoolFileBytes(void)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("C:\\windows\\system32\\spool\\printers\\*.SPL", &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    return ((uint64_t)found.nFileSizeHigh << 32) | found.nFileSizeLow;
}

typedef BedTest Console;
typedef BedTest ConsoleSpool;   /* needs the installed queue */

}  // namespace

/* The list: the window's table (its list in the failure table's
   vanished-port case), the ports in list order, each with the road a send
   would take and what it goes through. Then every road of the profile in
   one run, in the order given, not the list's, for a file named in
   characters of no single ANSI code page, at the sizes around the chunk,
   the last with each job followed; one result line each with the bytes
   sent, nothing on standard error. */
TEST_F(Console, ListsThePortsAndSendsByEveryRoadInTheOrderGiven)
{
    std::vector<std::string> listed = {"LPT1:\tdevice\tLPT1:\t-", "LPT2:\tdevice\tLPT2:\t-", "LPT3:\tdevice\tLPT3:\t-"};
    if (spool)
        listed = {QueuePort() + "\tqueue\tvantrel_raw\tRAW", "LPT1:\ttemporary\tvantrel_raw\tRAW",
                  "LPT2:\ttemporary\tvantrel_raw\tRAW", "LPT3:\ttemporary\tvantrel_raw\tRAW"};
    CONSOLE_RUN list = Send({"--list"});
    EXPECT_EQ(0u, list.exitCode);
    EXPECT_EQ(listed, list.out);
    EXPECT_EQ("", list.err);

    std::vector<std::string> ports = {"LPT2:", "LPT1:"};
    if (spool)
        ports.insert(ports.begin() + 1, QueuePort());
    int before = CountListenerJobs();
    std::vector<std::string> jobs;
    for (uint64_t size : {(uint64_t)0, (uint64_t)1, Chunk, Chunk + 1}) {
        SCOPED_TRACE(size);
        BED_FILE file = MakeBedFile(folder + "/Прошивка 固件 😀.bin", size);
        /* A job replaces a mapped file: stale bytes must go. */
        ASSERT_NO_FATAL_FAILURE(spool ? FillSinks(None, {"LPT1:", "LPT2:"}) : FillSinks({"LPT1:", "LPT2:"}, None));
        /* Followed, a job has left Wine's queue when EndDocPrinter returns. */
        bool wait = size == Chunk + 1;
        std::vector<std::string> arguments = {file.path}, results;
        if (wait)
            arguments.insert(arguments.begin(), "--wait");
        for (const std::string &port : ports) {
            arguments.push_back(port);
            const char *road = port == QueuePort() ? "queue" : spool ? "temporary" : "device";
            results.push_back(port + "\tsent\t" + std::to_string(size) + "\t" + road + (wait ? "\tdelivered" : ""));
        }

        CONSOLE_RUN run = Send(arguments);

        EXPECT_EQ(0u, run.exitCode);
        EXPECT_EQ(results, run.out);
        EXPECT_EQ("", run.err);
        ExpectSinks(file.fingerprint, {"LPT1:", "LPT2:"}, None);
        if (size > 0)   /* Wine makes no CUPS job of an empty one */
            jobs.push_back(file.fingerprint);
    }
    if (spool) {
        EXPECT_EQ(jobs, QueueJobsSince(before));
    }
}

/* What a script may get wrong is refused before anything is done, with
   its own exit code: a name the list does not offer is never opened (no
   far end, file or printer is touched); help and version go to standard
   output. */
TEST_F(Console, TheCommandLineIsCheckedBeforeAnythingIsSent)
{
    BED_FILE file = MakeBedFile(folder + "/file.prn", 10);
    const std::string stray = BedPath(folder + "/out.bin"), offers = " is not a port Vantrel offers (see vantrel-send --list)\n";
    ASSERT_NO_FATAL_FAILURE(FillSinks(None, {"LPT1:"}));
    const struct {
        std::vector<std::string> arguments;
        DWORD exitCode;
        std::string out, err;
    } cases[] = {
        {{}, 4, "", "vantrel-send: no file named\n"},
        {{file.path}, 4, "", "vantrel-send: no port named to send to: " + file.path + "\n"},
        {{file.path, "LPT1:", "LPT1:"}, 4, "", "vantrel-send: a port named twice would get the file twice: LPT1:\n"},
        {{"--lists"}, 4, "", "vantrel-send: unknown option --lists\n"},
        {{"--list", "LPT1:"}, 4, "", "vantrel-send: nothing may follow --list\n"},
        {{file.path, "LPT1:", "COM1:", "FILE:", "\\\\.\\PhysicalDrive0", stray, "lpt1:", "LPT1"}, 3, "",
         "vantrel-send: COM1:" + offers + "vantrel-send: FILE:" + offers + "vantrel-send: \\\\.\\PhysicalDrive0" + offers +
         "vantrel-send: " + stray + offers + "vantrel-send: lpt1:" + offers + "vantrel-send: LPT1" + offers},
        {{"--wait=ten", file.path, "LPT1:"}, 4, "", "vantrel-send: --wait takes whole seconds from 0 to 86400: --wait=ten\n"},
        {{"--wait", "--list"}, 4, "", "vantrel-send: --wait goes with a file and ports, not with --list\n"},
        {{"--version"}, 0, "vantrel-send 1.1.0.1", ""},
        {{"--help"}, 0, "Usage: vantrel-send [--wait[=SECONDS]] FILE PORT [PORT ...]", ""},
        {{"/?"}, 0, "Usage: vantrel-send [--wait[=SECONDS]] FILE PORT [PORT ...]", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        CONSOLE_RUN run = Send(c.arguments);
        EXPECT_EQ(c.exitCode, run.exitCode);
        EXPECT_EQ(c.out, run.out.empty() ? "" : run.out[0]);
        EXPECT_EQ(c.err, run.err.substr(0, c.err.size()));
    }
    ExpectSinks(file.fingerprint, None, {"LPT1:"});
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(stray.c_str())) << stray << " was made";
}

/* Ctrl+C while a temporary printer's job is being written: the job is
   aborted (Wine still hands what was spooled to the port: its
   AbortPrinter does nothing), the printer deleted, the next port gets
   nothing, and the program ends with the cancel code. The program is held
   while the signal goes in, so that the job cannot end first. */
TEST_F(ConsoleSpool, CtrlCDuringALargeSendCancelsIt)
{
    const uint64_t size = 256ull << 20;
    BED_FILE file = MakeBedFile(folder + "/large.prn", size);
    ASSERT_NO_FATAL_FAILURE(FillSinks(None, {"LPT2:"}));
    uint64_t spooled = 0;

    CONSOLE_RUN run = Send({file.path, "LPT1:", "LPT2:"}, [&](const PROCESS_INFORMATION &process) {
        ASSERT_TRUE(WaitUntil(RUN_DEADLINE, [&] { return (spooled = SpoolFileBytes()) >= Chunk; }))
            << "no job was spooled";
        SuspendThread(process.hThread);
        spooled = SpoolFileBytes();
        EXPECT_TRUE(RunUnixCommand("kill -INT $(pgrep -f '[v]antrel-send.exe .*large.prn')", START_DEADLINE));
        ResumeThread(process.hThread);
    });

    ASSERT_LT(spooled, size / 2) << "the job was nearly done before the signal";
    EXPECT_EQ(5u, run.exitCode);
    ASSERT_EQ(1u, run.out.size()) << ::testing::PrintToString(run.out);
    EXPECT_EQ("LPT1:\tfailed\t", run.out[0].substr(0, 13));
    EXPECT_LT(std::stoull(run.out[0].substr(13)), size);
    EXPECT_EQ("Sending to LPT1: was cancelled! The port did not get the whole file.\n", run.err);
    ExpectSinks(file.fingerprint, None, {"LPT2:"});
    DeleteFileA(file.path.c_str());
}
