/* What only the seam shows of a queue's job: the data type its driver
   calls for where Wine's spooler cannot say (level 8's attributes, a
   spooler without level 8, answers not to be believed), and the temporary
   printer a user may not add. Each case runs through the port table and
   SendToPort, as the front ends do. (A job followed in a queue that keeps
   it: the console's tests.) */
#include "fake_system.h"
#include "send.h"

#include <gtest/gtest.h>

namespace {

const char Path[] = "C:\\jobs\\image.prn";
const std::string Pipeline = "C:\\windows\\system32\\spool\\drivers\\x64\\3\\PipelineConfig.xml";

/* A queue on LPT1: and no queue on LPT2:, whose device exists; the table
   built from them: row 0 the queue, row 1 LPT2:. */
void Install(const std::vector<FAKE_DRIVER> &drivers)
{
    InstallFakeSystem();
    Fake.ports = {{"LPT1:"}, {"LPT2:"}};
    Fake.printers = {{"Queue", "LPT1:", false}};
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

/* The data type of the queue's job and of a temporary printer's, the
   latter added with it. (That the queue's own driver decides, and the
   first installed one a temporary printer's, by the dependent files at
   level 8: end to end.) */
TEST(QueueJob, TheDataTypeFollowsTheDriver)
{
    const struct {
        const char *what;
        std::vector<FAKE_DRIVER> drivers;
        bool level8;
        std::vector<FAKE_FAULT> faults;
        const char *datatype;
    } rows[] = {
        {"the spooler says XPS", {{"V4", 2}}, true, {}, "XPS_PASS"},
        {"a pipeline configuration among the dependent files, level 3 where 8 is not answered",
         {{"V4", 0, {"C:\\d\\unidrv.dll", Pipeline}}}, false, {}, "XPS_PASS"},
        {"files merely named like it", {{"V4", 0, {"C:\\d\\pipeline-config.xml", "C:\\d\\pipelineconfig.xml.bak",
                                                   "C:\\pipelineconfig.xml\\filter.dll"}}}, true, {}, "RAW"},
        {"information that cannot be read is a plain driver's", {{"V4", 2, {Pipeline}}}, true,
         {Failing("GetPrinterDriverA"), Failing("EnumPrinterDriversA 8"), Failing("EnumPrinterDriversA 3")}, "RAW"},
        {"a level 8 list claiming entries it does not hold is not read", {{"V4", 0, {Pipeline}}}, true,
         {Failing("EnumPrinterDriversA 8", 2, FAULT_MORE, MAXDWORD)}, "XPS_PASS"},
    };
    for (const auto &row : rows) {
        ASSERT_NO_FATAL_FAILURE(Install(row.drivers));
        Fake.level8 = row.level8;
        Fake.faults = row.faults;
        SEND_ROUTE route;
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(SEND_OK, SendToPort(&PortTable[i], Path, Quiet, NULL, &route)) << row.what;
        ASSERT_EQ(2u, Fake.jobs.size()) << row.what << FakeLog();
        EXPECT_EQ(row.datatype, Fake.jobs[0].datatype) << row.what;
        EXPECT_EQ(row.datatype, Fake.jobs[1].datatype) << row.what;
        EXPECT_EQ(FakeDefects(), std::vector<std::string>()) << row.what;
        ResetSystemCalls();
    }
}

/* A user without the right to add printers: the run writes the device
   instead; only when that fails too is the missing right named, and only
   for the port's failure, never the file's. */
TEST(QueueJob, ARefusedRightIsNamedWhenTheDirectRoadFailsToo)
{
    const std::string couldNot = "Printer Error: Could not print to LPT2:! Please check your printer connection.";
    const std::string rights = "Printer Rights Error: A temporary printer could not be added on LPT2:, since adding "
                               "a printer needs administrator rights. Start Vantrel as an administrator, or install "
                               "a printer on the port.";
    const FAKE_FAULT denied = Failing("AddPrinterA", 0, FAULT_FAILS, ERROR_ACCESS_DENIED);
    const struct {
        const char *what;
        std::vector<FAKE_FAULT> faults;
        bool file;
        SEND_RESULT result;
        std::vector<std::string> messages;
    } rows[] = {
        {"the device cannot be opened", {denied, Failing("CreateFileA LPT2:")}, true, SEND_PORT_OPEN_FAILED,
         {couldNot, rights}},
        {"refused for another reason", {Failing("AddPrinterA"), Failing("CreateFileA LPT2:")}, true,
         SEND_PORT_OPEN_FAILED, {couldNot}},
        {"the file is missing", {denied}, false, SEND_BAD_FILE_NAME,
         {couldNot, "Input File Error: Selected Filename is invalid!\nPlease check validity of the file."}},
    };
    for (const auto &row : rows) {
        ASSERT_NO_FATAL_FAILURE(Install({{"Plain"}}));
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
}

