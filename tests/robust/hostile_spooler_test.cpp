/* Hostile spooler data through the seam: names of 0 to 4,000 characters,
   every byte value from 1 to 255, format directives, duplicates, printers
   on comma-separated port lists, connections without backslashes, 5,000
   ports. After the first fill and after every refresh:
   - the table holds what the spooler listed, each text cut to a field's 99
     characters, each repeated text once;
   - list item i shows row i, the same bytes in row and item;
   - no fixed buffer overflowed: guard bytes around the buffers the tests
     hand in, a terminator inside every field of every row, the heap whole
     (and the product is built with the stack protector and
     _FORTIFY_SOURCE here, which end the program on an overflow);
   - ticks stay on the surviving ports, and each ticked port that vanished
     gets its message. */
#include "fake_spooler.h"
#include "fake_transfer.h"
#include "message_boxes.h"
#include "port_list_host.h"
#include "ports.h"
#include "send.h"
#include "send_windows.h"

#include <malloc.h>
#include <stdio.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>

#if !defined(__MINGW_FORTIFY_LEVEL) || __MINGW_FORTIFY_LEVEL < 2
#error "the hostile-data tests are meant to be built with _FORTIFY_SOURCE=2"
#endif

namespace {

const size_t Field = PORT_FIELD_SIZE - 1;   /* characters a row's text holds */

/* In a single-byte code page a text is cut at its 99th byte. */
std::string Cut(const std::string &text)
{
    return text.substr(0, Field);
}

bool IsExcluded(const std::string &name)
{
    return name.compare(0, 3, "COM") == 0 || name.compare(0, 4, "FILE") == 0;
}

std::string ServerOf(const std::string &printer)
{
    size_t slash = printer.size() > 2 ? printer.find('\\', 2) : std::string::npos;
    return slash == std::string::npos ? "" : printer.substr(2, slash - 2);
}

struct ROW {
    std::string port, description, printer;
    LONG attributes;
    bool operator==(const ROW &other) const
    {
        return port == other.port && description == other.description && printer == other.printer &&
               attributes == other.attributes;
    }
};

/* The rows the fake spooler's lists call for. A printer is taken only by
   its whole name: a name cut short could open another printer. */
std::vector<ROW> ExpectedRows()
{
    std::vector<ROW> rows;
    std::set<std::string> texts;
    for (const FAKE_PORT &port : Spooler.ports) {
        if (IsExcluded(port.name))
            continue;
        ROW row = {Cut(port.name), Cut(port.description), "", PORT_NO_PRINTER};
        for (const FAKE_PRINTER &printer : Spooler.printers) {
            if (printer.port == port.name && printer.name.size() <= Field) {
                row.printer = printer.name;
                row.attributes = (LONG)printer.attributes;
                break;
            }
        }
        if (texts.insert(row.port).second)
            rows.push_back(row);
    }
    for (const FAKE_PRINTER &connection : Spooler.connections) {
        if (IsExcluded(connection.port) || connection.name.size() > Field)
            continue;
        ROW row = {Cut(connection.port + " on " + ServerOf(connection.name)), connection.name, connection.name,
                   (LONG)connection.attributes};
        if (texts.insert(row.port).second)
            rows.push_back(row);
    }
    return rows;
}

std::string Printable(const std::string &text)
{
    std::string shown;
    for (unsigned char c : text) {
        char escaped[8];
        snprintf(escaped, sizeof escaped, c >= 32 && c < 127 && c != '\\' ? "%c" : "\\x%02x", c);
        shown += escaped;
    }
    return shown.size() > 60 ? shown.substr(0, 60) + "...(" + std::to_string(text.size()) + ")" : shown;
}

/* A buffer with 16 guard bytes on either side. */
class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t size) : bytes(size + 32, (char)0xA5), size(size) {}
    char *Data() { return &bytes[16]; }
    bool Intact() const
    {
        for (size_t i = 0; i < 16; ++i)
            if (bytes[i] != (char)0xA5 || bytes[16 + size + i] != (char)0xA5)
                return false;
        return memchr(&bytes[16], '\0', size) != NULL;
    }

