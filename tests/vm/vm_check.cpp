/* The shipped vantrel.exe, run in place from the release's files inside the
   check machine (tests/vm/checks.sh brings its bed up there), driven from
   this 32-bit process as a user would: its ports shown, ports ticked, Go
   pressed, "Ready" waited for, and the far ends compared with the file.
     spool profile   the installed queue and a temporary queue, one run
     direct profile  a slow device, with the 52,428,800-byte file whose
                     percentages differ where x87 rounding leaks in
   checks.sh leaves beside the bed: the console program's --list output
   (console-list.txt), the big file (big.prn) and the percentages a
   double-precision build shows for it (expected-percents.txt). */
#include "bed.h"
#include "driver.h"
#include "resource.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <algorithm>
#include <fstream>
#include <set>

namespace {

std::vector<std::string> Lines(const std::string &path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

/* The first field of each line of the console program's port table. */
std::vector<std::string> ConsolePorts(void)
{
    std::vector<std::string> ports;
    for (const std::string &line : Lines(BedUnixPath("console-list.txt")))
        ports.push_back(line.substr(0, line.find('\t')));
    return ports;
}

class Window : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *exe = getenv("VANTREL_EXE");
        ASSERT_TRUE(exe != NULL) << "VANTREL_EXE names no program";
        ASSERT_TRUE(StartApp(WindowsPath(exe), &app)) << "no main window within " << START_DEADLINE << " ms";
    }

    void TearDown() override
    {
        if (app.process.hProcess != NULL) {
            PostMessageA(app.mainWindow, WM_CLOSE, 0, 0);
            DWORD exitCode = 1000;
            EXPECT_TRUE(WaitForSingleObject(app.process.hProcess, START_DEADLINE) == WAIT_OBJECT_0 &&
                        GetExitCodeProcess(app.process.hProcess, &exitCode)) << "the program did not end when closed";
            EXPECT_EQ(0u, exitCode);
        }
        EndApp(&app);
    }

    /* The list is the console's, the file typed, the ports ticked by their
       check boxes, Go pressed: the run must end with "Ready" and no box. */
    RUN_RECORD Send(const std::string &file, const std::vector<std::string> &ports)
    {
        RUN_RECORD record;
        std::vector<std::string> listed = PortTexts(app);
        EXPECT_FALSE(listed.empty());
        EXPECT_EQ(ConsolePorts(), listed) << "the window lists other ports than vantrel-send --list";
        SendMessageA(Control(app, IDC_FILENAME), WM_SETTEXT, 0, (LPARAM)file.c_str());
        EXPECT_EQ(file, Text(Control(app, IDC_FILENAME)));
        for (const std::string &port : ports) {
            int row = (int)(std::find(listed.begin(), listed.end(), port) - listed.begin());
            if (row == (int)listed.size()) {
                ADD_FAILURE() << port << " is not listed";
                return record;
            }
            EXPECT_TRUE(TogglePort(app, row, BY_CHECK_BOX)) << port << " did not get ticked";
        }
        EXPECT_TRUE(RunAndWatch(app, &record)) << "the run did not end within " << RUN_DEADLINE << " ms";
        EXPECT_TRUE(record.boxes.empty()) << "a box: " << (record.boxes.empty() ? "" : record.boxes[0]);
        EXPECT_FALSE(record.statusTexts.empty() || record.statusTexts.back() != "Ready")
            << "status texts: " << ::testing::PrintToString(record.statusTexts);
        return record;
    }

    APP app = {};
};

}  // namespace

TEST_F(Window, SpoolProfileSendsToTheQueueAndThroughATemporaryQueue)
{
    ASSERT_EQ("spool", BedProfile());
    BED_FILE file = MakeBedFile("window.prn", 3 * 524288 + 4321);
    ASSERT_TRUE(FillSink("spool-lpt1.bin", StaleBytes));
    int before = CountListenerJobs();

    Send(file.path, {QueuePort(), "LPT1:"});

    EXPECT_EQ(file.fingerprint, ListenerJob(before + 1, RUN_DEADLINE)) << "the queue's far end";
    EXPECT_EQ(file.fingerprint, Fingerprint(SinkPath("spool-lpt1.bin"))) << "the temporary queue's far end";
    EXPECT_EQ(std::vector<std::string>(), TemporaryPrinters());
}

/* LPT3: is a slow printer (checks.sh): each percentage stays up long
   enough for the driver's polls to see some, never all. Each one seen must
   be one a double-precision build shows. The console's progress line,
   which checks.sh reads whole, shows them all. */
TEST_F(Window, DirectProfileWritesTheBigFileToTheDeviceWithDoublePrecisionPercentages)
{
    ASSERT_EQ("direct", BedProfile());
    std::set<int> expected;
    for (const std::string &line : Lines(BedUnixPath("expected-percents.txt")))
        expected.insert(atoi(line.c_str()));
    ASSERT_EQ(0u, expected.count(29)) << "expected-percents.txt is not of the 52,428,800-byte file";
    std::string file = BedPath("big.prn");
    std::string fingerprint = Fingerprint(file);
    ASSERT_EQ(0u, fingerprint.rfind("52428800 ", 0)) << fingerprint;

    RUN_RECORD record = Send(file, {"LPT3:"});

    /* The reader drains what the pipe still holds after the port closed. */
    std::string sink = SinkPath("slow-lpt3.bin");
    WaitUntil(RUN_DEADLINE, [&] {
        WIN32_FILE_ATTRIBUTE_DATA data;
        return GetFileAttributesExA(sink.c_str(), GetFileExInfoStandard, &data) && data.nFileSizeLow >= 52428800;
    });
    EXPECT_EQ(fingerprint, Fingerprint(sink)) << "the device's far end";
    std::string seen;
    for (const std::string &text : record.statusTexts) {
        int percent;
        char tail[32] = "";
        if (sscanf(text.c_str(), "Writing to LPT3:\t\t%d%31[^\n]", &percent, tail) == 2) {
            seen += " " + std::to_string(percent);
            EXPECT_EQ(std::string("% Completed"), tail) << text;
            EXPECT_EQ(1u, expected.count(percent)) << "shown: " << text;
        }
    }
    printf("percentages the driver saw in the status bar:%s\n", seen.c_str());
    EXPECT_FALSE(seen.empty()) << "no percentage seen: " << ::testing::PrintToString(record.statusTexts);
}
