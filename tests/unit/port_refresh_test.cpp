/* The refresh before a run: the table rebuilt from the (fake) spooler and
   the real list reconciled with it. After every refresh list item i must
   show row i, or a run would send to a port the user did not tick. */
#include "fake_spooler.h"
#include "message_boxes.h"
#include "port_list_host.h"
#include "ports.h"

#include <commctrl.h>
#include <string>
#include <vector>

namespace {

/* Each described by its own name, so that a description shown beside
   another port's item is seen. */
std::vector<FAKE_PORT> DescribedPorts(const std::vector<std::string> &names)
{
    std::vector<FAKE_PORT> ports;
    for (const std::string &name : names)
        ports.push_back(LocalPort(name, name + " port"));
    return ports;
}

std::string VanishedMessage(const std::string &port)
{
    return "Selected Port " + port + " is no longer valid!";
}

} // namespace

class PortRefreshTest : public PortListTest {
protected:
    std::vector<std::string> MessageTexts()
    {
        std::vector<std::string> texts;
        for (const RECORDED_MESSAGE_BOX &box : MessageBoxes) {
            EXPECT_EQ(NULL, box.owner);
            EXPECT_EQ("Port Error", box.caption);
            EXPECT_EQ((UINT)MB_ICONERROR, box.style);
            texts.push_back(box.text);
        }
        return texts;
    }
};

