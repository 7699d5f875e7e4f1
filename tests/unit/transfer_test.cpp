/* The three transfer roads against the scripted machine: chunk counts,
   progress texts, the bytes at the far end, every failure's result and
   what each road closes, in which order. */
#include "fake_spooler.h"
#include "fake_transfer.h"
#include "seam_test.h"
#include "send.h"
#include "send_windows.h"

#include <functional>

static const char InputPath[] = "C:\\data\\fw.prn";
static const char Port[] = "LPT1:";
static const char Queue[] = "Queue on LPT1";
static const char Temporary[] = "Temporary Printer_1";
static const SEND_RESULT NOT_ON_ROAD = 99;

enum ROAD { INSTALLED, TEMPORARY, DIRECT };
static const char *const RoadNames[] = {"installed", "temporary", "direct"};

class TransferTest : public SeamTest {
protected:
    void SetUp() override
    {
        SeamTest::SetUp();
        fake.Bind();
        InstallFakeSpooler();
        Spooler.drivers = {"Raw Driver"};
        fake.InstallPrinter(Queue);
        fake.AddPortDevice(Port);
        windows.SetFileName(InputPath);
    }

    /* Runs one road as the send run would, and says where its bytes go. */
    SEND_RESULT Send(ROAD road)
    {
        switch (road) {
        case INSTALLED:
            return PrintOnInstalledPrinter(Queue, Port);
        case TEMPORARY: {
            HANDLE printer = AddTemporaryPrinter(Port);
            EXPECT_TRUE(printer != NULL);
            return printer ? PrintOnTemporaryPrinter(printer, Port) : NOT_ON_ROAD;
        }
        default:
            return CopyFileToPort(Port);
        }
    }

    FAKE_SINK &Sink(ROAD road)
    {
        return fake.Sink(road == INSTALLED ? Queue : road == TEMPORARY ? Temporary : Port);
    }

    void ExpectAllReleased(ROAD road)
    {
        EXPECT_EQ(fake.OpenHandles(), std::vector<std::string>());
        EXPECT_EQ(fake.Problems(), std::vector<std::string>());
        if (road == TEMPORARY) {
            EXPECT_FALSE(fake.PrinterExists(Temporary));
        }
    }

    std::vector<std::string> LogTail(size_t count) const
    {
        size_t from = fake.log.size() > count ? fake.log.size() - count : 0;
        return std::vector<std::string>(fake.log.begin() + from, fake.log.end());
    }

    FakeTransfer fake;
    SendWindows windows;
};

static std::string Progress(int percent)
{
    return std::string("Writing to LPT1:\t\t") + std::to_string(percent) + "% Completed";
}

struct SIZE_ROW {
    uint64_t size;
    int chunks;
    std::vector<std::pair<int, int>> percentAfter;  /* chunk number (from 1), percent */
};

static const SIZE_ROW SizeRows[] = {
    {0, 1, {{1, 0}}},
    {524287, 1, {{1, 100}}},
    {524288, 2, {{1, 100}, {2, 100}}},
    {524289, 2, {{1, 99}, {2, 100}}},
    /* 15,204,352 / 52,428,800 * 100 is 28.999999999999996 in doubles */
    {52428800, 101, {{1, 1}, {29, 28}, {100, 100}, {101, 100}}},
};

TEST_F(TransferTest, EveryRoadSendsEveryChunkAndShowsItsProgress)
{
    for (ROAD road : {INSTALLED, TEMPORARY, DIRECT}) {
        for (const SIZE_ROW &row : SizeRows) {
            SCOPED_TRACE(std::string(RoadNames[road]) + " road, " + std::to_string(row.size) + " bytes");
            fake = FakeTransfer();
            SetUp();
            fake.AddFile(InputPath, row.size);
            windows.statusTexts.clear();

            EXPECT_EQ(Send(road), SEND_OK);

            EXPECT_EQ(fake.Calls(FAKE_ReadFile), row.chunks);
            EXPECT_EQ(fake.Calls(road == DIRECT ? FAKE_WriteFile : FAKE_WritePrinter), row.chunks);
            EXPECT_EQ(Sink(road).bytes, row.size);
            EXPECT_TRUE(Sink(road).intact);
            ExpectAllReleased(road);

            /* The first text, then one per chunk. */
            const std::vector<std::string> &texts = windows.statusTexts;
            ASSERT_EQ(texts.size(), (size_t)row.chunks + 1);
            EXPECT_EQ(texts[0], road == DIRECT ? Progress(0) : "Writing to LPT1:");
            for (const auto &expected : row.percentAfter)
                EXPECT_EQ(texts[expected.first], Progress(expected.second)) << "after chunk " << expected.first;
            EXPECT_EQ(GetCursor(), LoadCursorA(NULL, IDC_WAIT));

            if (road != DIRECT) {
                EXPECT_EQ(Sink(road).jobsStarted, 1);
                EXPECT_EQ(Sink(road).jobsEnded, 1);
                EXPECT_EQ(Sink(road).docName, InputPath);
                EXPECT_EQ(Sink(road).datatype, "RAW");
                EXPECT_TRUE(Sink(road).outputFileNull);
            }
        }
    }
}

