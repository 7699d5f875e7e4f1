/* Drives a copy of the released vantrel.exe from another process, as a user
   would, with what Wine carries across processes: system messages below
   WM_USER that carry no pointer, WM_GETTEXT and WM_SETTEXT, and a page of
   the program's own memory for the common controls' pointer messages.
   Input is posted, never sent: a click that opens a modal loop would
   otherwise hold this process until the loop ends. Every wait has a
   deadline and says what it waited for. */
#ifndef VANTREL_DRIVER_H
#define VANTREL_DRIVER_H

#include "bed.h"

#include <windows.h>
#include <functional>
#include <string>
#include <vector>

struct APP {
    PROCESS_INFORMATION process;
    HWND mainWindow;        /* NULL until shown */
};

/* Starts exe; with waitForWindow, until its main window (class
   "FirmwareUpdate") shows. EndApp terminates what still runs. */
bool StartApp(const std::string &exe, APP *app, bool waitForWindow = true);
void EndApp(APP *app);

/* A window of the program's process of this class: visible or hidden. */
HWND FindAppWindow(const APP &app, const char *className, bool visible = true);
HWND WaitForDialog(const APP &app);     /* a visible "#32770": box, About, Open */
HWND Control(const APP &app, int id);
std::string Text(HWND window);
std::string StatusText(const APP &app);

/* Returns once everything posted to the program before is handled (a
   selection change in the file edit, which must hold 3 characters, is the
   marker). */
bool SyncWithApp(const APP &app);

/* The port list: column 0 of every row; a row's check state (1 unticked,
   2 ticked); ticking or unticking a row by posted input, then synced. */
enum TICK_BY { BY_CHECK_BOX, BY_DOUBLE_CLICK };
std::vector<std::string> PortTexts(const APP &app);
int PortCheck(const APP &app, int row);
bool TogglePort(const APP &app, int row, TICK_BY how);

/* Waits until a dialog closes. */
bool WaitForClose(HWND dialog);

/* A run: "Go" pressed, then watched until the program is idle again.
   Every status text that differs from the one before is recorded, every
   box read as "caption|text|owner|status", the owner "main", "none" or
   "other" and the status the one while it was up, and closed with OK. The
   main window must stay disabled while a progress text of the current
   transfer shows: Wine enables a box's owner when the box closes and the
   run disables it again right after, so the text left from before the box
   does not count. onStatus sees each new text. False when the run did not
   end or the program did. */
struct RUN_RECORD {
    std::vector<std::string> statusTexts, boxes;
    bool enabledMidRun = false;
};
bool RunAndWatch(const APP &app, RUN_RECORD *record,
                 const std::function<void(const std::string &)> &onStatus = nullptr);

/* The console program: started with these arguments, its standard output
   and error going to files of the bed (so never a console: no progress
   lines), and waited for; whileRunning, if given, runs once it has
   started, with its process. Its output is read as lines. False when it
   did not end within the run's deadline. */
struct CONSOLE_RUN {
    DWORD exitCode;
    std::vector<std::string> out;
    std::string err;
};
bool RunConsole(const std::string &exe, const std::vector<std::string> &arguments, CONSOLE_RUN *run,
                const std::function<void(const PROCESS_INFORMATION &)> &whileRunning = nullptr);

#endif
