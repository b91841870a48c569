// objects_test.cpp -- memory screen set-up, cameras, lights, accessors and the object tree
#include <gtest/gtest.h>

#include <cstring>

#include "ddd/ddd_local.h"
#include "tests/ddd/ddd_support.h"

class Objects : public ::testing::Test {
  protected:
    dddScreen screen;
    void SetUp() override { StartEngine(&screen, 301, 200); }
    void TearDown() override { StopEngine(); }
};

TEST_F(Objects, ScreenWidthRoundsUpTo16) {
    EXPECT_EQ(dddscreen_width, 304);
    EXPECT_EQ(dddscreen_mid_x, 152);
    EXPECT_EQ(dddscreen_depth, 200);
    EXPECT_EQ(dddscreen_mid_y, 100);
    ASSERT_NE(screen.pixels, nullptr);
    ASSERT_NE(screen.zbuffer, nullptr);
    EXPECT_EQ(screen.rows[10], 3040);
    // Pixels on the last column are reachable, beyond it are refused.
    dddSETPIXEL(303, 199, 7);
    EXPECT_EQ(dddGetPixel(303, 199), 7);
    EXPECT_EQ(dddGetPixel(304, 0), -1);
    EXPECT_EQ(dddGetPixel(0, -1), -1);
    dddFillScreen(0x1FF);
    EXPECT_EQ(dddGetPixel(5, 5), 0xFF);
}

TEST_F(Objects, AdoptedBuffersAndNoDepthBuffer) {
    dddScreen again = screen; // already has buffers: adopted, size the smaller one
    again.width = 100;
    again.height = 50;
    dddSelectMemoryScreen(&again);
    EXPECT_EQ(dddscreen_width, 112);
    EXPECT_EQ(dddscreen_depth, 50);
    EXPECT_EQ(dddscreenptr, screen.pixels);
    dddZBufferOff();
    dddScreen flat = {};
    flat.width = flat.limit_width = 32;
    flat.height = flat.limit_height = 8;
    dddSelectMemoryScreen(&flat);
    EXPECT_EQ(flat.zbuffer, nullptr);
    dddZBCls(); // harmless without a depth buffer
    dddZBufferOn();
    dddScreen empty = {};
    dddSelectMemoryScreen(&empty); // a zero-size screen draws nothing and breaks nothing
    EXPECT_EQ(dddscreen_width, 0);
    EXPECT_EQ(dddDrawObjects(), 0);
    DDDCLIPDRAWLINE(1, 0, 0, 0, 10, 10, 0);
    dddPrint(nullptr, 1, 0, 0, "X");
}

TEST_F(Objects, DepthFillValue) {
    dddSetZBValue(10);
    EXPECT_EQ(dddzbfillvalue, 0);
    dddSetZBValue(1000);
    EXPECT_EQ(dddzbfillvalue, (uint16_t)((((1ull << 52) - 1) / (1000ull << 16)) >> 16));
    dddZBCls();
    EXPECT_EQ(screen.zbuffer[0], dddzbfillvalue);
    dddzbfillvalue = 0;
}

TEST_F(Objects, CameraRatios) {
    dddClearObjects();
    dddDrawObjects(); // no camera: width * 256 / 320
    int32_t plain_x = x_ratio, plain_y = y_ratio;
    EXPECT_EQ(plain_x, 304 * 256 / 320);
    EXPECT_EQ(plain_y, 200 * 256 / 200);
    dddObject *cam = dddCreateCamera(32000, 100, 100);
    ASSERT_NE(cam, nullptr);
    dddClearObjects();
    EXPECT_NE(dddSelectCamera(cam), DDD_BADREF);
    EXPECT_EQ(x_ratio, plain_x);
    EXPECT_EQ(y_ratio, plain_y);
    dddSetCameraPerspectiveX(cam, 50);
    dddSelectCamera(cam);
    EXPECT_EQ(x_ratio, 304 * 25600 / (50 * 320));
    EXPECT_EQ(dddmax_shape_distance, 32000);
    dddObject *dummy = dddCreateDummyObject();
    EXPECT_EQ(dddSelectCamera(dummy), DDD_BADREF);
    dddSetCameraPerspectiveX(cam, 0); // would divide by zero
    dddSelectCamera(cam);
    EXPECT_EQ(x_ratio, plain_x);
}

