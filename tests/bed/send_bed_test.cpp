/* Whole send runs on each road of the test bed, with the bytes checked by
   SHA-256 where they arrive: at the printer listener behind the raw CUPS
   queue, in the file a temporary printer's port is mapped to, in the file
   a port device leads to. */
#include "bed.h"
#include "bed_send.h"
#include "bed_spooler.h"
#include "send.h"

#include <winspool.h>

namespace {

const uint64_t Chunk = SEND_CHUNK_SIZE;
const uint64_t Sizes[] = {0, Chunk, Chunk + 1, 5 * 1048576 + 123};
const std::vector<std::string> None;

}  // namespace

class SpoolSend : public BedSendTest {
protected:
    void SetUp() override
    {
        BedSendTest::SetUp();
        ASSERT_EQ(BedProfile(), "spool");
    }
};

class DirectSend : public BedSendTest {
protected:
    void SetUp() override
    {
        BedSendTest::SetUp();
        ASSERT_EQ(BedProfile(), "direct");
    }
};

TEST_F(SpoolSend, InstalledQueueGetsEveryFileByteExact)
{
    /* Wine sends no CUPS job at all for an empty one: the listener's next
       job is then the next file's. */
    for (uint64_t size : Sizes) {
        SCOPED_TRACE(size);
        BED_FILE file = MakeBedFile("send/installed.prn", size, (unsigned)size + 1);
        int before = CountListenerJobs();
        ShowPorts();
        Tick({BedQueuePortName()});

        EXPECT_EQ(Go(file.path), None);

        if (size > 0) {
            ExpectListenerJob(before + 1, file);
        } else {
            EXPECT_EQ(CountListenerJobs(), before);
        }
    }
}

TEST_F(SpoolSend, TemporaryPrinterDeliversEveryFileAndIsDeleted)
{
    for (uint64_t size : Sizes) {
        SCOPED_TRACE(size);
        BED_FILE file = MakeBedFile("send/temporary.prn", size, (unsigned)size + 2);
        ASSERT_TRUE(SpoilSink("spool-lpt2.bin"));   /* an empty job must still replace it */
        ShowPorts();
        Tick({"LPT2:"});

        EXPECT_EQ(Go(file.path), None);

        ExpectSinkHolds("spool-lpt2.bin", file);
        EXPECT_EQ(TemporaryPrinters(), None);
    }
}

TEST_F(SpoolSend, UsersTemporaryPrinter1IsLeftAlone)
{
    HANDLE users = AddRawPrinter("Temporary Printer_1", "LPT1:");
    ASSERT_TRUE(users != NULL);
    BED_FILE file = MakeBedFile("send/user.prn", Chunk + 1, 13);
    ASSERT_TRUE(EmptySink("spool-lpt2.bin"));
    ShowPorts();
    Tick({"LPT2:"});

    EXPECT_EQ(Go(file.path), None);

    ExpectSinkHolds("spool-lpt2.bin", file);
    DWORD size = 0;
    GetPrinterA(users, 2, NULL, 0, &size);
    std::vector<BYTE> buffer(size + 1);
    ASSERT_TRUE(GetPrinterA(users, 2, buffer.data(), size, &size));
    EXPECT_STREQ(((PRINTER_INFO_2A *)buffer.data())->pPortName, "LPT1:");
    EXPECT_TRUE(DeletePrinter(users));
    ClosePrinter(users);
    EXPECT_EQ(TemporaryPrinters(), None);
}

TEST_F(DirectSend, PortDeviceGetsEveryFileByteExact)
{
    for (uint64_t size : Sizes) {
        SCOPED_TRACE(size);
        BED_FILE file = MakeBedFile("send/direct.prn", size, (unsigned)size + 3);
        ASSERT_TRUE(EmptySink("device-lpt1.bin"));
        ShowPorts();
        Tick({"LPT1:"});

        EXPECT_EQ(Go(file.path), None);

        ExpectSinkHolds("device-lpt1.bin", file);
    }
}
