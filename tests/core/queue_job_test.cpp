/* What only the seam shows of a queue's job: the data type its driver
   calls for where Wine's spooler cannot say (level 8's attributes, a
   spooler without level 8, answers not to be believed), the temporary
   printer a user may not add, and a job followed in a queue that keeps
   it. Each case runs through the port table and SendToPort, as the front
   ends do. */
#include "fake_system.h"
#include "send.h"

#include <gtest/gtest.h>

namespace {

const char Path[] = "C:\\jobs\\image.prn";
const std::string Pipeline = "C:\\windows\\system32\\spool\\drivers\\x64\\3\\PipelineConfig.xml";
const FAKE_FAULT Unreadable = {"", 0, FAULT_FAILS, ERROR_GEN_FAILURE};

/* A queue on LPT1: and no queue on LPT2:, whose device exists; the table
   built from them: row 0 the queue, row 1 LPT2:. */
void Install(const std::vector<FAKE_DRIVER> &drivers, const std::string &queueDriver = "")
{
    InstallFakeSystem();
    Fake.ports = {{"LPT1:"}, {"LPT2:"}};
    Fake.printers = {{"Queue", "LPT1:", false, queueDriver}};
    Fake.drivers = drivers;
    Fake.files[Path] = 5;
    Fake.devices = {"LPT2:"};
    ASSERT_TRUE(BuildPortTable());
}

BOOL Quiet(const char *, int, ULONGLONG) { return TRUE; }

FAKE_FAULT Failing(const char *entry, int nth = 0, FAKE_ANSWER answer = FAULT_FAILS, DWORD value = ERROR_GEN_FAILURE)
{
    return {entry, nth, answer, value};
}

} // namespace

/* The queue's job and the temporary printer's (and its job's) data type,
   as sent and as listed. */
TEST(QueueJob, TheDataTypeFollowsTheDriver)
{
    const struct {
        const char *what;
        std::vector<FAKE_DRIVER> drivers;
        std::string queueDriver;
        bool level8;
        std::vector<FAKE_FAULT> faults;
        const char *queue, *temporary;
    } rows[] = {
        {"the spooler says XPS", {{"V4", 2}}, "", true, {}, "XPS_PASS", "XPS_PASS"},
        {"the attribute alone needs level 8", {{"V4", 2}}, "", false, {}, "RAW", "RAW"},
        {"a pipeline configuration among the dependent files, level 3 where 8 is not answered",
         {{"V4", 0, {"C:\\d\\unidrv.dll", Pipeline}}}, "", false, {}, "XPS_PASS", "XPS_PASS"},
        {"files merely named like it", {{"V4", 0, {"C:\\d\\pipeline-config.xml", "C:\\d\\pipelineconfig.xml.bak",
                                                   "C:\\pipelineconfig.xml\\filter.dll"}}}, "", true, {}, "RAW", "RAW"},
        {"the queue's own driver; a temporary printer's is the first installed", {"Plain", {"V4", 2}}, "V4", true, {},
         "XPS_PASS", "RAW"},
        {"information that cannot be read is a plain driver's", {{"V4", 2, {Pipeline}}}, "", true,
         {Failing("GetPrinterDriverA"), Failing("EnumPrinterDriversA 8"), Failing("EnumPrinterDriversA 3")}, "RAW", "RAW"},
        {"a level 8 list claiming entries it does not hold is not read", {{"V4", 0, {Pipeline}}}, "", true,
         {Failing("EnumPrinterDriversA 8", 2, FAULT_MORE, MAXDWORD)}, "XPS_PASS", "XPS_PASS"},
    };
    for (const auto &row : rows) {
        ASSERT_NO_FATAL_FAILURE(Install(row.drivers, row.queueDriver));
        Fake.level8 = row.level8;
        Fake.faults = row.faults;
        TEMPORARY_DRIVER driver;
        ASSERT_TRUE(GetTemporaryPrinterDriver(&driver)) << row.what;
        const char *listed[2], *detail;
        SEND_ROUTE route;
        for (int i = 0; i < 2; ++i) {
            GetPortRoad(&PortTable[i], &driver, &detail, &listed[i]);
            EXPECT_EQ(SEND_OK, SendToPort(&PortTable[i], Path, Quiet, NULL, &route)) << row.what;
        }
        ASSERT_EQ(2u, Fake.jobs.size()) << row.what << FakeLog();
        EXPECT_EQ(row.queue, Fake.jobs[0].datatype) << row.what;
        EXPECT_EQ(row.temporary, Fake.jobs[1].datatype) << row.what;
        EXPECT_STREQ(row.queue, listed[0]) << row.what;
        EXPECT_STREQ(row.temporary, listed[1]) << row.what;
        EXPECT_EQ(FakeDefects(), std::vector<std::string>()) << row.what;
        ResetSystemCalls();
    }
}

