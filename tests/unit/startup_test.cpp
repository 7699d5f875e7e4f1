/* Start-up in this process: the path helpers with a scripted program path
   and directory search, and the start-up failures, which must show only
   their box and end with 0. */
#include "fake_spooler.h"
#include "message_boxes.h"
#include "seam_test.h"
#include "shell.h"
#include "syscalls.h"
#include "ui_pump.h"

#include <string>
#include <vector>

/* Each path as TruncateAtLastBackslash leaves it. */
static void ExpectTruncated(const std::vector<std::pair<const char *, const char *>> &cases)
{
    for (const auto &c : cases) {
        char path[64];
        lstrcpynA(path, c.first, sizeof(path));
        TruncateAtLastBackslash(path);
        EXPECT_STREQ(c.second, path) << "from \"" << c.first << "\"";
    }
}

TEST(TruncateAtLastBackslash, CutsAtTheLastBackslashOnly)
{
    ExpectTruncated({
        {"C:\\Tools\\vantrel.exe", "C:\\Tools"},
        {"C:\\Tools\\*.prn", "C:\\Tools"},
        {"C:\\Tools\\", "C:\\Tools"},
        {"\\\\server\\share", "\\\\server"},
        {"\\", ""},
        {"vantrel.exe", "vantrel.exe"},
        {"", ""},
    });
}

/* In a double-byte code page a trail byte may equal the backslash: 0x95 0x5C
   is one character of code page 932. Runs where the code page is 932
   (tests/dbcs.sh starts the tests so); skipped elsewhere. */
TEST(TruncateAtLastBackslash, SkipsTrailBytesOfDoubleByteCharacters)
{
    if (GetACP() != 932)
        GTEST_SKIP() << "needs code page 932, this process has " << GetACP();
    ExpectTruncated({
        {"C:\\Tools\\\x95\x5c.exe", "C:\\Tools"},
        {"C:\\\x95\x5c\\vantrel.exe", "C:\\\x95\x5c"},
        {"\x95\x5c", "\x95\x5c"},
    });
}

/* ---- SetDefaultPrinterFile ---- */

static std::string ModulePath;
static DWORD ModulePathResult;          /* what GetModuleFileNameA returns */
static std::vector<std::string> Patterns;
static const char *FoundName;           /* NULL: the search finds nothing */
static int SearchesClosed;
static HANDLE const SEARCH = (HANDLE)0x5EA4;

static DWORD WINAPI ScriptedModuleFileName(HMODULE, LPSTR path, DWORD size)
{
    lstrcpynA(path, ModulePath.c_str(), size);
    return ModulePathResult;
}

static HANDLE WINAPI ScriptedFindFirstFile(LPCSTR pattern, LPWIN32_FIND_DATAA found)
{
    Patterns.push_back(pattern);
    if (FoundName == NULL) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    ZeroMemory(found, sizeof(*found));
    lstrcpynA(found->cFileName, FoundName, sizeof(found->cFileName));
    return SEARCH;
}

static BOOL WINAPI ScriptedFindClose(HANDLE search)
{
    EXPECT_EQ(SEARCH, search);
    ++SearchesClosed;
    return TRUE;
}

class DefaultPrinterFileTest : public SeamTest {
protected:
    void SetUp() override
    {
        SeamTest::SetUp();
        Sys.GetModuleFileNameA = ScriptedModuleFileName;
        Sys.FindFirstFileA = ScriptedFindFirstFile;
        Sys.FindClose = ScriptedFindClose;
        Patterns.clear();
        SearchesClosed = 0;
        FileEditWindow = CreateWindowExA(0, "EDIT", "", WS_POPUP | ES_AUTOHSCROLL, 0, 0, 100, 20, NULL, NULL, NULL, NULL);
        ASSERT_TRUE(FileEditWindow != NULL);
    }

    void TearDown() override
    {
        DestroyWindow(FileEditWindow);
        FileEditWindow = NULL;
        SeamTest::TearDown();
    }

    std::string EditText()
    {
        char text[512] = "";
        GetWindowTextA(FileEditWindow, text, sizeof(text));
        return text;
    }
};

