// peer_allegro.cpp -- the reference scenes through Allegro 4's 8-bit Gouraud z-buffered
// polygons on a memory bitmap, the way an Allegro program would draw them
#include <allegro.h>

#include <algorithm>
#include <cerrno>
#include <cmath>

#include "bench/ddd/peer.h"
#include "bench/ddd/scenes.h"

namespace {

struct AllegroPeer : Peer {
    const PeerScene *scene = nullptr;
    BITMAP *bmp = nullptr;
    ZBUFFER *zbuf = nullptr;
    std::vector<MATRIX> mats; // each object's camera matrix, x and y scaled to the viewport
    std::vector<V3D> verts;
    std::vector<float> lit; // each point's light, 0 to 1
    bool installed = false;

    const char *Name() const override { return "allegro4"; }

    bool Start(const PeerScene &s) override {
        if (!installed) {
            if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) return false;
            installed = true;
        }
        scene = &s;
        bmp = create_bitmap_ex(8, s.width, s.height);
        if (!bmp) return false;
        clear_to_color(bmp, 0);
        zbuf = create_zbuffer(bmp);
        if (!zbuf) return false;
        set_zbuffer(zbuf);
        // persp_project gives x * (width / 2) / z + width / 2: fold the scene's ratios into
        // the matrices so both draw the same picture.
        set_projection_viewport(0, 0, s.width, s.height);
        double sx = (double)s.x_ratio / (s.width / 2.0), sy = (double)s.y_ratio / (s.height / 2.0);
        mats.clear();
        size_t most = 0;
        for (const PeerObject &o : s.objects) {
            MATRIX m;
            for (int32_t r = 0; r < 3; r++) {
                double k = r == 0 ? sx : r == 1 ? sy : 1.0;
                for (int32_t c = 0; c < 3; c++)
                    m.v[r][c] = (fixed)lround(o.m[r * 3 + c] * k);
                m.t[r] = (fixed)lround(o.centre[r] * k);
            }
            mats.push_back(m);
            most = std::max(most, s.shapes[o.shape].pos.size() / 3);
        }
        verts.resize(most);
        lit.resize(most);
        return true;
    }

    void Frame() override {
        const PeerScene &s = *scene;
        if (s.horizon)
            for (int32_t y = 0; y < s.height;) {
                int32_t c = SceneHorizonColour(y, s.height), y1 = y;
                while (y1 + 1 < s.height && SceneHorizonColour(y1 + 1, s.height) == c)
                    y1++;
                rectfill(bmp, 0, y, s.width - 1, y1, c);
                y = y1 + 1;
            }
        clear_zbuffer(zbuf, 0);
        for (size_t k = 0; k < s.objects.size(); k++) {
            const PeerObject &o = s.objects[k];
            const PeerShape &sh = s.shapes[o.shape];
            MATRIX &m = mats[k];
            size_t n = sh.pos.size() / 3;
            float r[9];
            for (int32_t i = 0; i < 9; i++)
                r[i] = o.m[i] / 65536.0f;
            for (size_t i = 0; i < n; i++) {
                const float *p = &sh.pos[3 * i], *nv = &sh.normal[3 * i];
                fixed x, y, z;
                apply_matrix(&m, ftofix(p[0]), ftofix(p[1]), ftofix(p[2]), &x, &y, &z);
                // Lambert from a light at the eye, in unscaled camera space.
                float cx = r[0] * p[0] + r[1] * p[1] + r[2] * p[2] + o.centre[0] / 65536.0f;
                float cy = r[3] * p[0] + r[4] * p[1] + r[5] * p[2] + o.centre[1] / 65536.0f;
                float cz = fixtof(z);
                float nx = r[0] * nv[0] + r[1] * nv[1] + r[2] * nv[2];
                float ny = r[3] * nv[0] + r[4] * nv[1] + r[5] * nv[2];
                float nz = r[6] * nv[0] + r[7] * nv[1] + r[8] * nv[2];
                float d = nx * cx + ny * cy + nz * cz;
                float len =
                    std::sqrt((nx * nx + ny * ny + nz * nz) * (cx * cx + cy * cy + cz * cz));
                lit[i] = d > 0 && len > 0 ? std::fmin(1.0f, d / len) : 0.0f;
                V3D &v = verts[i];
                persp_project(x, y, z, &v.x, &v.y);
                v.z = z;
                v.u = v.v = 0;
                v.c = 0; // the triangle's colour is applied below
            }
            size_t nt = sh.tris.size() / 3;
            for (size_t t = 0; t < nt; t++) {
                int32_t ia = sh.tris[3 * t], ib = sh.tris[3 * t + 1], ic = sh.tris[3 * t + 2];
                V3D *a = &verts[ia], *b = &verts[ib], *c = &verts[ic];
                // One-sided: front faces are clockwise on the screen.
                int64_t facing = (int64_t)(b->x - a->x) * (c->y - a->y) / 65536 -
                                 (int64_t)(c->x - a->x) * (b->y - a->y) / 65536;
                if (facing <= 0) continue;
                V3D va = *a, vb = *b, vc = *c;
                int32_t col = sh.colour[t];
                va.c = PeerShade(col, lit[ia]);
                vb.c = PeerShade(col, lit[ib]);
                vc.c = PeerShade(col, lit[ic]);
                V3D *ring[3] = {&va, &vb, &vc};
                polygon3d(bmp, POLYTYPE_GCOL | POLYTYPE_ZBUF, nullptr, 3, ring);
            }
        }
    }

    int64_t Covered() override {
        int64_t n = 0;
        for (int32_t y = 0; y < zbuf->h; y++) {
            const float *row = (const float *)zbuf->line[y];
            for (int32_t x = 0; x < zbuf->w; x++)
                n += row[x] != 0;
        }
        return n;
    }

    void Stop() override {
        if (zbuf) destroy_zbuffer(zbuf);
        if (bmp) destroy_bitmap(bmp);
        zbuf = nullptr;
        bmp = nullptr;
    }
};

} // namespace

Peer *PeerAllegro() {
    return new AllegroPeer;
}
