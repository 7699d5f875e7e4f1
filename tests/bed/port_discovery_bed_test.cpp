/* Port discovery on Wine's real spooler, in the bed's "spool" profile: a
   raw CUPS queue whose CUPS: port is in Wine's port list. Wine ignores
   printer connections, so those are tested through the fake spooler only;
   the refresh on Wine's spooler is run end to end (tests/e2e). */
#include "bed.h"
#include "bed_spooler.h"
#include "port_list_host.h"
#include "ports.h"
#include "seam_test.h"

#include <string>
#include <vector>

class SpoolPortDiscovery : public SeamTest {
protected:
    void SetUp() override
    {
        SeamTest::SetUp();
        ForgetPortTable();
        if (BedProfile() != "spool")
            GTEST_SKIP() << "needs the bed's spool profile, not \"" << BedProfile() << "\"";
    }
    void TearDown() override
    {
        DestroyPortListHost(host);
        ForgetPortTable();
        SeamTest::TearDown();
    }
    const PORT_ENTRY *Row(const std::string &port)
    {
        for (int i = 0; i < PortTableCount; ++i)
            if (port == PortTable[i].szPortName)
                return &PortTable[i];
        return NULL;
    }

    HWND host = NULL;
};

TEST_F(SpoolPortDiscovery, FirstFillListsWinesPortsWithoutComAndFile)
{
    host = CreatePortListHost(415);
    ASSERT_TRUE(host != NULL);
    ASSERT_TRUE(InitPortList(host));

    /* every port the spooler lists, less COM and FILE, in its order */
    std::vector<std::string> listed, expected;
    ASSERT_TRUE(ListSpoolerPorts(&listed));
    for (const std::string &name : listed)
        if (name.compare(0, 3, "COM") != 0 && name.compare(0, 4, "FILE") != 0)
            expected.push_back(name);
    EXPECT_LT(expected.size(), listed.size()); /* Wine lists COM1: to COM4: and FILE: */
    EXPECT_EQ(expected, TablePortNames());
    EXPECT_EQ(TablePortNames(), ListTexts(0));

    const PORT_ENTRY *queue = Row(BedQueuePortName());
    ASSERT_TRUE(queue != NULL) << BedQueuePortName() << " is not listed";
    EXPECT_NE(PORT_NO_PRINTER, queue->Attributes);
    EXPECT_EQ(BedQueueName(), queue->szPrinterName);

    const PORT_ENTRY *bare = Row("LPT3:");
    ASSERT_TRUE(bare != NULL);
    EXPECT_EQ(PORT_NO_PRINTER, bare->Attributes);
    EXPECT_STREQ("Local Port", bare->szDescription);
}
