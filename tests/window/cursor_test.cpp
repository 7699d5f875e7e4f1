/* The main window's cursor during a run: the system asks the window's own
   thread (WM_SETCURSOR), so a cursor the worker sets is never seen. */
#include "fake_system.h"
#include "shell.h"

#include <gtest/gtest.h>

namespace {

/* The run starts, its worker held. */
uintptr_t __cdecl HoldWorker(THREAD_START_PROC, unsigned, void *)
{
    return 1;
}

HCURSOR Cursor(LPCSTR id)
{
    return LoadCursorA(NULL, id);
}

/* The cursor the window sets when the system asks it for the mouse at
   this point; answered: the window's own answer, not the default one. */
HCURSOR CursorAt(HWND window, POINT at, bool *answered)
{
    SetCursorPos(at.x, at.y);
    SetCursor(Cursor(IDC_CROSS));
    LPARAM hit = MAKELPARAM(IsWindowEnabled(window) ? HTCLIENT : HTERROR, WM_MOUSEMOVE);
    *answered = SendMessageA(window, WM_SETCURSOR, (WPARAM)window, hit) != FALSE;
    return GetCursor();
}

} // namespace

/* Over the client area the wait cursor from "Go" on, at once, and the
   class's arrow once the run gives the window back; elsewhere the
   system's own. */
TEST(MainWindow, ShowsTheWaitCursorDuringARun)
{
    InstallFakeSystem();
    Sys._beginthread = HoldWorker;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.hCursor = Cursor(IDC_ARROW);
    windowClass.lpszClassName = "CursorTest";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("CursorTest", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 400, 300, NULL, NULL, NULL, NULL);
    RECT frame;
    GetWindowRect(window, &frame);
    POINT client = {200, 150}, outside = {frame.right + 20, frame.bottom + 20};
    ClientToScreen(window, &client);
    ASSERT_TRUE(SetCursorPos(client.x, client.y));

    bool answered;
    SendMessageA(window, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(SendRunActive) << "no run started";
    EXPECT_EQ(Cursor(IDC_WAIT), GetCursor()) << "not at once";
    EXPECT_EQ(Cursor(IDC_WAIT), CursorAt(window, client, &answered));
    EXPECT_TRUE(answered);
    EXPECT_NE(Cursor(IDC_WAIT), CursorAt(window, outside, &answered)) << "the wait cursor beyond the client area";
    EXPECT_FALSE(answered);

    SetCursorPos(client.x, client.y);
    InterlockedExchange(&SendRunActive, FALSE);     /* as the worker ends a run */
    EnableMainControls(window, TRUE);
    EXPECT_EQ(Cursor(IDC_ARROW), GetCursor()) << "not at once";
    EXPECT_EQ(Cursor(IDC_ARROW), CursorAt(window, client, &answered));

    SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)DefWindowProcA);
    DestroyWindow(window);
    ResetSystemCalls();
}
