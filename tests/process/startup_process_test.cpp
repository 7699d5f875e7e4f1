/* The real program as a process: a copy of vantrel.exe in a folder of its
   own, started and driven from here. Covers what only the whole process
   shows: the default file beside the exe, arguments, the show state, the
   keyboard without the dialog manager, and the exit code. */
#include "app_driver.h"
#include "resource.h"
#include "ui_pump.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

/* The wide calls: the ANSI ones stop at MAX_PATH even in the long form. */
static bool WriteSmallFile(const std::string &path)
{
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, "\x1b%-12345X", 9, &written, NULL);
    CloseHandle(file);
    return ok && written == 9;
}

/* A scratch folder name whose full path will be length characters long. */
static std::string PaddedFolderName(const std::string &base, size_t length)
{
    char temp[MAX_PATH];
    size_t prefix = GetTempPathA(sizeof(temp), temp) + lstrlenA("vantrel-") + base.size() + 1;
    return base + "\\" + std::string(length > prefix ? length - prefix : 1, 'x');
}

class VantrelProcessTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        EndVantrel(&run);
        for (const std::string &folder : folders)
            RemoveScratchFolder(folder);
    }

    /* A folder holding a copy of the exe and the entries given: a name
       ending in a backslash is made a folder, any other an empty-ish file. */
    std::string PrepareFolder(const std::string &name, const std::vector<std::string> &entries)
    {
        std::string folder = MakeScratchFolder(name);
        if (folder.empty())
            return "";
        /* The outermost level goes at the end, with all below it. */
        size_t nested = name.find('\\');
        folders.push_back(nested == std::string::npos ? folder : folder.substr(0, folder.size() - (name.size() - nested)));
        for (const std::string &entry : entries) {
            /* The long form: some cases need paths past MAX_PATH. */
            std::string path = "\\\\?\\" + folder + "\\" + entry;
            bool made = path.back() == '\\' ? CreateDirectoryW(Wide(path.substr(0, path.size() - 1)).c_str(), NULL) != FALSE
                                            : WriteSmallFile(path);
            if (!made)
                return "";
        }
        return CopyVantrelInto(folder).empty() ? "" : folder;
    }

    bool Start(const std::string &folder, const std::string &arguments = "", int showState = NO_SHOW_STATE)
    {
        return StartVantrel(folder + "\\vantrel.exe", arguments, showState, &run);
    }

    HWND Control(int id) { return GetDlgItem(run.mainWindow, id); }

    /* Ends the run through "Exit" and gives its exit code (or 1000 if it
       did not end). */
    DWORD ExitThroughTheButton()
    {
        PostMessageA(Control(IDCANCEL), BM_CLICK, 0, 0);
        DWORD exitCode = 1000;
        WaitForVantrelExit(&run, 10000, &exitCode);
        return exitCode;
    }

    VANTREL_RUN run = {};
    std::vector<std::string> folders;
};