private:
    std::vector<char> bytes;
    size_t size;
};

class HostileSpooler : public PortListTest {
protected:
    /* The expected rows cut texts at their 99th byte, as a single-byte code
       page does; a double-byte one cuts before a character split there. */
    void SetUp() override
    {
        PortListTest::SetUp();
        CPINFO codePage;
        if (GetCPInfo(CP_ACP, &codePage) && codePage.MaxCharSize > 1)
            GTEST_SKIP() << "needs a single-byte code page; this process has " << GetACP();
    }

    /* What went wrong with the table and list now; empty when nothing. */
    std::vector<std::string> CheckTableAndList(const std::string &when)
    {
        std::vector<std::string> problems;
        auto check = [&](bool ok, const std::string &what) {
            if (!ok)
                problems.push_back(when + ": " + what);
        };
        std::vector<ROW> expected = ExpectedRows();
        check(PortTableCount == (int)expected.size(), std::to_string(PortTableCount) + " rows, expected " +
                                                           std::to_string(expected.size()));
        for (int i = 0; i < PortTableCount && i < (int)expected.size(); ++i) {
            const PORT_ENTRY &entry = PortTable[i];
            for (const char *field : {entry.szPortName, entry.szDescription, entry.szPrinterName, entry.szMonitorName})
                check(memchr(field, '\0', PORT_FIELD_SIZE) != NULL, "row " + std::to_string(i) + " has a field without its end");
            ROW row = {std::string(entry.szPortName, strnlen(entry.szPortName, PORT_FIELD_SIZE)),
                       std::string(entry.szDescription, strnlen(entry.szDescription, PORT_FIELD_SIZE)),
                       entry.Attributes == PORT_NO_PRINTER ? "" : std::string(entry.szPrinterName,
                                                                             strnlen(entry.szPrinterName, PORT_FIELD_SIZE)),
                       entry.Attributes};
            check(row == expected[i], "row " + std::to_string(i) + " is " + Printable(row.port) + " | " +
                                          Printable(row.printer) + " | " + std::to_string(row.attributes) +
                                          ", expected " + Printable(expected[i].port) + " | " +
                                          Printable(expected[i].printer) + " | " +
                                          std::to_string(expected[i].attributes));
            if (problems.size() > 5)
                return problems;
        }

        std::vector<std::string> texts = ListTexts(0), descriptions = ListTexts(1);
        check(texts.size() == (size_t)PortTableCount, std::to_string(texts.size()) + " items for " +
                                                          std::to_string(PortTableCount) + " rows");
        for (int i = 0; i < PortTableCount && i < (int)texts.size(); ++i) {
            check(texts[i] == PortTable[i].szPortName, "item " + std::to_string(i) + " shows " + Printable(texts[i]) +
                                                           ", row " + Printable(PortTable[i].szPortName));
            check(descriptions[i] == PortTable[i].szDescription, "item " + std::to_string(i) + " describes " +
                                                                     Printable(descriptions[i]));
            for (int column = 0; column < 2; ++column) {
                GuardedBuffer text(PORT_LABEL_SIZE);
                GetPortListItemText(i, column, text.Data());
                check(text.Intact(), "item text " + std::to_string(i) + " overran its buffer");
            }
            if (problems.size() > 5)
                return problems;
        }
        check(_heapchk() == _HEAPOK, "the heap is damaged");
        return problems;
    }

