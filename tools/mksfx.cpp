// mksfx.cpp -- synthesises the sound effects as raw 8-bit unsigned mono samples at 11025 Hz
#include "tools/gen_io.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

static const double RATE = 11025, PI = 3.14159265358979;
using Wave = std::vector<double>;

static uint32_t rng_state = 0x2545F491;
static double Rnd() { // uniform in [-1, 1), the same sequence on every run
    rng_state ^= rng_state << 13;
    rng_state ^= rng_state >> 17;
    rng_state ^= rng_state << 5;
    return (rng_state & 0xFFFFFF) / double(0x800000) - 1.0;
}

static Wave Silence(double seconds) {
    return Wave(size_t(seconds * RATE), 0.0);
}
static double T(size_t i) {
    return i / RATE;
}

// RBJ biquad, run in place; `loops` passes over a looping buffer settle its state first.
struct Biquad {
    double b0, b1, b2, a1, a2, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double Run(double x) {
        double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1, x1 = x, y2 = y1, y1 = y;
        return y;
    }
};
static Biquad Make(int kind, double f, double q) {
    double w = 2 * PI * f / RATE, c = std::cos(w), s = std::sin(w), al = s / (2 * q);
    double b0, b1, b2, a0 = 1 + al, a1 = -2 * c, a2 = 1 - al;
    if (kind == 0)
        b0 = (1 - c) / 2, b1 = 1 - c, b2 = (1 - c) / 2; // low pass
    else if (kind == 1)
        b0 = (1 + c) / 2, b1 = -(1 + c), b2 = (1 + c) / 2; // high pass
    else
        b0 = al, b1 = 0, b2 = -al; // band pass
    return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}
static void Filter(Wave &w, int kind, double f, double q = 0.707, bool loop = false) {
    Biquad b = Make(kind, f, q);
    if (loop)
        for (double x : w)
            b.Run(x);
    for (double &x : w)
        x = b.Run(x);
}
// Filter with a cut-off that moves over time (f(t) in Hz).
template <class F> static void Sweep(Wave &w, int kind, F f, double q = 0.707) {
    Biquad b = Make(kind, f(0.0), q);
    for (size_t i = 0; i < w.size(); i++) {
        if (i % 32 == 0) {
            Biquad n = Make(kind, f(T(i)), q);
            n.x1 = b.x1, n.x2 = b.x2, n.y1 = b.y1, n.y2 = b.y2;
            b = n;
        }
        w[i] = b.Run(w[i]);
    }
}

static void Mix(Wave &dst, const Wave &src, double at, double gain = 1) {
    size_t o = size_t(at * RATE);
    if (dst.size() < o + src.size()) dst.resize(o + src.size(), 0.0);
    for (size_t i = 0; i < src.size(); i++)
        dst[o + i] += src[i] * gain;
}

static Wave Noise(double seconds) {
    Wave w = Silence(seconds);
    for (double &x : w)
        x = Rnd();
    return w;
}

// Exponential decay with a short attack.
static double Env(double t, double attack, double decay) {
    if (t < attack) return t / attack;
    return std::exp(-(t - attack) / decay);
}

// Schroeder reverberation: parallel combs into series all-passes, mixed with the dry sound.
static Wave Reverb(const Wave &in, double seconds, double wet, double decay) {
    Wave out = in;
    out.resize(in.size() + size_t(seconds * RATE), 0.0);
    Wave acc(out.size(), 0.0);
    const int comb[] = {337, 419, 499, 577, 653, 743};
    for (int d : comb) {
        double g = std::pow(0.001, d / (decay * RATE));
        Wave buf(out.size(), 0.0);
        for (size_t i = 0; i < out.size(); i++) {
            double x = i < in.size() ? in[i] : 0.0;
            buf[i] = x + (i >= size_t(d) ? g * buf[i - d] : 0.0);
            acc[i] += buf[i] / 6;
        }
    }
    for (int d : {113, 37}) {
        Wave y(acc.size(), 0.0);
        for (size_t i = 0; i < acc.size(); i++) {
            double xd = i >= size_t(d) ? acc[i - d] : 0.0, yd = i >= size_t(d) ? y[i - d] : 0.0;
            y[i] = -0.7 * acc[i] + xd + 0.7 * yd;
        }
        acc = y;
    }
    for (size_t i = 0; i < out.size(); i++)
        out[i] = out[i] * (1 - wet) + acc[i] * wet;
    return out;
}

static void Normalise(Wave &w, double peak) {
    double m = 1e-9;
    for (double x : w)
        m = std::max(m, std::fabs(x));
    for (double &x : w)
        x *= peak / m;
}