TEST_F(VantrelProcessTest, TheDefaultFileIsTheFirstPrnBesideTheProgram)
{
    std::string longName = std::string(37, 'f') + ".prn";   /* 41 characters */
    struct {
        const char *what;
        std::string folderName;
        std::vector<std::string> entries;
        std::string expected;   /* relative to the folder, "" for none */
    } cases[] = {
        {"a .prn file", "default-file", {"job.prn", "notes.txt"}, "job.prn"},
        {"nothing matches", "default-none", {"job.bin", "notes.txt"}, ""},
        {"a subdirectory matching *.prn is taken like a file", "default-subdir", {"firmware.prn\\"}, "firmware.prn"},
        /* Folders of 200 and 230 characters: the exe's own path fits both,
           the found path does not fit in the second. */
        {"a long path that fits", PaddedFolderName("default-long", 200), {longName}, longName},
        {"a found path that does not fit", PaddedFolderName("default-longer", 230), {longName}, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::string folder = PrepareFolder(c.folderName, c.entries);
        ASSERT_FALSE(folder.empty()) << "cannot prepare " << c.folderName;
        std::string expected = c.expected.empty() ? "" : folder + "\\" + c.expected;
        if (c.expected.empty() && c.entries.size() == 1) {
            ASSERT_GT(folder.size() + 1 + c.entries[0].size(), 255u) << "the case needs a path that does not fit";
            ASSERT_LT(folder.size() + 12, 256u) << "the exe's own path must fit";
        }
        if (!c.expected.empty()) {
            ASSERT_LE(expected.size(), 255u);
        }
        if (c.folderName.find('\\') != std::string::npos) {
            ASSERT_EQ(c.folderName.find("longer") != std::string::npos ? 230u : 200u, folder.size());
        }

        ASSERT_TRUE(Start(folder));
        EXPECT_EQ(expected, RemoteText(Control(IDC_FILENAME)));
        EXPECT_EQ(!expected.empty(), IsWindowEnabled(Control(IDOK)) != FALSE) << "Go follows the edit";
        EXPECT_EQ("Ready", RemoteStatusText(run));
        EXPECT_EQ(0u, ExitThroughTheButton());
        EndVantrel(&run);
    }
}

TEST_F(VantrelProcessTest, ArgumentsAreIgnored)
{
    std::string folder = PrepareFolder("arguments", {"job.prn"});
    ASSERT_FALSE(folder.empty());
    const char *argumentLists[] = {"", "C:\\other.prn", "/go --help \"quoted arg\"", "   "};
    for (const char *arguments : argumentLists) {
        SCOPED_TRACE(arguments);
        ASSERT_TRUE(Start(folder, arguments));
        EXPECT_EQ(folder + "\\job.prn", RemoteText(Control(IDC_FILENAME)));
        EXPECT_TRUE(IsWindowVisible(run.mainWindow));
        EXPECT_FALSE(IsIconic(run.mainWindow));
        EXPECT_TRUE(ProcessDialog(run) == NULL) << "no box";
        EXPECT_EQ(0u, ExitThroughTheButton());
        EndVantrel(&run);
    }
}

TEST_F(VantrelProcessTest, TheCallersShowStateIsHonoured)
{
    std::string folder = PrepareFolder("show-state", {});
    ASSERT_FALSE(folder.empty());
    struct {
        int showState;
        bool iconic;
    } cases[] = {{NO_SHOW_STATE, false}, {SW_SHOWMINNOACTIVE, true}, {SW_SHOWMINIMIZED, true}, {SW_SHOWNORMAL, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.showState);
        ASSERT_TRUE(Start(folder, "", c.showState));
        EXPECT_EQ(c.iconic, IsIconic(run.mainWindow) != FALSE);
        EXPECT_TRUE(IsWindowVisible(run.mainWindow));
        EXPECT_EQ(0u, ExitThroughTheButton());
        EndVantrel(&run);
    }
}

TEST_F(VantrelProcessTest, EveryWayOutEndsWithZero)
{
    std::string folder = PrepareFolder("exit-codes", {"job.prn"});
    ASSERT_FALSE(folder.empty());
    struct {
        const char *what;
        UINT message;
        WPARAM wParam;
        bool toExitButton;
    } cases[] = {
        {"the Exit button", BM_CLICK, 0, true},
        {"the close box", WM_CLOSE, 0, false},
        {"Close from the system menu", WM_SYSCOMMAND, SC_CLOSE, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Start(folder));
        PostMessageA(c.toExitButton ? Control(IDCANCEL) : run.mainWindow, c.message, c.wParam, 0);
        DWORD exitCode = 1000;
        EXPECT_TRUE(WaitForVantrelExit(&run, 10000, &exitCode)) << "still running";
        EXPECT_EQ(0u, exitCode);
        EndVantrel(&run);
    }
}

TEST_F(VantrelProcessTest, TabEnterAndEscapeNeitherMoveTheFocusNorPressAButton)
{
    std::string folder = PrepareFolder("keyboard", {"job.prn"});
    ASSERT_FALSE(folder.empty());
    ASSERT_TRUE(Start(folder));
    HWND edit = Control(IDC_FILENAME);
    ASSERT_TRUE(IsWindowEnabled(Control(IDOK))) << "Go must be pressable for the test to mean anything";

    PostClick(edit, 3, 3);
    ASSERT_TRUE(SyncWithRun(edit));
    ASSERT_EQ(edit, RemoteFocus(run)) << "a click puts the focus into the edit";

    const struct {
        const char *name;
        UINT key;
    } keys[] = {{"Tab", VK_TAB}, {"Enter", VK_RETURN}, {"Esc", VK_ESCAPE}};
    for (const auto &k : keys) {
        SCOPED_TRACE(k.name);
        PostKey(edit, k.key);
        ASSERT_TRUE(SyncWithRun(edit));
        EXPECT_EQ(edit, RemoteFocus(run)) << "the focus moved";
        EXPECT_TRUE(IsWindowEnabled(run.mainWindow)) << "a run was started";
        EXPECT_TRUE(ProcessDialog(run) == NULL) << "a box came up";
        EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(run.process.hProcess, 0)) << "the program ended";
    }
    EXPECT_EQ(0u, ExitThroughTheButton());
}

