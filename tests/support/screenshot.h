/* Screenshots of the screen as the display shows it, written as PNG: what
   a person watching the test bed would have seen. */
#ifndef VANTREL_SCREENSHOT_H
#define VANTREL_SCREENSHOT_H

#include <windows.h>
#include <string>

/* The part of the screen inside area, as 24-bit RGB; false when it cannot
   be captured or written. */
bool SaveScreenPng(const RECT &area, const std::string &windowsPath);

/* The window's own rectangle, frame included; with a second window, the
   smallest rectangle holding both (a message box over its owner). */
bool SaveWindowPng(HWND window, const std::string &windowsPath, HWND other = NULL);

#endif