static void FadeOut(Wave &w, double seconds) {
    size_t n = std::min(w.size(), size_t(seconds * RATE));
    for (size_t i = 0; i < n; i++)
        w[w.size() - 1 - i] *= double(i) / n;
}

// The last step of most effects: the loudest sample brought to peak, and a fade to silence over
// the last fade seconds.
static Wave Finished(Wave w, double peak, double fade) {
    Normalise(w, peak);
    FadeOut(w, fade);
    return w;
}

static std::vector<uint8_t> Bytes(const Wave &w) {
    std::vector<uint8_t> out(w.size());
    for (size_t i = 0; i < w.size(); i++) {
        double v = std::tanh(w[i] * 1.1) / std::tanh(1.1); // soft limit, no hard clipping
        out[i] = uint8_t(std::clamp(int(std::lround(128 + v * 127)), 1, 255));
    }
    return out;
}

// ---- effects ----

// Diving klaxon: three rasping blasts rising in pitch.
static Wave Alarm() {
    Wave out;
    for (int b = 0; b < 3; b++) {
        Wave w = Silence(0.72);
        double ph = 0;
        for (size_t i = 0; i < w.size(); i++) {
            double t = T(i);
            double f = 260 + 170 * (1 - std::exp(-t / 0.12));
            ph += f / RATE;
            double saw = 2 * (ph - std::floor(ph)) - 1;
            double buzz = 0.6 + 0.4 * std::sin(2 * PI * 31 * t); // the horn's diaphragm rattles
            double env = std::min(1.0, t / 0.03) * std::min(1.0, (0.72 - t) / 0.05);
            w[i] = saw * buzz * env;
        }
        Filter(w, 2, 900, 0.8);
        Mix(out, w, b * 0.86);
    }
    Normalise(out, 0.8);
    return out;
}

// A metallic clank and a splash: one charge rolling off the rails.
static Wave Clank(double pitch) {
    Wave w = Silence(0.5);
    const double partial[] = {1.0, 2.32, 3.71, 5.13};
    for (size_t i = 0; i < w.size(); i++) {
        double t = T(i), s = 0;
        for (int k = 0; k < 4; k++)
            s += std::sin(2 * PI * pitch * partial[k] * t) * std::exp(-t * (18 + 10 * k)) / (k + 1);
        w[i] = s + 0.5 * Rnd() * std::exp(-t * 60);
    }
    return w;
}

static Wave Splash(double length, double bright) {
    Wave w = Noise(length);
    for (size_t i = 0; i < w.size(); i++) {
        double t = T(i);
        w[i] *= Env(t, 0.01, 0.09) * 0.9 + 0.35 * Env(t, 0.08, length * 0.35);
    }
    Sweep(
        w, 0, [&](double t) { return 600 + bright * 3500 * std::exp(-t * 4); }, 0.8);
    return w;
}

static Wave DepthCharges() {
    Wave out = Silence(2.4);
    for (int k = 0; k < 3; k++) {
        Mix(out, Clank(170 + 12 * k), 0.55 * k, 0.6);
        Mix(out, Splash(0.8, 0.7), 0.55 * k + 0.18, 0.9);
    }
    Filter(out, 0, 3200);
    return Finished(std::move(out), 0.7, 0.2);
}

// Telegraph bell: two strokes, each a set of inharmonic partials decaying at their own rates.
static Wave Bell() {
    Wave out = Silence(1.6);
    const double ratio[] = {1.0, 2.0, 2.92, 4.16, 5.43, 6.79};
    const double amp[] = {1.0, 0.55, 0.45, 0.3, 0.22, 0.12};
    for (int stroke = 0; stroke < 2; stroke++) {
        Wave w = Silence(1.3);
        for (size_t i = 0; i < w.size(); i++) {
            double t = T(i), s = 0;
            for (int k = 0; k < 6; k++) {
                double f = 1180 * ratio[k] * (1 + 0.0015 * k);
                s += amp[k] * std::sin(2 * PI * f * t + k) * std::exp(-t * (2.2 + 2.6 * k));
            }
            double strike = Rnd() * std::exp(-t * 400) * 0.6; // the hammer's tick
            w[i] = (s + strike) * std::min(1.0, t / 0.0015);
        }
        Mix(out, w, stroke * 0.26, stroke ? 0.85 : 1.0);
    }
    return Finished(std::move(out), 0.75, 0.15);
}

