/* The resources as they are in the built vantrel.exe, read back as data:
   what windres made of the script is what the program gets. */
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <set>
#include <string>
#include <vector>

#include "built_exe.h"
#include "resource.h"

namespace {

const WORD NO_ATOM = 0;
const WORD BUTTON_ATOM = 0x0080;
const WORD EDIT_ATOM = 0x0081;
const WORD STATIC_ATOM = 0x0082;

/* Styles read best in hexadecimal when they differ. */
std::string Hex(DWORD value)
{
    char text[16];
    snprintf(text, sizeof(text), "0x%08lX", (unsigned long)value);
    return text;
}

/* Reads the words of a resource, never past its end. */
class ResourceReader {
public:
    ResourceReader(const BYTE *bytes, DWORD size) : bytes_(bytes), size_(size) {}

    bool ok() const { return ok_; }
    DWORD offset() const { return offset_; }

    WORD Word()
    {
        WORD value = 0;
        Copy(&value, sizeof(value));
        return value;
    }
    DWORD Dword()
    {
        DWORD value = 0;
        Copy(&value, sizeof(value));
        return value;
    }
    short Short() { return (short)Word(); }

    std::wstring String()
    {
        std::wstring text;
        for (WORD c = Word(); ok_ && c != 0; c = Word())
            text += (wchar_t)c;
        return text;
    }

    /* A sz_Or_Ord field: 0 for none, 0xFFFF and an ordinal, or a string. */
    void NameOrOrdinal(WORD *ordinal, std::wstring *name)
    {
        *ordinal = NO_ATOM;
        name->clear();
        WORD first = Word();
        if (first == 0xFFFF) {
            *ordinal = Word();
        } else if (first != 0) {
            offset_ -= sizeof(WORD);
            *name = String();
        }
    }

    void AlignDword() { offset_ = (offset_ + 3) & ~3u; }
    void Skip(DWORD count) { offset_ += count; ok_ = ok_ && offset_ <= size_; }
    const BYTE *Here() const { return bytes_ + offset_; }

private:
    void Copy(void *value, DWORD count)
    {
        if (!ok_ || offset_ + count > size_) {
            ok_ = false;
            return;
        }
        memcpy(value, bytes_ + offset_, count);
        offset_ += count;
    }