TEST_F(TransferTest, EachRoadOpensAndClosesInItsOrder)
{
    const std::string openInput = "CreateFileA C:\\data\\fw.prn access=80000000 share=0 creation=3 flags=80";
    const std::vector<std::vector<std::string>> tails = {
        {"EndPagePrinter Queue on LPT1", "EndDocPrinter Queue on LPT1",
         "CloseHandle C:\\data\\fw.prn", "ClosePrinter Queue on LPT1"},
        {"EndPagePrinter Temporary Printer_1", "EndDocPrinter Temporary Printer_1",
         "CloseHandle C:\\data\\fw.prn", "DeletePrinter Temporary Printer_1",
         "ClosePrinter Temporary Printer_1"},
        {"CloseHandle LPT1:", "CloseHandle C:\\data\\fw.prn"},
    };
    for (ROAD road : {INSTALLED, TEMPORARY, DIRECT}) {
        SCOPED_TRACE(RoadNames[road]);
        fake = FakeTransfer();
        SetUp();
        fake.AddFile(InputPath, 1000);
        EXPECT_EQ(Send(road), SEND_OK);
        EXPECT_NE(fake.LogIndex(openInput), -1);
        EXPECT_EQ(LogTail(tails[road].size()), tails[road]);
        if (road == DIRECT) {
            EXPECT_LT(fake.LogIndex("CreateFileA LPT1: access=40000000 share=1 creation=3 flags=80"),
                      fake.LogIndex(openInput));
        }
    }
}

struct FAILURE_ROW {
    const char *name;
    FAKE_ARRANGE arrange;
    SEND_RESULT result[3];      /* installed, temporary, direct */
    int reads;                  /* ReadFile calls, or -1 */
};

static const uint64_t ThreeChunks = 2 * SEND_CHUNK_SIZE + 100;

