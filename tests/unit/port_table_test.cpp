/* The port table: the exclusion rule, connection labels, the printer on a
   port, the spooler's two-call enumerations and the first fill. */
#include "fake_spooler.h"
#include "port_list_host.h"
#include "ports.h"
#include "seam_test.h"

#include <stdlib.h>
#include <string>
#include <vector>

/* The rule is case-sensitive and looks at the beginning only; a text or
   prefix shorter than the length never matches. */
TEST(PortExclusion, PrefixesComAndFile)
{
    struct {
        const char *name;
        bool excluded;
    } names[] = {
        {"COM1:", true}, {"COM", true}, {"COMX", true}, {"FILE:", true},
        {"CO", false}, {"FIL", false}, {"com1:", false}, {"File:", false}, {"LPT1:", false},
        {"", false}, {"XCOM1:", false}, {NULL, false},
    };
    for (const auto &c : names) {
        SCOPED_TRACE(c.name ? c.name : "(null)");
        EXPECT_EQ(c.excluded, IsExcludedPortName(c.name));
    }
    struct {
        const char *text;
        const char *prefix;
        int length;
        bool matches;
    } prefixes[] = {
        {"COM", "CO", 3, false}, /* the prefix shorter than the length */
        {"LPT1:", "LPT2:", 3, true},
        {"abc", "xyz", 0, true},
        {"abc", "xyz", -2, true},
    };
    for (const auto &c : prefixes) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.prefix + " / " + std::to_string(c.length));
        EXPECT_EQ(c.matches, PrefixMatches(c.text, c.prefix, c.length));
    }
}

TEST(ConnectionLabel, PortOnServer)
{
    std::string longServer(250, 's');
    std::string longPrinter = "\\\\" + longServer + "\\q";
    struct {
        const char *port;
        const char *printer;
        std::string label;
    } cases[] = {
        {"LPT1:", "\\\\server\\queue", "LPT1: on server"},
        {"IP_10.0.0.5", "\\\\print-01\\Laser\\x", "IP_10.0.0.5 on print-01"},
        {"LPT1:", "\\\\server", "LPT1: on "},      /* no second backslash */
        {"LPT1:", "\\\\\\queue", "LPT1: on "},      /* empty server */
        {"LPT1:", "ab\\q", "LPT1: on "},            /* the first two characters are skipped, whatever they are */
        {"LPT1:", "xyserver\\q", "LPT1: on server"},
        {"LPT1:", "\\\\", "LPT1: on "},
        {"LPT1:", "\\", "LPT1: on "},
        {"LPT1:", "", "LPT1: on "},
        {"LPT1:", NULL, "LPT1: on "},
        /* a label never passes its 200 characters */
        {"LPT1:", longPrinter.c_str(), ("LPT1: on " + longServer).substr(0, PORT_LABEL_SIZE - 1)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.printer ? c.printer : "(null)");
        char label[PORT_LABEL_SIZE + 8];
        memset(label, '#', sizeof(label));
        FormatConnectionLabel(c.port, c.printer, label);
        EXPECT_EQ(c.label, label);
        EXPECT_EQ('#', label[PORT_LABEL_SIZE]);
    }
}

TEST(PrinterOnPort, FirstWholeMatchWins)
{
    PRINTER_INFO_2A printers[4] = {};
    const char *names[4] = {"Both", "First", "Second", "Lower"};
    const char *ports[4] = {"LPT1:,LPT2:", "LPT2:", "LPT2:", "lpt3:"};
    for (int i = 0; i < 4; ++i) {
        printers[i].pPrinterName = (LPSTR)names[i];
        printers[i].pPortName = (LPSTR)ports[i];
        printers[i].Attributes = 0x40 + i;
    }
    struct {
        const char *port;
        int count;
        const char *printer; /* NULL: none found */
        LONG attributes;
    } cases[] = {
        {"LPT2:", 4, "First", 0x41},
        {"LPT1:", 4, NULL, 0},   /* a comma-separated list names no single port */
        {"LPT3:", 4, NULL, 0},   /* case-sensitive */
        {"LPT2:", 1, NULL, 0},   /* only the first count entries are looked at */
        {"LPT2:", 0, NULL, 0},
        {"LPT2:", -1, NULL, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.port) + " over " + std::to_string(c.count));
        PORT_ENTRY row = {};
        lstrcpynA(row.szPortName, c.port, PORT_FIELD_SIZE);
        lstrcpynA(row.szPrinterName, "untouched", PORT_FIELD_SIZE);
        row.Attributes = 7;
        EXPECT_EQ(c.printer != NULL, FindPrinterForPort(&row, printers, c.count));
        EXPECT_STREQ(c.printer ? c.printer : "untouched", row.szPrinterName);
        EXPECT_EQ(c.printer ? c.attributes : 7, row.Attributes);
    }
}