    const BYTE *bytes_;
    DWORD size_;
    DWORD offset_ = 0;
    bool ok_ = true;
};

struct EXPECTED_CONTROL {
    WORD id;
    WORD classAtom;              /* or NO_ATOM and a class name */
    const wchar_t *className;
    const wchar_t *text;
    DWORD style;
    short x, y, cx, cy;
};

struct EXPECTED_DIALOG {
    DWORD style;
    short x, y, cx, cy;
    const wchar_t *className;
    const wchar_t *caption;
    std::vector<EXPECTED_CONTROL> controls;
};

const EXPECTED_DIALOG MAIN_DIALOG = {
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT,
    0, 0, 298, 207, L"FirmwareUpdate", L"Vantrel",
    {
        {IDOK, BUTTON_ATOM, L"", L"Go",
         WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 175, 157, 50, 14},
        {IDCANCEL, BUTTON_ATOM, L"", L"Exit",
         WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 234, 157, 50, 14},
        {0xFFFF, STATIC_ATOM, L"", L"Printer File:",
         WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT, 10, 14, 106, 8},
        {IDC_FILENAME, EDIT_ATOM, L"", L"",
         WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, 10, 26, 199, 12},
        {IDC_BROWSE, BUTTON_ATOM, L"", L"Browse",
         WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 235, 24, 49, 14},
        {IDC_PORTLIST, NO_ATOM, L"SysListView32", L"List1",
         WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_NOLABELWRAP | LVS_NOSORTHEADER,
         10, 53, 274, 99},
        {IDC_LOGO, BUTTON_ATOM, L"", L"Logo",
         WS_CHILD | WS_VISIBLE | WS_GROUP | BS_OWNERDRAW, 10, 161, 85, 15},
    },
};

const EXPECTED_DIALOG ABOUT_DIALOG = {
    WS_POPUP | DS_MODALFRAME | DS_SETFONT,
    0, 0, 200, 140, L"", L"",
    {
        {IDOK, BUTTON_ATOM, L"", L"OK",
         WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 75, 94, 50, 14},
        {IDC_LOGO, BUTTON_ATOM, L"", L"Logo",
         WS_CHILD | WS_VISIBLE | WS_GROUP | BS_OWNERDRAW, 7, 118, 85, 15},
        {IDC_UTILITY_NAME, STATIC_ATOM, L"", L"Utility Name",
         WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER | SS_CENTERIMAGE | SS_SUNKEN, 30, 15, 140, 15},
        {IDC_VERSION, STATIC_ATOM, L"", L"Version",
         WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER, 60, 35, 80, 15},
        {IDC_COPYRIGHT, STATIC_ATOM, L"", L"Copyright",
         WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER, 25, 60, 150, 17},
    },
};

/* Walks a classic DLGTEMPLATE and compares it with what is expected, field by
   field; the template must end exactly after its last control. */
void ExpectDialogTemplate(int resourceId, const EXPECTED_DIALOG &expected)
{
    DWORD size = 0;
    const BYTE *bytes = BuiltExeResource(RT_DIALOG, MAKEINTRESOURCEA(resourceId), &size);
    ASSERT_TRUE(bytes != NULL) << "dialog " << resourceId << " missing";
    ASSERT_GE(size, 4u);
    ASSERT_NE(0xFFFF0001u, *(const DWORD *)bytes) << "an extended template";

    ResourceReader r(bytes, size);
    EXPECT_EQ(Hex(expected.style), Hex(r.Dword())) << "style";
    EXPECT_EQ(Hex(0), Hex(r.Dword())) << "extended style";
    WORD count = r.Word();
    EXPECT_EQ(expected.controls.size(), (size_t)count);
    EXPECT_EQ(expected.x, r.Short());
    EXPECT_EQ(expected.y, r.Short());
    EXPECT_EQ(expected.cx, r.Short());
    EXPECT_EQ(expected.cy, r.Short());

    WORD ordinal;
    std::wstring name;
    r.NameOrOrdinal(&ordinal, &name);
    EXPECT_EQ(0, ordinal) << "menu";
    EXPECT_EQ(L"", name) << "menu";
    r.NameOrOrdinal(&ordinal, &name);
    EXPECT_EQ(0, ordinal) << "class";
    EXPECT_EQ(std::wstring(expected.className), name) << "class";
    EXPECT_EQ(std::wstring(expected.caption), r.String()) << "caption";
    EXPECT_EQ(8, r.Word()) << "font size";
    EXPECT_EQ(L"MS Sans Serif", r.String());
    ASSERT_TRUE(r.ok());

    for (size_t i = 0; i < count && i < expected.controls.size(); ++i) {
        const EXPECTED_CONTROL &c = expected.controls[i];
        SCOPED_TRACE(testing::Message() << "control " << i + 1 << ", id " << c.id);
        r.AlignDword();
        EXPECT_EQ(Hex(c.style), Hex(r.Dword())) << "style";
        EXPECT_EQ(Hex(0), Hex(r.Dword())) << "extended style";
        EXPECT_EQ(c.x, r.Short());
        EXPECT_EQ(c.y, r.Short());
        EXPECT_EQ(c.cx, r.Short());
        EXPECT_EQ(c.cy, r.Short());
        EXPECT_EQ(c.id, r.Word());
        r.NameOrOrdinal(&ordinal, &name);
        EXPECT_EQ(c.classAtom, ordinal) << "class atom";
        EXPECT_EQ(std::wstring(c.className), name) << "class name";
        r.NameOrOrdinal(&ordinal, &name);
        EXPECT_EQ(0, ordinal) << "text as an ordinal";
        EXPECT_EQ(std::wstring(c.text), name) << "text";
        EXPECT_EQ(0, r.Word()) << "creation data";
        ASSERT_TRUE(r.ok()) << "template ends inside a control";
    }
    EXPECT_EQ(size, r.offset()) << "bytes after the last control";
}

std::string ResourceNameText(LPCSTR name)
{
    if (IS_INTRESOURCE(name))
        return "#" + std::to_string((unsigned)(ULONG_PTR)name);
    return name;
}

BOOL CALLBACK AddLanguage(HMODULE, LPCSTR type, LPCSTR name, WORD language, LONG_PTR found)
{
    ((std::set<std::string> *)found)->insert(
        ResourceNameText(type) + " " + ResourceNameText(name) + " " + std::to_string(language));
    return TRUE;
}

BOOL CALLBACK AddNameLanguages(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR found)
{
    EnumResourceLanguagesA(module, type, name, AddLanguage, found);
    return TRUE;
}

BOOL CALLBACK AddTypeNames(HMODULE module, LPSTR type, LONG_PTR found)
{
    EnumResourceNamesA(module, type, AddNameLanguages, found);
    return TRUE;
}

TEST(BuiltResources, AreExactlyTheSevenInUsEnglish)
{
    ASSERT_FALSE(BuiltExePath().empty()) << "VANTREL_EXE is not set";
    HMODULE module = BuiltExeModule();
    ASSERT_TRUE(module != NULL) << BuiltExePath() << ": error " << GetLastError();
    std::set<std::string> found;
    EnumResourceTypesA(module, AddTypeNames, (LONG_PTR)&found);
    const std::set<std::string> expected = {
        "#2 #104 1033",             /* logo */
        "#3 #1 1033",               /* icon image */
        "#4 THIS_APP_MENU 1033",
        "#5 #101 1033",             /* IDD_MAIN */
        "#5 #105 1033",             /* IDD_ABOUT */
        "#14 #51 1033",             /* icon group */
        "#16 #1 1033",              /* version */
    };
    EXPECT_EQ(expected, found);
}

TEST(BuiltResources, MainWindowTemplate)
{
    ExpectDialogTemplate(IDD_MAIN, MAIN_DIALOG);
}

TEST(BuiltResources, AboutBoxTemplate)
{
    ExpectDialogTemplate(IDD_ABOUT, ABOUT_DIALOG);
}

TEST(BuiltResources, MenuHasOnlyAbout)
{
    DWORD size = 0;
    const BYTE *bytes = BuiltExeResource(RT_MENU, "THIS_APP_MENU", &size);
    ASSERT_TRUE(bytes != NULL);
    ResourceReader r(bytes, size);
    EXPECT_EQ(0, r.Word()) << "version";
    EXPECT_EQ(0, r.Word()) << "header size";
    EXPECT_EQ(MF_END, r.Word()) << "flags of the only item";
    EXPECT_EQ(IDM_ABOUT, r.Word());
    EXPECT_EQ(L"&About", r.String());
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(size, r.offset()) << "more than one item";
}

const LONG LOGO_WIDTH = 229;
const LONG LOGO_HEIGHT = 22;
const DWORD LOGO_STRIDE = 232;
const BYTE KEY_INDEX = 1;

TEST(BuiltResources, LogoLayout)
{
    DWORD size = 0;
    const BYTE *bytes = BuiltExeResource(RT_BITMAP, MAKEINTRESOURCEA(IDB_LOGO), &size);
    ASSERT_TRUE(bytes != NULL);
    ASSERT_EQ(6168u, size);

    BITMAPINFOHEADER header;
    memcpy(&header, bytes, sizeof(header));
    EXPECT_EQ(40u, header.biSize);
    EXPECT_EQ(LOGO_WIDTH, header.biWidth);
    EXPECT_EQ(LOGO_HEIGHT, header.biHeight) << "bottom-up";
    EXPECT_EQ(1, header.biPlanes);
    EXPECT_EQ(8, header.biBitCount);
    EXPECT_EQ((DWORD)BI_RGB, header.biCompression);
    EXPECT_EQ(0u, header.biClrUsed);

    const RGBQUAD *palette = (const RGBQUAD *)(bytes + 40);
    EXPECT_EQ(128, palette[KEY_INDEX].rgbRed);
    EXPECT_EQ(0, palette[KEY_INDEX].rgbGreen);
    EXPECT_EQ(0, palette[KEY_INDEX].rgbBlue);
    EXPECT_EQ(40u + 256 * 4 + LOGO_STRIDE * LOGO_HEIGHT, size);

    /* Rows are stored bottom-up; (x, y) counts from the top-left. */
    const BYTE *pixels = bytes + 40 + 256 * 4;
    int strayKeyOutside = 0;
    int pictureNonKey = 0;
    int keyColouredElsewhere = 0;
    for (LONG y = 0; y < LOGO_HEIGHT; ++y) {
        for (LONG x = 0; x < LOGO_WIDTH; ++x) {
            BYTE index = pixels[(LOGO_HEIGHT - 1 - y) * LOGO_STRIDE + x];
            bool inPicture = x >= 1 && x <= 33 && y >= 1 && y <= 20;
            if (!inPicture && index != KEY_INDEX)
                ++strayKeyOutside;
            if (inPicture && index != KEY_INDEX) {
                ++pictureNonKey;
                const RGBQUAD &c = palette[index];
                if (c.rgbRed == 128 && c.rgbGreen == 0 && c.rgbBlue == 0)
                    ++keyColouredElsewhere;
            }
        }
    }
    EXPECT_EQ(0, strayKeyOutside) << "pixels outside the picture that are not the key colour";
    EXPECT_GT(pictureNonKey, 0) << "the picture is empty";
    EXPECT_EQ(0, keyColouredElsewhere) << "another palette entry holds the key colour";

    HBITMAP bitmap = (HBITMAP)LoadImageA(BuiltExeModule(), MAKEINTRESOURCEA(IDB_LOGO), IMAGE_BITMAP, 0, 0, 0);
    ASSERT_TRUE(bitmap != NULL);
    BITMAP info;
    ASSERT_NE(0, GetObjectA(bitmap, sizeof(info), &info));
    EXPECT_EQ(LOGO_WIDTH, info.bmWidth);
    EXPECT_EQ(LOGO_HEIGHT, info.bmHeight);
    DeleteObject(bitmap);
}

#pragma pack(push, 2)
struct GROUP_ICON_ENTRY {
    BYTE width, height, colourCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInResource;
    WORD id;
};
#pragma pack(pop)

TEST(BuiltResources, IconGroupAndImage)
{
    DWORD size = 0;
    const BYTE *group = BuiltExeResource(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_APP), &size);
    ASSERT_TRUE(group != NULL);
    ASSERT_EQ(6u + sizeof(GROUP_ICON_ENTRY), size) << "one entry";
    ResourceReader r(group, size);
    EXPECT_EQ(0, r.Word());
    EXPECT_EQ(1, r.Word()) << "type: icon";
    EXPECT_EQ(1, r.Word()) << "entries";
    GROUP_ICON_ENTRY entry;
    memcpy(&entry, r.Here(), sizeof(entry));
    EXPECT_EQ(32, entry.width);
    EXPECT_EQ(32, entry.height);
    EXPECT_EQ(16, entry.colourCount);
    EXPECT_EQ(1, entry.planes);
    EXPECT_EQ(4, entry.bitCount);
    EXPECT_EQ(744u, entry.bytesInResource);
    EXPECT_EQ(1, entry.id);

