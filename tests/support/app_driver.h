/* Driving a copy of the real vantrel.exe from another process, as a user
   would, with what Wine carries across processes: system messages below
   WM_USER that carry no pointer, WM_GETTEXT, and remote memory for the
   common controls' pointer messages.

   Folders and copies
     MakeScratchFolder(name)    a fresh, empty folder under the temporary
                                folder (removed first if it exists); name may
                                hold backslashes for nested folders. Returns
                                its Windows path without a trailing
                                backslash, or "" on failure.
     CopyVantrelInto(folder)    copies the built exe (VANTREL_EXE) there as
                                vantrel.exe; returns the copy's path or "".
     RemoveScratchFolder(path)  deletes the folder and everything in it.

   A run
     StartVantrel(exe, arguments, showState, &run)
                                starts exe with the arguments after its
                                quoted name; showState is handed through
                                STARTF_USESHOWWINDOW, or not at all when it
                                is NO_SHOW_STATE. Waits up to 10 s for the
                                main window (class "FirmwareUpdate") to show
                                and fills run. False if it did not.
     LaunchVantrel(exe, arguments, showState, &run)
                                the same without waiting for anything;
                                run.mainWindow stays NULL.
     WaitForVantrelExit(&run, ms, &exitCode)
                                true when the process ended within ms.
     EndVantrel(&run)           terminates it if it still runs; closes the
                                handles. Safe to call twice.

   Looking and acting
     ProcessDialog(run, exclude)       a visible "#32770" window of the run
                                       (message box, About box, open dialog)
     WaitForProcessDialog(run, exclude)
                                       the same, waiting up to 10 s for it
     FindHiddenMainWindow(run)         the run's main window while not shown
     RemoteText(window)                WM_GETTEXT
     RemoteStatusText(run)             the status bar's text (SB_GETTEXTA)
     RemoteFocus(run)                  the window with the focus in the run's
                                       user-interface thread
     PostClick(window, x, y)           a left click, posted
     (PostKey and PostDoubleClick are ui_pump.h's: they work across
     processes too.)
     SyncWithRun(edit)                 returns once every message posted to
                                       the run before the call, and what those
                                       made TranslateMessage post, is handled;
                                       needs an edit control of the run with
                                       at least 3 characters, whose selection
                                       it changes as its marker.

   The port list, read through memory in the run's process
     RemotePortTexts(run)              column 0 of every item, in list order
     RemotePortCheck(run, item)        the state-image index: 1 unticked,
                                       2 ticked, 0 none
     PortCheckBoxPoint(run, item, &at) where a click hits the item's check box
     PortDescriptionPoint(run, item, &at)
                                       the middle of the item's "Description",
                                       away from its check box

   Message boxes and runs
     PressGoAndWatch(run, ms, &record, onStatus, onBox)
                                       presses "Go" and watches the run until
                                       "Go" and the main window are enabled
                                       again: records every distinct status
                                       text it sees, every message box (each
                                       read and closed with its OK button)
                                       and whether the main window was seen
                                       enabled before "Go" was. The callbacks
                                       (may be empty) see each new status
                                       text and each box before it is closed.
                                       False when the run did not end within
                                       ms or the program ended. What the
                                       polling misses between two looks is
                                       not recorded. */
#ifndef VANTREL_APP_DRIVER_H
#define VANTREL_APP_DRIVER_H

#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#define NO_SHOW_STATE (-1)

struct VANTREL_RUN {
    PROCESS_INFORMATION process;
    HWND mainWindow;
};

std::string MakeScratchFolder(const std::string &name);
std::string CopyVantrelInto(const std::string &folder);
void RemoveScratchFolder(const std::string &path);
/* A path in the system's code page, for the wide calls that take the long
   form of paths past MAX_PATH. */
std::wstring Wide(const std::string &text);

bool StartVantrel(const std::string &exe, const std::string &arguments, int showState, VANTREL_RUN *run);
bool LaunchVantrel(const std::string &exe, const std::string &arguments, int showState, VANTREL_RUN *run);
bool WaitForVantrelExit(VANTREL_RUN *run, DWORD milliseconds, DWORD *exitCode);
void EndVantrel(VANTREL_RUN *run);

HWND ProcessDialog(const VANTREL_RUN &run, HWND exclude = NULL);
HWND WaitForProcessDialog(const VANTREL_RUN &run, HWND exclude = NULL);
HWND FindHiddenMainWindow(const VANTREL_RUN &run);
std::string RemoteText(HWND window);
std::string RemoteStatusText(const VANTREL_RUN &run);
HWND RemoteFocus(const VANTREL_RUN &run);
void PostClick(HWND window, int x, int y);
bool SyncWithRun(HWND edit);

std::vector<std::string> RemotePortTexts(const VANTREL_RUN &run);
int RemotePortCheck(const VANTREL_RUN &run, int item);
bool PortCheckBoxPoint(const VANTREL_RUN &run, int item, POINT *at);
bool PortDescriptionPoint(const VANTREL_RUN &run, int item, POINT *at);

struct SEEN_BOX {
    std::string caption;
    std::string text;
    HWND owner;
    std::string status;     /* the status bar's text while the box was up */
};

struct RUN_RECORD {
    std::vector<std::string> statusTexts;   /* distinct from the one before */
    std::vector<SEEN_BOX> boxes;
    bool windowEnabledDuringRun = false;    /* seen enabled before "Go" was */
};

bool PressGoAndWatch(const VANTREL_RUN &run, DWORD milliseconds, RUN_RECORD *record,
                     const std::function<void(const std::string &)> &onStatus = nullptr,
                     const std::function<void(HWND)> &onBox = nullptr);

#endif
