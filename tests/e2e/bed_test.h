/* What every end-to-end test does on the bed: a folder of its own, copies
   of the released programs in it, and changes to the bed (spooler
   mappings, ports) undone in reverse when the test ends. */
#ifndef VANTREL_BED_TEST_H
#define VANTREL_BED_TEST_H

#include "bed.h"

#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>

const std::vector<std::string> None;

class BedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::string("e2e/") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(BedPath("e2e").c_str(), NULL);
        CreateDirectoryA(BedPath(folder).c_str(), NULL);
        ASSERT_EQ(None, TemporaryPrinters()) << "left by an earlier test";
    }

    void TearDown() override { Undo(); }

    /* The program the build named in the variable, copied as name. */
    std::string CopyExeTo(const std::string &relative, const char *variable = "VANTREL_EXE",
                          const char *name = "vantrel.exe")
    {
        const char *built = getenv(variable);
        std::string copy = BedPath(relative + "/" + name);
        EXPECT_TRUE(built && CopyFileA(WindowsPath(built).c_str(), copy.c_str(), FALSE)) << variable;
        return copy;
    }

    void Change(bool done, const std::function<void()> &undo)
    {
        undos.push_back(undo);
        ASSERT_TRUE(done);
    }
    void Undo()
    {
        for (auto undo = undos.rbegin(); undo != undos.rend(); ++undo)
            (*undo)();
        undos.clear();
    }
    void MapSpooler(const std::string &port, const std::string &target)
    {
        std::string usual = port == "LPT3:" ? "" : BedUnixPath("sinks/spool-lpt" + port.substr(3, 1) + ".bin");
        Change(SetSpoolerMapping(port, target), [=] { SetSpoolerMapping(port, usual); });
    }
    void PortAdded(const std::string &port) { Change(AddPort(port), [=] { RemovePort(port); }); }
    void PortRemoved(const std::string &port) { Change(RemovePort(port), [=] { AddPort(port); }); }

    std::string folder;
    std::vector<std::function<void()>> undos;
};

#endif