/* Takes every port out of the list the spooler reads and puts each back,
   with its own type and data, when it goes. */
class PortsTakenAway {
public:
    PortsTakenAway()
    {
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PORTS_KEY, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_) != ERROR_SUCCESS)
            return;
        for (DWORD index = 0;; ++index) {
            char name[256];
            BYTE data[1024];
            DWORD nameLength = sizeof(name), dataLength = sizeof(data), type = 0;
            if (RegEnumValueA(key_, index, name, &nameLength, NULL, &type, data, &dataLength) != ERROR_SUCCESS)
                break;
            saved_.push_back({name, type, std::vector<BYTE>(data, data + dataLength)});
        }
        taken_ = true;
        for (const SAVED_VALUE &value : saved_)
            taken_ = RegDeleteValueA(key_, value.name.c_str()) == ERROR_SUCCESS && taken_;
    }

    ~PortsTakenAway()
    {
        for (const SAVED_VALUE &value : saved_)
            RegSetValueExA(key_, value.name.c_str(), 0, value.type, value.data.data(), (DWORD)value.data.size());
        if (key_ != NULL)
            RegCloseKey(key_);
    }

    bool Taken() const { return taken_ && !saved_.empty(); }

private:
    static constexpr const char *PORTS_KEY = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
    struct SAVED_VALUE {
        std::string name;
        DWORD type;
        std::vector<BYTE> data;
    };
    HKEY key_ = NULL;
    std::vector<SAVED_VALUE> saved_;
    bool taken_ = false;
};

TEST_F(VantrelProcessTest, WithoutPortsOnlyTheFailureBoxShowsAndTheExitCodeIsZero)
{
    std::string folder = PrepareFolder("no-ports", {"job.prn"});
    ASSERT_FALSE(folder.empty());
    {
        PortsTakenAway noPorts;
        ASSERT_TRUE(noPorts.Taken()) << "cannot empty the port list";
        ASSERT_TRUE(LaunchVantrel(folder + "\\vantrel.exe", "", NO_SHOW_STATE, &run));
        HWND box = WaitForProcessDialog(run);
        ASSERT_TRUE(box != NULL) << "no box";
        EXPECT_EQ("Printer List could not be initialised! Program terminated.", RemoteText(GetDlgItem(box, 0xFFFF)));
        EXPECT_EQ("Printer List Initalisation Error", RemoteText(box));
        HWND hidden = FindHiddenMainWindow(run);
        EXPECT_TRUE(hidden != NULL) << "the box's owner, the main window, exists";
        EXPECT_EQ(hidden, GetWindow(box, GW_OWNER));
        EXPECT_TRUE(GetDlgItem(hidden, IDC_STATUSBAR) == NULL) << "no status bar is made";
        PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        DWORD exitCode = 1000;
        EXPECT_TRUE(WaitForVantrelExit(&run, 10000, &exitCode)) << "still running after the box";
        EXPECT_EQ(0u, exitCode);
    }
}
