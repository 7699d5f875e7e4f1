/* The real main window, made in this process by the start-up's own
   CreateMainWindow from the program's templates, over the scripted spooler
   (ports LPT1: and LPT2:, no printers) and with no default printer file
   found. SetUp shows it; TearDown destroys it, takes the quit message that
   its destruction posts, and deletes the logo.

   window          the main window
   PortCheck(i)    the state-image index of list item i (0, 1 or 2)
   StatusText()    the status bar's whole text
   WindowText(w)   a window's text */
#ifndef VANTREL_MAIN_WINDOW_H
#define VANTREL_MAIN_WINDOW_H

#include "seam_test.h"

#include <string>
#include <windows.h>

class MainWindowTest : public SeamTest {
protected:
    void SetUp() override;
    void TearDown() override;

    int PortCheck(int item);
    std::string StatusText();
    static std::string WindowText(HWND window);

    HWND window = NULL;
};

#endif
