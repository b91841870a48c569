// peer_gl.cpp -- the reference scenes through OpenGL ES 3 on Mesa's llvmpipe, surfaceless EGL
// and one rendering thread: an R8 colour buffer and a 16-bit depth buffer in a framebuffer
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GLES3/gl3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/ddd/peer.h"
#include "bench/ddd/scenes.h"

namespace {

const char *const vertex_src = R"(#version 300 es
layout(location = 0) in vec3 pos;
layout(location = 1) in vec3 nrm;
layout(location = 2) in float colour;
uniform mat3 m;      // model to camera, y down
uniform vec3 centre;
uniform vec4 proj;   // x and y scale, depth scale and offset
out float shade;
void main() {
    vec3 p = m * pos + centre;
    vec3 n = m * nrm;
    float d = dot(n, p), len = length(n) * length(p);
    float lit = d > 0.0 && len > 0.0 ? min(1.0, d / len) : 0.0;
    float hi = floor(colour / 16.0) * 16.0;
    shade = (hi + floor((colour - hi) * lit)) / 255.0;
    gl_Position = vec4(p.x * proj.x, -p.y * proj.y, p.z * proj.z + proj.w, p.z);
}
)";

const char *const fragment_src = R"(#version 300 es
precision mediump float;
in float shade;
out vec4 colour;
void main() { colour = vec4(shade, 0.0, 0.0, 1.0); }
)";

struct GlPeer : Peer {
    EGLDisplay dpy = EGL_NO_DISPLAY;
    EGLContext ctx = EGL_NO_CONTEXT;
    GLuint prog = 0, fbo = 0, colour_tex = 0, depth_rb = 0;
    GLint u_m = -1, u_centre = -1, u_proj = -1;
    std::vector<GLuint> vaos, vbos;
    std::vector<GLsizei> counts;
    const PeerScene *scene = nullptr;

    const char *Name() const override { return "llvmpipe"; }

    static GLuint Shader(GLenum type, const char *src) {
        GLuint sh = glCreateShader(type);
        glShaderSource(sh, 1, &src, nullptr);
        glCompileShader(sh);
        GLint ok = 0;
        glGetShaderiv(sh, GL_COMPILE_STATUS, &ok);
        if (!ok) {
            char log[1024];
            glGetShaderInfoLog(sh, sizeof log, nullptr, log);
            fprintf(stderr, "llvmpipe: shader: %s\n", log);
        }
        return sh;
    }