    /* Ticks every third item, refreshes, and checks the outcome. */
    void Refresh(const std::string &when)
    {
        std::vector<std::string> before = ListTexts(0);
        for (size_t i = 0; i < before.size(); i += 3)
            SetPortCheckState((int)i, PORT_CHECKED);
        std::vector<std::string> ticked = TickedPorts();
        MessageBoxes.clear();

        RebuildPortTable();

        std::vector<std::string> problems = CheckTableAndList(when);
        std::set<std::string> now;
        for (const ROW &row : ExpectedRows())
            now.insert(row.port);
        std::vector<std::string> vanished, kept;
        for (const std::string &text : ticked)
            (now.count(text) ? kept : vanished).push_back(text);
        std::vector<std::string> messages;
        for (const RECORDED_MESSAGE_BOX &box : MessageBoxes)
            messages.push_back(box.text);
        std::vector<std::string> expectedMessages;
        for (const std::string &text : vanished)
            expectedMessages.push_back("Selected Port " + text + " is no longer valid!");
        EXPECT_EQ(messages, expectedMessages) << when;
        std::vector<std::string> keptNow = TickedPorts();
        std::sort(kept.begin(), kept.end());
        std::sort(keptNow.begin(), keptNow.end());
        EXPECT_EQ(keptNow, kept) << when << ": the ticks of the surviving ports";
        for (const std::string &problem : problems)
            ADD_FAILURE() << problem;
        for (size_t i = 0; i < before.size(); ++i)
            SetPortCheckState((int)i, PORT_UNCHECKED);
    }

    /* The first fill, then refreshes that remove, restore, reorder, empty
       and refill the spooler's lists. */
    void FillAndRefresh(const std::string &name)
    {
        SCOPED_TRACE(name);
        std::vector<FAKE_PORT> ports = Spooler.ports;
        std::vector<FAKE_PRINTER> connections = Spooler.connections;
        ASSERT_TRUE(InitList());
        for (const std::string &problem : CheckTableAndList("first fill"))
            ADD_FAILURE() << problem;
        ++checks;

        Refresh("nothing changed");
        auto everyOther = [](auto list) {
            decltype(list) half;
            for (size_t i = 0; i < list.size(); i += 2)
                half.push_back(list[i]);
            return half;
        };
        Spooler.ports = everyOther(ports);
        Spooler.connections = everyOther(connections);
        Refresh("every other port gone");
        Spooler.ports = ports;
        Spooler.connections = connections;
        Refresh("back between the others");
        std::reverse(Spooler.ports.begin(), Spooler.ports.end());
        std::reverse(Spooler.connections.begin(), Spooler.connections.end());
        Refresh("listed the other way round");
        Spooler.ports.clear();
        Spooler.connections.clear();
        Refresh("every port gone");
        Spooler.ports = ports;
        Spooler.connections = connections;
        Refresh("all back");
        checks += 6;
    }

    int checks = 0;
};

/* 1 to 255, starting at `first` and going round. */
std::string EveryByte(int first)
{
    std::string bytes;
    for (int i = 0; i < 255; ++i)
        bytes += (char)(1 + (first - 1 + i) % 255);
    return bytes;
}

const size_t Lengths[] = {0, 1, 99, 100, 255, 4000};

} // namespace

TEST_F(HostileSpooler, NamesOfEveryLength)
{
    int n = 0;
    for (size_t length : Lengths) {
        char c = (char)('a' + n++);
        std::string name(length, c);
        Spooler.ports.push_back(LocalPort(name, std::string(length, 'd'), std::string(length, 'm')));
        Spooler.printers.push_back({std::string(length ? length : 1, (char)('A' + n)), name, (DWORD)n});
        Spooler.connections.push_back({"\\\\" + std::string(length, 's') + "\\q", std::string(length, (char)('n' + n)), 0x10});
        Spooler.connections.push_back({std::string(length, 'q'), "NE" + std::to_string(length) + ":", 0x10});
    }
    FillAndRefresh("lengths 0, 1, 99, 100, 255 and 4,000");

    /* The label's own buffer, handed in with guards. */
    for (size_t portLength : Lengths) {
        for (size_t serverLength : Lengths) {
            GuardedBuffer label(PORT_LABEL_SIZE);
            std::string port(portLength, 'p'), printer = "\\\\" + std::string(serverLength, 's') + "\\q";
            FormatConnectionLabel(port.c_str(), printer.c_str(), label.Data());
            EXPECT_TRUE(label.Intact()) << portLength << " and " << serverLength;
            EXPECT_EQ(std::string(label.Data()), (port + " on " + std::string(serverLength, 's')).substr(0, PORT_LABEL_SIZE - 1));
        }
    }
}

