#include "bed_send.h"
#include "bed.h"
#include "message_boxes.h"
#include "port_list_host.h"
#include "ports.h"
#include "shell.h"

#include <algorithm>

void BedSendTest::SetUp()
{
    SeamTest::SetUp();
    ForgetPortTable();
    RecordMessageBoxes();
    CreateDirectoryA(BedWindowsPath("send").c_str(), NULL);
}

void BedSendTest::TearDown()
{
    ForgetPortTable();
    windows.reset();
    SeamTest::TearDown();
}

/* One set of windows at a time: the old one's end clears the shell's handles. */
void BedSendTest::ShowPorts()
{
    ForgetPortTable();
    windows.reset();
    windows.reset(new SendWindows());
    ShowWindow(windows->main, SW_SHOW);
    ASSERT_TRUE(InitPortList(windows->main));
}

void BedSendTest::Tick(const std::vector<std::string> &ports)
{
    std::vector<std::string> items = ListTexts(0);
    for (const std::string &port : ports) {
        auto found = std::find(items.begin(), items.end(), port);
        ASSERT_TRUE(found != items.end()) << port << " is not listed";
        SetPortCheckState((int)(found - items.begin()), PORT_CHECKED);
    }
}

std::vector<std::string> BedSendTest::Go(const std::string &path)
{
    windows->SetFileName(path);
    windows->statusTexts.clear();
    MessageBoxes.clear();
    EXPECT_TRUE(windows->RunSend());
    EXPECT_EQ(windows->statusTexts.empty() ? "" : windows->statusTexts.back(), "Ready");
    for (HWND control : {windows->main, windows->edit, windows->list, GoButtonWindow, ExitButtonWindow,
                         BrowseButtonWindow})
        EXPECT_TRUE(IsWindowEnabled(control));
    std::vector<std::string> boxes;
    for (const RECORDED_MESSAGE_BOX &box : MessageBoxes)
        boxes.push_back(box.caption + ": " + box.text);
    return boxes;
}
