/* The test bed itself: each road's far end receives exactly what a bare
   program sends, so the product's tests can trust what they read there. */
#include <windows.h>
#include <winspool.h>
#include <gtest/gtest.h>
#include <vector>

#include "bed.h"

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

/* One RAW job in 512 KiB writes, the way a sender without windows does it. */
bool SendRawJob(HANDLE printer, const std::vector<unsigned char> &bytes)
{
    char name[] = "bed test", type[] = "RAW";
    DOC_INFO_1A doc = { name, NULL, type };
    if (!StartDocPrinterA(printer, 1, (LPBYTE)&doc))
        return false;
    bool ok = StartPagePrinter(printer) != FALSE;
    for (size_t offset = 0; ok && offset < bytes.size(); offset += Chunk) {
        DWORD count = (DWORD)std::min<size_t>(Chunk, bytes.size() - offset);
        DWORD written = 0;
        ok = WritePrinter(printer, (LPVOID)&bytes[offset], count, &written) && written == count;
    }
    ok = EndPagePrinter(printer) && ok;
    return EndDocPrinter(printer) && ok;
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
    EXPECT_TRUE(SendRawJob(printer, bytes));
    ClosePrinter(printer);

    uint64_t size = 0;
    std::string sha;
    ASSERT_TRUE(WaitForListenerJob(before + 1, 30000, &size, &sha));
    EXPECT_EQ(size, bytes.size());
    EXPECT_EQ(sha, Sha256OfBytes(bytes.data(), bytes.size()));
}

TEST(SpoolBed, QueueIsAPrinterOnAListedPort)
{
    ASSERT_EQ(BedProfile(), "spool");
    DWORD needed = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_NAME, NULL, 2, NULL, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 1);
    ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_NAME, NULL, 2, buffer.data(), needed, &needed, &count));
    PRINTER_INFO_2A *printers = (PRINTER_INFO_2A *)buffer.data();
    bool found = false;
    for (DWORD i = 0; i < count; ++i)
        if (BedQueueName() == printers[i].pPrinterName) {
            found = true;
            EXPECT_EQ(BedQueuePortName(), printers[i].pPortName);
        }
    EXPECT_TRUE(found);

    EnumPortsA(NULL, 2, NULL, 0, &needed, &count);
    buffer.assign(needed + 1, 0);
    ASSERT_TRUE(EnumPortsA(NULL, 2, buffer.data(), needed, &needed, &count));
    PORT_INFO_2A *ports = (PORT_INFO_2A *)buffer.data();
    found = false;
    for (DWORD i = 0; i < count; ++i)
        found = found || BedQueuePortName() == ports[i].pPortName;
    EXPECT_TRUE(found);
}

TEST(SpoolBed, TemporaryPrinterDeliversToItsSpoolerMapping)
{
    ASSERT_EQ(BedProfile(), "spool");
    ASSERT_TRUE(EmptySink("spool-lpt2.bin"));
    std::vector<unsigned char> bytes = Pattern(Chunk + 1, 11);

    DWORD needed = 0, count = 0;
    EnumPrinterDriversA(NULL, NULL, 1, NULL, 0, &needed, &count);
    std::vector<BYTE> drivers(needed + 1);
    ASSERT_TRUE(EnumPrinterDriversA(NULL, NULL, 1, drivers.data(), needed, &needed, &count));
    ASSERT_GT(count, 0u);

    char name[] = "Bed Test Printer", port[] = "LPT2:", processor[] = "winprint", type[] = "RAW";
    PRINTER_INFO_2A info;
    ZeroMemory(&info, sizeof(info));
    info.pPrinterName = name;
    info.pPortName = port;
    info.pDriverName = ((DRIVER_INFO_1A *)drivers.data())->pName;
    info.pPrintProcessor = processor;
    info.pDatatype = type;
    HANDLE printer = AddPrinterA(NULL, 2, (LPBYTE)&info);
    ASSERT_TRUE(printer != NULL);
    EXPECT_TRUE(SendRawJob(printer, bytes));
    EXPECT_TRUE(DeletePrinter(printer));
    ClosePrinter(printer);
    EXPECT_FALSE(PrinterExists(name));

    uint64_t size = 0;
    std::string sha;
    ASSERT_TRUE(HashSink("spool-lpt2.bin", &size, &sha));
    EXPECT_EQ(size, bytes.size());
    EXPECT_EQ(sha, Sha256OfBytes(bytes.data(), bytes.size()));
}

TEST(DirectBed, NoDriverIsInstalled)
{
    ASSERT_EQ(BedProfile(), "direct");
    DWORD needed = 0, count = 0;
    EnumPrinterDriversA(NULL, NULL, 1, NULL, 0, &needed, &count);
    std::vector<BYTE> drivers(needed + 1);
    EXPECT_TRUE(EnumPrinterDriversA(NULL, NULL, 1, drivers.data(), needed, &needed, &count));
    EXPECT_EQ(count, 0u);
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

        uint64_t size = 0;
        std::string sha;
        ASSERT_TRUE(HashSink(c.sink, &size, &sha));
        EXPECT_EQ(size, bytes.size());
        EXPECT_EQ(sha, Sha256OfBytes(bytes.data(), bytes.size()));
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
