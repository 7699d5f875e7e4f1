/* Whole send runs on the test bed: the real port list from Wine's spooler,
   the run on its own thread, and the bytes checked by SHA-256 where they
   arrive: at the printer listener behind the raw CUPS queue, in the file a
   temporary printer's port is mapped to, in the file a port device leads
   to. Message boxes are recorded, not shown. */
#include "bed.h"
#include "message_boxes.h"
#include "port_list_host.h"
#include "ports.h"
#include "seam_test.h"
#include "send.h"
#include "send_windows.h"

#include <winspool.h>

#include <algorithm>
#include <memory>

namespace {

struct SENT_FILE {
    std::string path;
    uint64_t size;
    std::string sha256;
};

class BedSendTest : public SeamTest {
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

    SENT_FILE MakeFile(const std::string &name, uint64_t size, unsigned seed)
    {
        std::string path = BedWindowsPath("send/" + name);
        return SENT_FILE{path, size, WriteTestFile(path, size, seed)};
    }

    /* Fills the list from the spooler, ticks the items with these texts and
       runs a send of the file named in the edit. */
    void RunSend(const std::string &path, const std::vector<std::string> &ports)
    {
        windows->SetFileName(path);
        ASSERT_TRUE(InitPortList(windows->main));
        std::vector<std::string> items = ListTexts(0);
        for (const std::string &port : ports) {
            auto found = std::find(items.begin(), items.end(), port);
            ASSERT_TRUE(found != items.end()) << port << " is not listed";
            SetPortCheckState((int)(found - items.begin()), PORT_CHECKED);
        }
        ASSERT_TRUE(windows->RunSend());
        EXPECT_EQ(windows->statusTexts.back(), "Ready");
    }

    std::vector<std::string> BoxTexts()
    {
        std::vector<std::string> texts;
        for (const RECORDED_MESSAGE_BOX &box : MessageBoxes)
            texts.push_back(box.caption + ": " + box.text);
        return texts;
    }

    std::unique_ptr<SendWindows> windows;
};

void ExpectSinkHolds(const std::string &sink, const SENT_FILE &file)
{
    uint64_t size = 0;
    std::string sha256;
    ASSERT_TRUE(HashSink(sink, &size, &sha256)) << sink;
    EXPECT_EQ(size, file.size) << sink;
    EXPECT_EQ(sha256, file.sha256) << sink;
}

void ExpectListenerJob(int number, const SENT_FILE &file)
{
    uint64_t size = 0;
    std::string sha256;
    ASSERT_TRUE(WaitForListenerJob(number, 60000, &size, &sha256)) << "job " << number;
    EXPECT_EQ(size, file.size);
    EXPECT_EQ(sha256, file.sha256);
}

/* Fills a sink with bytes a job must replace, so that an empty sink
   afterwards shows an empty job delivered, not none. */
void SpoilSink(const std::string &sink)
{
    HANDLE file = CreateFileA(SinkWindowsPath(sink).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD written = 0;
    WriteFile(file, "stale", 5, &written, NULL);
    CloseHandle(file);
}

std::vector<std::string> PrinterNames()
{
    DWORD needed = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, NULL, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 1);
    std::vector<std::string> names;
    if (EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, buffer.data(), needed, &needed, &count))
        for (DWORD i = 0; i < count; ++i)
            names.push_back(((PRINTER_INFO_2A *)buffer.data())[i].pPrinterName);
    return names;
}

void ExpectNoTemporaryPrinterLeft()
{
    for (const std::string &name : PrinterNames())
        EXPECT_NE(name.rfind("Temporary Printer", 0), 0u) << name << " is left";
}

const uint64_t Chunk = SEND_CHUNK_SIZE;
const uint64_t SeveralMiB = 5 * 1048576 + 123;

}  // namespace

class SpoolSend : public BedSendTest {};
class DirectSend : public BedSendTest {};

TEST_F(SpoolSend, InstalledQueueGetsEveryFileByteExact)
{
    ASSERT_EQ(BedProfile(), "spool");
    /* Wine sends no CUPS job at all for an empty one: the listener's next
       job is then the next file's. */
    for (uint64_t size : {(uint64_t)0, Chunk, Chunk + 1, SeveralMiB}) {
        SCOPED_TRACE(size);
        TearDown();
        SetUp();
        SENT_FILE file = MakeFile("installed.prn", size, (unsigned)size + 1);
        int before = CountListenerJobs();

        RunSend(file.path, {BedQueuePortName()});

        EXPECT_EQ(BoxTexts(), std::vector<std::string>());
        if (size > 0) {
            ExpectListenerJob(before + 1, file);
        } else {
            EXPECT_EQ(CountListenerJobs(), before);
        }
    }
}