class SpoolerEnumTest : public SeamTest {
protected:
    void SetUp() override
    {
        SeamTest::SetUp();
        InstallFakeSpooler();
    }
};

TEST_F(SpoolerEnumTest, TwoCallsWithTheExactSize)
{
    Spooler.ports = LocalPorts({"LPT1:", "COM1:"});
    Spooler.printers = {{"Laser", "LPT1:", 0x240}};
    PORT_INFO_2A *ports = NULL;
    PRINTER_INFO_2A *printers = NULL;
    ASSERT_EQ(2, EnumLocalPorts(&ports));
    ASSERT_EQ(1, EnumLocalPrinters(&printers));
    EXPECT_STREQ("COM1:", ports[1].pPortName);
    EXPECT_STREQ("Laser", printers[0].pPrinterName);
    free(ports);
    free(printers);

    for (const char *function : {"EnumPortsA", "EnumPrintersA"}) {
        SCOPED_TRACE(function);
        std::vector<FAKE_ENUM_CALL> calls = FakeSpoolerCalls(function);
        ASSERT_EQ(2u, calls.size());
        EXPECT_FALSE(calls[0].hasBuffer);
        EXPECT_EQ(0u, calls[0].bufferSize);
        EXPECT_TRUE(calls[1].hasBuffer);
        EXPECT_EQ(calls[0].needed, calls[1].bufferSize);
        EXPECT_EQ(2u, calls[1].level);
        EXPECT_FALSE(calls[1].hasName);
    }
}

