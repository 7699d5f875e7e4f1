/* vantrel-send: the window's port table and roads from a console, for
   scripts. Its exit codes are part of its interface: few, distinct, and the
   same for the same failure every time. */
#ifndef VANTREL_CONSOLE_H
#define VANTREL_CONSOLE_H

#include <windows.h>

#define EXIT_SENT               0   /* every named port got the whole file */
#define EXIT_PORT_FAILED        1   /* a port failed; the others were still sent */
#define EXIT_FILE_FAILED        2   /* the input file failed; the run stopped there */
#define EXIT_PORT_NOT_OFFERED   3   /* a port is not offered, or none can be listed: nothing sent */
#define EXIT_USAGE              4   /* the command line is wrong: nothing done */
#define EXIT_CANCELLED          5   /* Ctrl+C, Ctrl+Break or the console closed mid-run */
#define EXIT_UNCONFIRMED        6   /* --wait: every port sent, a job not yet printed */

/* Output (output.cpp). Standard output takes the results, one line per
   port; standard error the messages, and the progress line only while it
   is a console. Texts are in the program's code page. */
void PrintOutput(const char *format, ...) __attribute__((format(printf, 1, 2)));
void PrintError(const char *format, ...) __attribute__((format(printf, 1, 2)));
#define PROGRESS_LINE_SIZE  512
void ShowProgressLine(const char *text);
void ClearProgressLine(void);

/* The ports and the send (sendfile.cpp) */
int ListPorts(void);
/* The program's console control handler: Ctrl+C, Ctrl+Break, the console
   closing or the session ending stop the run. */
BOOL WINAPI OnConsoleControl(DWORD event);
/* following: whether each job is followed to the printer, for at most
   waitSeconds. */
int SendFileToPorts(const char *path, char *const *portNames, int portCount, bool following, DWORD waitSeconds);

#endif
