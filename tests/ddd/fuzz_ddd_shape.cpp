// fuzz_ddd_shape.cpp -- libFuzzer target: any bytes as a shape file are refused or drawn safely
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ddd/ddd.h"
#include "tests/ddd/ddd_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static dddScreen screen;
    static dddObject *camera, *light;
    static bool ready = false;
    if (!ready) {
        StartEngine(&screen, 64, 48);
        mem_files["SEA.TM"] = std::vector<uint8_t>(65536, 5);
        mem_files["DEFAULT.CG"] = MakeShadeFile();
        dddPaletteLoad("default.col");
        camera = dddCreateCamera(32000, 100, 100);
        light = dddCreateLight(5, 255, 0);
        ready = true;
    }
    mem_files["FUZZ.DSH"].assign(data, data + size);
    dddObject *o = dddLoad("fuzz.dsh");
    if (!o) return 0;
    // Every drawing mode the engine has, near and far, turned a little.
    static const int32_t methods[] = {0x0300, 0x2300, 0x1300, 0x0200, 0x4300, 0x0100};
    for (int32_t method : methods) {
        for (int32_t z : {40, 400, 4000}) {
            dddSetRenderMethod(o, method);
            dddSetShapeFlags(o, z);
            dddMoveTo(o, 0, 0, z);
            dddRotateBy(o, 0x900, 0x1234, 0x300);
            dddZBCls();
            dddClearObjects();
            dddSelectCamera(camera);
            dddInsertObject(o);
            dddInsertObject(light);
            dddDrawObjects();
        }
    }
    dddLineOn(7);
    dddClearObjects();
    dddSelectCamera(camera);
    dddInsertObject(o);
    dddDrawObjects();
    dddLineOff();
    dddDestroy(o);
    return 0;
}
