/* The main window procedure on the real window: "Go" follows the edit, a
   double click toggles only port-list items, "Go" starts the worker (or
   says why it could not), Browse fills the open-file dialog's request. */
#include "main_window.h"
#include "message_boxes.h"
#include "ports.h"
#include "resource.h"
#include "send.h"
#include "shell.h"
#include "syscalls.h"
#include "ui_pump.h"

#include <commctrl.h>
#include <string.h>
#include <string>
#include <vector>

/* ---- "Go" follows the edit ---- */

TEST_F(MainWindowTest, GoFollowsTheEditText)
{
    EXPECT_FALSE(IsWindowEnabled(GoButtonWindow)) << "no default file: Go starts disabled";
    EXPECT_EQ("Ready", StatusText());

    struct STEP {
        const char *what;
        std::function<void()> act;
        const char *text;
        bool goEnabled;
    } steps[] = {
        {"type one character", [] { PostKey(FileEditWindow, 'A'); }, "a", true},
        {"delete it", [] { PostKey(FileEditWindow, VK_BACK); }, "", false},
        {"a blank counts as text", [] { PostKey(FileEditWindow, VK_SPACE); }, " ", true},
        {"WM_SETTEXT empty", [] { SendMessageA(FileEditWindow, WM_SETTEXT, 0, (LPARAM)""); }, "", false},
        {"WM_SETTEXT a path", [] { SendMessageA(FileEditWindow, WM_SETTEXT, 0, (LPARAM)"C:\\x.prn"); }, "C:\\x.prn", true},
        {"select all and delete", [] {
             SendMessageA(FileEditWindow, EM_SETSEL, 0, -1);
             PostKey(FileEditWindow, VK_DELETE);
         }, "", false},
    };
    for (const STEP &step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        PumpMessages();
        EXPECT_EQ(step.text, WindowText(FileEditWindow));
        EXPECT_EQ(step.goEnabled, IsWindowEnabled(GoButtonWindow) != FALSE);
    }
}

/* ---- Double clicks ---- */

/* A real double click, as the mouse posts it, at a point of a control. */
static void DoubleClick(HWND control, POINT at)
{
    PostDoubleClick(control, at.x, at.y);
    PumpMessages();
}

/* The middle of an item's "Description" text: away from its check box,
   which a plain mouse-down would toggle. */
static POINT ItemDescriptionPoint(int item)
{
    RECT bounds;
    bounds.top = 1;     /* sub-item 1 */
    bounds.left = LVIR_LABEL;
    SendMessageA(PortListWindow, LVM_GETSUBITEMRECT, item, (LPARAM)&bounds);
    POINT at = {(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2};
    return at;
}

TEST_F(MainWindowTest, DoubleClickOnAPortTogglesOnlyThatPort)
{
    ASSERT_EQ(2, (int)SendMessageA(PortListWindow, LVM_GETITEMCOUNT, 0, 0));
    ASSERT_EQ(1, PortCheck(0));
    ASSERT_EQ(1, PortCheck(1));

    DoubleClick(PortListWindow, ItemDescriptionPoint(1));
    EXPECT_EQ(1, PortCheck(0));
    EXPECT_EQ(2, PortCheck(1)) << "unticked becomes ticked";

    DoubleClick(PortListWindow, ItemDescriptionPoint(1));
    EXPECT_EQ(1, PortCheck(0));
    EXPECT_EQ(1, PortCheck(1)) << "two double clicks restore the first state";

    DoubleClick(PortListWindow, ItemDescriptionPoint(0));
    EXPECT_EQ(2, PortCheck(0));
    EXPECT_EQ(1, PortCheck(1));
}

TEST_F(MainWindowTest, DoubleClickOnTheStatusBarChangesNoPort)
{
    /* The status bar reports part 0 where the list reports the item. */
    DoubleClick(PortListWindow, ItemDescriptionPoint(0));
    ASSERT_EQ(2, PortCheck(0));

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        DoubleClick(StatusBarWindow, POINT{20, 5});
        EXPECT_EQ(2, PortCheck(0));
        EXPECT_EQ(1, PortCheck(1));
    }
}

/* ---- "Go" ---- */

struct THREAD_START {
    THREAD_START_PROC procedure;
    unsigned stackSize;
    void *argument;
};
static std::vector<THREAD_START> ThreadStarts;
static uintptr_t ThreadStartResult;

static uintptr_t __cdecl RecordThreadStart(THREAD_START_PROC procedure, unsigned stackSize, void *argument)
{
    ThreadStarts.push_back({procedure, stackSize, argument});
    return ThreadStartResult;
}

class GoTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        ThreadStarts.clear();
        Sys._beginthread = RecordThreadStart;
        RecordMessageBoxes();
        MainWindowHandle = NULL;
        SendMessageA(FileEditWindow, WM_SETTEXT, 0, (LPARAM)"C:\\job.prn");
        PumpMessages();
    }

    void PressGo()
    {
        ASSERT_TRUE(IsWindowEnabled(GoButtonWindow));
        SendMessageA(GoButtonWindow, BM_CLICK, 0, 0);
        PumpMessages();
    }

    void ExpectControlsEnabled(BOOL enabled)
    {
        HWND controls[] = {PortListWindow, FileEditWindow, GoButtonWindow, ExitButtonWindow, BrowseButtonWindow, window};
        for (HWND control : controls)
            EXPECT_EQ(enabled, IsWindowEnabled(control)) << "control " << GetDlgCtrlID(control);
    }
};

TEST_F(GoTest, StartsTheWorkerWithTheMainWindowDisabled)
{
    ThreadStartResult = 0x1234;     /* a started thread; nothing runs */
    PressGo();

    ASSERT_EQ(1u, ThreadStarts.size());
    EXPECT_TRUE(ThreadStarts[0].procedure == SendThreadProc);
    EXPECT_EQ(0u, ThreadStarts[0].stackSize);
    EXPECT_EQ((void *)&MainWindowHandle, ThreadStarts[0].argument);
    EXPECT_EQ(window, MainWindowHandle);
    ExpectControlsEnabled(FALSE);
    EXPECT_TRUE(MessageBoxes.empty());
}

TEST_F(GoTest, AWorkerThatCannotStartGivesTheWindowBackAndSaysSo)
{
    ThreadStartResult = (uintptr_t)-1;
    PressGo();

    ASSERT_EQ(1u, ThreadStarts.size());
    ExpectControlsEnabled(TRUE);
    ASSERT_EQ(1u, MessageBoxes.size());
    EXPECT_EQ(window, MessageBoxes[0].owner);
    EXPECT_EQ("Transfer could not be started! Please try again.", MessageBoxes[0].text);
    EXPECT_EQ("Transfer Start Error", MessageBoxes[0].caption);
    EXPECT_EQ((UINT)MB_ICONERROR, MessageBoxes[0].style);
    EXPECT_EQ("Ready", StatusText());
}

/* ---- Browse ---- */

/* What the open-file dialog was handed, copied at the call. */
struct OPEN_FILE_REQUEST {
    OPENFILENAMEA fields;
    std::string filter;         /* up to and including the list's closing NUL */
    std::vector<char> file;     /* the whole path buffer */
    std::string defaultExtension;
};
static std::vector<OPEN_FILE_REQUEST> OpenFileRequests;
static const char *OpenFileAnswer;     /* NULL: the user cancels */

static BOOL WINAPI RecordOpenFileName(LPOPENFILENAMEA request)
{
    OPEN_FILE_REQUEST seen;
    seen.fields = *request;
    const char *end = request->lpstrFilter;
    while (*end != '\0')
        end += strlen(end) + 1;
    seen.filter.assign(request->lpstrFilter, end + 1);
    seen.file.assign(request->lpstrFile, request->lpstrFile + request->nMaxFile);
    seen.defaultExtension = request->lpstrDefExt ? request->lpstrDefExt : "(none)";
    OpenFileRequests.push_back(seen);
    if (OpenFileAnswer == NULL)
        return FALSE;
    lstrcpynA(request->lpstrFile, OpenFileAnswer, request->nMaxFile);
    lstrcpynA(request->lpstrFileTitle, "job.prn", request->nMaxFileTitle);
    return TRUE;
}

class BrowseTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        OpenFileRequests.clear();
        Sys.GetOpenFileNameA = RecordOpenFileName;
    }

    void ClickBrowse(const char *answer)
    {
        OpenFileAnswer = answer;
        SendMessageA(BrowseButtonWindow, BM_CLICK, 0, 0);
        PumpMessages();
    }
};

static void ExpectFreshRequest(const OPEN_FILE_REQUEST &seen, HWND owner)
{
    const OPENFILENAMEA &f = seen.fields;
    EXPECT_EQ((DWORD)OPENFILENAME_SIZE_VERSION_400A, f.lStructSize);
#ifndef _WIN64
    EXPECT_EQ(76u, f.lStructSize);
#endif
    EXPECT_EQ(owner, f.hwndOwner);
    EXPECT_TRUE(f.hInstance == NULL);
    static const char filter[] =
        "PRN Files (*.PRN)\0*.prn\0FLN Files (*.FLN)\0*.fln\0BIN Files (*.BIN)\0*.bin\0All Files (*.*)\0*.*\0";
    EXPECT_EQ(std::string(filter, sizeof(filter)), seen.filter);
    EXPECT_TRUE(f.lpstrCustomFilter == NULL);
    EXPECT_EQ(0u, f.nMaxCustFilter);
    EXPECT_EQ(0u, f.nFilterIndex);
    EXPECT_EQ(260u, f.nMaxFile);
    ASSERT_EQ(260u, seen.file.size());
    EXPECT_STREQ("*.prn", seen.file.data());
    EXPECT_EQ(std::vector<char>(260 - 5, '\0'), std::vector<char>(seen.file.begin() + 5, seen.file.end()))
        << "the rest of the path buffer is NULs";
    EXPECT_TRUE(f.lpstrFileTitle != NULL);
    EXPECT_EQ(512u, f.nMaxFileTitle);
    EXPECT_TRUE(f.lpstrInitialDir == NULL);
    EXPECT_TRUE(f.lpstrTitle == NULL);
    EXPECT_EQ(0x2004u, f.Flags) << "OFN_CREATEPROMPT | OFN_HIDEREADONLY";
    EXPECT_EQ(0, f.nFileOffset);
    EXPECT_EQ(0, f.nFileExtension);
    EXPECT_EQ("prn", seen.defaultExtension);
    EXPECT_EQ(0, f.lCustData);
    EXPECT_TRUE(f.lpfnHook == NULL);
    EXPECT_TRUE(f.lpTemplateName == NULL);
}

