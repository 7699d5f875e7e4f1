/* Running this thread's windows from a test: dispatching what waits in the
   queue, and acting inside a modal loop (a dialog box, a message box, the
   open-file dialog) that the test thread itself runs.

   PumpMessages()          dispatches every sent and posted message waiting.
   RunModalSteps(steps, open)
                           calls open(), which starts a modal loop on this
                           thread, and runs the steps one by one inside it,
                           one per timer tick. A tick comes only when no
                           posted message waits, so each step sees what the
                           previous one posted already handled. Returns the
                           number of steps run. A step should close the box;
                           if the loop still runs after the last step, each
                           further tick ends the thread's topmost dialog box
                           (nested boxes first) and counts it in
                           ModalDialogsForced, so that nothing hangs.
   FindThreadDialog(exclude)
                           a visible top-level "#32770" window of this thread
                           other than exclude, or NULL. */
#ifndef VANTREL_UI_PUMP_H
#define VANTREL_UI_PUMP_H

#include <windows.h>
#include <functional>
#include <vector>

void PumpMessages(void);
/* Dispatches what waits and drops the quit message that a destroyed main
   window posted. */
void DiscardQuit(void);
extern size_t ModalDialogsForced;
size_t RunModalSteps(const std::vector<std::function<void()>> &steps, const std::function<void()> &open);
HWND FindThreadDialog(HWND exclude = NULL);

/* A key pressed and released, posted as the keyboard would post it to the
   focused control; the receiving loop's TranslateMessage makes its WM_CHAR.
   Works across processes too. */
void PostKey(HWND control, UINT virtualKey);

/* A double click at a point of the window, as the mouse posts it. */
void PostDoubleClick(HWND window, int x, int y);

#endif
