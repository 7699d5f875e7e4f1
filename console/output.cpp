/* Where the console program's words go. A console gets them as wide text,
   so that any character of the code page shows as itself whatever the
   console's own code page; a file or a pipe gets the bytes unchanged. */
#include "console.h"

#include <windows.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* The length of the progress line now shown, to blank it out again, and
   its text: a transfer reports after every chunk, mostly the same line. */
static int ProgressLength;
static char ProgressText[256];

static bool IsConsole(HANDLE handle)
{
    DWORD mode;
    return GetConsoleMode(handle, &mode) != FALSE;
}

static void WriteText(DWORD which, const char *text, int length)
{
    HANDLE handle = GetStdHandle(which);
    if (handle == NULL || handle == INVALID_HANDLE_VALUE || length <= 0)
        return;
    DWORD done;
    if (!IsConsole(handle)) {
        WriteFile(handle, text, (DWORD)length, &done, NULL);
        return;
    }
    int wide = MultiByteToWideChar(CP_ACP, 0, text, length, NULL, 0);
    WCHAR *buffer = wide > 0 ? (WCHAR *)malloc(wide * sizeof(WCHAR)) : NULL;
    if (buffer != NULL && MultiByteToWideChar(CP_ACP, 0, text, length, buffer, wide) == wide)
        WriteConsoleW(handle, buffer, (DWORD)wide, &done, NULL);
    free(buffer);
}

/* Formatted whole, however long: a result line cut short would misreport. */
static void WriteFormatted(DWORD which, const char *format, va_list arguments)
{
    va_list copy;
    va_copy(copy, arguments);
    int length = vsnprintf(NULL, 0, format, copy);
    va_end(copy);
    char *text = length >= 0 ? (char *)malloc((size_t)length + 1) : NULL;
    if (text != NULL) {
        vsnprintf(text, (size_t)length + 1, format, arguments);
        WriteText(which, text, length);
    }
    free(text);
}

void PrintOutput(const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    WriteFormatted(STD_OUTPUT_HANDLE, format, arguments);
    va_end(arguments);
}

void PrintError(const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    WriteFormatted(STD_ERROR_HANDLE, format, arguments);
    va_end(arguments);
}

/* Updated in place when it changes; a log that standard error goes to
   gets none of it. */
void ShowProgressLine(const char *text)
{
    if (ProgressText[0] != '\0' && strcmp(ProgressText, text) == 0)
        return;
    lstrcpynA(ProgressText, text, sizeof ProgressText);
    if (!IsConsole(GetStdHandle(STD_ERROR_HANDLE)))
        return;
    int length = lstrlenA(text);
    PrintError("\r%s%*s", text, ProgressLength > length ? ProgressLength - length : 0, "");
    ProgressLength = length;
}

void ClearProgressLine(void)
{
    ProgressText[0] = '\0';
    if (ProgressLength > 0)
        PrintError("\r%*s\r", ProgressLength, "");
    ProgressLength = 0;
}
