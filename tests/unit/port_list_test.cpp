/* The port list on a real list view: its columns, items and check boxes. */
#include "fake_spooler.h"
#include "port_list_host.h"
#include "ports.h"

#include <commctrl.h>
#include <string>
#include <vector>

TEST_F(PortListTest, ColumnsShareTheListWidth)
{
    struct {
        int width;
        int port;
        int description;
    } cases[] = {
        {415, 123, 288}, {300, 88, 208}, {14, 3, 7}, {4, 0, 0},
        {2, 0, 0}, /* narrower than the borders: no negative width, which would mean "autosize" */
    };
    Spooler.ports = LocalPorts({"LPT1:"});
    for (const auto &c : cases) {
        SCOPED_TRACE(c.width);
        DestroyPortListHost(host);
        ForgetPortTable();
        ASSERT_TRUE(InitList(c.width));
        RECT frame;
        GetWindowRect(PortListWindow, &frame);
        ASSERT_EQ(c.width, frame.right - frame.left);
        EXPECT_EQ(c.port, SendMessageA(PortListWindow, LVM_GETCOLUMNWIDTH, 0, 0));
        EXPECT_EQ(c.description, SendMessageA(PortListWindow, LVM_GETCOLUMNWIDTH, 1, 0));
    }
}

TEST_F(PortListTest, SetUpGivesCheckBoxesAndTwoLeftColumns)
{
    ASSERT_FALSE(InitList()); /* no ports at all: the fill fails, the columns stay */
    EXPECT_EQ(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT,
              SendMessageA(PortListWindow, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & (LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT));
    const char *titles[] = {"Port", "Description"};
    for (int column = 0; column < 2; ++column) {
        char title[32] = "";
        LVCOLUMNA header = {};
        header.mask = LVCF_TEXT | LVCF_FMT;
        header.pszText = title;
        header.cchTextMax = sizeof(title);
        ASSERT_TRUE(SendMessageA(PortListWindow, LVM_GETCOLUMNA, column, (LPARAM)&header));
        EXPECT_STREQ(titles[column], title);
        EXPECT_EQ(LVCFMT_LEFT, header.fmt & LVCFMT_JUSTIFYMASK);
    }
    EXPECT_EQ(0, SendMessageA(PortListWindow, LVM_GETITEMCOUNT, 0, 0));
    EXPECT_FALSE(IsAnyPortChecked());
}

TEST_F(PortListTest, WithoutTheListControlSetUpFails)
{
    Spooler.ports = LocalPorts({"LPT1:"});
    host = CreateWindowExA(0, "STATIC", "no list", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(host != NULL);
    EXPECT_FALSE(InitPortList(host));
    EXPECT_TRUE(Spooler.calls.empty());
}

TEST_F(PortListTest, InsertAndReadItems)
{
    ASSERT_FALSE(InitList());
    InsertPortListItem(0, "LPT2:", "second");
    InsertPortListItem(0, "LPT1:", "first");     /* moves LPT2: down */
    InsertPortListItem(5, "USB001", "appended"); /* beyond the end: appended, and labelled */
    EXPECT_EQ((std::vector<std::string>{"LPT1:", "LPT2:", "USB001"}), ListTexts(0));
    EXPECT_EQ((std::vector<std::string>{"first", "second", "appended"}), ListTexts(1));

    char text[PORT_LABEL_SIZE];
    GetPortListItemText(1, 0, text);
    EXPECT_STREQ("LPT2:", text);
    GetPortListItemText(2, 1, text);
    EXPECT_STREQ("appended", text);
    GetPortListItemText(3, 0, text); /* no such item */
    EXPECT_STREQ("", text);

    std::string longest(PORT_LABEL_SIZE + 50, 'x');
    InsertPortListItem(3, longest.c_str(), "");
    GetPortListItemText(3, 0, text);
    EXPECT_EQ(longest.substr(0, PORT_LABEL_SIZE - 1), text);
}

TEST_F(PortListTest, ToggleAndCheckStates)
{
    Spooler.ports = {{"LPT1:", "", ""}, {"LPT2:", "", ""}, {"LPT3:", "", ""}};
    ASSERT_TRUE(InitList());
    EXPECT_EQ((std::vector<int>{PORT_UNCHECKED, PORT_UNCHECKED, PORT_UNCHECKED}), ListCheckStates());
    EXPECT_FALSE(IsAnyPortChecked());

    struct {
        int before;
        int after;
    } cases[] = {
        {PORT_UNCHECKED, PORT_CHECKED},
        {PORT_CHECKED, PORT_UNCHECKED},
        {PORT_CHECK_NONE, PORT_UNCHECKED},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.before);
        SetPortCheckState(1, c.before);
        SetPortCheckState(2, PORT_CHECKED);
        ASSERT_EQ(c.before, GetPortCheckState(1));
        TogglePortCheck(1);
        EXPECT_EQ((std::vector<int>{PORT_UNCHECKED, c.after, PORT_CHECKED}), ListCheckStates());
        EXPECT_TRUE(IsAnyPortChecked());
    }

    /* a double click on the empty area reports -1: every tick stays */
    SetPortCheckState(0, PORT_CHECKED);
    SetPortCheckState(1, PORT_UNCHECKED);
    TogglePortCheck(-1);
    EXPECT_EQ((std::vector<int>{PORT_CHECKED, PORT_UNCHECKED, PORT_CHECKED}), ListCheckStates());
    TogglePortCheck(7); /* past the end */
    EXPECT_EQ((std::vector<int>{PORT_CHECKED, PORT_UNCHECKED, PORT_CHECKED}), ListCheckStates());
    EXPECT_EQ(PORT_CHECK_NONE, GetPortCheckState(7));

    TogglePortCheck(0);
    TogglePortCheck(2);
    EXPECT_FALSE(IsAnyPortChecked());
}
