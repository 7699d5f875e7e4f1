/* vantrel-send: sends one file byte for byte to printer ports from a
   console, by the same roads as the window program.

     vantrel-send [--wait[=SECONDS]] FILE PORT [PORT ...]
     vantrel-send --list | --help | /? | --version */
#include "console.h"
#include "version.h"

#include <stdlib.h>
#include <string.h>

#define DEFAULT_WAIT_SECONDS    600
#define LONGEST_WAIT_SECONDS    86400

static const char Usage[] =
    "Usage: vantrel-send [--wait[=SECONDS]] FILE PORT [PORT ...]\n"
    "       vantrel-send --list\n"
    "       vantrel-send --help | /? | --version\n"
    "\n"
    "Sends FILE byte for byte, unchanged, to each PORT in the order given: as a\n"
    "job to the queue installed on the port; through a temporary queue when\n"
    "the port has none; or, with no printer driver installed at all (or no\n"
    "right to add a printer), straight to the port device. A job carries the\n"
    "data type XPS_PASS where the queue's driver is XPS-based, else RAW. A\n"
    "PORT is one of the names --list prints, written exactly as it shows them.\n"
    "\n"
    "  --list     print the ports that can be sent to, one a line: the port, the\n"
    "             road (queue, temporary or device), the queue, the driver or\n"
    "             the device it goes through, and the data type of its job (-\n"
    "             for a device), separated by tabs\n"
    "  --wait[=SECONDS]\n"
    "             after each port's job is ended, follow it in the queue until\n"
    "             it has printed, was deleted, or SECONDS (default 600) are up\n"
    "  --help, /? print this text\n"
    "  --version  print the version\n"
    "\n"
    "For every port, one line on standard output: the port, \"sent\" or\n"
    "\"failed\", the bytes sent and the road, separated by tabs; with --wait\n"
    "also what became of the job: \"delivered\", \"deleted\", \"unconfirmed\", or\n"
    "\"-\" for a port that failed. Messages go to standard error.\n"
    "\n"
    "Exit codes (where several apply, the first of 5, 2, 1, 6 wins):\n"
    "  0  every port got the whole file (with --wait: and its job was delivered)\n"
    "  1  a port failed, or its job was deleted before it printed; the other\n"
    "     ports were still sent to\n"
    "  2  the file is missing, cannot be opened or read: the run stopped there\n"
    "  3  a port is not offered (or no ports can be listed): nothing was sent\n"
    "  4  the command line is wrong: nothing was sent\n"
    "  5  cancelled by Ctrl+C, Ctrl+Break or closing the console: the port\n"
    "     being written got its job aborted (a job being followed is left\n"
    "     alone), later ports got nothing\n"
    "  6  --wait: every port was sent, and a job had not printed in time\n";

static int UsageError(const char *problem, const char *argument)
{
    PrintError("vantrel-send: %s%s\nUsage: vantrel-send [--wait[=SECONDS]] FILE PORT [PORT ...]; "
               "vantrel-send --help tells more\n",
               problem, argument);
    return EXIT_USAGE;
}

/* A port named twice would get the file twice: a script's mistake, which
   a printer being flashed must not pay for. */
static bool IsAnyNameRepeated(char *const *names, int count, const char **repeated)
{
    for (int i = 0; i < count; ++i)
        for (int j = 0; j < i; ++j)
            if (strcmp(names[i], names[j]) == 0) {
                *repeated = names[i];
                return true;
            }
    return false;
}

static int RunOption(const char *option, int argc)
{
    if (argc > 2)
        return UsageError("nothing may follow ", option);
    if (strcmp(option, "--help") == 0 || strcmp(option, "/?") == 0) {
        PrintOutput("%s", Usage);
        return EXIT_SENT;
    }
    if (strcmp(option, "--version") == 0) {
        PrintOutput("vantrel-send %s\n", VANTREL_VERSION_TEXT);
        return EXIT_SENT;
    }
    if (strcmp(option, "--list") == 0)
        return ListPorts();
    return UsageError("unknown option ", option);
}

/* "--wait" or "--wait=SECONDS", SECONDS in decimal digits only. */
static bool ParseWait(const char *option, DWORD *seconds)
{
    *seconds = DEFAULT_WAIT_SECONDS;
    if (strcmp(option, "--wait") == 0)
        return true;
    const char *digits = option + strlen("--wait=");
    if (strncmp(option, "--wait=", strlen("--wait=")) != 0 || *digits == '\0' ||
        strspn(digits, "0123456789") != strlen(digits) || strlen(digits) > 5)
        return false;
    *seconds = (DWORD)atol(digits);
    return *seconds <= LONGEST_WAIT_SECONDS;
}

/* An option stands alone, but for --wait, which goes before the file.
   "--" ends the options, for a file whose name begins with a dash;
   anything else beginning with one is refused, never ignored. */
int main(int argc, char **argv)
{
    int first = 1;
    bool following = first < argc && strncmp(argv[first], "--wait", strlen("--wait")) == 0;
    DWORD waitSeconds = 0;
    if (following && !ParseWait(argv[first++], &waitSeconds))
        return UsageError("--wait takes whole seconds from 0 to 86400: ", argv[first - 1]);
    if (first < argc && strcmp(argv[first], "--") == 0)
        ++first;
    else if (first < argc && (argv[first][0] == '-' || strcmp(argv[first], "/?") == 0))
        return following ? UsageError("--wait goes with a file and ports, not with ", argv[first])
                         : RunOption(argv[first], argc);
    if (argc - first < 1)
        return UsageError("no file named", "");
    if (argc - first < 2)
        return UsageError("no port named to send to: ", argv[first]);
    const char *repeated;
    if (IsAnyNameRepeated(argv + first + 1, argc - first - 1, &repeated))
        return UsageError("a port named twice would get the file twice: ", repeated);
    return SendFileToPorts(argv[first], argv + first + 1, argc - first - 1, following, waitSeconds);
}