/* A user without the right to add printers: the run still writes the
   device; only when that fails too is the missing right named, and only
   for the port's failure, never the file's. */
TEST(QueueJob, ARefusedRightIsNamedWhenTheDirectRoadFailsToo)
{
    const std::string couldNot = "Printer Error: Could not print to LPT2:! Please check your printer connection.";
    const std::string rights = "Printer Rights Error: A temporary printer could not be added on LPT2:, since adding "
                               "a printer needs administrator rights. Start Vantrel as an administrator, or install "
                               "a printer on the port.";
    const struct {
        const char *what;
        std::vector<FAKE_FAULT> faults;
        bool file;
        SEND_RESULT result;
        std::vector<std::string> messages;
    } rows[] = {
        {"the device written", {Failing("AddPrinterA", 0, FAULT_FAILS, ERROR_ACCESS_DENIED)}, true, SEND_OK, {}},
        {"the device cannot be opened",
         {Failing("AddPrinterA", 0, FAULT_FAILS, ERROR_ACCESS_DENIED), Failing("CreateFileA LPT2:")}, true,
         SEND_PORT_OPEN_FAILED, {couldNot, rights}},
        {"refused for another reason", {Failing("AddPrinterA"), Failing("CreateFileA LPT2:")}, true,
         SEND_PORT_OPEN_FAILED, {couldNot}},
        {"the file is missing", {Failing("AddPrinterA", 0, FAULT_FAILS, ERROR_ACCESS_DENIED)}, false, SEND_BAD_FILE_NAME,
         {couldNot, "Input File Error: Selected Filename is invalid!\nPlease check validity of the file."}},
    };
    for (const auto &row : rows) {
        ASSERT_NO_FATAL_FAILURE(Install({"Plain"}));
        Fake.faults = row.faults;
        if (!row.file)
            Fake.files.clear();
        SEND_ROUTE route;
        SEND_RESULT result = SendToPort(&PortTable[1], Path, Quiet, NULL, &route);
        EXPECT_EQ(row.result, result) << row.what;
        EXPECT_EQ(ROAD_DIRECT, route.road) << row.what;
        SEND_OUTCOME outcome;
        DescribeSendResult(result, &route, NULL, "LPT2:", &outcome);
        std::vector<std::string> messages;
        for (int i = 0; i < outcome.messageCount; ++i)
            messages.push_back(std::string(outcome.messages[i].caption) + ": " + outcome.messages[i].text);
        EXPECT_EQ(row.messages, messages) << row.what;
        EXPECT_EQ(FakeDefects(), std::vector<std::string>()) << row.what;
        ResetSystemCalls();
    }
    for (bool refused : {false, true}) {
        InstallFakeSystem();
        Fake.serverRefused = refused;
        EXPECT_EQ(!refused, MayAddPrinters() != FALSE);
        Fake.faults = {Failing("OpenPrinterA")};
        EXPECT_TRUE(MayAddPrinters()) << "a server that cannot be asked says nothing of the right";
        EXPECT_EQ(FakeDefects(), std::vector<std::string>());
        ResetSystemCalls();
    }
}