TEST_F(HostileSpooler, EveryByteValue)
{
    for (int b = 1; b <= 255; ++b)
        Spooler.ports.push_back(LocalPort(std::string(1, (char)b), EveryByte(b), EveryByte(256 - b)));
    std::string all = EveryByte(1);
    for (size_t from = 0; from < all.size(); from += Field)
        Spooler.ports.push_back(LocalPort(all.substr(from, Field) + "#", all));
    for (int b = 1; b <= 255; b += 7)
        Spooler.printers.push_back({"Queue " + std::string(1, (char)b), std::string(1, (char)b), (DWORD)b});
    std::string server;
    for (int b = 1; b <= 255; ++b)
        if (b != '\\')
            server += (char)b;
    Spooler.connections.push_back({"\\\\" + server.substr(0, 60) + "\\q", "\x01\x02", 0});
    Spooler.connections.push_back({"\\\\" + server.substr(150) + "\\q", "\xfe\xff", 0});
    FillAndRefresh("every byte from 1 to 255");
}

TEST_F(HostileSpooler, FormatDirectivesAndControlCharacters)
{
    for (const char *name : {"%s", "%n%n%n%n", "%99999999s", "%1$s%2$n", "%%", "\t\t100% Completed",
                             "line\nbreak", "\r\n", "\x1b[2J", " ", "  LPT1:  "})
        Spooler.ports.push_back(LocalPort(name, std::string("%s%s%s") + name, "%n"));
    Spooler.printers.push_back({"%s%n", "%s", 0});
    Spooler.connections.push_back({"\\\\%s%n\\%s", "%n", 0});
    FillAndRefresh("format directives");
}

TEST_F(HostileSpooler, DuplicatesCommasAndConnectionsWithoutBackslashes)
{
    Spooler.ports = {LocalPort("LPT1:", "first"), LocalPort("LPT1:", "second"), LocalPort("LPT2:"),
                     LocalPort("LPT1:,LPT2:"), LocalPort(std::string(Field, 'X') + "1"),
                     LocalPort(std::string(Field, 'X') + "2"),
                     LocalPort("NE01: on alpha", "a local port with a connection's label")};
    Spooler.printers = {{"Both", "LPT1:,LPT2:", 0x40}, {"First", "LPT2:", 0x41}, {"Second", "LPT2:", 0x42}};
    Spooler.connections = {{"\\\\alpha\\Laser", "NE01:", 0x10}, {"\\\\beta\\Inkjet", "NE01:", 0x11},
                           {"\\\\alpha\\Other", "NE01:", 0x12}, {"plain", "NE02:", 0}, {"", "NE03:", 0},
                           {"\\", "NE04:", 0}, {"\\\\", "NE05:", 0}, {"ab\\q", "NE06:", 0},
                           {"\\\\srv", "NE07:", 0}, {"\\\\\\q", "NE08:", 0}, {"same", "NE02:", 0}};
    FillAndRefresh("duplicates, commas, no backslashes");
}

TEST_F(HostileSpooler, FiveThousandPorts)
{
    for (int i = 0; i < 5000; ++i) {
        char name[16];
        snprintf(name, sizeof name, "P%04d:", i);
        Spooler.ports.push_back(LocalPort(name, "Port " + std::to_string(i) + " of 5,000 " + std::string(90, 'x')));
        if (i % 7 == 0)
            Spooler.printers.push_back({std::string("Queue on ") + name, name, (DWORD)i});
    }
    for (int i = 0; i < 100; ++i)
        Spooler.connections.push_back({"\\\\server" + std::to_string(i) + "\\q", "NE" + std::to_string(i) + ":", 0});
    FillAndRefresh("5,000 ports");
    printf("hostile spooler data: 5,100 rows through a fill and 6 refreshes\n");
}

