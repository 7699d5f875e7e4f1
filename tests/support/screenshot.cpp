#include "screenshot.h"

#include <stdint.h>
#include <stdio.h>
#include <vector>

/* PNG without a compressor: the image data goes into deflate's stored
   blocks, which every reader accepts. */
static uint32_t Crc32(const uint8_t *bytes, size_t count, uint32_t crc = 0)
{
    static uint32_t table[256];
    if (table[1] == 0)
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    crc = ~crc;
    for (size_t i = 0; i < count; ++i)
        crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

static void PutBigEndian(std::vector<uint8_t> *out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out->push_back((uint8_t)(value >> shift));
}

static void PutChunk(std::vector<uint8_t> *png, const char type[4], const std::vector<uint8_t> &data)
{
    PutBigEndian(png, (uint32_t)data.size());
    size_t typeAt = png->size();
    png->insert(png->end(), type, type + 4);
    png->insert(png->end(), data.begin(), data.end());
    PutBigEndian(png, Crc32(png->data() + typeAt, 4 + data.size()));
}

/* A zlib stream of stored blocks (at most 65,535 bytes each). */
static std::vector<uint8_t> StoredZlib(const std::vector<uint8_t> &raw)
{
    std::vector<uint8_t> out = {0x78, 0x01};
    size_t at = 0;
    do {
        size_t count = raw.size() - at < 65535 ? raw.size() - at : 65535;
        bool last = at + count == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back((uint8_t)count);
        out.push_back((uint8_t)(count >> 8));
        out.push_back((uint8_t)~count);
        out.push_back((uint8_t)(~count >> 8));
        out.insert(out.end(), raw.begin() + at, raw.begin() + at + count);
        at += count;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(&out, (b << 16) | a);
    return out;
}

/* rows: top-down BGR rows of width * 3 bytes each, padded to 4 bytes. */
static bool WritePng(const std::string &path, int width, int height, const std::vector<uint8_t> &rows, int stride)
{
    std::vector<uint8_t> raw;
    raw.reserve((size_t)height * (width * 3 + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);   /* filter: none */
        const uint8_t *row = rows.data() + (size_t)y * stride;
        for (int x = 0; x < width; ++x) {
            raw.push_back(row[x * 3 + 2]);
            raw.push_back(row[x * 3 + 1]);
            raw.push_back(row[x * 3]);
        }
    }
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBigEndian(&header, (uint32_t)width);
    PutBigEndian(&header, (uint32_t)height);
    header.insert(header.end(), {8, 2, 0, 0, 0});   /* 8-bit RGB, no interlace */
    PutChunk(&png, "IHDR", header);
    PutChunk(&png, "IDAT", StoredZlib(raw));
    PutChunk(&png, "IEND", {});

    FILE *file = fopen(path.c_str(), "wb");
    if (file == NULL)
        return false;
    bool written = fwrite(png.data(), 1, png.size(), file) == png.size();
    return fclose(file) == 0 && written;
}

bool SaveScreenPng(const RECT &area, const std::string &windowsPath)
{
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = GetDC(NULL);
    if (screen == NULL)
        return false;
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    bool ok = memory != NULL && bitmap != NULL;
    int stride = (width * 3 + 3) & ~3;
    std::vector<uint8_t> rows((size_t)stride * height);
    if (ok) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY) != FALSE;
        SelectObject(memory, previous);
    }
    if (ok) {
        BITMAPINFO info;
        ZeroMemory(&info, sizeof(info));
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;   /* top-down */
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        ok = GetDIBits(memory, bitmap, 0, height, rows.data(), &info, DIB_RGB_COLORS) == height;
    }
    if (bitmap != NULL)
        DeleteObject(bitmap);
    if (memory != NULL)
        DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return ok && WritePng(windowsPath, width, height, rows, stride);
}

bool SaveWindowPng(HWND window, const std::string &windowsPath, HWND other)
{
    RECT area, second;
    if (!GetWindowRect(window, &area))
        return false;
    if (other != NULL && GetWindowRect(other, &second))
        UnionRect(&area, &area, &second);
    return SaveScreenPng(area, windowsPath);
}
