#include "port_list_host.h"
#include "fake_spooler.h"
#include "message_boxes.h"
#include "ports.h"
#include "resource.h"

#include <commctrl.h>
#include <stdlib.h>

#include <algorithm>

HWND CreatePortListHost(int listWidth)
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HWND host = CreateWindowExA(0, "STATIC", "Port list host", WS_OVERLAPPEDWINDOW,
                                0, 0, listWidth + 40, 300, NULL, NULL, GetModuleHandleA(NULL), NULL);
    if (host == NULL)
        return NULL;
    CreateWindowExA(0, WC_LISTVIEWA, "List1",
                    WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_NOLABELWRAP | LVS_NOSORTHEADER,
                    10, 10, listWidth, 200, host, (HMENU)(INT_PTR)IDC_PORTLIST, GetModuleHandleA(NULL), NULL);
    return host;
}

void DestroyPortListHost(HWND host)
{
    if (host != NULL)
        DestroyWindow(host);
}

void ForgetPortTable(void)
{
    free(PortTable);
    PortTable = NULL;
    PortTableCount = 0;
    PortListWindow = NULL;
}

std::vector<std::string> ListTexts(int column)
{
    std::vector<std::string> texts;
    int count = (int)SendMessageA(PortListWindow, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        char text[512] = "";
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(PortListWindow, LVM_GETITEMTEXTA, i, (LPARAM)&item);
        texts.push_back(text);
    }
    return texts;
}

std::vector<int> ListCheckStates(void)
{
    std::vector<int> states;
    int count = (int)SendMessageA(PortListWindow, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i)
        states.push_back((int)(SendMessageA(PortListWindow, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK) >> 12));
    return states;
}

std::vector<std::string> TablePortNames(void)
{
    std::vector<std::string> names;
    for (int i = 0; i < PortTableCount; ++i)
        names.push_back(PortTable[i].szPortName);
    return names;
}

void ExpectListShowsTable(void)
{
    std::vector<std::string> descriptions;
    for (int i = 0; i < PortTableCount; ++i)
        descriptions.push_back(PortTable[i].szDescription);
    EXPECT_EQ(TablePortNames(), ListTexts(0));
    EXPECT_EQ(descriptions, ListTexts(1));
}

void TickPorts(const std::vector<std::string> &texts)
{
    std::vector<std::string> items = ListTexts(0);
    for (size_t i = 0; i < items.size(); ++i)
        if (std::find(texts.begin(), texts.end(), items[i]) != texts.end())
            SetPortCheckState((int)i, PORT_CHECKED);
}

std::vector<std::string> TickedPorts(void)
{
    std::vector<std::string> texts = ListTexts(0), ticked;
    std::vector<int> states = ListCheckStates();
    for (size_t i = 0; i < texts.size(); ++i)
        if (states[i] == PORT_CHECKED)
            ticked.push_back(texts[i]);
    return ticked;
}

void PortListTest::SetUp()
{
    SeamTest::SetUp();
    ForgetPortTable();
    InstallFakeSpooler();
    RecordMessageBoxes();
}

void PortListTest::TearDown()
{
    DestroyPortListHost(host);
    host = NULL;
    ForgetPortTable();
    SeamTest::TearDown();
}

bool PortListTest::InitList(int listWidth)
{
    host = CreatePortListHost(listWidth);
    if (host == NULL) {
        ADD_FAILURE() << "no window: is there an X display?";
        return false;
    }
    return InitPortList(host);
}
