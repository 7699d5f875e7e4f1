/* What needs a real control inside the test process: the refresh's
   reconcile of a real list view, the path read from a real edit, and the
   main window's cursor during a run. (That
   the refresh reaches the list from the run's worker is proven end to end
   by every run; how fast, by bench/run's port_refresh. The status bar's
   texts are checked end to end; that each reaches the bar once, which is
   what keeps a transfer fast, by bench/run's send_direct.) */
#include "fake_system.h"
#include "portlist.h"
#include "resource.h"
#include "shell.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

/* A top-level window holding the one control under test. */
HWND MakeWindow(const char *className, DWORD style, int id, HWND *control)
{
    InitCommonControls();
    HWND main = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, NULL, NULL, NULL, NULL);
    *control = CreateWindowExA(0, className, "", WS_CHILD | style, 0, 0, 380, 280, main, (HMENU)(INT_PTR)id,
                               NULL, NULL);
    return main;
}

/* Each item's text, "*" before a ticked one. */
std::vector<std::string> Items(void)
{
    std::vector<std::string> items;
    int count = (int)SendMessageA(PortListWindow, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        char text[PORT_LABEL_SIZE];
        GetPortListItemText(i, 0, text);
        items.push_back((GetPortCheckState(i) == PORT_CHECKED ? "*" : "") + std::string(text));
    }
    return items;
}

struct PATH_ROW {
    std::string text;
    BOOL accepted;
    UINT lieTo = 0;         /* the message whose count is a lie */
    LRESULT lie = 0;        /* its count; -1 for one more than the truth */
};

/* In a double-byte code page Windows' edit ends WM_GETTEXT before a
   character that does not fit whole, and returns a shorter text; Wine's
   copies the lead byte. The edit answers as Windows' when asked to, and
   gives a row's lie for the count it names. */
WNDPROC EditProc;
bool AsWindows;
const PATH_ROW *Row;

LRESULT CALLBACK TestEdit(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT length = CallWindowProcA(EditProc, edit, message, wParam, lParam);
    if (message == WM_GETTEXT && AsWindows && length > 0) {
        char *text = (char *)lParam, *end = text;
        while (*end != '\0' && !(IsDBCSLeadByte((BYTE)*end) && end[1] == '\0'))
            end = CharNextA(end);
        *end = '\0';
        length = end - text;
    }
    if (Row != NULL && Row->lieTo != 0 && message == Row->lieTo)
        return Row->lie == -1 ? length + 1 : Row->lie;
    return length;
}

/* A path is read whole or refused: cut short it could name another file.
   Counts the edit cannot mean refuse it, never read by them; a length one
   more than the text, which Windows may give for mixed ANSI and Unicode
   texts, reads it whole. */
void CheckPaths(const std::vector<PATH_ROW> &rows, bool asWindows)
{
    HWND edit;
    HWND main = MakeWindow("EDIT", ES_AUTOHSCROLL, 1, &edit);
    EditProc = (WNDPROC)SetWindowLongPtrA(edit, GWLP_WNDPROC, (LONG_PTR)TestEdit);
    AsWindows = asWindows;
    FileEditWindow = edit;
    for (const PATH_ROW &row : rows) {
        SetWindowTextA(edit, row.text.c_str());
        char path[INPUT_PATH_SIZE];
        Row = &row;
        BOOL accepted = GetInputPath(path);
        Row = NULL;
        EXPECT_EQ(accepted, row.accepted) << row.text.size() << " bytes, a lie to message " << row.lieTo;
        if (row.accepted) {
            EXPECT_EQ(path, row.text);
        }
    }
    DestroyWindow(main);
    FileEditWindow = NULL;
}

std::string PathOf(size_t length, const std::string &end = "")
{
    return "C:\\" + std::string(length - 3 - end.size(), 'a') + end;
}

/* The run starts, its worker held. */
uintptr_t __cdecl HoldWorker(THREAD_START_PROC, unsigned, void *)
{
    return 1;
}

/* The cursor once the system has asked the window for it with the mouse
   at this point, starting from one the window would never set. */
HCURSOR CursorAt(HWND window, POINT at)
{
    SetCursorPos(at.x, at.y);
    SetCursor(LoadCursorA(NULL, IDC_CROSS));
    LPARAM hit = MAKELPARAM(IsWindowEnabled(window) ? HTCLIENT : HTERROR, WM_MOUSEMOVE);
    SendMessageA(window, WM_SETCURSOR, (WPARAM)window, hit);
    return GetCursor();
}

} // namespace