namespace {

int Reports, StopAtReport;

BOOL CountReport(const char *, const char *)
{
    return ++Reports != StopAtReport;
}

} // namespace

/* An ended job followed on both job roads, on the printer handle that
   sent it, with the input file already closed; never touched, and a
   temporary printer deleted only after the following. Looks come at once,
   then after 100 ms, doubling to a second, never past the time. */
TEST(QueueJob, AnEndedJobIsFollowedUntilThePrinterHasItOrTheTimeIsUp)
{
    const FAKE_LOOK Gone = {0, "", ERROR_INVALID_PARAMETER};
    const struct {
        const char *what;
        std::vector<FAKE_LOOK> looks;
        DWORD seconds;
        int stopAtReport;
        JOB_OUTCOME outcome;
        const char *state;
        int looked;
        DWORD clock;
    } rows[] = {
        {"printed after several looks", {{JOB_STATUS_SPOOLING}, {JOB_STATUS_PRINTING}, {JOB_STATUS_PRINTED}}, 600, 0,
         JOB_PRINTED, NULL, 3, 300},
        {"offline, then printing, then gone", {{JOB_STATUS_OFFLINE}, {JOB_STATUS_OFFLINE}, {JOB_STATUS_PRINTING}, Gone},
         600, 0, JOB_PRINTED, NULL, 4, 700},
        {"out of paper until the time is up", {{JOB_STATUS_PAPEROUT, "", 0, 2, 1}}, 3, 0, JOB_UNCONFIRMED,
         "out of paper, 1 of 2 pages printed", 7, 3000},
        {"the spooler's own words before its bits", {{JOB_STATUS_ERROR, "Paper jam"}}, 1, 0, JOB_UNCONFIRMED,
         "Paper jam", 5, 1000},
        {"deleted by someone else", {{JOB_STATUS_PRINTING}, {JOB_STATUS_PRINTING | JOB_STATUS_DELETING}}, 600, 0,
         JOB_DELETED, NULL, 2, 100},
        {"gone at the first look", {}, 600, 0, JOB_PRINTED, NULL, 1, 0},
        {"the spooler will not say", {{0, "", ERROR_ACCESS_DENIED}}, 1, 0, JOB_UNCONFIRMED,
         "the spooler does not say (error 5)", 5, 1000},
        {"the following stopped, the job left alone", {{JOB_STATUS_PAUSED}}, 600, 2, JOB_UNCONFIRMED, "paused", 2, 100},
    };
    for (const auto &row : rows) {
        for (int port = 0; port < 2; ++port) {
            SCOPED_TRACE(std::string(row.what) + (port ? ", temporary printer" : ", queue"));
            ASSERT_NO_FATAL_FAILURE(Install({"Plain"}));
            Fake.looks = row.looks;
            Reports = 0;
            StopAtReport = row.stopAtReport;
            JOB_FOLLOWING following = {row.seconds, CountReport, JOB_NOT_FOLLOWED, ""};
            SEND_ROUTE route;
            EXPECT_EQ(SEND_OK, SendToPort(&PortTable[port], Path, Quiet, &following, &route));
            EXPECT_EQ(row.outcome, following.outcome);
            if (row.state) {
                EXPECT_STREQ(row.state, following.state);
            }
            EXPECT_EQ(row.looked, Fake.jobs.back().looks);
            EXPECT_EQ(row.clock, Fake.clock);
            EXPECT_FALSE(Fake.jobs.back().aborted);
            auto first = [](const std::string &line) {
                return std::find_if(Fake.log.begin(), Fake.log.end(), [&](const std::string &l) { return l.rfind(line, 0) == 0; });
            };
            EXPECT_LT(first(std::string("CloseHandle ") + Path), first("GetJobA")) << "the file held while following";
            EXPECT_EQ(FakeDefects(), std::vector<std::string>()) << FakeLog();
            ResetSystemCalls();
        }
    }
}
