/* The status and control helpers on real windows: the main window made from
   the built exe's IDD_MAIN template, with a real status bar. */
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>

#include "built_exe.h"
#include "ports.h"
#include "resource.h"
#include "shell.h"

namespace {

struct ENABLE_EVENT {
    HWND window;
    BOOL enabled;
    bool operator==(const ENABLE_EVENT &other) const
    {
        return window == other.window && enabled == other.enabled;
    }
};

void PrintTo(const ENABLE_EVENT &event, std::ostream *out)
{
    *out << "{" << (void *)event.window << ", " << (event.enabled ? "TRUE" : "FALSE") << "}";
}

/* WM_ENABLE in the order the windows receive it. */
std::vector<ENABLE_EVENT> EnableEvents;

const char ORIGINAL_PROC[] = "VantrelTestOriginalProc";

LRESULT CALLBACK RecordingMainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENABLE)
        EnableEvents.push_back({window, (BOOL)wParam});
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK RecordingControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC original = (WNDPROC)GetPropA(window, ORIGINAL_PROC);
    if (message == WM_ENABLE)
        EnableEvents.push_back({window, (BOOL)wParam});
    if (message == WM_NCDESTROY)
        RemovePropA(window, ORIGINAL_PROC);
    return CallWindowProcA(original, window, message, wParam, lParam);
}

void RecordEnableMessages(HWND control)
{
    LONG_PTR original = SetWindowLongPtrA(control, GWLP_WNDPROC, (LONG_PTR)RecordingControlProc);
    SetPropA(control, ORIGINAL_PROC, (HANDLE)original);
}

std::string StatusText(void)
{
    LRESULT lengthAndType = SendMessageA(StatusBarWindow, SB_GETTEXTLENGTHA, 0, 0);
    std::string text(LOWORD(lengthAndType) + 1, '?');
    SendMessageA(StatusBarWindow, SB_GETTEXTA, 0, (LPARAM)&text[0]);
    text.resize(strlen(text.c_str()));
    return text;
}

class ShellState : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        WNDCLASSA windowClass;
        ZeroMemory(&windowClass, sizeof(windowClass));
        windowClass.lpfnWndProc = RecordingMainProc;
        windowClass.cbWndExtra = DLGWINDOWEXTRA;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
        windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = "FirmwareUpdate";
        RegisterClassA(&windowClass);
    }

    static void TearDownTestSuite()
    {
        UnregisterClassA("FirmwareUpdate", GetModuleHandleA(NULL));
    }

    void SetUp() override
    {
        DWORD size = 0;
        const BYTE *bytes = BuiltExeResource(RT_DIALOG, MAKEINTRESOURCEA(IDD_MAIN), &size);
        ASSERT_TRUE(bytes != NULL) << "IDD_MAIN not found in " << BuiltExePath();
        main_ = CreateDialogIndirectParamA(GetModuleHandleA(NULL), (LPCDLGTEMPLATEA)bytes, NULL, NULL, 0);
        ASSERT_TRUE(main_ != NULL) << "no window from IDD_MAIN (no X display?), error " << GetLastError();
        PortListWindow = GetDlgItem(main_, IDC_PORTLIST);
        FileEditWindow = GetDlgItem(main_, IDC_FILENAME);
        GoButtonWindow = GetDlgItem(main_, IDOK);
        ExitButtonWindow = GetDlgItem(main_, IDCANCEL);
        BrowseButtonWindow = GetDlgItem(main_, IDC_BROWSE);
        StatusBarWindow = CreateStatusWindowA(WS_CHILD | WS_VISIBLE, "Ready", main_, IDC_STATUSBAR);
        ASSERT_TRUE(StatusBarWindow != NULL);
        for (HWND control : {PortListWindow, FileEditWindow, GoButtonWindow, ExitButtonWindow, BrowseButtonWindow}) {
            ASSERT_TRUE(control != NULL);
            RecordEnableMessages(control);
        }
        EnableEvents.clear();
    }

    void TearDown() override
    {
        if (main_ != NULL)
            DestroyWindow(main_);
        PortListWindow = FileEditWindow = GoButtonWindow = NULL;
        ExitButtonWindow = BrowseButtonWindow = StatusBarWindow = NULL;
    }

    std::vector<ENABLE_EVENT> ExpectedOrder(BOOL enabled)
    {
        return {{PortListWindow, enabled}, {FileEditWindow, enabled}, {GoButtonWindow, enabled},
                {ExitButtonWindow, enabled}, {BrowseButtonWindow, enabled}, {main_, enabled}};
    }

    HWND main_ = NULL;
};

