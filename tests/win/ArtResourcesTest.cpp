// The pictures, cursors and icons compiled from the text art: every name the program asks for
// loads at the size its control layout assumes, and the icon groups sit where the shell looks.
#include <windows.h>
// shellapi.h needs the declarations of windows.h first.
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "widgets/GdiHandles.h"

namespace {

struct PictureSize {
    const char* name;
    int width;
    int height;
};

const PictureSize kPictures[] = {
    {"GLOBALBMP", 70, 111},   {"LOOPBKGBMP", 125, 20},  {"NOTEBMP", 37, 106},     {"ONOFFUP", 17, 17},
    {"ONOFFDN", 17, 17},      {"PLAY2UP", 24, 24},      {"PLAY2DN", 24, 24},      {"UPARROWUP", 7, 9},
    {"UPARROWDN", 7, 9},      {"DNARROWUP", 7, 9},      {"DNARROWDN", 7, 9},      {"FILEUP", 16, 15},
    {"FILEDN", 16, 15},       {"EDITUP", 16, 15},       {"EDITDN", 16, 15},       {"MIDIUP", 16, 15},
    {"MIDIDN", 16, 15},       {"LOOPSCTRL1UP", 16, 13}, {"LOOPSCTRL1DN", 16, 13}, {"LOOPSCTRL2UP", 16, 13},
    {"LOOPSCTRL2DN", 16, 13}, {"LOOPSCTRL3UP", 16, 13}, {"LOOPSCTRL3DN", 16, 13}, {"LOOPSCTRL4UP", 16, 13},
    {"LOOPSCTRL4DN", 16, 13}, {"LOOPSCTRL5UP", 16, 13}, {"LOOPSCTRL5DN", 16, 13}, {"LOOPSCTRL6UP", 16, 13},
    {"LOOPSCTRL6DN", 16, 13}, {"LOOPSCTRL7UP", 16, 13}, {"LOOPSCTRL7DN", 16, 13}, {"LOOPSCTRL8UP", 16, 13},
    {"LOOPSCTRL8DN", 16, 13},
};

const char* const kCursors[] = {"NOCUR",   "SIZECUR", "PUSHCUR", "UPCUR", "DNCUR", "BARHCUR",
                                "BARVCUR", "TEXTCUR", "FCUR",    "ECUR",  "MCUR",  "HANDCUR"};

struct IconHandle {
    HICON handle = nullptr;
    ~IconHandle() {
        if (handle != nullptr) DestroyIcon(handle);
    }
};

// The parts of an icon or cursor, with its bitmaps released on scope exit.
struct IconParts {
    ICONINFO info{};
    bool ok = false;
    GdiBitmap mask;
    GdiBitmap colour;
    explicit IconParts(HICON icon)
        : ok(GetIconInfo(icon, &info) != FALSE), mask(info.hbmMask), colour(info.hbmColor) {}
};

BITMAP BitmapInfo(HBITMAP bitmap) {
    BITMAP bm{};
    GetObjectA(bitmap, sizeof bm, &bm);
    return bm;
}

HINSTANCE ThisModule() { return GetModuleHandleA(nullptr); }

std::string ModuleDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path);
    return text.substr(0, text.find_last_of("\\/") + 1);
}

