// pcm_analysis.h -- reading what an audio output wrote (16-bit stereo PCM) and measuring it:
// levels over windows, the strength of a tone, where a known sample sounds, WAV files to hear it
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace pcm {

// The left channel of a file of interleaved 16-bit stereo frames (the game plays centred, so
// both channels are the same).
inline std::vector<float> ReadLeft(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> left(bytes.size() / 4);
    for (size_t i = 0; i < left.size(); i++) {
        int16_t s;
        memcpy(&s, bytes.data() + 4 * i, 2);
        left[i] = s;
    }
    return left;
}

inline double Rms(const std::vector<float> &x, size_t start, size_t length) {
    double sum = 0;
    size_t end = std::min(x.size(), start + length);
    for (size_t i = start; i < end; i++)
        sum += (double)x[i] * x[i];
    return end > start ? std::sqrt(sum / (double)(end - start)) : 0.0;
}

// Level of every whole window of `window` frames.
inline std::vector<double> Levels(const std::vector<float> &x, size_t window) {
    std::vector<double> out;
    for (size_t at = 0; at + window <= x.size(); at += window)
        out.push_back(Rms(x, at, window));
    return out;
}

// Amplitude of the tone `hz` in the window (Goertzel), as a sine of that amplitude would give.
inline double Tone(const std::vector<float> &x, size_t start, size_t length, double hz,
                   double rate) {
    double k = 2 * std::cos(2 * M_PI * hz / rate), s1 = 0, s2 = 0;
    size_t end = std::min(x.size(), start + length);
    for (size_t i = start; i < end; i++) {
        double s = x[i] + k * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    double power = s1 * s1 + s2 * s2 - k * s1 * s2;
    return end > start ? 2 * std::sqrt(std::max(power, 0.0)) / (double)(end - start) : 0.0;
}

// Runs of windows louder than `threshold`: [first, last] window indices.
struct Run {
    size_t first, last;
    double level; // mean level over the run
};
inline std::vector<Run> Runs(const std::vector<double> &levels, double threshold) {
    std::vector<Run> out;
    for (size_t i = 0; i < levels.size();) {
        if (levels[i] <= threshold) {
            i++;
            continue;
        }
        Run r{i, i, 0};
        double sum = 0;
        while (i < levels.size() && levels[i] > threshold)
            sum += levels[i++];
        r.last = i - 1;
        r.level = sum / (double)(r.last - r.first + 1);
        out.push_back(r);
    }
    return out;
}

// An 8-bit unsigned sample file as signed values, taken every `step` output frames apart
// (the output rate over the file's 11025 Hz).
inline std::vector<float> ReadRaw8(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> out(bytes.size());
    for (size_t i = 0; i < bytes.size(); i++)
        out[i] = (float)((uint8_t)bytes[i] - 128);
    return out;
}

// Where the sample (at 11025 Hz) best matches the output (at 4 x 11025 Hz), by normalised
// correlation of its first `frames` samples against every fourth output frame from each start: the frame of
// the best match and its correlation, 1 for a perfect match of shape (whatever the level).
struct Match {
    size_t frame;
    double correlation;
};
inline Match Find(const std::vector<float> &out, const std::vector<float> &sample, size_t frames,
                  size_t from = 0, size_t to = SIZE_MAX) {
    frames = std::min(frames, sample.size());
    Match best{0, 0};
    if (frames < 16 || out.size() < 4 * frames) return best;
    double mean = 0;
    for (size_t j = 0; j < frames; j++)
        mean += sample[j];
    mean /= (double)frames;
    double norm = 0;
    for (size_t j = 0; j < frames; j++)
        norm += (sample[j] - mean) * (sample[j] - mean);
    to = std::min(to, out.size() - 4 * frames);
    // Every frame: a sound with high tones loses its likeness a frame out of step.
    for (size_t at = from; at < to; at++) {
        double dot = 0, energy = 0, sum = 0;
        for (size_t j = 0; j < frames; j++) {
            double v = out[at + 4 * j];
            dot += v * (sample[j] - mean);
            energy += v * v;
            sum += v;
        }
        energy -= sum * sum / (double)frames;
        if (energy <= 0 || norm <= 0) continue;
        double c = dot / std::sqrt(energy * norm);
        if (c > best.correlation) best = {at, c};
    }
    return best;
}

// Writes 16-bit stereo frames as a WAV file that any player opens.
inline bool WriteWav(const std::string &path, const std::vector<char> &frames, uint32_t rate) {
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) return false;
    auto u32 = [&](uint32_t v) { fwrite(&v, 4, 1, f); };
    auto u16 = [&](uint16_t v) { fwrite(&v, 2, 1, f); };
    uint32_t bytes = (uint32_t)frames.size();
    fwrite("RIFF", 1, 4, f);
    u32(36 + bytes);
    fwrite("WAVEfmt ", 1, 8, f);
    u32(16);
    u16(1);
    u16(2);
    u32(rate);
    u32(rate * 4);
    u16(4);
    u16(16);
    fwrite("data", 1, 4, f);
    u32(bytes);
    fwrite(frames.data(), 1, frames.size(), f);
    return fclose(f) == 0;
}

inline bool RawToWav(const std::string &raw, const std::string &wav, uint32_t rate) {
    std::ifstream in(raw, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    bytes.resize(bytes.size() / 4 * 4);
    return WriteWav(wav, bytes, rate);
}

} // namespace pcm
