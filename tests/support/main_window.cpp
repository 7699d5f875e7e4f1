#include "main_window.h"
#include "fake_spooler.h"
#include "message_boxes.h"
#include "ports.h"
#include "shell.h"
#include "syscalls.h"
#include "ui_pump.h"

#include <commctrl.h>

static HANDLE WINAPI FindNoPrinterFile(LPCSTR, LPWIN32_FIND_DATAA)
{
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

void MainWindowTest::SetUp()
{
    SeamTest::SetUp();
    InstallFakeSpooler();
    Spooler.ports = LocalPorts({"LPT1:", "LPT2:"});
    Sys.FindFirstFileA = FindNoPrinterFile;
    RecordMessageBoxes();       /* a real box would wait for a user */
    window = CreateMainWindow(GetModuleHandleA(NULL));
    ASSERT_TRUE(window != NULL);
    ShowWindow(window, SW_SHOWNORMAL);
    PumpMessages();
}

void MainWindowTest::TearDown()
{
    if (window != NULL && IsWindow(window)) {
        DestroyWindow(window);
        DiscardQuit();
    }
    if (LogoBitmap != NULL)
        DeleteObject(LogoBitmap);
    LogoBitmap = NULL;
    /* Other tests register the class with procedures of their own. */
    UnregisterClassA("FirmwareUpdate", GetModuleHandleA(NULL));
    SeamTest::TearDown();
}

int MainWindowTest::PortCheck(int item)
{
    return (int)(SendMessageA(PortListWindow, LVM_GETITEMSTATE, item, LVIS_STATEIMAGEMASK) >> 12);
}

std::string MainWindowTest::StatusText()
{
    char text[256] = "";
    SendMessageA(StatusBarWindow, SB_GETTEXTA, 0, (LPARAM)text);
    return text;
}

std::string MainWindowTest::WindowText(HWND window)
{
    char text[512] = "";
    GetWindowTextA(window, text, sizeof(text));
    return text;
}