/* Printers and connections answer -1 on failure, the ports 0. */
TEST_F(SpoolerEnumTest, FailuresAndEmptyLists)
{
    struct {
        const char *what;
        FAKE_ENUM_MODE mode;
        DWORD probeError;
        bool listed;
        int ports, printers, connections;
    } cases[] = {
        {"listed", FAKE_ENUM_OK, 0, true, 1, 1, 1},
        {"empty: success with 0 bytes", FAKE_ENUM_OK, 0, false, 0, 0, 0},
        {"probe fails", FAKE_ENUM_PROBE_FAILS, ERROR_ACCESS_DENIED, true, 0, -1, -1},
        {"probe wants a buffer of 0 bytes: nothing to list", FAKE_ENUM_PROBE_FAILS, ERROR_INSUFFICIENT_BUFFER, true, 0, 0, 0},
        {"filling call fails", FAKE_ENUM_FILL_FAILS, 0, true, 0, -1, -1},
        {"list grows between the calls", FAKE_ENUM_GROWS, 0, true, 0, -1, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        InstallFakeSpooler();
        if (c.listed) {
            Spooler.ports = LocalPorts({"LPT1:"});
            Spooler.printers = {{"Laser", "LPT1:", 0}};
            Spooler.connections = {{"\\\\srv\\q", "IP_1", 0}};
        }
        for (FAKE_LIST_SCRIPT *script : {&Spooler.portScript, &Spooler.printerScript, &Spooler.connectionScript}) {
            script->mode = c.mode;
            if (c.probeError)
                script->probeError = c.probeError;
        }
        PORT_INFO_2A *ports = (PORT_INFO_2A *)1;
        PRINTER_INFO_2A *printers = (PRINTER_INFO_2A *)1, *connections = (PRINTER_INFO_2A *)1;
        EXPECT_EQ(c.ports, EnumLocalPorts(&ports));
        EXPECT_EQ(c.printers, EnumLocalPrinters(&printers));
        EXPECT_EQ(c.connections, EnumPrinterConnections(&connections));
        EXPECT_EQ(c.ports > 0, ports != NULL);
        EXPECT_EQ(c.printers > 0, printers != NULL);
        EXPECT_EQ(c.connections > 0, connections != NULL);
        free(ports);
        free(printers);
        free(connections);
    }
}

/* The first fill, through the fake spooler, on a real list. */
class FirstFillTest : public PortListTest {
protected:
    /* Each row, as "port|description|printer|attributes". */
    std::vector<std::string> Rows()
    {
        std::vector<std::string> rows;
        for (int i = 0; i < PortTableCount; ++i) {
            const PORT_ENTRY &row = PortTable[i];
            rows.push_back(std::string(row.szPortName) + "|" + row.szDescription + "|" +
                           (row.Attributes == PORT_NO_PRINTER ? "" : row.szPrinterName) + "|" +
                           std::to_string(row.Attributes));
        }
        return rows;
    }
};

TEST_F(FirstFillTest, LocalPortsAndConnections)
{
    Spooler.ports = {LocalPort("COM1:"), {"LPT1:", "Printer Port", "Local Monitor"}, LocalPort("FILE:"),
                     LocalPort("LPT2:"), LocalPort("USB001")};
    Spooler.printers = {{"Both", "LPT1:,LPT2:", 0}, {"Laser", "LPT1:", 0x240}, {"Second", "LPT1:", 0x40},
                        {"Inkjet", "USB001", 0}};
    Spooler.connections = {{"\\\\alpha\\Front", "IP_10.0.0.9", 0x50}, {"\\\\beta\\Back", "IP_10.0.0.9", 0x10},
                           {"\\\\alpha\\Fax", "COM3:", 0x10}, {"\\\\gamma\\Wide", "NE01:", 0}};
    ASSERT_TRUE(InitList());

    EXPECT_EQ((std::vector<std::string>{
                  "LPT1:|Printer Port|Laser|576",
                  "LPT2:|Local Port||-1",
                  "USB001|Local Port|Inkjet|0",
                  /* each connection is its own printer, whatever port it shares */
                  "IP_10.0.0.9 on alpha|\\\\alpha\\Front|\\\\alpha\\Front|80",
                  "IP_10.0.0.9 on beta|\\\\beta\\Back|\\\\beta\\Back|16",
                  "NE01: on gamma|\\\\gamma\\Wide|\\\\gamma\\Wide|0",
              }),
              Rows());
    EXPECT_STREQ("Local Monitor", PortTable[0].szMonitorName);
    EXPECT_STREQ("", PortTable[3].szMonitorName);
    ExpectListShowsTable();
    EXPECT_EQ((std::vector<int>(6, PORT_UNCHECKED)), ListCheckStates());
}

TEST_F(FirstFillTest, OutcomesByScript)
{
    struct {
        const char *what;
        std::vector<std::string> ports;
        FAKE_ENUM_MODE portMode, printerMode, connectionMode;
        DWORD platform;
        bool filled;
        std::vector<std::string> rows;
    } cases[] = {
        {"no ports", {}, FAKE_ENUM_OK, FAKE_ENUM_OK, FAKE_ENUM_OK, VER_PLATFORM_WIN32_NT, false, {}},
        {"port list fails", {"LPT1:"}, FAKE_ENUM_FILL_FAILS, FAKE_ENUM_OK, FAKE_ENUM_OK, VER_PLATFORM_WIN32_NT, false, {}},
        {"printer list fails", {"LPT1:"}, FAKE_ENUM_OK, FAKE_ENUM_FILL_FAILS, FAKE_ENUM_OK, VER_PLATFORM_WIN32_NT, false, {}},
        {"printer probe fails", {"LPT1:"}, FAKE_ENUM_OK, FAKE_ENUM_PROBE_FAILS, FAKE_ENUM_OK, VER_PLATFORM_WIN32_NT, false, {}},
        {"connection list fails", {"LPT1:"}, FAKE_ENUM_OK, FAKE_ENUM_OK, FAKE_ENUM_FILL_FAILS, VER_PLATFORM_WIN32_NT, true,
         {"LPT1:|Local Port|Laser|0"}},
        {"every port excluded: an empty list", {"COM1:", "FILE:"}, FAKE_ENUM_OK, FAKE_ENUM_OK, FAKE_ENUM_FILL_FAILS,
         VER_PLATFORM_WIN32_NT, true, {}},
        {"9x: local ports only", {"LPT1:"}, FAKE_ENUM_OK, FAKE_ENUM_OK, FAKE_ENUM_OK, VER_PLATFORM_WIN32_WINDOWS, true,
         {"LPT1:|Local Port|Laser|0"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        DestroyPortListHost(host);
        ForgetPortTable();
        InstallFakeSpooler();
        Spooler.platformId = c.platform;
        Spooler.ports = LocalPorts(c.ports);
        Spooler.printers = {{"Laser", "LPT1:", 0}};
        Spooler.connections = {{"\\\\srv\\q", "IP_1", 0}};
        Spooler.portScript.mode = c.portMode;
        Spooler.printerScript.mode = c.printerMode;
        Spooler.connectionScript.mode = c.connectionMode;

        EXPECT_EQ(c.filled, InitList());
        EXPECT_EQ(c.rows, Rows());
        ExpectListShowsTable();
        bool nonNt = c.platform != VER_PLATFORM_WIN32_NT;
        for (const FAKE_ENUM_CALL &call : FakeSpoolerCalls("EnumPrintersA")) {
            EXPECT_NE(nonNt, call.flags == PRINTER_ENUM_CONNECTIONS || call.flags == PRINTER_ENUM_NAME);
            EXPECT_EQ(nonNt, call.flags == PRINTER_ENUM_LOCAL);
        }
    }
}

/* Texts longer than a field are cut to 99 characters, in the row and in
   the item alike, and the row still finds its printer. A printer's name is
   never cut: cut, it could open another printer, so a printer whose name
   does not fit is not taken, and such a connection is not offered. */
TEST_F(FirstFillTest, LongTextsAreCutAlike)
{
    std::string longPort = "LPT_" + std::string(140, 'p');
    std::string longDescription(180, 'd');
    std::string longPrinter = "\\\\server\\" + std::string(150, 'q');
    std::string longConnectionPort = "IP_" + std::string(120, 'c');
    Spooler.ports = {{longPort, longDescription, std::string(120, 'm')}, {"LPT1:", "", ""}};
    Spooler.printers = {{longPrinter, longPort, 0x240}, {"Laser", longPort, 0x40}, {longPrinter, "LPT1:", 0x240}};
    Spooler.connections = {{"\\\\server\\q", longConnectionPort, 0x10}, {longPrinter, "IP_2", 0x10}};
    ASSERT_TRUE(InitList());

    ASSERT_EQ(3, PortTableCount);
    const PORT_ENTRY &local = PortTable[0];
    EXPECT_EQ(longPort.substr(0, 99), local.szPortName);
    EXPECT_EQ(longDescription.substr(0, 99), local.szDescription);
    EXPECT_STREQ("Laser", local.szPrinterName);
    EXPECT_EQ(std::string(99, 'm'), local.szMonitorName);
    EXPECT_EQ(0x40, local.Attributes);
    EXPECT_EQ(PORT_NO_PRINTER, PortTable[1].Attributes);
    const PORT_ENTRY &connection = PortTable[2];
    EXPECT_EQ((longConnectionPort + " on server").substr(0, 99), connection.szPortName);
    EXPECT_EQ(0x10, connection.Attributes);
    ExpectListShowsTable();
}

/* Two connections on one port of one server have one label: the list
   cannot tell them apart, so the table keeps the first only. */
TEST_F(FirstFillTest, RepeatedLabelsKeepTheFirstRow)
{
    Spooler.ports = LocalPorts({"LPT1:"});
    Spooler.connections = {{"\\\\srv\\One", "IP_1", 0x10}, {"\\\\srv\\Two", "IP_1", 0x20}, {"\\\\srv\\Three", "IP_2", 0}};
    ASSERT_TRUE(InitList());
    EXPECT_EQ((std::vector<std::string>{"LPT1:|Local Port||-1", "IP_1 on srv|\\\\srv\\One|\\\\srv\\One|16",
                                        "IP_2 on srv|\\\\srv\\Three|\\\\srv\\Three|0"}),
              Rows());
    ExpectListShowsTable();
}

/* In a double-byte code page a trail byte may be 0x5C, the backslash:
   0x95 0x5C is one character of code page 932. Runs where the process has
   that code page (started under a Shift-JIS locale); skipped elsewhere. */
class DoubleBytePortText : public FirstFillTest {};

TEST_F(DoubleBytePortText, LabelsAndCutsKeepCharactersWhole)
{
    if (GetACP() != 932)
        GTEST_SKIP() << "needs code page 932, this process has " << GetACP();
    char label[PORT_LABEL_SIZE];
    FormatConnectionLabel("LPT1:", "\\\\\x95\x5c\x8e\xa6\\Queue", label);
    EXPECT_STREQ("LPT1: on \x95\x5c\x8e\xa6", label);
    FormatConnectionLabel("LPT1:", "\\\\srv\x95\x5c", label);
    EXPECT_STREQ("LPT1: on ", label);

    /* a double-byte character across byte 99 goes whole: 98 bytes stay */
    std::string port = std::string(98, 'p') + "\x95\x5c" + "tail";
    Spooler.ports = {{port, std::string(97, 'd') + "\x95\x5c\x95\x5c", ""}};
    Spooler.printers = {{"Laser", port, 0x240}};
    ASSERT_TRUE(InitList());
    ASSERT_EQ(1, PortTableCount);
    EXPECT_EQ(std::string(98, 'p'), PortTable[0].szPortName);
    EXPECT_EQ(std::string(97, 'd') + "\x95\x5c", PortTable[0].szDescription);
    EXPECT_STREQ("Laser", PortTable[0].szPrinterName); /* still its printer */
    ExpectListShowsTable();
}