// Torpedo launch: a thump, the compressed-air blast, then the propellers running away.
static Wave TorpedoLaunch() {
    Wave out = Silence(2.6);
    Wave thump = Silence(0.5);
    for (size_t i = 0; i < thump.size(); i++) {
        double t = T(i);
        thump[i] = std::sin(2 * PI * (70 - 30 * t) * t) * Env(t, 0.004, 0.09);
    }
    Mix(out, thump, 0, 1.0);
    Wave air = Noise(1.3);
    for (size_t i = 0; i < air.size(); i++)
        air[i] *= Env(T(i), 0.02, 0.35);
    Sweep(
        air, 0, [](double t) { return 2600 * std::exp(-t * 1.8) + 300; }, 0.9);
    Mix(out, air, 0.02, 0.9);
    Wave run = Silence(2.2);
    double ph = 0;
    for (size_t i = 0; i < run.size(); i++) {
        double t = T(i), f = 420 - 60 * t;
        ph += f / RATE;
        double whine = std::sin(2 * PI * ph) + 0.3 * std::sin(4 * PI * ph);
        run[i] = (whine * 0.25 + 0.2 * Rnd()) * std::min(1.0, t / 0.3) * std::exp(-t * 1.6);
    }
    Filter(run, 0, 1500);
    Mix(out, run, 0.35, 0.6);
    return Finished(std::move(out), 0.85, 0.3);
}

// Periscope hoist: an electric motor winding up, gears, and the stop.
static Wave PeriscopeMotor() {
    Wave out = Silence(2.0);
    double ph = 0;
    for (size_t i = 0; i < out.size(); i++) {
        double t = T(i);
        double run = std::min(1.0, t / 0.25) * (t < 1.65 ? 1.0 : std::exp(-(t - 1.65) * 20));
        double f = 95 + 55 * (1 - std::exp(-t / 0.3));
        ph += f / RATE;
        double hum =
            std::sin(2 * PI * ph) + 0.5 * std::sin(4 * PI * ph) + 0.25 * std::sin(6 * PI * ph);
        double gear = std::sin(2 * PI * ph * 17) * 0.15 * (0.5 + 0.5 * std::sin(2 * PI * ph * 0.5));
        out[i] = (hum * 0.5 + gear + 0.08 * Rnd()) * run;
    }
    Filter(out, 0, 2400);
    Wave stop = Clank(240);
    Mix(out, stop, 1.64, 0.5);
    return Finished(std::move(out), 0.7, 0.1);
}

// Explosion: a low thump, a blast of noise and a rolling tail; `muffle` lowers the highs.
static Wave Explosion(double length, double muffle, double boom_hz) {
    Wave out = Silence(length);
    Wave boom = Silence(length);
    for (size_t i = 0; i < boom.size(); i++) {
        double t = T(i);
        boom[i] = std::sin(2 * PI * (boom_hz * std::exp(-t * 0.8)) * t) * Env(t, 0.006, 0.35);
    }
    Wave blast = Noise(length);
    for (size_t i = 0; i < blast.size(); i++) {
        double t = T(i);
        double crackle = Rnd() > 0.97 ? 2.5 : 1.0; // burning debris
        blast[i] *= (Env(t, 0.004, 0.12) + 0.45 * Env(t, 0.05, length * 0.3)) * crackle;
    }
    double top = 3800 * (1 - muffle) + 300;
    Sweep(
        blast, 0, [&](double t) { return top * std::exp(-t * 1.2) + 120; }, 0.8);
    Wave rumble = Noise(length);
    Filter(rumble, 0, 90, 1.2);
    Filter(rumble, 0, 120);
    for (size_t i = 0; i < rumble.size(); i++)
        rumble[i] *= Env(T(i), 0.1, length * 0.35) * 6;
    Mix(out, boom, 0, 1.0);
    Mix(out, blast, 0, 1.1 - 0.5 * muffle);
    Mix(out, rumble, 0, 0.9);
    return Finished(std::move(out), 0.95, 0.4);
}

// Sonar ping: a clean tone with a soft start, ringing on in the water, and a faint echo.
static Wave Ping() {
    Wave tone = Silence(0.32);
    for (size_t i = 0; i < tone.size(); i++) {
        double t = T(i);
        double env = std::min(1.0, t / 0.012) * (t < 0.22 ? 1.0 : std::exp(-(t - 0.22) * 30));
        tone[i] = (std::sin(2 * PI * 1320 * t) + 0.12 * std::sin(2 * PI * 2640 * t)) * env;
    }
    Wave out = tone;
    Mix(out, tone, 1.1, 0.18);
    out = Reverb(out, 1.4, 0.45, 1.6);
    Filter(out, 1, 300);
    return Finished(std::move(out), 0.8, 0.3);
}

