/* Port discovery on Wine's real spooler, in the bed's "spool" profile: a
   raw CUPS queue whose CUPS: port is in Wine's port list. Wine ignores
   printer connections, so those are tested through the fake spooler only.
   The refresh runs on a second thread, as in a run, while this thread owns
   the list and answers the "Port Error" box as a user would. */
#include "bed.h"
#include "bed_spooler.h"
#include "port_list_host.h"
#include "ports.h"
#include "seam_test.h"

#include <process.h>
#include <algorithm>
#include <string>
#include <vector>

namespace {

/* A message box that the refresh shows, as the user saw it. */
struct SEEN_BOX {
    std::string text;
    std::string caption;
    HWND owner;
};

struct BOX_SEARCH {
    HWND box;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM lParam)
{
    char className[32] = "";
    GetClassNameA(window, className, sizeof(className));
    if (lstrcmpA(className, "#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    ((BOX_SEARCH *)lParam)->box = window;
    return FALSE;
}

unsigned __stdcall RefreshThread(void *)
{
    RebuildPortTable();
    return 0;
}

/* Runs RebuildPortTable on a second thread while this one carries out its
   list messages; reads and closes (OK) every box the refresh shows. */
bool RefreshAnsweringBoxes(std::vector<SEEN_BOX> *boxes)
{
    unsigned threadId = 0;
    HANDLE thread = (HANDLE)_beginthreadex(NULL, 0, RefreshThread, NULL, 0, &threadId);
    if (thread == NULL)
        return false;
    HWND pressed = NULL;
    DWORD deadline = GetTickCount() + 30000;
    bool done = false;
    while (!done && GetTickCount() < deadline) {
        done = MsgWaitForMultipleObjects(1, &thread, FALSE, 50, QS_ALLINPUT) == WAIT_OBJECT_0;
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        BOX_SEARCH search = {NULL};
        EnumThreadWindows(threadId, FindDialog, (LPARAM)&search);
        if (search.box != NULL && search.box != pressed) {
            char text[512] = "", caption[128] = "";
            GetDlgItemTextA(search.box, 0xFFFF, text, sizeof(text));
            GetWindowTextA(search.box, caption, sizeof(caption));
            boxes->push_back({text, caption, GetWindow(search.box, GW_OWNER)});
            /* posted: the box's own thread runs its modal loop */
            PostMessageA(GetDlgItem(search.box, IDOK), BM_CLICK, 0, 0);
            pressed = search.box;
        }
    }
    if (!done)
        TerminateThread(thread, 1);
    CloseHandle(thread);
    return done;
}

int IndexOf(const std::vector<std::string> &texts, const std::string &text)
{
    auto found = std::find(texts.begin(), texts.end(), text);
    return found == texts.end() ? -1 : (int)(found - texts.begin());
}

} // namespace

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
        for (const std::string &port : added)
            RemovePortFromList(port);
        DestroyPortListHost(host);
        ForgetPortTable();
        SeamTest::TearDown();
    }
    bool AddPort(const std::string &port)
    {
        added.push_back(port);
        return AddPortToList(port);
    }
    const PORT_ENTRY *Row(const std::string &port)
    {
        for (int i = 0; i < PortTableCount; ++i)
            if (port == PortTable[i].szPortName)
                return &PortTable[i];
        return NULL;
    }

    HWND host = NULL;
    std::vector<std::string> added;
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

TEST_F(SpoolPortDiscovery, RefreshReportsATickedPortGoneAndPlacesANewOne)
{
    ASSERT_TRUE(AddPort("VGONE:"));
    host = CreatePortListHost(415);
    ASSERT_TRUE(host != NULL);
    ASSERT_TRUE(InitPortList(host));
    std::vector<std::string> before = ListTexts(0);
    int gone = IndexOf(before, "VGONE:");
    int kept = IndexOf(before, "LPT1:");
    ASSERT_GE(gone, 0);
    ASSERT_GE(kept, 0);
    SetPortCheckState(gone, PORT_CHECKED);
    SetPortCheckState(kept, PORT_CHECKED);

    ASSERT_TRUE(RemovePortFromList("VGONE:"));
    ASSERT_TRUE(AddPort("LPT2A:")); /* sorts between LPT2: and LPT3: */
    std::vector<SEEN_BOX> boxes;
    ASSERT_TRUE(RefreshAnsweringBoxes(&boxes)) << "the refresh did not end";

    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Selected Port VGONE: is no longer valid!", boxes[0].text);
    EXPECT_EQ("Port Error", boxes[0].caption);
    EXPECT_EQ(NULL, boxes[0].owner);

    std::vector<std::string> after = ListTexts(0);
    EXPECT_EQ(TablePortNames(), after);
    EXPECT_EQ(-1, IndexOf(after, "VGONE:"));
    int added = IndexOf(after, "LPT2A:");
    ASSERT_GE(added, 1);
    EXPECT_EQ("LPT2:", after[added - 1]);
    std::vector<int> states = ListCheckStates();
    EXPECT_EQ(PORT_UNCHECKED, states[added]);
    for (size_t i = 0; i < after.size(); ++i)
        EXPECT_EQ(after[i] == "LPT1:" ? PORT_CHECKED : PORT_UNCHECKED, states[i]) << after[i];
}
