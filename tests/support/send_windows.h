/* The windows a send reaches, made on the calling thread and destroyed with
   the object: a main window holding the file edit, "Go", "Exit", "Browse",
   the port list (IDC_PORTLIST, empty until InitPortList) and a status bar that records every text
   it is given. The shell's handles and PortListWindow point at them
   meanwhile. One at a time. */
#ifndef VANTREL_SEND_WINDOWS_H
#define VANTREL_SEND_WINDOWS_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class SendWindows {
public:
    SendWindows();
    ~SendWindows();

    void SetFileName(const std::string &path);

    /* Starts SendThreadProc on a thread of its own as "Go" does (controls
       disabled, MainWindowHandle as the argument), and pumps this thread's
       messages until that thread has ended. False if it took a minute. */
    bool RunSend();

    HWND main;
    HWND edit;
    HWND list;
    HWND status;
    std::vector<std::string> statusTexts;   /* every SB_SETTEXTA, in order */
    /* Called with each text as it is set, while the sender waits for the
       status bar: what the sender has done so far can be looked at. */
    std::function<void(const std::string &)> onStatusText;

private:
    static LRESULT CALLBACK StatusProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    WNDPROC statusProc;
};

#endif