TEST_F(SpoolSend, TemporaryPrinterDeliversEveryFileAndIsDeleted)
{
    ASSERT_EQ(BedProfile(), "spool");
    for (uint64_t size : {(uint64_t)0, Chunk, Chunk + 1, SeveralMiB}) {
        SCOPED_TRACE(size);
        TearDown();
        SetUp();
        SENT_FILE file = MakeFile("temporary.prn", size, (unsigned)size + 2);
        SpoilSink("spool-lpt2.bin");

        RunSend(file.path, {"LPT2:"});

        EXPECT_EQ(BoxTexts(), std::vector<std::string>());
        ExpectSinkHolds("spool-lpt2.bin", file);
        ExpectNoTemporaryPrinterLeft();
    }
}

TEST_F(SpoolSend, TwoPortsInOneRun)
{
    ASSERT_EQ(BedProfile(), "spool");
    SENT_FILE file = MakeFile("two.prn", 3 * Chunk + 7, 5);
    ASSERT_TRUE(EmptySink("spool-lpt1.bin"));
    int before = CountListenerJobs();

    RunSend(file.path, {BedQueuePortName(), "LPT1:"});

    EXPECT_EQ(BoxTexts(), std::vector<std::string>());
    ExpectListenerJob(before + 1, file);
    ExpectSinkHolds("spool-lpt1.bin", file);
    ExpectNoTemporaryPrinterLeft();
}

TEST_F(SpoolSend, UndeliverableJobIsAWriteError)
{
    ASSERT_EQ(BedProfile(), "spool");
    SENT_FILE file = MakeFile("undeliverable.prn", Chunk + 1, 9);
    for (const char *target : {"/nonexistent/folder/lpt2.bin", "|exit 3"}) {
        SCOPED_TRACE(target);
        TearDown();
        SetUp();
        ASSERT_TRUE(SetSpoolerMapping("LPT2:", target));

        RunSend(file.path, {"LPT2:"});

        SetSpoolerMapping("LPT2:", BedUnixPath("sinks/spool-lpt2.bin"));
        EXPECT_EQ(BoxTexts(), std::vector<std::string>({"Write to Printer Error: Error writing to LPT2:! "
                                                        "Please check your printer connection."}));
        ExpectNoTemporaryPrinterLeft();
    }
}

TEST_F(SpoolSend, UsersTemporaryPrinter1IsLeftAlone)
{
    ASSERT_EQ(BedProfile(), "spool");
    DWORD needed = 0, count = 0;
    EnumPrinterDriversA(NULL, NULL, 1, NULL, 0, &needed, &count);
    std::vector<BYTE> drivers(needed + 1);
    ASSERT_TRUE(EnumPrinterDriversA(NULL, NULL, 1, drivers.data(), needed, &needed, &count));
    ASSERT_GT(count, 0u);
    char name[] = "Temporary Printer_1", port[] = "LPT1:", processor[] = "winprint", type[] = "RAW";
    PRINTER_INFO_2A info;
    ZeroMemory(&info, sizeof info);
    info.pPrinterName = name;
    info.pPortName = port;
    info.pDriverName = ((DRIVER_INFO_1A *)drivers.data())->pName;
    info.pPrintProcessor = processor;
    info.pDatatype = type;
    HANDLE users = AddPrinterA(NULL, 2, (LPBYTE)&info);
    ASSERT_TRUE(users != NULL);
    SENT_FILE file = MakeFile("user.prn", Chunk + 1, 13);
    ASSERT_TRUE(EmptySink("spool-lpt2.bin"));

    RunSend(file.path, {"LPT2:"});

    EXPECT_EQ(BoxTexts(), std::vector<std::string>());
    ExpectSinkHolds("spool-lpt2.bin", file);
    DWORD size = 0;
    GetPrinterA(users, 2, NULL, 0, &size);
    std::vector<BYTE> buffer(size + 1);
    ASSERT_TRUE(GetPrinterA(users, 2, buffer.data(), size, &size));
    EXPECT_STREQ(((PRINTER_INFO_2A *)buffer.data())->pPortName, "LPT1:");
    EXPECT_TRUE(DeletePrinter(users));
    ClosePrinter(users);
    ExpectNoTemporaryPrinterLeft();
}