static const FAILURE_ROW FailureRows[] = {
    {"file name that does not exist", [](FakeTransfer &, SendWindows &w) { w.SetFileName("C:\\none.prn"); },
     {SEND_BAD_FILE_NAME, SEND_BAD_FILE_NAME, SEND_BAD_FILE_NAME}, 0},
    {"path of MAX_PATH characters", [](FakeTransfer &f, SendWindows &w) {
         std::string path = "C:\\" + std::string(MAX_PATH - 3, 'a');
         f.AddFile(path, ThreeChunks);
         f.AddFile(path.substr(0, MAX_PATH - 1), ThreeChunks);    /* what a cut path would name */
         w.SetFileName(path);
     }, {SEND_BAD_FILE_NAME, SEND_BAD_FILE_NAME, SEND_BAD_FILE_NAME}, 0},
    {"path of MAX_PATH - 1 characters", [](FakeTransfer &f, SendWindows &w) {
         std::string path = "C:\\" + std::string(MAX_PATH - 4, 'a');
         f.AddFile(path, ThreeChunks);
         w.SetFileName(path);
     }, {SEND_OK, SEND_OK, SEND_OK}, 3},
    {"port device cannot be opened", FailingCall(FAKE_CreateFileA, 1),
     {NOT_ON_ROAD, NOT_ON_ROAD, SEND_PORT_OPEN_FAILED}, 0},
    {"input file held open by another program", [](FakeTransfer &f, SendWindows &) { f.HoldOpen(InputPath); },
     {SEND_OPEN_FAILED, SEND_OPEN_FAILED, SEND_OPEN_FAILED}, 0},
    {"a directory", [](FakeTransfer &f, SendWindows &w) { f.AddDirectory("C:\\data"); w.SetFileName("C:\\data"); },
     {SEND_OPEN_FAILED, SEND_OPEN_FAILED, SEND_OPEN_FAILED}, 0},
    {"OpenPrinterA fails", FailingCall(FAKE_OpenPrinterA, 1), {SEND_WRITE_FAILED, NOT_ON_ROAD, NOT_ON_ROAD}, 0},
    {"StartDocPrinterA fails", FailingCall(FAKE_StartDocPrinterA, 1),
     {SEND_WRITE_FAILED, SEND_WRITE_FAILED, NOT_ON_ROAD}, 0},
    {"StartPagePrinter fails", FailingCall(FAKE_StartPagePrinter, 1),
     {SEND_WRITE_FAILED, SEND_WRITE_FAILED, NOT_ON_ROAD}, 0},
    {"GetFileSize fails", FailingCall(FAKE_GetFileSize, 1), {SEND_READ_FAILED, SEND_READ_FAILED, SEND_READ_FAILED}, 0},
    {"second ReadFile fails", FailingCall(FAKE_ReadFile, 2), {SEND_READ_FAILED, SEND_READ_FAILED, SEND_READ_FAILED}, 2},
    {"a read returns less than asked before the end", ShortCall(FAKE_ReadFile, 1, 1000),
     {SEND_OK, SEND_OK, SEND_OK}, 4},
    {"second WritePrinter fails", FailingCall(FAKE_WritePrinter, 2),
     {SEND_WRITE_FAILED, SEND_WRITE_FAILED, NOT_ON_ROAD}, 2},
    {"WritePrinter takes less than the chunk", ShortCall(FAKE_WritePrinter, 1, 100),
     {SEND_WRITE_FAILED, SEND_WRITE_FAILED, NOT_ON_ROAD}, 1},
    {"second WriteFile fails", FailingCall(FAKE_WriteFile, 2), {NOT_ON_ROAD, NOT_ON_ROAD, SEND_WRITE_FAILED}, 2},
    {"WriteFile takes less than the chunk", ShortCall(FAKE_WriteFile, 1, 100), {NOT_ON_ROAD, NOT_ON_ROAD, SEND_OK}, 3},
    {"WriteFile succeeds but takes nothing", ShortCall(FAKE_WriteFile, 2, 0),
     {NOT_ON_ROAD, NOT_ON_ROAD, SEND_WRITE_FAILED}, 2},
    {"EndPagePrinter fails after the last chunk", FailingCall(FAKE_EndPagePrinter, 1),
     {SEND_WRITE_FAILED, SEND_WRITE_FAILED, NOT_ON_ROAD}, 3},
    {"EndDocPrinter fails after the last chunk", FailingCall(FAKE_EndDocPrinter, 1),
     {SEND_WRITE_FAILED, SEND_WRITE_FAILED, NOT_ON_ROAD}, 3},
};

TEST_F(TransferTest, EveryFailureGivesItsResultAndReleasesEverything)
{
    for (const FAILURE_ROW &row : FailureRows) {
        for (ROAD road : {INSTALLED, TEMPORARY, DIRECT}) {
            if (row.result[road] == NOT_ON_ROAD)
                continue;
            SCOPED_TRACE(std::string(RoadNames[road]) + " road: " + row.name);
            fake = FakeTransfer();
            SetUp();
            fake.AddFile(InputPath, ThreeChunks);
            windows.statusTexts.clear();
            row.arrange(fake, windows);

            SEND_RESULT result = Send(road);

            EXPECT_EQ(result, row.result[road]);
            ExpectAllReleased(road);
            if (row.reads >= 0) {
                EXPECT_EQ(fake.Calls(FAKE_ReadFile), row.reads);
            }
            if (result == SEND_OK) {
                EXPECT_EQ(Sink(road).bytes, ThreeChunks);
                EXPECT_TRUE(Sink(road).intact);
            }
            bool failedCopy = result == SEND_WRITE_FAILED || result == SEND_READ_FAILED;
            if (road == TEMPORARY && failedCopy) {
                EXPECT_EQ(windows.statusTexts.back(), "Error");
            }
        }
    }
}

