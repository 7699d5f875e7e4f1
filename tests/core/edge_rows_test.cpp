/* Edge rows that neither the fault oracle nor the end-to-end suite reaches:
   the port table the spooler's lists make (without a list window). */
#include "fake_system.h"
#include "ports.h"

#include <gtest/gtest.h>

namespace {

const std::string Long99(99, 'P'), Long100(100, 'P'), Name100(100, 'N');

struct TABLE_ROW {
    std::string what;
    std::vector<FAKE_PORT> ports;
    std::vector<FAKE_PRINTER> printers;
    std::vector<FAKE_FAULT> faults;
    std::vector<std::string> rows;      /* "text=printer", none after the "=": no printer; none: no table */
};

void CheckTableRows(const std::vector<TABLE_ROW> &rows)
{
    for (const TABLE_ROW &row : rows) {
        InstallFakeSystem();
        Fake.ports = row.ports;
        Fake.printers = row.printers;
        Fake.faults = row.faults;
        bool filled = BuildPortTable();
        ResetSystemCalls();
        std::vector<std::string> table;
        for (int i = 0; filled && i < PortTableCount; ++i) {
            table.push_back(std::string(PortTable[i].szPortName) + "=" + PortTable[i].szPrinterName);
            EXPECT_EQ(PortTable[i].Attributes == PORT_NO_PRINTER, PortTable[i].szPrinterName[0] == '\0') << row.what;
        }
        EXPECT_EQ(filled, !row.rows.empty()) << row.what;
        EXPECT_EQ(table, row.rows) << row.what;
        EXPECT_EQ(FakeDefects(), std::vector<std::string>()) << row.what;
    }
}

} // namespace

TEST(PortTable, Rows)
{
    CheckTableRows({
        {"COM and FILE ports are not offered, a repeated port once",
         {{"LPT1:"}, {"COM1:"}, {"FILE:"}, {"LPT1:"}, {"LPT2:"}}, {}, {}, {"LPT1:=", "LPT2:="}},
        {"a printer is matched by its whole port name, never a prefix", {{Long99}, {"LPT2:"}},
         {{"Prefix", Long99 + ",LPT2:", false}, {"Whole", "LPT2:", false}}, {}, {Long99 + "=", "LPT2:=Whole"}},
        {"a port too long for a row is not offered", {{Long100}, {"LPT1:"}}, {{"OnLong", Long100, false}}, {}, {"LPT1:="}},
        {"a printer name too long for a row is never taken", {{"LPT1:"}},
         {{Name100, "LPT1:", false}, {"\\\\srv\\" + Name100, "NE01:", true}}, {}, {"LPT1:="}},
        {"each connection its own printer, labelled by its server; a repeated label once", {{"LPT1:"}},
         {{"\\\\alpha\\q", "NE01:", true}, {"\\\\beta\\q", "NE01:", true}, {"bare", "NE02:", true},
          {"\\\\alpha\\q2", "NE01:", true}, {"\\\\gamma\\q", "COM1:", true}},
         {}, {"LPT1:=", "NE01: on alpha=\\\\alpha\\q", "NE01: on beta=\\\\beta\\q", "NE02: on =bare"}},
    });
}

/* Each enumeration's probe (#1) and fill (#2) fails, or claims one more or
   far more than is true. One byte more needed costs only a larger buffer;
   any other answer fails its list: no ports or no printers fail the fill,
   no connections leave the local rows. Each list's texts are longer than
   an entry, so that one entry more than the truth still lies in the
   buffer. */
TEST(PortTable, ListsThatFailOrClaimMore)
{
    const std::string name(150, 'Q');
    std::vector<TABLE_ROW> rows;
    for (const char *list : {"EnumPortsA", "EnumPrintersA local", "EnumPrintersA connections"}) {
        for (int nth : {1, 2}) {
            for (FAKE_FAULT fault : {FAKE_FAULT{list, nth, FAULT_FAILS, ERROR_ACCESS_DENIED},
                                     FAKE_FAULT{list, nth, FAULT_MORE, 1}, FAKE_FAULT{list, nth, FAULT_MORE, MAXDWORD}}) {
                bool harmless = nth == 1 && fault.answer == FAULT_MORE && fault.value == 1;
                bool connections = strstr(list, "connections") != NULL;
                std::vector<std::string> table = {"LPT1:=Queue", "LPT2:=", "LPT3:="};
                if (harmless)
                    table.push_back("NE01: on alpha=\\\\alpha\\q");
                rows.push_back({std::string(list) + " #" + std::to_string(nth) + " " + FakeAnswer(fault),
                                {{"LPT1:"}, {"LPT2:"}, {"LPT3:"}},
                                {{"Queue", "LPT1:", false}, {name, "LPT9:", false}, {"\\\\alpha\\q", "NE01:", true},
                                 {"\\\\beta\\" + name, "NE02:", true}},
                                {fault}, harmless || connections ? table : std::vector<std::string>()});
            }
        }
    }
    CheckTableRows(rows);
}

/* In code page 932 a trail byte may be 0x5C, the backslash's value: the
   server name runs to the next backslash character. */
TEST(PortTableDoubleByte, Rows)
{
    if (GetACP() != 932)
        GTEST_SKIP() << "needs code page 932; this process has " << GetACP();
    CheckTableRows({{"a server name with a 0x5C trail byte", {{"LPT1:"}},
                     {{"\\\\\x83\x5C\x83\x5C\\q", "NE01:", true}}, {},
                     {"LPT1:=", "NE01: on \x83\x5C\x83\x5C=\\\\\x83\x5C\x83\x5C\\q"}}});
}

/* Where the "A" calls take UTF-8, a name holds 99 characters as the system
   counts them, UTF-16 units (an emoji is two), whatever its bytes; a text
   cut to fit ends on a whole character, and one that is not UTF-8 never
   takes more than a field's bytes. Needs the test program's manifest. */
TEST(PortTableUtf8, Rows)
{
    ASSERT_EQ(CP_UTF8, GetACP()) << "the program's manifest asks for UTF-8";
    auto times = [](int count, const char *character) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += character;
        return text;
    };
    const std::string fits = times(98, "固") + ":", over = times(99, "固") + ":";
    const std::string pair = times(97, "固") + "😀", overPair = times(98, "固") + "😀";
    const std::string port = "NE01-" + times(40, "端") + ":", server = times(60, "固");
    CheckTableRows({
        {"99 units are offered whole, 100 are not", {{fits}, {over}, {pair}, {overPair}},
         {{times(98, "印") + "😀", fits, false}, {times(97, "印") + "😀", pair, false}}, {},
         {fits + "=", pair + "=" + times(97, "印") + "😀"}},
        {"a connection label is cut before a character that does not fit", {{"LPT1:"}},
         {{"\\\\" + server + "\\q", port, true}}, {},
         {"LPT1:=", port + " on " + times(49, "固") + "=\\\\" + server + "\\q"}},
        {"a description that is not UTF-8", {{"LPT1:", "\xC0" + std::string(400, '\x80')}}, {}, {},
         {"LPT1:="}},
    });
}
