/* The logo's key-colour replacement and its centred drawing, checked pixel
   by pixel on bitmaps made for the purpose. */
#include "seam_test.h"
#include "shell.h"
#include "syscalls.h"

#include <string>
#include <vector>

static const COLORREF KEY = RGB(128, 0, 0);

/* A top-level window without frame: its client area is exactly its size. */
static HWND MakePlainWindow(int width, int height)
{
    return CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, width, height, NULL, NULL, NULL, NULL);
}

/* The layout of the pixels the tests read and write: 32 bits, top-down. */
static BITMAPINFO TopDown32(int width, int height)
{
    BITMAPINFO info;
    ZeroMemory(&info, sizeof(info));
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

/* 32-bit pixels, top-down, in COLORREF order (0x00BBGGRR). */
static std::vector<COLORREF> ReadPixels(HBITMAP bitmap, int width, int height)
{
    BITMAPINFO info = TopDown32(width, height);
    std::vector<RGBQUAD> quads(width * height);
    HDC screen = GetDC(NULL);
    GetDIBits(screen, bitmap, 0, height, quads.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(NULL, screen);
    std::vector<COLORREF> pixels;
    for (const RGBQUAD &q : quads)
        pixels.push_back(RGB(q.rgbRed, q.rgbGreen, q.rgbBlue));
    return pixels;
}

/* A device-dependent bitmap, as LoadBitmapA makes the logo, holding the pixels given. */
static HBITMAP MakeScreenBitmap(const std::vector<COLORREF> &pixels, int width, int height)
{
    HDC screen = GetDC(NULL);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    BITMAPINFO info = TopDown32(width, height);
    std::vector<RGBQUAD> quads;
    for (COLORREF c : pixels)
        quads.push_back(RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0});
    SetDIBits(screen, bitmap, 0, height, quads.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(NULL, screen);
    return bitmap;
}

static COLORREF ScriptedFace;
static DWORD WINAPI ScriptedSysColor(int index)
{
    return index == COLOR_BTNFACE ? ScriptedFace : GetSysColor(index);
}
static int BrushesMade;
static HBRUSH WINAPI NoBrush(COLORREF)
{
    ++BrushesMade;
    return NULL;
}

class ReplaceKeyColorTest : public SeamTest {
protected:
    static const int W = 6, H = 3;

    void SetUp() override
    {
        SeamTest::SetUp();
        Sys.GetSysColor = ScriptedSysColor;
        /* The key colour, its near neighbours and other colours, the
           future face colour among them. */
        original = {
            KEY,             RGB(129, 0, 0),   RGB(128, 0, 1),  RGB(127, 0, 0),   KEY,              RGB(255, 255, 255),
            RGB(0, 0, 0),    KEY,              RGB(0, 128, 0),  RGB(10, 200, 30), RGB(128, 128, 128), KEY,
            RGB(0, 0, 128),  RGB(128, 0, 128), KEY,             KEY,              RGB(255, 0, 0),   RGB(192, 192, 192),
        };
        window = MakePlainWindow(40, 20);
        bitmap = MakeScreenBitmap(original, W, H);
        ASSERT_TRUE(window != NULL);
        ASSERT_TRUE(bitmap != NULL);
        ASSERT_EQ(original, ReadPixels(bitmap, W, H)) << "the display does not keep exact colours";
    }

    void TearDown() override
    {
        DeleteObject(bitmap);
        DestroyWindow(window);
        SeamTest::TearDown();
    }

    std::vector<COLORREF> WithKeyAs(COLORREF face)
    {
        std::vector<COLORREF> expected = original;
        for (COLORREF &c : expected)
            if (c == KEY)
                c = face;
        return expected;
    }

    std::vector<COLORREF> original;
    HWND window = NULL;
    HBITMAP bitmap = NULL;
};

/* The face colour is one the picture has already: those pixels stay. */
TEST_F(ReplaceKeyColorTest, KeyPixelsTakeTheFaceOnceAndNoOtherPixelChanges)
{
    ScriptedFace = RGB(10, 200, 30);
    ReplaceKeyColor(window, bitmap);
    std::vector<COLORREF> afterFirst = ReadPixels(bitmap, W, H);
    ASSERT_EQ(WithKeyAs(RGB(10, 200, 30)), afterFirst);

    /* a second call changes nothing, even with another face */
    ScriptedFace = RGB(64, 0, 255);
    ReplaceKeyColor(window, bitmap);
    EXPECT_EQ(afterFirst, ReadPixels(bitmap, W, H));
}

TEST_F(ReplaceKeyColorTest, LeavesTheBitmapAsItWas)
{
    struct {
        const char *why;
        COLORREF face;
        bool brushFails;
        bool noWindow;
    } cases[] = {
        {"face colour equal to the key colour", KEY, false, false},
        {"face brush cannot be made", RGB(192, 192, 192), true, false},
        {"no window", RGB(192, 192, 192), false, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        ScriptedFace = c.face;
        BrushesMade = 0;
        if (c.brushFails)
            Sys.CreateSolidBrush = NoBrush;
        ReplaceKeyColor(c.noWindow ? NULL : window, bitmap);
        EXPECT_EQ(original, ReadPixels(bitmap, W, H));
        if (c.brushFails) {
            EXPECT_EQ(1, BrushesMade) << "the brush was asked for";
        }
        Sys.CreateSolidBrush = ::CreateSolidBrush;
    }
    ReplaceKeyColor(window, NULL);    /* no bitmap: nothing to do, nothing to crash */
}

/* ---- DrawBitmapCentered ---- */

class DrawBitmapCenteredTest : public ::testing::Test {
protected:
    static const int LOGO_W = 229, LOGO_H = 22;
    static const int CANVAS_W = 300, CANVAS_H = 40;

    void SetUp() override
    {
        logo = MakeScreenBitmap(std::vector<COLORREF>(LOGO_W * LOGO_H, RGB(0, 0, 0)), LOGO_W, LOGO_H);
        HDC screen = GetDC(NULL);
        canvas = CreateCompatibleDC(screen);
        canvasBitmap = CreateCompatibleBitmap(screen, CANVAS_W, CANVAS_H);
        ReleaseDC(NULL, screen);
        previous = SelectObject(canvas, canvasBitmap);
    }

    void TearDown() override
    {
        SelectObject(canvas, previous);
        DeleteObject(canvasBitmap);
        DeleteDC(canvas);
        DeleteObject(logo);
    }

    void ClearCanvas()
    {
        PatBlt(canvas, 0, 0, CANVAS_W, CANVAS_H, WHITENESS);
    }

    /* The bounding box of the black pixels drawn on the canvas. */
    RECT DrawnArea()
    {
        RECT area = {CANVAS_W, CANVAS_H, -1, -1};
        for (int y = 0; y < CANVAS_H; ++y)
            for (int x = 0; x < CANVAS_W; ++x)
                if (GetPixel(canvas, x, y) == RGB(0, 0, 0)) {
                    area.left = x < area.left ? x : area.left;
                    area.top = y < area.top ? y : area.top;
                    area.right = x + 1 > area.right ? x + 1 : area.right;
                    area.bottom = y + 1 > area.bottom ? y + 1 : area.bottom;
                }
        return area;
    }

    HBITMAP logo = NULL;
    HDC canvas = NULL;
    HBITMAP canvasBitmap = NULL;
    HGDIOBJ previous = NULL;
};

TEST_F(DrawBitmapCenteredTest, CentredOnTheClientAreaAndClampedAtTheLeft)
{
    struct {
        int clientWidth, clientHeight;
        int x, y;
    } cases[] = {
        {128, 24, 0, 1},            /* the logo button: wider bitmap, x clamped */
        {128, 25, 0, 1},            /* 3/2 truncates to 1 */
        {LOGO_W - 2, 24, 0, 1},     /* -1 before the clamp */
        {LOGO_W + 10, 22, 5, 0},
        {LOGO_W + 11, 30, 5, 4},
        {LOGO_W, 20, 0, 0},         /* -1 vertically: clamped too */
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.clientWidth) + " by " + std::to_string(c.clientHeight));
        HWND window = MakePlainWindow(c.clientWidth, c.clientHeight);
        ASSERT_TRUE(window != NULL);
        ClearCanvas();
        DrawBitmapCentered(window, logo, canvas);
        RECT area = DrawnArea();
        EXPECT_EQ(c.x, area.left);
        EXPECT_EQ(c.y, area.top);
        EXPECT_EQ(c.x + LOGO_W, area.right) << "drawn whole, at its own size";
        EXPECT_EQ(c.y + LOGO_H, area.bottom);
        DestroyWindow(window);
    }
}

TEST_F(DrawBitmapCenteredTest, ADeviceContextHandedInIsLeftUnreleased)
{
    HWND window = MakePlainWindow(128, 24);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    HDC dc = GetDC(window);
    ASSERT_TRUE(dc != NULL);
    DrawBitmapCentered(window, logo, dc);
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, 5, 5)) << "drawn into the DC given";
    EXPECT_EQ(1, ReleaseDC(window, dc)) << "the caller's DC was released already";
    EXPECT_EQ(0, ReleaseDC(window, dc)) << "a second release must fail, or the check above proves nothing";
    DestroyWindow(window);
}