/* Ports listed in another order refill the list in row order, each
   survivor keeping its tick and a new one unticked; a ticked port gone is
   reported by its name. A double click on the empty area ticks nothing.
   (Ports gone with the order kept: end to end.) */
TEST(PortList, RefreshKeepsTheTicksOfReorderedPorts)
{
    InstallFakeSystem();
    Fake.ports = {{"LPT1:"}, {"LPT2:"}, {"LPT3:"}};
    HWND list, main = MakeWindow(WC_LISTVIEWA, LVS_REPORT, IDC_PORTLIST, &list);
    ASSERT_TRUE(InitPortList(main));
    SetPortCheckState(0, PORT_CHECKED);
    SetPortCheckState(1, PORT_CHECKED);
    Fake.ports = {{"LPT3:"}, {"LPT1:"}, {"LPT4:"}};
    RebuildPortTable();
    const std::vector<std::string> items = {"LPT3:", "*LPT1:", "LPT4:"};
    EXPECT_EQ(items, Items());
    EXPECT_EQ(std::vector<std::string>{"Port Error: Selected Port LPT2: is no longer valid!"}, Fake.boxes);
    TogglePortCheck(-1);
    EXPECT_EQ(items, Items());
    EXPECT_EQ(FakeDefects(), std::vector<std::string>());
    ResetSystemCalls();
    DestroyWindow(main);
}

TEST(InputPath, ReadWholeOrRefused)
{
    const std::string path = "C:\\jobs\\image.prn";
    CheckPaths({{PathOf(MAX_PATH - 1), TRUE}, {PathOf(MAX_PATH), FALSE}, {PathOf(2 * MAX_PATH), FALSE},
                {path, TRUE, WM_GETTEXTLENGTH, -1}, {path, FALSE, WM_GETTEXTLENGTH, 0x7FFFFFFF},
                {path, FALSE, WM_GETTEXT, INPUT_PATH_SIZE}, {path, FALSE, WM_GETTEXT, 0x7FFFFFFF}}, false);
}

/* A double-byte character ends each path; the second would be cut at its
   lead byte. A trail byte may have the backslash's value. */
TEST(InputPathDoubleByte, ReadWholeOrRefused)
{
    if (GetACP() != 932)
        GTEST_SKIP() << "needs code page 932; this process has " << GetACP();
    const std::string a = "\x82\xa0";
    CheckPaths({{PathOf(MAX_PATH - 1, a), TRUE}, {PathOf(MAX_PATH + 1, a), FALSE}, {PathOf(MAX_PATH, a), FALSE}},
               true);
    char path[] = "C:\\dir\\\x83\x5C.prn";
    TruncateAtLastBackslash(path);
    EXPECT_STREQ(path, "C:\\dir");
}

/* The system asks the window's own thread for the cursor (WM_SETCURSOR),
   so one set by the worker is never seen. Over the client area: the wait
   cursor from "Go" on, at once, and the class's arrow once the run gives
   the window back; elsewhere the system's own. */
TEST(MainWindow, ShowsTheWaitCursorDuringARun)
{
    InstallFakeSystem();
    Sys._beginthread = HoldWorker;
    const HCURSOR wait = LoadCursorA(NULL, IDC_WAIT), arrow = LoadCursorA(NULL, IDC_ARROW);
    HWND control, window = MakeWindow("STATIC", 0, 0, &control);
    SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)MainWndProc);
    POINT client = {200, 150}, outside = {600, 500};
    ClientToScreen(window, &client);
    ASSERT_TRUE(SetCursorPos(client.x, client.y));

    SendMessageA(window, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(SendRunActive) << "no run started";
    EXPECT_EQ(wait, GetCursor()) << "not at once";
    EXPECT_EQ(wait, CursorAt(window, client));
    EXPECT_NE(wait, CursorAt(window, outside)) << "the wait cursor beyond the client area";

    SetCursorPos(client.x, client.y);
    InterlockedExchange(&SendRunActive, FALSE);     /* as the worker ends a run */
    EnableMainControls(window, TRUE);
    EXPECT_EQ(arrow, GetCursor()) << "not at once";
    EXPECT_EQ(arrow, CursorAt(window, client));

    SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)DefWindowProcA);
    DestroyWindow(window);
    ResetSystemCalls();
}