// Deck gun: the crack of the charge and the boom behind it.
static Wave GunShot() {
    Wave out = Silence(1.3);
    Wave crack = Noise(0.25);
    for (size_t i = 0; i < crack.size(); i++)
        crack[i] *= Env(T(i), 0.001, 0.025);
    Filter(crack, 1, 500);
    Wave boom = Silence(1.3);
    for (size_t i = 0; i < boom.size(); i++) {
        double t = T(i);
        boom[i] = std::sin(2 * PI * (90 * std::exp(-t * 2)) * t) * Env(t, 0.003, 0.18);
    }
    Wave tail = Noise(1.3);
    for (size_t i = 0; i < tail.size(); i++)
        tail[i] *= Env(T(i), 0.01, 0.3);
    Filter(tail, 0, 700);
    Mix(out, crack, 0, 1.0);
    Mix(out, boom, 0, 0.9);
    Mix(out, tail, 0, 0.5);
    out = Reverb(out, 0.4, 0.25, 0.8);
    return Finished(std::move(out), 0.95, 0.2);
}

// Splash of a shell: the smack on the water and the spray falling back.
static Wave ShellSplash() {
    Wave out = Silence(1.6);
    Mix(out, Splash(0.5, 1.0), 0, 1.0);
    Wave fall = Noise(1.4);
    for (size_t i = 0; i < fall.size(); i++) {
        double t = T(i);
        fall[i] *= std::min(1.0, t / 0.2) * std::exp(-t * 2.4) * (0.7 + 0.3 * (Rnd() > 0.9));
    }
    Filter(fall, 2, 2200, 0.6);
    Mix(out, fall, 0.15, 0.6);
    return Finished(std::move(out), 0.75, 0.2);
}

// Engine loop: a diesel's firing strokes at `fires` per second over a mechanical drone. Every
// component repeats exactly within the loop, so the end joins the start without a click.
static Wave Engine(int fires_per_loop, double loop_seconds, double drone_hz, double brightness) {
    size_t N = size_t(loop_seconds * RATE);
    Wave out(N, 0.0);
    // Noise that repeats: filtered around the loop twice so the filter state joins up.
    Wave noise(N);
    for (double &x : noise)
        x = Rnd();
    Filter(noise, 0, 300 + 500 * brightness, 0.7, true);
    for (int k = 0; k < fires_per_loop; k++) {
        double start = double(k) / fires_per_loop * N;
        double amp = 0.8 + 0.2 * std::sin(k * 2.4);
        size_t len = size_t(N / fires_per_loop * 0.9);
        for (size_t j = 0; j < len; j++) {
            size_t i = (size_t(start) + j) % N;
            double t = T(j);
            double pulse =
                std::sin(2 * PI * 55 * t) * std::exp(-t * 38) + noise[i] * 1.4 * std::exp(-t * 55);
            out[i] += pulse * amp * 1.6;
        }
    }
    // Drone harmonics at whole numbers of cycles per loop.
    double base = std::round(drone_hz * loop_seconds) / loop_seconds;
    for (size_t i = 0; i < N; i++) {
        double t = T(i);
        out[i] += 0.22 * std::sin(2 * PI * base * t) + 0.12 * std::sin(2 * PI * base * 2 * t + 1) +
                  0.05 * brightness * std::sin(2 * PI * base * 5 * t) + 0.08 * noise[(i * 7) % N];
    }
    Filter(out, 0, 900 + 900 * brightness, 0.7, true);
    Normalise(out, 0.7);
    return out;
}

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: mksfx DATA_DIR\n");
        return 2;
    }
    std::string dir = std::string(argv[1]) + "/sfx/";
    struct Item {
        const char *name;
        Wave (*make)();
    } items[] = {
        {"alarm", Alarm},
        {"depthc", DepthCharges},
        {"dingding", Bell},
        {"torp", TorpedoLaunch},
        {"peri", PeriscopeMotor},
        {"shipexp", [] { return Explosion(3.4, 0.1, 55); }},
        {"subexp", [] { return Explosion(3.8, 0.85, 38); }},
        {"tphit", [] { return Explosion(2.8, 0.3, 60); }},
        {"ping", Ping},
        {"gun", GunShot},
        {"dcunder", [] { return Explosion(3.0, 0.95, 32); }},
        {"sub_e1", [] { return Engine(16, 2.0, 48, 0.1); }},
        {"sub_e2", [] { return Engine(28, 2.0, 62, 0.45); }},
        {"sub_e3", [] { return Engine(42, 2.0, 78, 0.9); }},
        {"splash", ShellSplash},
    };
    bool ok = true;
    for (auto &it : items) {
        // Each sound has its own noise, whatever order they are made in.
        rng_state = 2166136261u;
        for (const char *c = it.name; *c; c++)
            rng_state = (rng_state ^ uint8_t(*c)) * 16777619u;
        ok &= GenWriteFile(dir + it.name + ".raw", Bytes(it.make()));
    }
    return ok ? 0 : 1;
}
