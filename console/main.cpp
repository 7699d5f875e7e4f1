/* vantrel-send: sends one file byte for byte to printer ports from a
   console, by the same roads as the window program.

     vantrel-send FILE PORT [PORT ...]
     vantrel-send --list | --help | /? | --version */
#include "console.h"
#include "version.h"

#include <string.h>

static const char Usage[] =
    "Usage: vantrel-send FILE PORT [PORT ...]\n"
    "       vantrel-send --list\n"
    "       vantrel-send --help | /? | --version\n"
    "\n"
    "Sends FILE byte for byte, unchanged, to each PORT in the order given: as a\n"
    "RAW job to the queue installed on the port; through a temporary queue when\n"
    "the port has none; or, with no printer driver installed at all, straight\n"
    "to the port device. A PORT is one of the names --list prints, written\n"
    "exactly as it shows them.\n"
    "\n"
    "  --list     print the ports that can be sent to, one a line: the port, the\n"
    "             road (queue, temporary or device) and the queue, the driver\n"
    "             or the device it goes through, separated by tabs\n"
    "  --help, /? print this text\n"
    "  --version  print the version\n"
    "\n"
    "For every port, one line on standard output: the port, \"sent\" or\n"
    "\"failed\", the bytes sent and the road, separated by tabs. Messages go to\n"
    "standard error.\n"
    "\n"
    "Exit codes:\n"
    "  0  every port got the whole file\n"
    "  1  a port failed; the other ports were still sent to\n"
    "  2  the file is missing, cannot be opened or read: the run stopped there\n"
    "  3  a port is not offered (or no ports can be listed): nothing was sent\n"
    "  4  the command line is wrong: nothing was sent\n"
    "  5  cancelled by Ctrl+C, Ctrl+Break or closing the console: the port\n"
    "     being written got its job aborted, later ports got nothing\n";

static int UsageError(const char *problem, const char *argument)
{
    PrintError("vantrel-send: %s%s\nUsage: vantrel-send FILE PORT [PORT ...]; vantrel-send --help tells more\n",
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

/* An option stands alone. "--" ends the options, for a file whose name
   begins with a dash; anything else beginning with one is refused, never
   ignored. */
int main(int argc, char **argv)
{
    int first = 1;
    if (first < argc && strcmp(argv[first], "--") == 0)
        ++first;
    else if (first < argc && (argv[first][0] == '-' || strcmp(argv[first], "/?") == 0))
        return RunOption(argv[first], argc);
    if (argc - first < 1)
        return UsageError("no file named", "");
    if (argc - first < 2)
        return UsageError("no port named to send to: ", argv[first]);
    const char *repeated;
    if (IsAnyNameRepeated(argv + first + 1, argc - first - 1, &repeated))
        return UsageError("a port named twice would get the file twice: ", repeated);
    return SendFileToPorts(argv[first], argv + first + 1, argc - first - 1);
}