TEST_F(DefaultPrinterFileTest, OffersTheFirstFoundPathWhenItFits)
{
    /* A directory of d characters: the found path is d + 1 + name long. */
    std::string dir249 = "C:\\" + std::string(246, 'd');
    std::string dir250 = "C:\\" + std::string(247, 'd');
    std::string dir245 = "C:\\" + std::string(242, 'd');
    struct {
        const char *what;
        std::string module;
        int moduleResult;           /* -1: the length of module */
        const char *found;
        std::vector<std::string> patterns;
        std::string edit;
        int closed;
    } cases[] = {
        {"found", "C:\\Tools\\vantrel.exe", -1, "job.prn", {"C:\\Tools\\*.prn"}, "C:\\Tools\\job.prn", 1},
        {"nothing found", "C:\\Tools\\vantrel.exe", -1, NULL, {"C:\\Tools\\*.prn"}, "", 0},
        {"path of exactly 255 characters", dir245 + "\\v.exe", -1, "123456789",
         {dir245 + "\\*.prn"}, dir245 + "\\123456789", 1},
        {"path of 256 characters: no cut path offered", dir245 + "\\v.exe", -1, "1234567890",
         {dir245 + "\\*.prn"}, "", 1},
        {"pattern of 255 characters", dir249 + "\\v.exe", -1, "a.prn", {dir249 + "\\*.prn"}, dir249 + "\\a.prn", 1},
        {"pattern of 256 characters: no search", dir250 + "\\v.e", -1, "a.prn", {}, "", 0},
        {"program path cut by the buffer: no search", "C:\\Tools\\vantrel.exe", 256, "a.prn", {}, "", 0},
        {"program path not read: no search", "", 0, "a.prn", {}, "", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ModulePath = c.module;
        ModulePathResult = c.moduleResult < 0 ? (DWORD)c.module.size() : (DWORD)c.moduleResult;
        FoundName = c.found;
        Patterns.clear();
        SearchesClosed = 0;
        SetWindowTextA(FileEditWindow, "");

        SetDefaultPrinterFile();
        EXPECT_EQ(c.patterns, Patterns);
        EXPECT_EQ(c.edit, EditText());
        EXPECT_EQ(c.closed, SearchesClosed) << "every search found is closed once";
    }
}

/* ---- Start-up failures ---- */

struct TOP_WINDOWS {
    int total;
    int visible;
};

static BOOL CALLBACK CountMainWindows(HWND window, LPARAM lParam)
{
    TOP_WINDOWS *count = (TOP_WINDOWS *)lParam;
    char className[64];
    if (GetClassNameA(window, className, sizeof(className)) && lstrcmpA(className, "FirmwareUpdate") == 0) {
        ++count->total;
        if (IsWindowVisible(window))
            ++count->visible;
    }
    return TRUE;
}

class StartupFailureTest : public SeamTest {
protected:
    void SetUp() override
    {
        SeamTest::SetUp();
        InstallFakeSpooler();
        RecordMessageBoxes();
    }

    void TearDown() override
    {
        /* The hidden window goes with the process in the program; here it
           must go, with the quit message its destruction posts. */
        for (HWND left = FindWindowA("FirmwareUpdate", NULL); left != NULL; left = FindWindowA("FirmwareUpdate", NULL))
            DestroyWindow(left);
        DiscardQuit();
        UnregisterClassA("FirmwareUpdate", GetModuleHandleA(NULL));
        UnregisterClassA("FirmwareUpdate", GetModuleHandleA("kernel32.dll"));
        SeamTest::TearDown();
    }

    TOP_WINDOWS MainWindows()
    {
        TOP_WINDOWS count = {0, 0};
        EnumThreadWindows(GetCurrentThreadId(), CountMainWindows, (LPARAM)&count);
        return count;
    }
};

TEST_F(StartupFailureTest, NoPortsShowsOnlyTheBoxAndEndsWithZero)
{
    Spooler.ports.clear();      /* the port list cannot be filled */
    ASSERT_EQ(0, MainWindows().total);

    EXPECT_EQ(0, WinMain(GetModuleHandleA(NULL), NULL, (LPSTR)"", SW_SHOWNORMAL));

    ASSERT_EQ(1u, MessageBoxes.size());
    EXPECT_EQ("Printer List could not be initialised! Program terminated.", MessageBoxes[0].text);
    EXPECT_EQ("Printer List Initalisation Error", MessageBoxes[0].caption);
    EXPECT_EQ((UINT)MB_ICONERROR, MessageBoxes[0].style);
    TOP_WINDOWS windows = MainWindows();
    EXPECT_EQ(1, windows.total) << "the box is owned by the main window";
    EXPECT_EQ(0, windows.visible) << "which is never shown";
    EXPECT_EQ(FindWindowA("FirmwareUpdate", NULL), MessageBoxes[0].owner);
    EXPECT_TRUE(LogoBitmap == NULL) << "the logo is deleted on the way out";
}

TEST_F(StartupFailureTest, AMainWindowThatCannotBeMadeIsReportedNotWaitedFor)
{
    /* An instance without the templates: the dialog cannot be created, and a
       message loop without a window would never end. */
    Spooler.ports = LocalPorts({"LPT1:"});
    EXPECT_EQ(0, WinMain(GetModuleHandleA("kernel32.dll"), NULL, (LPSTR)"", SW_SHOWNORMAL));

    ASSERT_EQ(1u, MessageBoxes.size());
    EXPECT_EQ("Main Window could not be created! Program terminated.", MessageBoxes[0].text);
    EXPECT_EQ("Main Window Initialisation Error", MessageBoxes[0].caption);
    EXPECT_EQ((UINT)MB_ICONERROR, MessageBoxes[0].style);
    EXPECT_EQ(0, MainWindows().total);
    AppInstance = GetModuleHandleA(NULL);
}
