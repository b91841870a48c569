// backend_test.cpp -- the backend tables: every service filled in, the headless one's own parts
#include "platform_fixture.h"
#include "platform/plat_backend.h"

namespace {

void ExpectComplete(const plat::Backend &b) {
    SCOPED_TRACE(b.name ? b.name : "(no name)");
    EXPECT_NE(nullptr, b.name);
    EXPECT_TRUE(b.open && b.close && b.error && b.poll && b.present && b.wait && b.set_cursor &&
                b.minimize);
    EXPECT_TRUE(b.clipboard_set && b.clipboard_get);
    EXPECT_TRUE(b.audio_open && b.audio_close && b.audio_reset);
    EXPECT_TRUE(b.font_info && b.text_size && b.text_render && b.text_shutdown);
    EXPECT_NE(nullptr, b.quit);
}

TEST(Backend, EveryTableFillsInEveryService) {
    ExpectComplete(plat::sdl_backend);
    ExpectComplete(plat::headless_backend);
}

class HeadlessBackend : public PlatformTest {};

TEST_F(HeadlessBackend, TestsRunOnTheHeadlessTable) {
    EXPECT_EQ(&plat::headless_backend, &plat::Services());
    EXPECT_STREQ("headless", plat::Services().name);
}

TEST_F(HeadlessBackend, HasNoSystemClipboard) {
    const plat::Backend &b = plat::headless_backend;
    b.clipboard_set("kept nowhere");
    std::string text = "untouched";
    EXPECT_FALSE(b.clipboard_get(&text));
    EXPECT_EQ("untouched", text);
}

TEST_F(HeadlessBackend, MeasuresAndDrawsTextInTheScreensFaces) {
    const plat::Backend &b = plat::headless_backend;
    plat::FontFace face;
    face.pt = 12;
    plat::FontInfo info;
    if (!b.font_info(face, &info)) GTEST_SKIP() << "no DejaVu fonts";
    EXPECT_GT(info.height, 0);
    EXPECT_GT(info.ascent, 0);
    EXPECT_GE(info.w_advance, info.x_advance);
    int w = 0, h = 0;
    ASSERT_TRUE(b.text_size(face, "Hydrophone", &w, &h));
    EXPECT_EQ(info.height, h);
    EXPECT_GT(w, 0);
    int w0 = -1, h0 = 0;
    ASSERT_TRUE(b.text_size(face, nullptr, &w0, &h0));
    EXPECT_EQ(0, w0);
    EXPECT_EQ(h, h0);
    plat::TextMask mask;
    ASSERT_TRUE(b.text_render(face, "Hydrophone", true, &mask));
    EXPECT_EQ(w, mask.w);
    ASSERT_EQ((size_t)mask.w * mask.h, mask.a.size());
    bool inked = false;
    for (uint8_t a : mask.a)
        inked = inked || a > 0;
    EXPECT_TRUE(inked);
}

} // namespace