    bool Init() {
        if (ctx != EGL_NO_CONTEXT) return true;
        // One rendering thread, and never a hardware driver.
        setenv("LP_NUM_THREADS", "0", 1);
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
        setenv("GALLIUM_DRIVER", "llvmpipe", 1);
        auto get_display =
            (PFNEGLGETPLATFORMDISPLAYEXTPROC)eglGetProcAddress("eglGetPlatformDisplayEXT");
        if (!get_display) return false;
        dpy = get_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        EGLint major, minor;
        if (dpy == EGL_NO_DISPLAY || !eglInitialize(dpy, &major, &minor)) return false;
        eglBindAPI(EGL_OPENGL_ES_API);
        const EGLint config_attrs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_ES3_BIT, EGL_NONE};
        EGLConfig config;
        EGLint n = 0;
        if (!eglChooseConfig(dpy, config_attrs, &config, 1, &n) || n < 1) return false;
        const EGLint ctx_attrs[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_NONE};
        ctx = eglCreateContext(dpy, config, EGL_NO_CONTEXT, ctx_attrs);
        if (ctx == EGL_NO_CONTEXT) return false;
        if (!eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, ctx)) return false;
        const char *renderer = (const char *)glGetString(GL_RENDERER);
        fprintf(stderr, "llvmpipe: %s\n", renderer ? renderer : "?");
        prog = glCreateProgram();
        glAttachShader(prog, Shader(GL_VERTEX_SHADER, vertex_src));
        glAttachShader(prog, Shader(GL_FRAGMENT_SHADER, fragment_src));
        glLinkProgram(prog);
        GLint ok = 0;
        glGetProgramiv(prog, GL_LINK_STATUS, &ok);
        if (!ok) return false;
        u_m = glGetUniformLocation(prog, "m");
        u_centre = glGetUniformLocation(prog, "centre");
        u_proj = glGetUniformLocation(prog, "proj");
        return true;
    }

    bool Start(const PeerScene &s) override {
        if (!Init()) return false;
        scene = &s;
        glGenTextures(1, &colour_tex);
        glBindTexture(GL_TEXTURE_2D, colour_tex);
        glTexStorage2D(GL_TEXTURE_2D, 1, GL_R8, s.width, s.height);
        glGenRenderbuffers(1, &depth_rb);
        glBindRenderbuffer(GL_RENDERBUFFER, depth_rb);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, s.width, s.height);
        glGenFramebuffers(1, &fbo);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour_tex, 0);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_rb);
        if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;
        glViewport(0, 0, s.width, s.height);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        // One vertex array a shape: every triangle's corners with their normal and colour.
        for (const PeerShape &sh : s.shapes) {
            std::vector<float> data;
            size_t nt = sh.tris.size() / 3;
            for (size_t t = 0; t < nt; t++)
                for (int32_t k = 0; k < 3; k++) {
                    int32_t i = sh.tris[3 * t + k];
                    data.insert(data.end(), {sh.pos[3 * i], sh.pos[3 * i + 1], sh.pos[3 * i + 2],
                                             sh.normal[3 * i], sh.normal[3 * i + 1],
                                             sh.normal[3 * i + 2], (float)sh.colour[t]});
                }
            GLuint vao, vbo;
            glGenVertexArrays(1, &vao);
            glBindVertexArray(vao);
            glGenBuffers(1, &vbo);
            glBindBuffer(GL_ARRAY_BUFFER, vbo);
            glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)(data.size() * sizeof(float)), data.data(),
                         GL_STATIC_DRAW);
            for (GLuint a = 0; a < 3; a++) {
                static const GLint sizes[3] = {3, 3, 1}, offsets[3] = {0, 3, 6};
                glEnableVertexAttribArray(a);
                glVertexAttribPointer(a, sizes[a], GL_FLOAT, GL_FALSE, 7 * sizeof(float),
                                      (const void *)(offsets[a] * sizeof(float)));
            }
            vaos.push_back(vao);
            vbos.push_back(vbo);
            counts.push_back((GLsizei)(3 * nt));
        }
        glUseProgram(prog);
        // Front faces are clockwise as seen, whichever way the y axis runs.
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        glFrontFace(GL_CW);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        const float n = 32, f = 32000;
        glUniform4f(u_proj, (float)s.x_ratio / (s.width / 2.0f),
                    (float)s.y_ratio / (s.height / 2.0f), (f + n) / (f - n), -2 * f * n / (f - n));
        glFinish();
        return true;
    }

    void Frame() override {
        const PeerScene &s = *scene;
        if (s.horizon) {
            glEnable(GL_SCISSOR_TEST);
            for (int32_t y = 0; y < s.height;) {
                int32_t c = SceneHorizonColour(y, s.height), y1 = y;
                while (y1 + 1 < s.height && SceneHorizonColour(y1 + 1, s.height) == c)
                    y1++;
                glScissor(0, s.height - 1 - y1, s.width, y1 - y + 1);
                glClearColor(c / 255.0f, 0, 0, 1);
                glClear(GL_COLOR_BUFFER_BIT);
                y = y1 + 1;
            }
            glDisable(GL_SCISSOR_TEST);
        }
        glClear(GL_DEPTH_BUFFER_BIT);
        for (const PeerObject &o : s.objects) {
            float m[9], c[3];
            for (int32_t i = 0; i < 9; i++)
                m[i] = o.m[i] / 65536.0f;
            for (int32_t i = 0; i < 3; i++)
                c[i] = o.centre[i] / 65536.0f;
            glUniformMatrix3fv(u_m, 1, GL_TRUE, m);
            glUniform3fv(u_centre, 1, c);
            glBindVertexArray(vaos[o.shape]);
            glDrawArrays(GL_TRIANGLES, 0, counts[o.shape]);
        }
        glFinish();
    }

    int64_t Covered() override {
        const PeerScene &s = *scene;
        std::vector<uint8_t> rgba((size_t)s.width * s.height * 4);
        glReadPixels(0, 0, s.width, s.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        int64_t n = 0;
        // The models' shades lie below the horizon's colours and above the cleared 0.
        for (size_t i = 0; i < rgba.size(); i += 4)
            n += rgba[i] != 0 && rgba[i] < 0xE0;
        return n;
    }

    void Stop() override {
        if (ctx == EGL_NO_CONTEXT) return;
        glDeleteVertexArrays((GLsizei)vaos.size(), vaos.data());
        glDeleteBuffers((GLsizei)vbos.size(), vbos.data());
        vaos.clear(), vbos.clear(), counts.clear();
        glDeleteFramebuffers(1, &fbo);
        glDeleteRenderbuffers(1, &depth_rb);
        glDeleteTextures(1, &colour_tex);
    }
};

} // namespace

Peer *PeerLlvmpipe() {
    return new GlPeer;
}