/* A ticked port's bytes go to the port or printer its item names, by the
   whole name of that port or printer, never to one that shares a port
   name on another server or the first 99 characters of a longer name. */
class HostileSend : public SeamTest {
protected:
    void TearDown() override
    {
        windows.reset();
        ForgetPortTable();
        SeamTest::TearDown();
    }

    FakeTransfer fake;
    std::unique_ptr<SendWindows> windows;
};

TEST_F(HostileSend, EachTickedPortReachesItsOwnTarget)
{
    const std::string longQueue(Field, 'Q');
    InstallFakeSpooler();
    RecordMessageBoxes();
    fake.Bind();
    Spooler.drivers = {"Raw Driver"};
    Spooler.ports = LocalPorts({"%s%n", "\xff\x01", std::string(Field, 'X'), "LPT9:", "%n%s%n"});
    Spooler.printers = {{"Queue \xff", "\xff\x01", 0}, {longQueue, std::string(Field, 'X'), 0},
                        {longQueue + "9", "LPT9:", 0}, {"A queue that will not open", "%n%s%n", 0}};
    Spooler.connections = {{"\\\\alpha\\Laser", "LPT1:", 0x10}, {"\\\\beta\\Inkjet", "LPT1:", 0x10}};
    for (const std::string &printer : {std::string("Queue \xff"), longQueue, longQueue + "9",
                                       std::string("\\\\alpha\\Laser"), std::string("\\\\beta\\Inkjet")})
        fake.InstallPrinter(printer);
    fake.AddFile("C:\\fw.bin", 3000);
    windows.reset(new SendWindows());
    windows->SetFileName("C:\\fw.bin");
    ASSERT_TRUE(InitPortList(windows->main));
    ASSERT_EQ(ListTexts(0), std::vector<std::string>({"%s%n", "\xff\x01", std::string(Field, 'X'), "LPT9:", "%n%s%n",
                                                      "LPT1: on alpha", "LPT1: on beta"}));
    for (int i = 0; i < 7; ++i)
        SetPortCheckState(i, PORT_CHECKED);

    ASSERT_TRUE(windows->RunSend());

    std::vector<std::string> boxes;
    for (const RECORDED_MESSAGE_BOX &box : MessageBoxes)
        boxes.push_back(box.text);
    /* the port's name is the message's argument, never its format */
    EXPECT_EQ(boxes, std::vector<std::string>({"Error writing to %n%s%n! Please check your printer connection."}));
    std::map<std::string, int> jobs;
    for (const FAKE_JOB &job : fake.jobs) {
        jobs[job.sink]++;
        EXPECT_TRUE(job.intact && job.ended && job.bytes == 3000) << job.sink;
    }
    /* the queue on LPT9: has a name too long for a row: a temporary
       printer takes the job to LPT9: itself */
    EXPECT_EQ(jobs, (std::map<std::string, int>{{"Queue \xff", 1}, {longQueue, 1}, {"Temporary Printer_1", 2},
                                                {"\\\\alpha\\Laser", 1}, {"\\\\beta\\Inkjet", 1}}));
    std::vector<std::string> temporaryPorts;
    for (const FAKE_ADDED_PRINTER &added : fake.added)
        temporaryPorts.push_back(added.port);
    EXPECT_EQ(temporaryPorts, std::vector<std::string>({"%s%n", "LPT9:"}));
    EXPECT_EQ(fake.OpenHandles(), std::vector<std::string>());
    EXPECT_EQ(fake.Problems(), std::vector<std::string>());
}
