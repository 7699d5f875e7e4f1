/* The process entry: the runtime is initialised by the time it runs; it
   hands the show state to WinMain and exits with WinMain's result. */
#include "shell.h"

#include <stdlib.h>

int main(void)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    int showState = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;

    /* Skip the program's name, then the blanks before any arguments; the
       program takes no arguments, so WinMain never looks at the rest. */
    char *commandLine = GetCommandLineA();
    if (*commandLine == '"') {
        ++commandLine;
        while (*commandLine && *commandLine != '"')
            ++commandLine;
        if (*commandLine == '"')
            ++commandLine;
    } else {
        while ((unsigned char)*commandLine > ' ')
            ++commandLine;
    }
    while (*commandLine && (unsigned char)*commandLine <= ' ')
        ++commandLine;

    exit(WinMain(GetModuleHandleA(NULL), NULL, commandLine, showState));
}