TEST_F(TransferTest, FileOfMoreThanFourGibibytesIsSentWhole)
{
    const uint64_t size = 0x100000000ull + SEND_CHUNK_SIZE + 1;
    fake.AddFile(InputPath, size);

    EXPECT_EQ(Send(DIRECT), SEND_OK);

    EXPECT_EQ(fake.Calls(FAKE_ReadFile), 8194);
    EXPECT_EQ(Sink(DIRECT).bytes, size);
    EXPECT_TRUE(Sink(DIRECT).intact);
    ASSERT_EQ(windows.statusTexts.size(), 8195u);
    EXPECT_EQ(windows.statusTexts[8192], Progress(99));   /* 4 GiB of 4 GiB + 512 KiB + 1 */
    EXPECT_EQ(windows.statusTexts.back(), Progress(100));
    ExpectAllReleased(DIRECT);
}

struct TEMPORARY_NAME_ROW {
    const char *name;
    std::function<void(FakeTransfer &)> arrange;
    const char *added;          /* the printer added, or NULL for none */
    int addPrinterCalls;
};

static FAKE_FAULT NameInUse(FAKE_CALL call, int)
{
    if (call == FAKE_AddPrinterA)
        return FAKE_FAULT{FAKE_FAULT::FAIL, ERROR_PRINTER_ALREADY_EXISTS};
    return FAKE_FAULT{FAKE_FAULT::NONE, 0};
}

static const TEMPORARY_NAME_ROW TemporaryNameRows[] = {
    {"first name free", [](FakeTransfer &) {}, "Temporary Printer_1", 1},
    {"a user's printer has the first name, and Wine would overwrite it", [](FakeTransfer &f) {
         f.wineAddPrinter = true;
         f.InstallPrinter("Temporary Printer_1");
     }, "Temporary Printer_2", 1},
    {"the first name cannot be opened but is in use", [](FakeTransfer &f) {
         f.InstallPrinter("Temporary Printer_1");
         f.Fail(FAKE_OpenPrinterA, 1, ERROR_ACCESS_DENIED);
     }, "Temporary Printer_2", 2},
    {"the first two names in use, the third free", [](FakeTransfer &f) {
         f.InstallPrinter("Temporary Printer_1");
         f.InstallPrinter("Temporary Printer_2");
     }, "Temporary Printer_3", 1},
    {"AddPrinterA fails for another reason", [](FakeTransfer &f) { f.Fail(FAKE_AddPrinterA, 1, ERROR_ACCESS_DENIED); },
     NULL, 1},
    {"every name in use", [](FakeTransfer &f) { f.schedule = NameInUse; }, NULL, 1000},
    {"no driver installed", [](FakeTransfer &) { Spooler.drivers.clear(); }, NULL, 0},
    {"the driver list cannot be read", [](FakeTransfer &) { Spooler.driverScript.mode = FAKE_ENUM_FILL_FAILS; },
     NULL, 0},
};

TEST_F(TransferTest, TemporaryPrinterTakesTheFirstFreeName)
{
    for (const TEMPORARY_NAME_ROW &row : TemporaryNameRows) {
        SCOPED_TRACE(row.name);
        fake = FakeTransfer();
        SetUp();
        Spooler.drivers.push_back("Second Driver");
        row.arrange(fake);

        HANDLE printer = AddTemporaryPrinter(Port);

        EXPECT_EQ(printer != NULL, row.added != NULL);
        EXPECT_EQ(fake.Calls(FAKE_AddPrinterA), row.addPrinterCalls);
        if (printer) {
            ASSERT_EQ(fake.added.size(), 1u);
            const FAKE_ADDED_PRINTER &added = fake.added[0];
            EXPECT_EQ(added.name, row.added);
            EXPECT_EQ(added.port, Port);
            EXPECT_EQ(added.driver, "Raw Driver");
            EXPECT_EQ(added.processor, "winprint");
            EXPECT_EQ(added.datatype, "RAW");
            EXPECT_TRUE(added.otherFieldsZero);
            Sys.DeletePrinter(printer);
            Sys.ClosePrinter(printer);
        }
        ExpectAllReleased(INSTALLED);
    }
}
