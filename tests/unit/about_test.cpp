/* The About box, opened from the real main window and driven from inside
   its modal loop: its texts from the version block, its place over the
   owner, and which keys and clicks close it. */
#include "main_window.h"
#include "resource.h"
#include "shell.h"
#include "syscalls.h"
#include "ui_pump.h"

#include <functional>
#include <string.h>
#include <string>
#include <vector>

struct ABOUT_SEEN {
    HWND dialog = NULL;
    bool focusOnOk = false;
    std::string name, version, copyright;
    RECT placed = {0, 0, 0, 0};
    RECT client = {0, 0, 0, 0};
    bool openAfterEscape = false;
    bool openAfterLogo = false;
    bool forcedShut = false;
    size_t steps = 0;
};

static std::string DialogItemText(HWND dialog, int id)
{
    char text[256] = "";
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

/* Opens the box with open(), reads it, tries Esc and a click on the logo,
   then closes it with close(). */
static ABOUT_SEEN RunAboutBox(HWND owner, const std::function<void()> &open,
                              const std::function<void(HWND)> &close)
{
    ABOUT_SEEN seen;
    std::vector<std::function<void()>> steps = {
        [&] {
            seen.dialog = FindThreadDialog(owner);
            if (seen.dialog == NULL)
                return;
            seen.focusOnOk = GetFocus() == GetDlgItem(seen.dialog, IDOK);
            seen.name = DialogItemText(seen.dialog, IDC_UTILITY_NAME);
            seen.version = DialogItemText(seen.dialog, IDC_VERSION);
            seen.copyright = DialogItemText(seen.dialog, IDC_COPYRIGHT);
            GetWindowRect(seen.dialog, &seen.placed);
            GetClientRect(seen.dialog, &seen.client);
            PostKey(GetFocus(), VK_ESCAPE);
        },
        [&] {
            seen.openAfterEscape = IsWindow(seen.dialog) != FALSE;
            SendMessageA(GetDlgItem(seen.dialog, IDC_LOGO), BM_CLICK, 0, 0);
        },
        [&] {
            seen.openAfterLogo = IsWindow(seen.dialog) != FALSE;
            close(seen.dialog);
        },
    };
    seen.steps = RunModalSteps(steps, open);
    seen.forcedShut = ModalDialogsForced != 0;
    return seen;
}

static void PressEnter(HWND dialog)
{
    PostKey(GetFocus() ? GetFocus() : dialog, VK_RETURN);
}

static void ClickOk(HWND dialog)
{
    SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
}

/* The version resource's LegalCopyright (BuiltResources.VersionValues). */
static const char Copyright[] = "Copyright (C) 2026 Vantrel Project";

class AboutTest : public MainWindowTest {};

TEST_F(AboutTest, MenuCommandOpensTheBoxWithTheVersionTextsAndOnlyOkClosesIt)
{
    HMENU menu = GetMenu(window);
    ASSERT_TRUE(menu != NULL) << "the class's menu";
    char itemText[32] = "";
    GetMenuStringA(menu, 0, itemText, sizeof(itemText), MF_BYPOSITION);
    EXPECT_STREQ("&About", itemText);
    EXPECT_EQ(IDM_ABOUT, (int)GetMenuItemID(menu, 0));

    ABOUT_SEEN seen = RunAboutBox(window, [&] { SendMessageA(window, WM_COMMAND, IDM_ABOUT, 0); }, ClickOk);
    ASSERT_TRUE(seen.dialog != NULL) << "no About box opened";
    EXPECT_TRUE(seen.focusOnOk);
    EXPECT_EQ("Vantrel", seen.name);
    EXPECT_EQ("v1.1", seen.version);
    EXPECT_EQ(Copyright, seen.copyright);
    EXPECT_TRUE(seen.openAfterEscape) << "Esc leaves it open";
    EXPECT_TRUE(seen.openAfterLogo) << "a click on the logo leaves it open";
    EXPECT_FALSE(seen.forcedShut) << "OK did not close it";
    EXPECT_FALSE(IsWindow(seen.dialog));
    EXPECT_TRUE(IsWindowEnabled(window)) << "the owner is given back";
}

TEST_F(AboutTest, TheLogoOpensTheSameBoxAndEnterClosesIt)
{
    ABOUT_SEEN seen = RunAboutBox(
        window, [&] { SendMessageA(GetDlgItem(window, IDC_LOGO), BM_CLICK, 0, 0); }, PressEnter);
    ASSERT_TRUE(seen.dialog != NULL) << "no About box opened";
    EXPECT_EQ("Vantrel", seen.name);
    EXPECT_EQ("v1.1", seen.version);
    EXPECT_TRUE(seen.openAfterEscape);
    EXPECT_TRUE(seen.openAfterLogo);
    EXPECT_FALSE(seen.forcedShut) << "Enter did not close it";
    EXPECT_FALSE(IsWindow(seen.dialog));
}

TEST_F(AboutTest, PlacedByTheOwnerRectangleAndItsOwnClientSize)
{
    SetWindowPos(window, NULL, 100, 100, 448, 360, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT owner;
    GetWindowRect(window, &owner);
    ASSERT_EQ(548, owner.right);
    ASSERT_EQ(460, owner.bottom);

    ABOUT_SEEN seen = RunAboutBox(window, [&] { SendMessageA(window, WM_COMMAND, IDM_ABOUT, 0); }, ClickOk);
    ASSERT_TRUE(seen.dialog != NULL);
    POINT expected = GetCentredPosition(&owner, &seen.client);
    EXPECT_EQ(expected.x, seen.placed.left);
    EXPECT_EQ(expected.y, seen.placed.top);
}

TEST(CentredPosition, HalvesTruncateTowardZero)
{
    struct {
        RECT owner;
        LONG clientWidth, clientHeight;
        LONG x, y;
    } cases[] = {
        {{100, 100, 548, 460}, 306, 233, 171, 163},     /* the worked example */
        {{0, 0, 307, 234}, 306, 233, 0, 0},             /* 1/2 truncates to 0 */
        {{0, 0, 100, 100}, 307, 203, -103, -51},        /* -207/2 is -103, not -104 */
        {{-500, -40, -100, 60}, 100, 20, -350, -0},     /* owner off the screen: no clamp */
    };
    for (const auto &c : cases) {
        RECT client = {0, 0, c.clientWidth, c.clientHeight};
        POINT position = GetCentredPosition(&c.owner, &client);
        EXPECT_EQ(c.x, position.x) << c.owner.left << "," << c.owner.right << " client " << c.clientWidth;
        EXPECT_EQ(c.y, position.y) << c.owner.top << "," << c.owner.bottom << " client " << c.clientHeight;
    }
}

/* ---- A version block that lacks what the box needs ---- */

static std::vector<BYTE> DoctoredBlock;

static DWORD WINAPI DoctoredSize(LPCSTR, LPDWORD handle)
{
    *handle = 0;
    return (DWORD)DoctoredBlock.size();
}

static BOOL WINAPI DoctoredVersionInfo(LPCSTR, DWORD, DWORD size, LPVOID block)
{
    if (size < DoctoredBlock.size())
        return FALSE;
    memcpy(block, DoctoredBlock.data(), DoctoredBlock.size());
    return TRUE;
}

/* The program's own block with one key renamed, so that a look-up of it
   finds nothing. */
static bool DoctorKey(const char *key)
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof(path));
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    DoctoredBlock.assign(size, 0);
    if (size == 0 || !GetFileVersionInfoA(path, handle, size, DoctoredBlock.data()))
        return false;
    std::vector<BYTE> wide;
    for (const char *c = key; *c; ++c) {
        wide.push_back((BYTE)*c);
        wide.push_back(0);
    }
    for (size_t i = 0; i + wide.size() <= DoctoredBlock.size(); ++i) {
        if (memcmp(&DoctoredBlock[i], wide.data(), wide.size()) == 0) {
            DoctoredBlock[i] = 'X';
            return true;
        }
    }
    return false;
}

