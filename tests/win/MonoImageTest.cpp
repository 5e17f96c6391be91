// One-bit pictures drawn into a colour context: black pixels in ink, white in paper.
#include <gtest/gtest.h>

#include "WidgetTestSupport.h"
#include "widgets/MonoImage.h"

using namespace widget_test;

namespace {

const COLORREF kInk = RGB(200, 30, 40);
const COLORREF kPaper = RGB(20, 40, 220);
const COLORREF kGround = RGB(0, 255, 0);

TEST(MonoImage, PaintsBlackInInkAndWhiteInPaperAndRestoresTheContext) {
    TestPictures pictures({{"CHECK", {"#..#", ".##."}}});
    MonoImage image;
    image.SetName("CHECK");
    Canvas canvas(8, 6, kGround);
    SetTextColor(canvas.dc, RGB(1, 2, 3));
    SetBkColor(canvas.dc, RGB(4, 5, 6));
    image.DrawAt(canvas.dc, kInk, kPaper, 1, 2);
    EXPECT_EQ(canvas.Pixel(1, 2), kInk);
    EXPECT_EQ(canvas.Pixel(2, 2), kPaper);
    EXPECT_EQ(canvas.Pixel(4, 2), kInk);
    EXPECT_EQ(canvas.Pixel(1, 3), kPaper);
    EXPECT_EQ(canvas.Pixel(2, 3), kInk);
    // Nothing outside the picture's own 4 x 2 pixels.
    EXPECT_EQ(canvas.Pixel(0, 2), kGround);
    EXPECT_EQ(canvas.Pixel(5, 2), kGround);
    EXPECT_EQ(canvas.Pixel(1, 4), kGround);
    EXPECT_EQ(GetTextColor(canvas.dc), RGB(1, 2, 3));
    EXPECT_EQ(GetBkColor(canvas.dc), RGB(4, 5, 6));
}

TEST(MonoImage, InkEqualToPaperGivesASolidRectangle) {
    TestPictures pictures({{"CHECK", {"#..#", ".##.", "#.#."}}});
    MonoImage image;
    image.SetName("CHECK");
    Canvas canvas(6, 5, kGround);
    image.DrawAt(canvas.dc, kInk, kInk, 0, 0);
    EXPECT_TRUE(canvas.AllOf(RECT{0, 0, 4, 3}, kInk));
    EXPECT_EQ(canvas.Pixel(4, 0), kGround);
}

TEST(MonoImage, MissingPictureMeasuresAndDrawsAsOnePixel) {
    TestPictures pictures({});
    MonoImage image;
    image.SetName("NOSUCHPICTURE");
    const SIZE size = image.GetSize();
    EXPECT_EQ(size.cx, 1);
    EXPECT_EQ(size.cy, 1);
    Canvas canvas(3, 3, kGround);
    image.DrawAt(canvas.dc, kInk, kPaper, 1, 1);
    EXPECT_EQ(canvas.Pixel(1, 1), kPaper);
    EXPECT_EQ(canvas.Pixel(2, 1), kGround);
    EXPECT_EQ(canvas.Pixel(1, 2), kGround);
}

TEST(MonoImage, NtKeepsOneBitmapWhile9xLoadsForEveryUse) {
    TestPictures pictures({{"CHECK", {"#.", ".#"}}});
    Canvas canvas(4, 4, kGround);

    MonoImage kept(true);
    kept.SetName("CHECK");
    EXPECT_EQ(pictures.loads, 1);
    kept.GetSize();
    kept.DrawAt(canvas.dc, kInk, kPaper, 0, 0);
    EXPECT_EQ(pictures.loads, 1);

    MonoImage loadedEachTime(false);
    loadedEachTime.SetName("CHECK");
    EXPECT_EQ(pictures.loads, 1);
    EXPECT_EQ(loadedEachTime.GetSize().cx, 2);
    loadedEachTime.DrawAt(canvas.dc, kInk, kPaper, 0, 0);
    loadedEachTime.DrawAt(canvas.dc, kInk, kPaper, 0, 0);
    EXPECT_EQ(pictures.loads, 4);
    EXPECT_EQ(canvas.Pixel(0, 0), kInk);
    EXPECT_EQ(canvas.Pixel(1, 0), kPaper);
}

TEST(MonoImage, ProgramPicturesDrawTheirBlackInInkAndWhiteInPaper) {
    // Pixels read off the text art: '#' black, '.' white.
    struct Probe {
        const char* name;
        int x, y;
        COLORREF expected;
    } probes[] = {{"UPARROWUP", 3, 3, kInk},      {"UPARROWUP", 0, 0, kPaper}, {"LOOPSCTRL1UP", 15, 0, kInk},
                  {"LOOPSCTRL1UP", 0, 0, kPaper}, {"PLAY2DN", 0, 0, kInk},     {"PLAY2DN", 22, 1, kPaper}};
    for (const Probe& p : probes) {
        SCOPED_TRACE(testing::Message() << p.name << " at " << p.x << "," << p.y);
        MonoImage image;
        image.SetName(p.name);
        const SIZE size = image.GetSize();
        ASSERT_GT(size.cx, p.x);
        Canvas canvas(size.cx, size.cy, kGround);
        image.DrawAt(canvas.dc, kInk, kPaper, 0, 0);
        EXPECT_EQ(canvas.Pixel(p.x, p.y), p.expected);
    }
}

} // namespace
