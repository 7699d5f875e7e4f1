/* The fake spooler must keep the real two-call protocol, or the port and
   send tests prove nothing about it. */
#include "fake_spooler.h"
#include "seam_test.h"

#include <vector>

class FakeSpoolerTest : public SeamTest {
protected:
    void SetUp() override
    {
        SeamTest::SetUp();
        InstallFakeSpooler();
    }
};

TEST_F(FakeSpoolerTest, TwoCallProtocol)
{
    Spooler.ports = {{"LPT1:", "Local Port", "Local Monitor"}, {"COM1:", "Serial", "Local Monitor"}};
    DWORD needed = 0, returned = 7;
    SetLastError(0xDEAD);
    EXPECT_FALSE(Sys.EnumPortsA(NULL, 2, NULL, 0, &needed, &returned));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ(0u, returned);
    ASSERT_GT(needed, 2 * sizeof(PORT_INFO_2A));

    std::vector<BYTE> buffer(needed);
    EXPECT_FALSE(Sys.EnumPortsA(NULL, 2, buffer.data(), needed - 1, &needed, &returned));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    ASSERT_TRUE(Sys.EnumPortsA(NULL, 2, buffer.data(), needed, &needed, &returned));
    ASSERT_EQ(2u, returned);
    const PORT_INFO_2A *ports = (const PORT_INFO_2A *)buffer.data();
    EXPECT_STREQ("COM1:", ports[1].pPortName);
    EXPECT_STREQ("Local Port", ports[0].pDescription);
    EXPECT_STREQ("Local Monitor", ports[0].pMonitorName);
    /* every string lies inside the caller's buffer */
    EXPECT_GE((const BYTE *)ports[1].pDescription, buffer.data());
    EXPECT_LT((const BYTE *)ports[1].pDescription, buffer.data() + needed);
}

TEST_F(FakeSpoolerTest, ScriptedAnswers)
{
    Spooler.printers = {{"Laser", "LPT1:", 0x240}};
    Spooler.drivers = {"Generic"};
    DWORD needed = 1, returned = 1;

    /* an empty list answers like Wine's connections: success, 0 bytes */
    EXPECT_TRUE(Sys.EnumPrintersA(PRINTER_ENUM_CONNECTIONS, NULL, 2, NULL, 0, &needed, &returned));
    EXPECT_EQ(0u, needed);
    EXPECT_EQ(0u, returned);

    Spooler.printerScript.mode = FAKE_ENUM_PROBE_FAILS;
    EXPECT_FALSE(Sys.EnumPrintersA(PRINTER_ENUM_NAME, NULL, 2, NULL, 0, &needed, &returned));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
    EXPECT_EQ(0u, needed);

    Spooler.printerScript.mode = FAKE_ENUM_FILL_FAILS;
    EXPECT_FALSE(Sys.EnumPrintersA(PRINTER_ENUM_NAME, NULL, 2, NULL, 0, &needed, &returned));
    std::vector<BYTE> buffer(needed);
    EXPECT_FALSE(Sys.EnumPrintersA(PRINTER_ENUM_NAME, NULL, 2, buffer.data(), needed, &needed, &returned));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());

    Spooler.printerScript.mode = FAKE_ENUM_GROWS;
    EXPECT_FALSE(Sys.EnumPrintersA(PRINTER_ENUM_NAME, NULL, 2, NULL, 0, &needed, &returned));
    DWORD probed = needed;
    buffer.resize(probed);
    EXPECT_FALSE(Sys.EnumPrintersA(PRINTER_ENUM_NAME, NULL, 2, buffer.data(), probed, &needed, &returned));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_GT(needed, probed);

    EXPECT_FALSE(Sys.EnumPrinterDriversA(NULL, NULL, 3, NULL, 0, &needed, &returned));
    EXPECT_EQ(ERROR_INVALID_LEVEL, GetLastError());
    EXPECT_FALSE(Sys.EnumPrinterDriversA(NULL, NULL, 2, NULL, 0, &needed, &returned));
    buffer.resize(needed);
    ASSERT_TRUE(Sys.EnumPrinterDriversA(NULL, NULL, 2, buffer.data(), needed, &needed, &returned));
    EXPECT_STREQ("Generic", ((const DRIVER_INFO_2A *)buffer.data())->pName);

    std::vector<FAKE_ENUM_CALL> calls = FakeSpoolerCalls("EnumPrintersA");
    ASSERT_EQ(6u, calls.size());
    EXPECT_EQ((DWORD)PRINTER_ENUM_CONNECTIONS, calls[0].flags);
    EXPECT_FALSE(calls[2].hasBuffer);
    EXPECT_TRUE(calls[3].hasBuffer);
}
