/* The send run on its own thread, as "Go" starts it, against the fake
   spooler and the scripted machine: which ports it visits, the boxes and
   status texts each result gives, the stop rule, and the window it hands
   back. */
#include "fake_spooler.h"
#include "fake_transfer.h"
#include "message_boxes.h"
#include "port_list_host.h"
#include "ports.h"
#include "seam_test.h"
#include "send.h"
#include "send_windows.h"
#include "shell.h"

#include <algorithm>
#include <functional>
#include <memory>

static const char InputPath[] = "C:\\data\\fw.prn";

class SendRunTest : public SeamTest {
protected:
    void SetUp() override
    {
        SeamTest::SetUp();
        Reset();
    }

    void TearDown() override
    {
        ForgetPortTable();
        windows.reset();
        SeamTest::TearDown();
    }

    /* A fresh machine and fresh windows, for each row of a table. */
    void Reset()
    {
        ForgetPortTable();
        windows.reset();
        windows.reset(new SendWindows());
        ShowWindow(windows->main, SW_SHOW);
        InstallFakeSpooler();
        RecordMessageBoxes();
        fake = FakeTransfer();
        fake.Bind();
        fake.AddFile(InputPath, 3 * SEND_CHUNK_SIZE / 2);
        windows->SetFileName(InputPath);
    }

    /* Fills the list from the fake spooler and ticks the given items. */
    void ShowPorts(std::initializer_list<int> ticked)
    {
        ASSERT_TRUE(InitPortList(windows->main));
        for (int item : ticked)
            SetPortCheckState(item, PORT_CHECKED);
    }

    void ExpectWindowGivenBack()
    {
        EXPECT_EQ(windows->statusTexts.back(), "Ready");
        for (HWND control : {windows->main, windows->edit, windows->list, GoButtonWindow, ExitButtonWindow,
                             BrowseButtonWindow})
            EXPECT_TRUE(IsWindowEnabled(control));
        EXPECT_EQ(fake.OpenHandles(), std::vector<std::string>());
        EXPECT_EQ(fake.Problems(), std::vector<std::string>());
    }

    FakeTransfer fake;
    std::unique_ptr<SendWindows> windows;
};

struct BOX {
    std::string text;
    std::string caption;
};

static std::vector<BOX> Boxes(HWND owner)
{
    std::vector<BOX> boxes;
    for (const RECORDED_MESSAGE_BOX &box : MessageBoxes) {
        EXPECT_EQ(box.owner, owner);
        EXPECT_EQ(box.style, (UINT)(MB_OK | MB_ICONERROR));
        boxes.push_back({box.text, box.caption});
    }
    return boxes;
}

static bool operator==(const BOX &a, const BOX &b) { return a.text == b.text && a.caption == b.caption; }
static std::ostream &operator<<(std::ostream &out, const BOX &box)
{
    return out << '"' << box.caption << ": " << box.text << '"';
}

enum ROAD { INSTALLED, TEMPORARY, DIRECT };
static const char *const RoadNames[] = {"installed", "temporary", "direct"};
static const char *const RoadSinks[] = {"Queue1", "Temporary Printer_1", "LPT1:"};

/* LPT1: takes the road under test; LPT2:, ticked too, has a queue that
   works, so that whether the run went on shows in what it received. */
static void ArrangeRoad(ROAD road, FakeTransfer &fake)
{
    Spooler.ports = LocalPorts({"LPT1:", "LPT2:"});
    Spooler.printers = {{"Queue2", "LPT2:", 0}};
    fake.InstallPrinter("Queue2");
    if (road == INSTALLED) {
        Spooler.printers.push_back({"Queue1", "LPT1:", 0});     /* Attributes 0: a queue all the same */
        fake.InstallPrinter("Queue1");
    }
    if (road == TEMPORARY)
        Spooler.drivers = {"Raw Driver"};
    if (road == DIRECT)
        fake.AddPortDevice("LPT1:");
}

static const BOX PrinterError = {"Could not print to LPT1:! Please check your printer connection.", "Printer Error"};
static const BOX WriteError = {"Error writing to LPT1:! Please check your printer connection.",
                               "Write to Printer Error"};
static const BOX BadName = {"Selected Filename is invalid!\nPlease check validity of the file.", "Input File Error"};
static const BOX ReadError = {"Selected file could not be read", "Input File Read Error"};
static const BOX OpenError = {"Input file can't be opened!", "Input File Error"};

struct RESULT_ROW {
    const char *name;
    ROAD road;
    FAKE_ARRANGE arrange;
    std::vector<BOX> boxes;
    bool errorStatus;       /* "Error" shown before the run's end */
    bool stops;
};