std::string ThisModulePath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// Draws a picture the way the panel does (monochrome source copied onto a colour surface with
// the ink as text colour and the paper as background) and returns the colours per pixel.
std::vector<COLORREF> DrawInColours(HBITMAP picture, int width, int height, COLORREF ink, COLORREF paper) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const GdiBitmap target(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const MemoryDC targetDc(nullptr);
    const MemoryDC sourceDc(nullptr);
    const SelectedObject targetSelected(targetDc.Get(), target.Get());
    const SelectedObject sourceSelected(sourceDc.Get(), picture);
    SetTextColor(targetDc.Get(), ink);
    SetBkColor(targetDc.Get(), paper);
    BitBlt(targetDc.Get(), 0, 0, width, height, sourceDc.Get(), 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<COLORREF> out;
    for (int i = 0; i < width * height; ++i) {
        const DWORD px = static_cast<const DWORD*>(bits)[i];
        out.push_back(RGB((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF));
    }
    return out;
}

int CountOf(const std::vector<COLORREF>& pixels, COLORREF colour) {
    int n = 0;
    for (COLORREF c : pixels)
        n += c == colour ? 1 : 0;
    return n;
}

// The colour bits of an icon at its natural size, for telling icon groups apart.
std::vector<BYTE> IconBits(HICON icon) {
    IconParts parts(icon);
    if (!parts.ok || parts.info.hbmColor == nullptr) return {};
    const BITMAP bm = BitmapInfo(parts.info.hbmColor);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = bm.bmWidth;
    info.bmiHeader.biHeight = bm.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<BYTE> bits(static_cast<size_t>(bm.bmWidth) * bm.bmHeight * 4);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, parts.info.hbmColor, 0, bm.bmHeight, bits.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    return bits;
}

void ExpectTwoIconGroupsInOrder(const std::string& file) {
    SCOPED_TRACE(file);
    EXPECT_EQ(ExtractIconExA(file.c_str(), -1, nullptr, nullptr, 0), 2u);

    IconHandle secondLarge, secondSmall, byId;
    ASSERT_GE(ExtractIconExA(file.c_str(), 1, &secondLarge.handle, &secondSmall.handle, 1), 1u);
    ASSERT_NE(secondLarge.handle, nullptr);
    EXPECT_NE(secondSmall.handle, nullptr);

    // Index 1 must be group 129 (the settings-file icon), not the program's 128.
    ASSERT_EQ(ExtractIconExA(file.c_str(), -129, &byId.handle, nullptr, 1), 1u);
    IconHandle first;
    ASSERT_EQ(ExtractIconExA(file.c_str(), 0, &first.handle, nullptr, 1), 1u);
    const std::vector<BYTE> second = IconBits(secondLarge.handle);
    ASSERT_FALSE(second.empty());
    EXPECT_EQ(second, IconBits(byId.handle));
    EXPECT_NE(second, IconBits(first.handle));
}

} // namespace

TEST(ArtResources, EveryPictureLoadsAsOneBitImageOfItsLayoutSize) {
    for (const PictureSize& picture : kPictures) {
        SCOPED_TRACE(picture.name);
        const GdiBitmap bitmap(LoadBitmapA(ThisModule(), picture.name));
        ASSERT_NE(bitmap.Get(), nullptr);
        const BITMAP bm = BitmapInfo(bitmap.Get());
        EXPECT_EQ(bm.bmWidth, picture.width);
        EXPECT_EQ(bm.bmHeight, picture.height);
        EXPECT_EQ(bm.bmBitsPixel, 1);
    }
}

TEST(ArtResources, PicturesDrawInTheSkinsInkAndPaper) {
    const COLORREF ink = RGB(200, 30, 40);
    const COLORREF paper = RGB(20, 160, 220);
    // A picture that loaded as a colour bitmap would come out black and white here. The down
    // pictures are filled boxes (mostly ink), the measure buttons' up pictures mostly paper.
    for (const char* name : {"LOOPSCTRL1DN", "LOOPSCTRL8DN", "EDITDN"}) {
        SCOPED_TRACE(name);
        const GdiBitmap bitmap(LoadBitmapA(ThisModule(), name));
        ASSERT_NE(bitmap.Get(), nullptr);
        const BITMAP bm = BitmapInfo(bitmap.Get());
        const auto pixels = DrawInColours(bitmap.Get(), bm.bmWidth, bm.bmHeight, ink, paper);
        EXPECT_EQ(pixels.front(), ink);
        EXPECT_EQ(CountOf(pixels, ink) + CountOf(pixels, paper), bm.bmWidth * bm.bmHeight);
        EXPECT_GT(CountOf(pixels, ink), CountOf(pixels, paper));
    }
    for (const char* name : {"LOOPSCTRL1UP", "LOOPSCTRL8UP"}) {
        SCOPED_TRACE(name);
        const GdiBitmap bitmap(LoadBitmapA(ThisModule(), name));
        ASSERT_NE(bitmap.Get(), nullptr);
        const auto pixels = DrawInColours(bitmap.Get(), 16, 13, ink, paper);
        EXPECT_EQ(pixels.front(), paper);
        EXPECT_EQ(pixels[15], ink); // the bar along the right edge
        EXPECT_GT(CountOf(pixels, paper), CountOf(pixels, ink));
    }
}

TEST(ArtResources, EveryCursorLoadsWithItsHotSpotInside) {
    for (const char* name : kCursors) {
        SCOPED_TRACE(name);
        HCURSOR cursor = LoadCursorA(ThisModule(), name);
        ASSERT_NE(cursor, nullptr);
        IconParts parts(cursor);
        ASSERT_TRUE(parts.ok);
        EXPECT_FALSE(parts.info.fIcon);
        const BITMAP mask = BitmapInfo(parts.info.hbmMask);
        const int height = parts.info.hbmColor != nullptr ? mask.bmHeight : mask.bmHeight / 2;
        EXPECT_LT(static_cast<int>(parts.info.xHotspot), mask.bmWidth);
        EXPECT_LT(static_cast<int>(parts.info.yHotspot), height);
    }
}

TEST(ArtResources, PointersAimWithTheirTipAndBeamsWithTheirMiddle) {
    struct Expected {
        const char* name;
        DWORD x, y;
    };
    for (const Expected& e : {Expected{"NOCUR", 0, 0}, Expected{"FCUR", 0, 0}, Expected{"SIZECUR", 15, 15},
                              Expected{"TEXTCUR", 15, 15}, Expected{"BARVCUR", 15, 15}}) {
        SCOPED_TRACE(e.name);
        IconParts parts(LoadCursorA(ThisModule(), e.name));
        ASSERT_TRUE(parts.ok);
        EXPECT_EQ(parts.info.xHotspot, e.x);
        EXPECT_EQ(parts.info.yHotspot, e.y);
    }
}

TEST(ArtResources, NoGenericCursorSoMeasureButtonsShowTheWindowPointer) {
    EXPECT_EQ(LoadCursorA(ThisModule(), "GENCUR"), nullptr);
}

TEST(ArtResources, ProgramIconComesInBothSizes) {
    for (int size : {32, 16}) {
        SCOPED_TRACE(size);
        IconHandle icon;
        icon.handle =
            static_cast<HICON>(LoadImageA(ThisModule(), MAKEINTRESOURCEA(128), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon.handle, nullptr);
        IconParts parts(icon.handle);
        ASSERT_TRUE(parts.ok);
        ASSERT_NE(parts.info.hbmColor, nullptr);
        EXPECT_EQ(BitmapInfo(parts.info.hbmColor).bmWidth, size);
    }
}

TEST(ArtResources, IconsAndCursorsLeaveTheBackgroundUntintedWhereTransparent) {
    const COLORREF grey = RGB(128, 128, 128);
    IconHandle icon;
    icon.handle = static_cast<HICON>(LoadImageA(ThisModule(), MAKEINTRESOURCEA(128), IMAGE_ICON, 32, 32, 0));
    ASSERT_NE(icon.handle, nullptr);
    struct Probe {
        HICON image;
        int x, y; // a transparent pixel of the drawing
    };
    for (const Probe& probe : {Probe{icon.handle, 0, 0}, Probe{LoadCursorA(ThisModule(), "NOCUR"), 31, 31},
                               Probe{LoadCursorA(ThisModule(), "HANDCUR"), 30, 2}}) {
        ASSERT_NE(probe.image, nullptr);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof info.bmiHeader, 32, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        const GdiBitmap surface(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        const MemoryDC dc(nullptr);
        const SelectedObject selected(dc.Get(), surface.Get());
        RECT all{0, 0, 32, 32};
        FillRect(dc.Get(), &all, GdiBrush(CreateSolidBrush(grey)).Get());
        DrawIconEx(dc.Get(), 0, 0, probe.image, 32, 32, 0, nullptr, DI_NORMAL);
        const COLORREF seen = GetPixel(dc.Get(), probe.x, probe.y);
        EXPECT_EQ(seen, grey) << "at " << probe.x << "," << probe.y;
    }
}

TEST(ArtResources, SettingsFileIconIsTheSecondIconGroup) {
    // The same compiled resources are linked into this program and into kestrelbox.exe.
    ExpectTwoIconGroupsInOrder(ThisModulePath());
}

TEST(ArtResources, ShippedProgramCarriesBothIconGroupsInOrder) {
    const std::string exe = ModuleDirectory() + "kestrelbox.exe";
    if (GetFileAttributesA(exe.c_str()) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "kestrelbox.exe not built next to the tests";
    }
    ExpectTwoIconGroupsInOrder(exe);
}
