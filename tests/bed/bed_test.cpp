/* The test bed itself: each road's far end receives exactly what a bare
   program sends, so the product's tests can trust what they read there. */
#include <windows.h>
#include <winspool.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <vector>

#include "bed.h"
#include "bed_spooler.h"

namespace {

const DWORD Chunk = 524288;

std::vector<unsigned char> Pattern(size_t size, unsigned seed)
{
    std::vector<unsigned char> bytes(size);
    uint32_t state = seed | 1;
    for (auto &b : bytes) {
        state = state * 1103515245u + 12345u;
        b = (unsigned char)(state >> 16);
    }
    if (!bytes.empty() && bytes[0] == '%')
        bytes[0] = 0;
    return bytes;
}

/* What a sink or job holding exactly these bytes holds. */
BED_FILE Holding(const std::vector<unsigned char> &bytes)
{
    return BED_FILE{"", bytes.size(), Sha256OfBytes(bytes.data(), bytes.size())};
}

bool PrinterExists(const char *name)
{
    HANDLE printer;
    if (!OpenPrinterA((LPSTR)name, &printer, NULL))
        return false;
    ClosePrinter(printer);
    return true;
}

}  // namespace

TEST(Sha256, KnownDigests)
{
    EXPECT_EQ(Sha256OfBytes("", 0), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256OfBytes("abc", 3), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(SpoolBed, RawJobReachesListenerByteExact)
{
    ASSERT_EQ(BedProfile(), "spool");
    std::vector<unsigned char> bytes = Pattern(3 * Chunk + 17, 7);
    std::string queue = BedQueueName();
    HANDLE printer;
    ASSERT_TRUE(OpenPrinterA(&queue[0], &printer, NULL)) << queue;
    int before = CountListenerJobs();
    EXPECT_TRUE(SendRawJob(printer, "bed test", bytes.data(), bytes.size()));
    ClosePrinter(printer);

    ExpectListenerJob(before + 1, Holding(bytes), 30000);
}

TEST(SpoolBed, QueueIsAPrinterOnAListedPort)
{
    ASSERT_EQ(BedProfile(), "spool");
    std::vector<BED_PRINTER> printers;
    ASSERT_TRUE(ListSpoolerPrinters(PRINTER_ENUM_NAME, &printers));
    bool found = false;
    for (const BED_PRINTER &printer : printers)
        if (BedQueueName() == printer.name) {
            found = true;
            EXPECT_EQ(BedQueuePortName(), printer.port);
        }
    EXPECT_TRUE(found);

    std::vector<std::string> ports;
    ASSERT_TRUE(ListSpoolerPorts(&ports));
    EXPECT_TRUE(std::find(ports.begin(), ports.end(), BedQueuePortName()) != ports.end());
}

TEST(SpoolBed, TemporaryPrinterDeliversToItsSpoolerMapping)
{
    ASSERT_EQ(BedProfile(), "spool");
    ASSERT_TRUE(EmptySink("spool-lpt2.bin"));
    std::vector<unsigned char> bytes = Pattern(Chunk + 1, 11);

    HANDLE printer = AddRawPrinter("Bed Test Printer", "LPT2:");
    ASSERT_TRUE(printer != NULL);
    EXPECT_TRUE(SendRawJob(printer, "bed test", bytes.data(), bytes.size()));
    EXPECT_TRUE(DeletePrinter(printer));
    ClosePrinter(printer);
    EXPECT_FALSE(PrinterExists("Bed Test Printer"));

    ExpectSinkHolds("spool-lpt2.bin", Holding(bytes));
}

TEST(DirectBed, NoDriverIsInstalled)
{
    ASSERT_EQ(BedProfile(), "direct");
    std::vector<std::string> drivers;
    EXPECT_TRUE(ListSpoolerDrivers(&drivers));
    EXPECT_EQ(drivers, std::vector<std::string>());
}

TEST(DirectBed, PortDeviceWriteReachesItsFileByteExact)
{
    ASSERT_EQ(BedProfile(), "direct");
    struct { const char *port, *sink; } cases[] = {
        { "LPT1:", "device-lpt1.bin" },
        { "LPT2:", "device-lpt2.bin" },
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.port);
        ASSERT_TRUE(EmptySink(c.sink));
        std::vector<unsigned char> bytes = Pattern(2 * Chunk + 3, 13);
        HANDLE device = CreateFileA(c.port, GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, NULL);
        ASSERT_NE(device, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(device, bytes.data(), (DWORD)bytes.size(), &written, NULL));
        EXPECT_EQ(written, bytes.size());
        CloseHandle(device);

        ExpectSinkHolds(c.sink, Holding(bytes));
    }
}

TEST(DirectBed, UnmappedPortDeviceCannotBeOpened)
{
    HANDLE device = CreateFileA("LPT3:", GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    EXPECT_EQ(device, INVALID_HANDLE_VALUE);
    if (device != INVALID_HANDLE_VALUE)
        CloseHandle(device);
}