/* A file another process holds open: the child inherits a handle on it,
   opened without sharing, and keeps it until its input ends. */
TEST_F(SpoolSend, FileHeldOpenByAnotherProcessStopsTheRun)
{
    ASSERT_EQ(BedProfile(), "spool");
    SENT_FILE file = MakeFile("held.prn", 1000, 17);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE held = CreateFileA(file.path.c_str(), GENERIC_READ, 0, &inherit, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    HANDLE inputRead, inputWrite;
    ASSERT_TRUE(CreatePipe(&inputRead, &inputWrite, &inherit, 0));
    SetHandleInformation(inputWrite, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inputRead;
    PROCESS_INFORMATION child;
    char command[] = "cmd.exe /c set /p line=";
    ASSERT_TRUE(CreateProcessA(NULL, command, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &child));
    CloseHandle(held);
    CloseHandle(inputRead);
    int before = CountListenerJobs();

    RunSend(file.path, {BedQueuePortName(), "LPT1:"});

    CloseHandle(inputWrite);
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 30000), WAIT_OBJECT_0);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>({"Input File Error: Input file can't be opened!"}));
    EXPECT_EQ(CountListenerJobs(), before);
    ExpectNoTemporaryPrinterLeft();
}

TEST_F(SpoolSend, MissingFileStopsTheRun)
{
    ASSERT_EQ(BedProfile(), "spool");
    RunSend(BedWindowsPath("send/missing.prn"), {BedQueuePortName(), "LPT1:"});

    EXPECT_EQ(BoxTexts(), std::vector<std::string>({"Input File Error: Selected Filename is invalid!\n"
                                                    "Please check validity of the file."}));
    EXPECT_EQ(GetFocus(), windows->edit);
    ExpectNoTemporaryPrinterLeft();
}

TEST_F(DirectSend, PortDeviceGetsEveryFileByteExact)
{
    ASSERT_EQ(BedProfile(), "direct");
    for (uint64_t size : {(uint64_t)0, Chunk, Chunk + 1, SeveralMiB}) {
        SCOPED_TRACE(size);
        TearDown();
        SetUp();
        SENT_FILE file = MakeFile("direct.prn", size, (unsigned)size + 3);
        ASSERT_TRUE(EmptySink("device-lpt1.bin"));

        RunSend(file.path, {"LPT1:"});

        EXPECT_EQ(BoxTexts(), std::vector<std::string>());
        ExpectSinkHolds("device-lpt1.bin", file);
    }
}

TEST_F(DirectSend, TwoPortsInOneRunTheUnmappedOneFailing)
{
    ASSERT_EQ(BedProfile(), "direct");
    SENT_FILE file = MakeFile("two-direct.prn", 2 * Chunk + 5, 19);
    ASSERT_TRUE(EmptySink("device-lpt1.bin"));
    ASSERT_TRUE(EmptySink("device-lpt2.bin"));

    RunSend(file.path, {"LPT1:", "LPT2:", "LPT3:"});

    EXPECT_EQ(BoxTexts(), std::vector<std::string>({"Printer Error: Could not print to LPT3:! "
                                                    "Please check your printer connection."}));
    ExpectSinkHolds("device-lpt1.bin", file);
    ExpectSinkHolds("device-lpt2.bin", file);
}

TEST_F(DirectSend, MissingFileNamesThePortThenStopsTheRun)
{
    ASSERT_EQ(BedProfile(), "direct");
    ASSERT_TRUE(EmptySink("device-lpt2.bin"));

    RunSend(BedWindowsPath("send/missing.prn"), {"LPT1:", "LPT2:"});

    EXPECT_EQ(BoxTexts(), std::vector<std::string>({
        "Printer Error: Could not print to LPT1:! Please check your printer connection.",
        "Input File Error: Selected Filename is invalid!\nPlease check validity of the file."}));
    uint64_t size = 1;
    std::string sha256;
    ASSERT_TRUE(HashSink("device-lpt2.bin", &size, &sha256));
    EXPECT_EQ(size, 0u);
}