    DWORD imageSize = 0;
    const BYTE *image = BuiltExeResource(RT_ICON, MAKEINTRESOURCEA(1), &imageSize);
    ASSERT_TRUE(image != NULL);
    ASSERT_EQ(744u, imageSize);
    BITMAPINFOHEADER header;
    memcpy(&header, image, sizeof(header));
    EXPECT_EQ(40u, header.biSize);
    EXPECT_EQ(32, header.biWidth);
    EXPECT_EQ(64, header.biHeight) << "colour and mask halves";
    EXPECT_EQ(1, header.biPlanes);
    EXPECT_EQ(4, header.biBitCount);
    EXPECT_EQ((DWORD)BI_RGB, header.biCompression);

    EXPECT_EQ(1, LookupIconIdFromDirectoryEx((PBYTE)group, TRUE, 32, 32, 0));
    HICON icon = CreateIconFromResourceEx((PBYTE)image, imageSize, TRUE, 0x00030000, 32, 32, 0);
    EXPECT_TRUE(icon != NULL);
    if (icon != NULL)
        DestroyIcon(icon);
}

/* A block of the version resource: length, value length, type, key, value
   and child blocks, each part on a 4-byte boundary. */
struct VERSION_BLOCK {
    std::wstring key;
    const BYTE *value;
    WORD valueLength;
    std::vector<VERSION_BLOCK> children;
};