TEST_F(PortRefreshTest, LocalPortsComeAndGo)
{
    struct {
        const char *what;
        std::vector<std::string> before, ticked, after;
        std::vector<std::string> list, stillTicked, messages;
    } cases[] = {
        {"nothing changed",
         {"LPT1:", "LPT2:", "LPT3:"}, {"LPT2:"}, {"LPT1:", "LPT2:", "LPT3:"},
         {"LPT1:", "LPT2:", "LPT3:"}, {"LPT2:"}, {}},
        {"two adjacent ports gone, the first ticked",
         {"A:", "B:", "C:", "D:"}, {"B:"}, {"A:", "D:"},
         {"A:", "D:"}, {}, {VanishedMessage("B:")}},
        {"several ticked ports gone: one message each, in list order",
         {"A:", "B:", "C:", "D:", "E:"}, {"A:", "C:", "D:", "E:"}, {"B:", "D:"},
         {"B:", "D:"}, {"D:"}, {VanishedMessage("A:"), VanishedMessage("C:"), VanishedMessage("E:")}},
        {"a new port between two others",
         {"A:", "C:", "D:"}, {"C:", "D:"}, {"A:", "B:", "C:", "D:"},
         {"A:", "B:", "C:", "D:"}, {"C:", "D:"}, {}},
        {"new ports at both ends, one gone",
         {"B:", "C:", "D:"}, {"B:", "D:"}, {"A:", "B:", "D:", "E:"},
         {"A:", "B:", "D:", "E:"}, {"B:", "D:"}, {}},
        {"reordered by the spooler: the list follows, ticks go with their ports",
         {"A:", "B:", "C:"}, {"A:", "C:"}, {"C:", "A:", "B:"},
         {"C:", "A:", "B:"}, {"C:", "A:"}, {}},
        {"reordered, with ports gone and new",
         {"A:", "B:", "C:", "D:"}, {"B:", "C:", "D:"}, {"D:", "E:", "B:"},
         {"D:", "E:", "B:"}, {"D:", "B:"}, {VanishedMessage("C:")}},
        {"no ports any more",
         {"A:", "B:"}, {"B:"}, {},
         {}, {}, {VanishedMessage("B:")}},
        {"every port excluded now",
         {"A:", "B:"}, {"A:"}, {"COM1:", "FILE:"},
         {}, {}, {VanishedMessage("A:")}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        DestroyPortListHost(host);
        ForgetPortTable();
        InstallFakeSpooler();
        Spooler.ports = DescribedPorts(c.before);
        ASSERT_TRUE(InitList());
        TickPorts(c.ticked);
        ASSERT_EQ(c.ticked, TickedPorts());

        Spooler.ports = DescribedPorts(c.after);
        RecordMessageBoxes();
        RebuildPortTable();

        EXPECT_EQ(c.list, ListTexts(0));
        ExpectListShowsTable();
        EXPECT_EQ(c.stillTicked, TickedPorts());
        EXPECT_EQ(c.messages, MessageTexts());
    }
}

TEST_F(PortRefreshTest, PrinterListFailingLeavesEveryLocalPortWithoutPrinter)
{
    Spooler.ports = DescribedPorts({"LPT1:", "LPT2:"});
    Spooler.printers = {{"Laser", "LPT1:", 0x240}};
    Spooler.connections = {{"\\\\srv\\q", "IP_1", 0x10}};
    ASSERT_TRUE(InitList());
    ASSERT_EQ(0x240, PortTable[0].Attributes);
    TickPorts({"LPT1:"});

    Spooler.printerScript.mode = FAKE_ENUM_FILL_FAILS;
    RebuildPortTable();
    ASSERT_EQ(3, PortTableCount);
    EXPECT_EQ(PORT_NO_PRINTER, PortTable[0].Attributes);
    EXPECT_EQ(PORT_NO_PRINTER, PortTable[1].Attributes);
    EXPECT_EQ(0x10, PortTable[2].Attributes); /* a connection row always has its printer */
    ExpectListShowsTable();
    EXPECT_EQ((std::vector<std::string>{"LPT1:"}), TickedPorts());
    EXPECT_TRUE(MessageBoxes.empty());
}

TEST_F(PortRefreshTest, ConnectionsComeAndGo)
{
    Spooler.ports = DescribedPorts({"LPT1:"});
    Spooler.connections = {{"\\\\srv\\Old", "IP_9", 0}};
    ASSERT_TRUE(InitList());
    TickPorts({"IP_9 on srv"});

    /* Two new connections with one label: only the first gets an item, and
       the table keeps that one only, so item i still shows row i. */
    Spooler.connections = {{"\\\\srv\\One", "IP_1", 0x10}, {"\\\\srv\\Two", "IP_1", 0x20}, {"\\\\srv\\Old", "IP_9", 0}};
    RebuildPortTable();
    EXPECT_EQ((std::vector<std::string>{"LPT1:", "IP_1 on srv", "IP_9 on srv"}), ListTexts(0));
    ExpectListShowsTable();
    EXPECT_STREQ("\\\\srv\\One", PortTable[1].szPrinterName);
    EXPECT_EQ((std::vector<std::string>{"IP_9 on srv"}), TickedPorts());

    /* the connection list failing: connection items go like vanished ports */
    Spooler.connectionScript.mode = FAKE_ENUM_FILL_FAILS;
    RebuildPortTable();
    EXPECT_EQ((std::vector<std::string>{"LPT1:"}), ListTexts(0));
    ExpectListShowsTable();
    EXPECT_EQ((std::vector<std::string>{VanishedMessage("IP_9 on srv")}), MessageTexts());
}

TEST_F(PortRefreshTest, LongTextsStillMatch)
{
    std::string longPort = "LPT_" + std::string(140, 'p');
    std::string longLabelPort = "IP_" + std::string(120, 'c');
    Spooler.ports = {{longPort, std::string(150, 'd'), ""}, {"LPT1:", "", ""}};
    Spooler.connections = {{"\\\\server\\q", longLabelPort, 0}};
    ASSERT_TRUE(InitList());
    std::vector<std::string> cut = {longPort.substr(0, 99), "LPT1:", (longLabelPort + " on server").substr(0, 99)};
    ASSERT_EQ(cut, ListTexts(0));
    TickPorts(cut);

    Spooler.ports.push_back({"LPT2:", "", ""});
    RebuildPortTable();
    EXPECT_EQ((std::vector<std::string>{cut[0], "LPT1:", "LPT2:", cut[2]}), ListTexts(0));
    ExpectListShowsTable();
    EXPECT_EQ((std::vector<std::string>{cut[0], "LPT1:", cut[2]}), TickedPorts());
    EXPECT_TRUE(MessageBoxes.empty());

    /* the cut text is what the message names */
    Spooler.ports.erase(Spooler.ports.begin());
    RebuildPortTable();
    EXPECT_EQ((std::vector<std::string>{VanishedMessage(cut[0])}), MessageTexts());
    ExpectListShowsTable();
}

/* Only the first n rows count, whatever else the table holds. */
TEST_F(PortRefreshTest, ReconcileLooksAtTheRowsGivenOnly)
{
    Spooler.ports = DescribedPorts({"A:", "B:", "C:"});
    ASSERT_TRUE(InitList());
    TickPorts({"C:"});
    ReconcilePortList(2);
    EXPECT_EQ((std::vector<std::string>{"A:", "B:"}), ListTexts(0));
    EXPECT_EQ((std::vector<std::string>{VanishedMessage("C:")}), MessageTexts());

    EXPECT_TRUE(IsPortInTable("B:", 2));
    EXPECT_FALSE(IsPortInTable("C:", 2));
    EXPECT_FALSE(IsPortInTable("A:", 0));
    EXPECT_TRUE(IsPortInList("B:"));
    EXPECT_FALSE(IsPortInList("C:"));
    EXPECT_FALSE(IsPortInList("b:"));
}