TEST_F(Objects, LightsAndTypedAccessors) {
    EXPECT_EQ(dddCreateLight(3, 255, 0), nullptr);
    EXPECT_EQ(dddCreateLight(0, 255, 0), nullptr);
    dddObject *light = dddCreateLight(5, 255, 0);
    ASSERT_NE(light, nullptr);
    EXPECT_EQ(light->light->cone, (int32_t)(32767ll * 32767 / 1024));
    EXPECT_EQ(dddGetLightType(light), 5);
    EXPECT_EQ(dddSetLightConeAngle(light, 0x4000), 0); // a right angle: cosine 0
    EXPECT_EQ(light->light->cone, 0);
    EXPECT_EQ(dddGetLightIntensity(light), 255);
    EXPECT_EQ(dddSetCameraCutoff(light, 5), DDD_ERROR);

    dddObject *cam = dddCreateCamera(1000, 20, 30);
    EXPECT_EQ(dddGetCameraPerspectiveY(cam), 30);
    EXPECT_EQ(dddGetShapeFlags(cam), DDD_ERROR);
    EXPECT_EQ(dddGetLightType(cam), DDD_ERROR);
    EXPECT_EQ(dddSetRenderMethod(cam, 0x2300), 0);
    EXPECT_EQ(dddGetRenderMethod(cam), 0x2300);

    mem_files["3D\\BOX.DSH"] = MakeHull(50, 50, 50, 3, 4, 0x20).Build();
    dddObject *shape = dddLoad("3d\\box.dsh");
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(dddGetRenderMethod(shape), 0x0300);
    dddSetShapeFlags(shape, 12);
    EXPECT_EQ(dddSetCameraCutoff(shape, 99), DDD_ERROR);
    EXPECT_EQ(dddGetShapeFlags(shape), 12);
    EXPECT_EQ(dddGetLightIntensity(shape), DDD_ERROR);
    dddDestroy(shape);
    dddDestroy(cam);
    dddDestroy(light);
    EXPECT_EQ(dddMemBlocks(DDD_AREA_SHAPES), 0);
}

TEST_F(Objects, ChildUnderTurnedParent) {
    dddObject *parent = dddCreateDummyObject(), *child = dddCreateDummyObject();
    dddRotateTo(parent, 0, 0x4000, 0);
    ASSERT_EQ(dddAttach(child, parent, "GUN", 0, 0, 10, 0, 0, 0), 0);
    int32_t pos[3];
    dddClearObjects();
    dddGetAbsPos(child, pos);
    EXPECT_EQ(pos[0], 9); // 20 * 32767 >> 16
    EXPECT_EQ(pos[2], 0);
    uint16_t ang[3];
    dddGetAbsAng(child, ang);
    EXPECT_EQ(ang[1], 0x4000);
    // Moving the parent moves the child in the next frame.
    dddMoveTo(parent, 100, 0, 0);
    dddClearObjects();
    dddGetAbsPos(child, pos);
    EXPECT_EQ(pos[0], 109);
    // A grandparent's turn reaches the grandchild though the parent's own angles stay.
    dddObject *grand = dddCreateDummyObject();
    ASSERT_EQ(dddAttach(parent, grand, "HULL", 0, 0, 0, 0, 0x4000, 0), 0);
    dddClearObjects();
    dddGetAbsPos(child, pos);
    dddRotateTo(grand, 0, 0x4000, 0);
    dddClearObjects();
    dddGetAbsPos(child, pos);
    EXPECT_EQ(pos[2], -10); // turned half round in all (-20 * 32767 >> 16 rounds down)
    EXPECT_EQ(dddPart(grand, "HULL>GUN"), child);
    EXPECT_EQ(dddPart(child, "PARENT>PARENT"), grand);
    EXPECT_EQ(dddPart(grand, "HULL>NONE"), nullptr);
    // Detaching keeps the world place.
    dddDetach(child);
    EXPECT_EQ(child->parent, nullptr);
    EXPECT_EQ(child->z, -10);
    EXPECT_EQ(dddPart(grand, "HULL>GUN"), nullptr);
}