class AboutVersionBlockTest : public AboutTest {
protected:
    ABOUT_SEEN OpenWith(const char *renamedKey)
    {
        if (renamedKey != NULL && !DoctorKey(renamedKey)) {
            ADD_FAILURE() << "the version block has no key " << renamedKey;
            return ABOUT_SEEN();
        }
        if (renamedKey == NULL)
            DoctoredBlock.clear();      /* a size of 0: no block at all */
        Sys.GetFileVersionInfoSizeA = DoctoredSize;
        Sys.GetFileVersionInfoA = DoctoredVersionInfo;
        return RunAboutBox(window, [&] { SendMessageA(window, WM_COMMAND, IDM_ABOUT, 0); }, ClickOk);
    }
};

TEST_F(AboutVersionBlockTest, MissingPartsLeaveTheirStaticsWithTheTemplateTexts)
{
    const std::string copyright = Copyright;
    struct {
        const char *renamedKey;
        std::string name, version, copyright;
    } cases[] = {
        {NULL, "Utility Name", "Version", "Copyright"},
        {"Translation", "Utility Name", "Version", "Copyright"},
        {"ProductName", "Utility Name", "v1.1", copyright},
        {"ProductVersion", "Vantrel", "Version", copyright},
        {"LegalCopyright", "Vantrel", "v1.1", "Copyright"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.renamedKey ? c.renamedKey : "no block");
        ABOUT_SEEN seen = OpenWith(c.renamedKey);
        ASSERT_TRUE(seen.dialog != NULL);
        EXPECT_EQ(c.name, seen.name);
        EXPECT_EQ(c.version, seen.version);
        EXPECT_EQ(c.copyright, seen.copyright);
        EXPECT_FALSE(seen.forcedShut);
    }
}