bool ReadVersionBlock(const BYTE *bytes, DWORD size, VERSION_BLOCK *block)
{
    ResourceReader r(bytes, size);
    WORD length = r.Word();
    block->valueLength = r.Word();
    WORD type = r.Word();
    block->key = r.String();
    r.AlignDword();
    if (!r.ok() || length > size || length < r.offset())
        return false;
    block->value = r.Here();
    /* A text value's length counts characters, a binary one's bytes. */
    r.Skip(type == 1 ? block->valueLength * 2u : block->valueLength);
    r.AlignDword();
    while (r.ok() && r.offset() < length) {
        VERSION_BLOCK child;
        const BYTE *start = r.Here();
        if (!ReadVersionBlock(start, length - r.offset(), &child))
            return false;
        r.Skip(*(const WORD *)start);
        r.AlignDword();
        block->children.push_back(child);
    }
    return r.ok();
}

const VERSION_BLOCK *FindChild(const VERSION_BLOCK &block, const wchar_t *key)
{
    for (const VERSION_BLOCK &child : block.children)
        if (child.key == key)
            return &child;
    return NULL;
}

const char COPYRIGHT[] = "Copyright (C) 2026 Vantrel Project";

TEST(BuiltResources, VersionStringTableOrder)
{
    DWORD size = 0;
    const BYTE *bytes = BuiltExeResource(RT_VERSION, MAKEINTRESOURCEA(1), &size);
    ASSERT_TRUE(bytes != NULL);
    VERSION_BLOCK root;
    ASSERT_TRUE(ReadVersionBlock(bytes, size, &root));
    EXPECT_EQ(L"VS_VERSION_INFO", root.key);
    const VERSION_BLOCK *strings = FindChild(root, L"StringFileInfo");
    ASSERT_TRUE(strings != NULL);
    ASSERT_EQ(1u, strings->children.size()) << "one string table";
    const VERSION_BLOCK &table = strings->children[0];
    EXPECT_EQ(L"040904b0", table.key);

    const std::vector<std::wstring> expected = {
        L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName",
        L"LegalCopyright", L"OriginalFilename", L"ProductName", L"ProductVersion",
    };
    std::vector<std::wstring> keys;
    for (const VERSION_BLOCK &value : table.children)
        keys.push_back(value.key);
    EXPECT_EQ(expected, keys);
}

