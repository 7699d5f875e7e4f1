/* What every end-to-end test does on the bed: a folder of its own, copies
   of the released programs in it, the far ends of the LPT ports and the
   queue's jobs, and changes to the bed (spooler mappings, ports) undone in
   reverse when the test ends. */
#ifndef VANTREL_BED_TEST_H
#define VANTREL_BED_TEST_H

#include "bed.h"
#include "driver.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

const std::vector<std::string> None;
const uint64_t Chunk = 524288;

class BedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = std::string("e2e/") + test->name();
        spool = BedProfile() == "spool";
        CreateDirectoryA(BedPath("e2e").c_str(), NULL);
        CreateDirectoryA(BedPath(folder).c_str(), NULL);
        /* A fixture whose name ends in "Spool" needs the installed queue. */
        if (std::string(test->test_suite_name()).find("Spool") != std::string::npos) {
            ASSERT_TRUE(spool) << "needs the \"spool\" profile";
        }
        exe = CopyExeTo(folder);
        console = CopyExeTo(folder, "VANTREL_SEND_EXE", "vantrel-send.exe");
    }

    /* No run left a temporary printer. This process never loads the
       spooler: Wine counts jobs per process and syncs its printers with
       CUPS only while no process holds it. */
    void TearDown() override
    {
        EXPECT_EQ(None, TemporaryPrinters());
        EXPECT_TRUE(GetModuleHandleA("winspool.drv") == NULL) << "the test's process loaded the spooler";
        EndApp(&app);
        Undo();
    }

    /* The program the build named in the variable, copied as name. */
    std::string CopyExeTo(const std::string &relative, const char *variable = "VANTREL_EXE",
                          const char *name = "vantrel.exe")
    {
        const char *built = getenv(variable);
        std::string copy = BedPath(relative + "/" + name);
        EXPECT_TRUE(built && CopyFileA(WindowsPath(built).c_str(), copy.c_str(), FALSE)) << variable;
        return copy;
    }

    /* The copy of vantrel-send.exe run with these arguments. */
    CONSOLE_RUN Send(const std::vector<std::string> &arguments,
                     const std::function<void(const PROCESS_INFORMATION &)> &whileRunning = nullptr)
    {
        CONSOLE_RUN run;
        EXPECT_TRUE(RunConsole(console, arguments, &run, whileRunning)) << "did not start, or end within " << RUN_DEADLINE << " ms";
        return run;
    }

    /* The sink an LPT port leads to in this profile: its jobs' or its
       device's. */
    std::string SinkOf(const std::string &port) const
    {
        return (spool ? "spool-lpt" : "device-lpt") + port.substr(3, 1) + ".bin";
    }

    /* The ports to be sent to start empty (a device is written from its
       start and never cut short); those to be spared hold stale bytes. */
    void FillSinks(const std::vector<std::string> &sent, const std::vector<std::string> &spared)
    {
        for (const std::string &port : sent)
            ASSERT_TRUE(FillSink(SinkOf(port), "")) << port;
        for (const std::string &port : spared)
            ASSERT_TRUE(FillSink(SinkOf(port), StaleBytes)) << port;
    }

    void ExpectSinks(const std::string &fingerprint, const std::vector<std::string> &sent,
                     const std::vector<std::string> &spared)
    {
        for (const std::string &port : sent)
            EXPECT_EQ(fingerprint, Fingerprint(SinkPath(SinkOf(port)))) << port << " did not get the file";
        for (const std::string &port : spared)
            EXPECT_EQ(StaleFingerprint(), Fingerprint(SinkPath(SinkOf(port)))) << port << " was written";
    }

    /* The queue's jobs since `before`: a small file of this test's own is
       sent to the queue alone and must come next, so nothing else reached
       the queue before it, and Wine's jobs have all been delivered. */
    std::vector<std::string> QueueJobsSince(int before)
    {
        BED_FILE sentinel = MakeBedFile(folder + "/sentinel.prn", 4099);
        EXPECT_EQ(0u, Send({sentinel.path, QueuePort()}).exitCode) << "no sentinel sent";
        std::vector<std::string> jobs;
        std::string job;
        while (!(job = ListenerJob(before + 1 + (int)jobs.size(), RUN_DEADLINE)).empty() && job != sentinel.fingerprint)
            jobs.push_back(job);
        EXPECT_FALSE(job.empty()) << "the queue's job " << before + 1 + jobs.size() << " never came: "
                                  << ::testing::PrintToString(jobs);
        return jobs;
    }

    void Undo()
    {
        for (auto undo = undos.rbegin(); undo != undos.rend(); ++undo)
            (*undo)();
        undos.clear();
    }
    /* A value of Wine's registry set, or deleted (NULL), until the test
       ends: then it is as it was. */
    void Changed(const BED_KEY &key, const std::string &name, const char *text)
    {
        std::vector<std::pair<std::string, std::string>> values = ListKey(key, false);
        auto old = std::find_if(values.begin(), values.end(), [&](const auto &value) { return value.first == name; });
        bool had = old != values.end();
        std::string before = had ? old->second : "";
        undos.push_back([=] { SetValue(key, name, had ? before.c_str() : NULL); });
        ASSERT_TRUE(SetValue(key, name, text)) << name;
    }
    void MapSpooler(const std::string &port, const std::string &target) { Changed(SpoolerKey, port, target.c_str()); }
    void PortAdded(const std::string &port) { Changed(PortsKey, port, ""); }
    void PortRemoved(const std::string &port) { Changed(PortsKey, port, NULL); }

    std::string folder, exe, console;   /* the copies of vantrel.exe and vantrel-send.exe */
    bool spool = false;
    APP app = {};                       /* the window program, when a test starts it */
    std::vector<std::function<void()>> undos;
};

#endif
