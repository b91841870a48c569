// text_test.cpp -- DrawText placement, breaking, prefixes and clipping, judged by ink
#include "platform_fixture.h"

#include <climits>

namespace {

class Text : public PlatformTest {
  protected:
    HDC mem = nullptr;
    HBITMAP bmp = nullptr, old = nullptr;
    HFONT font = nullptr, old_font = nullptr;
    static const int W = 160, H = 80;
    void SetUp() override {
        PlatformTest::SetUp();
        mem = CreateCompatibleDC(nullptr);
        bmp = CreateCompatibleBitmap(mem, W, H);
        old = (HBITMAP)SelectObject(mem, bmp);
        font = CreateFont(14, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0,
                          "MS Sans Serif");
        old_font = (HFONT)SelectObject(mem, font);
        SetBkMode(mem, TRANSPARENT);
        SetTextColor(mem, RGB(0, 0, 0));
        Clear();
    }
    void TearDown() override {
        SelectObject(mem, old_font);
        DeleteObject(font);
        SelectObject(mem, old);
        DeleteObject(bmp);
        DeleteDC(mem);
        PlatformTest::TearDown();
    }
    void Clear() {
        RECT r{0, 0, W, H};
        FillRect(mem, &r, (HBRUSH)GetStockObject(WHITE_BRUSH));
    }
    // The bounding box of every non-white pixel; left > right when there is none.
    RECT Ink() {
        RECT b{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++)
                if (GetPixel(mem, x, y) != RGB(255, 255, 255)) {
                    b.left = std::min<LONG>(b.left, x);
                    b.top = std::min<LONG>(b.top, y);
                    b.right = std::max<LONG>(b.right, x + 1);
                    b.bottom = std::max<LONG>(b.bottom, y + 1);
                }
        return b;
    }
    int LineHeight() {
        TEXTMETRIC tm;
        GetTextMetrics(mem, &tm);
        return tm.tmHeight;
    }
};

TEST_F(Text, HorizontalAndVerticalAlignment) {
    RECT r{0, 0, W, H};
    DrawText(mem, "NNNN", -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    RECT c = Ink();
    EXPECT_NEAR(c.left, W - c.right, 2);
    EXPECT_NEAR(c.top, H - c.bottom, 4);
    Clear();
    DrawText(mem, "NNNN", -1, &r, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM);
    RECT br = Ink();
    EXPECT_GE(br.right, W - 3);
    EXPECT_GE(br.bottom, H - LineHeight());
    EXPECT_EQ(br.right - br.left, c.right - c.left); // same text, same width
    Clear();
    DrawText(mem, "NNNN", -1, &r, DT_LEFT | DT_TOP);
    RECT tl = Ink();
    EXPECT_LE(tl.left, 2);
    EXPECT_LE(tl.top, 4);
}

TEST_F(Text, CalcRectMeasuresLinesAndWordBreakWraps) {
    int lh = LineHeight();
    RECT r{0, 0, 0, 0};
    EXPECT_EQ(DrawText(mem, "one\r\ntwo\nthree", -1, &r, DT_CALCRECT), 3 * lh);
    EXPECT_EQ(r.bottom, 3 * lh);
    SIZE three;
    GetTextExtentPoint32(mem, "three", 5, &three);
    EXPECT_EQ(r.right, three.cx); // the widest line
    EXPECT_GT(Ink().left, Ink().right); // measuring draws nothing
    // Word breaking inside a narrow box makes more lines; a single line ignores breaks.
    RECT narrow{0, 0, 60, 0};
    int wrapped = DrawText(mem, "torpedo tubes ready to fire", -1, &narrow,
                           DT_CALCRECT | DT_WORDBREAK);
    EXPECT_GE(wrapped, 3 * lh);
    EXPECT_EQ(narrow.right, 60); // the width stays when breaking
    RECT single{0, 0, 60, 0};
    EXPECT_EQ(DrawText(mem, "a\r\nb", -1, &single, DT_CALCRECT | DT_SINGLELINE), lh);
    // A word wider than the box stays whole on its own line.
    RECT tiny{0, 0, 5, 0};
    EXPECT_EQ(DrawText(mem, "Westland", -1, &tiny, DT_CALCRECT | DT_WORDBREAK), lh);
}

TEST_F(Text, PrefixesUnderlineAndDoubledAmpersandsShowOne) {
    SIZE plain, amp;
    GetTextExtentPoint32(mem, "Fire", 4, &plain);
    RECT r{0, 0, 0, 0};
    DrawText(mem, "&Fire", -1, &r, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(r.right, plain.cx);
    GetTextExtentPoint32(mem, "A&B", 3, &amp);
    r = RECT{0, 0, 0, 0};
    DrawText(mem, "A&&B", -1, &r, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(r.right, amp.cx);
    r = RECT{0, 0, 0, 0};
    SIZE raw;
    GetTextExtentPoint32(mem, "&Fire", 5, &raw);
    DrawText(mem, "&Fire", -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(r.right, raw.cx);
    // The underline sits below the glyphs: the prefixed text inks lower than the plain one.
    RECT box{0, 0, W, H};
    DrawText(mem, "Fire", -1, &box, DT_SINGLELINE);
    LONG plain_bottom = Ink().bottom;
    Clear();
    DrawText(mem, "&Fire", -1, &box, DT_SINGLELINE);
    EXPECT_GT(Ink().bottom, plain_bottom);
}

TEST_F(Text, ClipsToTheRectangleUnlessToldNot) {
    RECT r{10, 10, 30, 30};
    DrawText(mem, "WWWWWWWWWW", -1, &r, DT_SINGLELINE);
    RECT in = Ink();
    EXPECT_GE(in.left, 10);
    EXPECT_LE(in.right, 30);
    Clear();
    DrawText(mem, "WWWWWWWWWW", -1, &r, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_GT(Ink().right, 30);
    // Bad arguments draw nothing and report 0.
    EXPECT_EQ(DrawText(mem, nullptr, -1, &r, 0), 0);
    EXPECT_EQ(DrawText(mem, "x", -1, nullptr, 0), 0);
    EXPECT_EQ(DrawText(nullptr, "x", -1, &r, 0), 0);
    // An explicit count stops short of the terminator.
    Clear();
    RECT wide{0, 0, W, H};
    DrawText(mem, "WW\0WWWW", 2, &wide, DT_SINGLELINE);
    SIZE two;
    GetTextExtentPoint32(mem, "WW", 2, &two);
    EXPECT_LE(Ink().right, two.cx + 1);
}

} // namespace