std::string QueryVersionString(const void *block, const char *key)
{
    char *text = NULL;
    UINT length = 0;
    if (!VerQueryValueA(block, key, (void **)&text, &length) || text == NULL)
        return "<missing>";
    return std::string(text);
}

TEST(BuiltResources, VersionValues)
{
    std::string path = BuiltExePath();
    ASSERT_FALSE(path.empty());
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), handle, size, block.data()));

    VS_FIXEDFILEINFO *fixed = NULL;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", (void **)&fixed, &length));
    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), length);
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    EXPECT_EQ(0x00010001u, fixed->dwFileVersionMS);
    EXPECT_EQ(0x00000001u, fixed->dwFileVersionLS);
    EXPECT_EQ(0x00010001u, fixed->dwProductVersionMS);
    EXPECT_EQ(0x00000001u, fixed->dwProductVersionLS);
    EXPECT_EQ(0x3Fu, fixed->dwFileFlagsMask);
    EXPECT_EQ(0u, fixed->dwFileFlags);
    EXPECT_EQ((DWORD)VOS__WINDOWS32, fixed->dwFileOS);
    EXPECT_EQ((DWORD)VFT_APP, fixed->dwFileType);
    EXPECT_EQ(0u, fixed->dwFileSubtype);
    EXPECT_EQ(0u, fixed->dwFileDateMS);
    EXPECT_EQ(0u, fixed->dwFileDateLS);

    /* The way the About box reads them: the first translation names the table. */
    WORD *translation = NULL;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", (void **)&translation, &length));
    ASSERT_EQ(4u, length) << "one translation";
    EXPECT_EQ(0x0409, translation[0]);
    EXPECT_EQ(0x04B0, translation[1]);

    struct { const char *name; std::string value; } values[] = {
        {"ProductName", "Vantrel"},
        {"ProductVersion", "v1.1"},
        {"LegalCopyright", COPYRIGHT},
        {"FileDescription", "Vantrel"},
        {"FileVersion", "1, 1, 0, 1"},
        {"InternalName", ""},
        {"OriginalFilename", ""},
    };
    for (const auto &v : values) {
        char key[200];
        snprintf(key, sizeof(key), "\\StringFileInfo\\%04x%04x\\%s", translation[0], translation[1], v.name);
        EXPECT_EQ(v.value, QueryVersionString(block.data(), key)) << key;
    }
}

}  // namespace