TEST_F(Objects, AttachRefusals) {
    dddObject *a = dddCreateDummyObject(), *b = dddCreateDummyObject(), *c = dddCreateDummyObject();
    EXPECT_EQ(dddAttach(a, b, "PARENT", 0, 0, 0, 0, 0, 0), DDD_ERROR);
    EXPECT_EQ(dddAttach(a, b, "NINECHARS", 0, 0, 0, 0, 0, 0), DDD_ERROR);
    EXPECT_EQ(dddAttach(a, b, "EIGHTCHR", 0, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(dddAttach(a, c, "OTHER", 0, 0, 0, 0, 0, 0), DDD_ERROR);    // already has a parent
    EXPECT_EQ(dddAttach(c, b, "EIGHTCHR", 0, 0, 0, 0, 0, 0), DDD_ERROR); // name taken
    EXPECT_EQ(dddAttach(b, a, "LOOP", 0, 0, 0, 0, 0, 0), DDD_ERROR);     // would make a loop
    EXPECT_EQ(dddAttach(c, b, "SECOND", 0, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(b->child, c); // the newest child comes first
    dddDestroy(b);          // children are let go, not destroyed
    EXPECT_EQ(a->parent, nullptr);
    EXPECT_EQ(c->parent, nullptr);
}

TEST_F(Objects, InsertOncePerFrameWithChildren) {
    dddObject *p = dddCreateDummyObject(), *c = dddCreateDummyObject();
    dddObject *l = dddCreateLight(6, 100, 0x1000);
    dddAttach(c, p, "C", 0, 0, 0, 0, 0, 0);
    dddClearObjects();
    dddInsertObject(p);
    dddInsertObject(p);
    dddInsertObject(c);
    dddInsertObject(l);
    EXPECT_EQ(ddd_draw_count, 3);
    EXPECT_EQ(ddd_light_count, 1);
    dddClearObjects();
    EXPECT_EQ(ddd_draw_count, 0);
    dddInsertObject(c); // resolves the parent too, which then is not inserted this frame
    dddInsertObject(p);
    EXPECT_EQ(ddd_draw_count, 1);
}

TEST_F(Objects, TrackedMemoryLocksAndAreas) {
    void *owner = dddLinkedMemAlloc(16);
    void *block = dddLinkedMemAlloc(10);
    dddMemSetOwner(block, owner);
    DDDLINKEDMEMLOCK(block);
    EXPECT_EQ(dddMemLocks(block), 2);
    EXPECT_EQ(dddMemLocks(owner), 2);
    memset(block, 0xAB, 10);
    void *bigger = DDDLINKEDMEMREALLOC(1000, block);
    ASSERT_NE(bigger, nullptr);
    EXPECT_EQ(((uint8_t *)bigger)[9], 0xAB);
    EXPECT_EQ(dddMemLocks(bigger), 2);
    EXPECT_EQ(DDDLINKEDMEMREALLOC(12, bigger), bigger);
    int32_t before = dddMemBlocks(DDD_AREA_GENERAL);
    DDDLINKEDMEMFREE(bigger);
    DDDLINKEDMEMFREE(bigger);
    EXPECT_EQ(dddMemBlocks(DDD_AREA_GENERAL), before - 2); // the owner went too
    dddSelectArea(DDD_AREA_FONTS);
    void *font = dddLinkedMemAlloc(4);
    EXPECT_EQ(dddMemBlocks(DDD_AREA_FONTS), 1);
    DDDLINKEDMEMFREE(font);
}