static const RESULT_ROW ResultRows[] = {
    {"sent", INSTALLED, [](FakeTransfer &, SendWindows &) {}, {}, false, false},
    {"sent", TEMPORARY, [](FakeTransfer &, SendWindows &) {}, {}, false, false},
    {"sent", DIRECT, [](FakeTransfer &, SendWindows &) {}, {}, false, false},
    {"write fails", INSTALLED, FailingCall(FAKE_WritePrinter, 1), {WriteError}, true, false},
    {"write fails", TEMPORARY, FailingCall(FAKE_WritePrinter, 1), {WriteError}, true, false},
    {"write fails", DIRECT, FailingCall(FAKE_WriteFile, 1), {PrinterError, WriteError}, true, false},
    {"ending the job fails", INSTALLED, FailingCall(FAKE_EndDocPrinter, 1), {WriteError}, true, false},
    {"file name invalid", INSTALLED, [](FakeTransfer &, SendWindows &w) { w.SetFileName("C:\\none.prn"); },
     {BadName}, false, true},
    {"file name invalid", TEMPORARY, [](FakeTransfer &, SendWindows &w) { w.SetFileName("C:\\none.prn"); },
     {BadName}, false, true},
    {"file name invalid", DIRECT, [](FakeTransfer &, SendWindows &w) { w.SetFileName("C:\\none.prn"); },
     {PrinterError, BadName}, false, true},
    {"read fails", INSTALLED, FailingCall(FAKE_ReadFile, 2), {ReadError}, true, true},
    {"read fails", TEMPORARY, FailingCall(FAKE_ReadFile, 2), {ReadError}, true, true},
    {"read fails", DIRECT, FailingCall(FAKE_ReadFile, 2), {PrinterError, ReadError}, true, true},
    {"file held open", INSTALLED, [](FakeTransfer &f, SendWindows &) { f.HoldOpen(InputPath); },
     {OpenError}, true, true},
    {"file held open", TEMPORARY, [](FakeTransfer &f, SendWindows &) { f.HoldOpen(InputPath); },
     {OpenError}, true, true},
    {"file held open", DIRECT, [](FakeTransfer &f, SendWindows &) { f.HoldOpen(InputPath); },
     {PrinterError, OpenError}, true, true},
    {"port device cannot be opened", DIRECT, FailingCall(FAKE_CreateFileA, 1), {PrinterError}, false, false},
};

TEST_F(SendRunTest, EachResultGivesItsBoxesStatusAndStopRule)
{
    for (const RESULT_ROW &row : ResultRows) {
        SCOPED_TRACE(std::string(RoadNames[row.road]) + " road, " + row.name);
        Reset();
        ArrangeRoad(row.road, fake);
        ShowPorts({0, 1});
        row.arrange(fake, *windows);
        SetFocus(windows->main);

        ASSERT_TRUE(windows->RunSend());

        EXPECT_EQ(Boxes(windows->main), row.boxes);
        const std::vector<std::string> &texts = windows->statusTexts;
        EXPECT_EQ(std::find(texts.begin(), texts.end(), "Error") != texts.end(), row.errorStatus);
        EXPECT_EQ(fake.Sink("Queue2").jobsEnded, row.stops ? 0 : 1);
        if (!row.boxes.empty() && row.boxes.back() == BadName) {
            EXPECT_EQ(GetFocus(), windows->edit);
        }
        if (row.road == TEMPORARY) {
            EXPECT_EQ(fake.added.size(), 1u);
        }
        if (row.boxes.empty()) {
            FAKE_SINK &sink = fake.Sink(RoadSinks[row.road]);
            EXPECT_EQ(sink.bytes, 3 * SEND_CHUNK_SIZE / 2);
            EXPECT_TRUE(sink.intact);
        }
        ExpectWindowGivenBack();
    }
}

TEST_F(SendRunTest, NothingTickedGivesOneBoxAndNoRefresh)
{
    Spooler.ports = LocalPorts({"LPT1:"});
    ShowPorts({});
    size_t enumerations = Spooler.calls.size();

    ASSERT_TRUE(windows->RunSend());

    EXPECT_EQ(Boxes(windows->main), std::vector<BOX>({{"No ports are selected! Please select a port.",
                                                      "Selection Error"}}));
    EXPECT_EQ(Spooler.calls.size(), enumerations);
    EXPECT_EQ(fake.log, std::vector<std::string>());
    ExpectWindowGivenBack();
}

TEST_F(SendRunTest, TickedPortPushedDownByANewPortIsStillSent)
{
    Spooler.ports = LocalPorts({"LPT1:", "LPT3:"});
    Spooler.printers = {{"Queue3", "LPT3:", 0}};
    fake.InstallPrinter("Queue3");
    ShowPorts({1});
    Spooler.ports.insert(Spooler.ports.begin() + 1, LocalPort("LPT2:"));

    ASSERT_TRUE(windows->RunSend());

    EXPECT_EQ(ListTexts(0), std::vector<std::string>({"LPT1:", "LPT2:", "LPT3:"}));
    EXPECT_EQ(fake.Sink("Queue3").jobsEnded, 1);
    EXPECT_TRUE(MessageBoxes.empty());
    ExpectWindowGivenBack();
}

TEST_F(SendRunTest, PrinterConnectionIsNamedByItsLabel)
{
    Spooler.ports = LocalPorts({"LPT1:"});
    Spooler.connections = {{"\\\\server\\queue", "NE01:", PRINTER_ATTRIBUTE_NETWORK}};
    fake.InstallPrinter("\\\\server\\queue");
    fake.Fail(FAKE_WritePrinter, 2);
    ShowPorts({1});

    ASSERT_TRUE(windows->RunSend());

    EXPECT_EQ(Boxes(windows->main), std::vector<BOX>({{"Error writing to NE01: on server! Please check your "
                                                      "printer connection.", "Write to Printer Error"}}));
    EXPECT_EQ(windows->statusTexts[0], "Writing to NE01: on server");
    EXPECT_EQ(windows->statusTexts[1], "Writing to NE01: on server\t\t66% Completed");
    ExpectWindowGivenBack();
}