TEST_F(ShellState, SetStatusTextReplacesTheWholeTextUnchanged)
{
    const char *texts[] = {
        "Writing to LPT1:",
        "Writing to LPT1:\t\t42% Completed",    /* port left, percentage right */
        "Ready",
        "",
        "Writing to \\\\print-server\\Laser on print-server\t\t100% Completed",
        "Error",
    };
    for (const char *text : texts) {
        SCOPED_TRACE(text);
        SetStatusText(text);
        LRESULT lengthAndType = SendMessageA(StatusBarWindow, SB_GETTEXTLENGTHA, 0, 0);
        EXPECT_EQ(strlen(text), (size_t)LOWORD(lengthAndType));
        EXPECT_EQ(0, HIWORD(lengthAndType)) << "part 0 with the default border";
        EXPECT_EQ(text, StatusText());
    }
}

TEST_F(ShellState, ReadyAndErrorRestoreTheArrow)
{
    const struct { void (*show)(void); const char *text; } cases[] = {
        {ShowReadyStatus, "Ready"},
        {ShowErrorStatus, "Error"},
    };
    HCURSOR arrow = LoadCursorA(NULL, IDC_ARROW);
    HCURSOR wait = LoadCursorA(NULL, IDC_WAIT);
    ASSERT_NE(arrow, wait);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        SetStatusText("Writing to LPT1:\t\t50% Completed");
        SetCursor(wait);
        ASSERT_EQ(wait, GetCursor());
        c.show();
        EXPECT_EQ(arrow, GetCursor());
        EXPECT_EQ(c.text, StatusText());
    }
}

/* Controls first, the window last; "Go" comes back even with an empty edit. */
TEST_F(ShellState, EnablingAndDisablingGoControlsFirstWindowLast)
{
    SetWindowTextA(FileEditWindow, "");
    for (BOOL enabled : {FALSE, TRUE}) {
        SCOPED_TRACE(enabled ? "enabling" : "disabling");
        EnableEvents.clear();
        EnableMainControls(main_, enabled);
        EXPECT_EQ(ExpectedOrder(enabled), EnableEvents);
        for (HWND window : {PortListWindow, FileEditWindow, GoButtonWindow, ExitButtonWindow, BrowseButtonWindow, main_})
            EXPECT_EQ(enabled, IsWindowEnabled(window));
    }
}

/* A send run calls the helpers from its worker while the interface thread
   keeps dispatching; the system carries them out on the window's thread. */
DWORD WINAPI EndOfRun(void *mainWindow)
{
    SetStatusText("Writing to LPT1:\t\t100% Completed");
    ShowReadyStatus();
    EnableMainControls((HWND)mainWindow, TRUE);
    return 0;
}

TEST_F(ShellState, HelpersWorkFromAWorkerThread)
{
    EnableMainControls(main_, FALSE);
    EnableEvents.clear();

    HANDLE worker = CreateThread(NULL, 0, EndOfRun, main_, 0, NULL);
    ASSERT_TRUE(worker != NULL);
    DWORD waited;
    int rounds = 0;
    while ((waited = MsgWaitForMultipleObjects(1, &worker, FALSE, 5000, QS_ALLINPUT)) == WAIT_OBJECT_0 + 1
           && ++rounds < 10000) {
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
    EXPECT_EQ(WAIT_OBJECT_0, waited) << "the worker did not finish";
    CloseHandle(worker);

    EXPECT_EQ("Ready", StatusText());
    EXPECT_EQ(ExpectedOrder(TRUE), EnableEvents);
}

}  // namespace