TEST_F(BrowseTest, EveryBrowseStartsOnPrnWhateverTheEditHolds)
{
    ClickBrowse("C:\\firmware\\chosen.prn");
    ASSERT_EQ(1u, OpenFileRequests.size());
    ExpectFreshRequest(OpenFileRequests[0], window);
    EXPECT_EQ("C:\\firmware\\chosen.prn", WindowText(FileEditWindow));
    EXPECT_TRUE(IsWindowEnabled(GoButtonWindow));

    ClickBrowse("C:\\firmware\\other.bin");
    ASSERT_EQ(2u, OpenFileRequests.size());
    ExpectFreshRequest(OpenFileRequests[1], window);
    EXPECT_EQ("C:\\firmware\\other.bin", WindowText(FileEditWindow));
}

TEST_F(BrowseTest, CancelLeavesTheEditAndGoAsTheyWere)
{
    struct {
        const char *edit;
        bool goEnabled;
    } cases[] = {{"", false}, {"C:\\kept.prn", true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.edit);
        SendMessageA(FileEditWindow, WM_SETTEXT, 0, (LPARAM)c.edit);
        PumpMessages();
        ClickBrowse(NULL);
        EXPECT_EQ(c.edit, WindowText(FileEditWindow));
        EXPECT_EQ(c.goEnabled, IsWindowEnabled(GoButtonWindow) != FALSE);
    }
    EXPECT_EQ(2u, OpenFileRequests.size());
}

/* ---- The real open-file dialog ---- */

static std::string DialogItemText(HWND dialog, int id)
{
    char text[MAX_PATH] = "";
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

static std::string ComboSelection(HWND combo)
{
    char text[MAX_PATH] = "";
    LRESULT selected = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (selected >= 0 && SendMessageA(combo, CB_GETLBTEXTLEN, selected, 0) < (LRESULT)sizeof(text))
        SendMessageA(combo, CB_GETLBTEXT, selected, (LPARAM)text);
    return text;
}

/* The system's dialog with our request: what it shows first, and a name
   typed without extension coming back with ".prn". */
TEST_F(MainWindowTest, TheOpenDialogStartsOnPrnFilesAndAddsTheExtension)
{
    const int FILE_NAME_COMBO = 0x47c, FILTER_COMBO = 0x470, READ_ONLY_BOX = 0x410;
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string folder = std::string(temp) + "vantrel-browse";
    CreateDirectoryA(folder.c_str(), NULL);
    std::string chosen = folder + "\\job.prn";
    HANDLE file = CreateFileA(chosen.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    SendMessageA(FileEditWindow, WM_SETTEXT, 0, (LPARAM)"C:\\some\\other.bin");
    PumpMessages();

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        HWND dialog = NULL;
        std::string fileName, filter;
        bool readOnlyShown = true;
        std::vector<std::function<void()>> steps = {
            [&] {
                dialog = FindThreadDialog(window);
                if (dialog == NULL)
                    return;
                fileName = DialogItemText(dialog, FILE_NAME_COMBO);
                filter = ComboSelection(GetDlgItem(dialog, FILTER_COMBO));
                readOnlyShown = IsWindowVisible(GetDlgItem(dialog, READ_ONLY_BOX)) != FALSE;
                SetDlgItemTextA(dialog, FILE_NAME_COMBO, (folder + "\\job").c_str());
                PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
            },
        };
        RunModalSteps(steps, [&] { SendMessageA(BrowseButtonWindow, BM_CLICK, 0, 0); });
        PumpMessages();
        ASSERT_TRUE(dialog != NULL) << "no open-file dialog";
        EXPECT_EQ("*.prn", fileName) << "whatever the edit held";
        EXPECT_EQ("PRN Files (*.PRN)", filter);
        EXPECT_FALSE(readOnlyShown);
        EXPECT_EQ(0u, ModalDialogsForced) << "the dialog did not take the typed name";
        EXPECT_EQ(chosen, WindowText(FileEditWindow));
        EXPECT_TRUE(IsWindowEnabled(GoButtonWindow));
        SendMessageA(FileEditWindow, WM_SETTEXT, 0, (LPARAM)"C:\\some\\other.bin");
    }
    DeleteFileA(chosen.c_str());
    RemoveDirectoryA(folder.c_str());
}
