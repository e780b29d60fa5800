#include "synthetic_source.h"

#include <charconv>
#include <sstream>
#include <string_view>

namespace mivo::synthetic {

namespace {

bool toInt(const std::string& word, long long& value) {
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    return ec == std::errc() && end == word.data() + word.size();
}

bool toInt(const std::string& word, int& value, long long lo, long long hi) {
    long long v = 0;
    if (!toInt(word, v) || v < lo || v > hi) return false;
    value = static_cast<int>(v);
    return true;
}

// A small xorshift generator: the same seed gives the same picture on every platform.
struct Noise {
    std::uint32_t state;
    explicit Noise(std::uint32_t seed) : state(seed * 2654435761u + 0x9E3779B9u) {
        if (state == 0) state = 1;
    }
    std::uint8_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<std::uint8_t>(state >> 24);
    }
};

// One picture plane of w x h samples; comp 0 = Y, 1 = U, 2 = V.
void fillPlane(const Scene& s, int frame, int comp, int w, int h, std::uint8_t* out, std::size_t step,
               std::size_t pitch, Noise* noise) {
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = out + static_cast<std::size_t>(y) * pitch;
        for (int x = 0; x < w; ++x) {
            std::uint8_t value = 0;
            switch (s.kind) {
            case SceneKind::Flat:
                value = comp == 0 ? s.y : comp == 1 ? s.u : s.v;
                break;
            case SceneKind::Ramp:
                value = static_cast<std::uint8_t>(comp == 0   ? (x + y + frame) % 256
                                                  : comp == 1 ? x % 256
                                                              : y % 256);
                break;
            case SceneKind::Noise:
                value = noise->next();
                break;
            }
            row[static_cast<std::size_t>(x) * step] = value;
        }
    }
}

} // namespace

std::int32_t pixelTypeCode(PixelKind kind) {
    switch (kind) {
    case PixelKind::Yv12:
        return static_cast<std::int32_t>(0xA0000008u);
    case PixelKind::I420:
        return static_cast<std::int32_t>(0xA0000010u);
    case PixelKind::Yuy2:
        return static_cast<std::int32_t>(0x60000004u);
    case PixelKind::Rgb24:
        return static_cast<std::int32_t>(0x50000001u);
    }
    return 0;
}

std::optional<Description> parseDescription(std::istream& in) {
    Description d;
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;)
            w.push_back(word);
        if (w.empty() || w[0][0] == '#') continue;
        if (first) {
            if (w.size() != 1 || w[0] != "synthetic-source") return std::nullopt;
            first = false;
            continue;
        }
        const std::string& key = w[0];
        constexpr long long kBig = 1LL << 30;
        bool ok = true;
        if (key == "size") {
            ok = w.size() == 3 && toInt(w[1], d.width, 0, 65536) && toInt(w[2], d.height, 0, 65536);
        } else if (key == "rate") {
            ok = w.size() == 3 && toInt(w[1], d.rateNumerator, 0, kBig) &&
                 toInt(w[2], d.rateDenominator, 0, kBig);
        } else if (key == "frames") {
            ok = w.size() == 2 && toInt(w[1], d.frames, 0, kBig);
        } else if (key == "pixel") {
            ok = w.size() == 2;
            if (ok && w[1] == "YV12")
                d.pixel = PixelKind::Yv12;
            else if (ok && w[1] == "I420")
                d.pixel = PixelKind::I420;
            else if (ok && w[1] == "YUY2")
                d.pixel = PixelKind::Yuy2;
            else if (ok && w[1] == "RGB24")
                d.pixel = PixelKind::Rgb24;
            else
                ok = false;
        } else if (key == "flat" || key == "ramp" || key == "noise") {
            Scene s;
            std::size_t args = 0;
            if (key == "flat") {
                s.kind = SceneKind::Flat;
                args = 3;
            } else if (key == "ramp") {
                s.kind = SceneKind::Ramp;
            } else {
                s.kind = SceneKind::Noise;
                args = 1;
            }
            ok = w.size() == 1 + args || (w.size() == 3 + args && w[1 + args] == "from");
            int values[3] = {0, 0, 0};
            for (std::size_t i = 0; ok && i < args; ++i)
                ok = toInt(w[1 + i], values[i], 0, key == "noise" ? 0xFFFFFFFFLL : 255);
            if (ok && w.size() == 3 + args) ok = toInt(w[2 + args], s.from, 0, kBig);
            s.y = static_cast<std::uint8_t>(values[0]);
            s.u = static_cast<std::uint8_t>(values[1]);
            s.v = static_cast<std::uint8_t>(values[2]);
            s.seed = static_cast<std::uint32_t>(values[0]);
            if (ok) d.scenes.push_back(s);
        } else {
            ok = false;
        }
        if (!ok) return std::nullopt;
    }
    if (first) return std::nullopt;
    return d;
}

const Scene* sceneOf(const Description& d, int frame) {
    const Scene* found = nullptr;
    for (const Scene& s : d.scenes)
        if (s.from <= frame) found = &s;
    return found;
}

std::size_t frameBytes(const Description& d) {
    const std::size_t pixels = static_cast<std::size_t>(d.width) * static_cast<std::size_t>(d.height);
    switch (d.pixel) {
    case PixelKind::Yv12:
    case PixelKind::I420:
        return pixels + 2 * (static_cast<std::size_t>(d.width / 2) * static_cast<std::size_t>(d.height / 2));
    case PixelKind::Yuy2:
        return 2 * pixels;
    case PixelKind::Rgb24:
        return 3 * pixels;
    }
    return 0;
}

void renderFrame(const Description& d, int frame, std::uint8_t* out) {
    static const Scene black{};
    const Scene* found = sceneOf(d, frame);
    const Scene& s = found ? *found : black;
    Noise noise(s.seed);
    Noise* n = s.kind == SceneKind::Noise ? &noise : nullptr;
    const int w = d.width, h = d.height;
    const std::size_t pixels = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    switch (d.pixel) {
    case PixelKind::Yv12:
    case PixelKind::I420: {
        const int cw = w / 2, ch = h / 2;
        const std::size_t chroma = static_cast<std::size_t>(cw) * static_cast<std::size_t>(ch);
        std::uint8_t* uPlane = out + pixels + (d.pixel == PixelKind::Yv12 ? chroma : 0);
        std::uint8_t* vPlane = out + pixels + (d.pixel == PixelKind::Yv12 ? 0 : chroma);
        fillPlane(s, frame, 0, w, h, out, 1, static_cast<std::size_t>(w), n);
        fillPlane(s, frame, 1, cw, ch, uPlane, 1, static_cast<std::size_t>(cw), n);
        fillPlane(s, frame, 2, cw, ch, vPlane, 1, static_cast<std::size_t>(cw), n);
        break;
    }
    case PixelKind::Yuy2: {
        const std::size_t pitch = 2 * static_cast<std::size_t>(w);
        fillPlane(s, frame, 0, w, h, out, 2, pitch, n);
        fillPlane(s, frame, 1, w / 2, h, out + 1, 4, pitch, n);
        fillPlane(s, frame, 2, w / 2, h, out + 3, 4, pitch, n);
        break;
    }
    case PixelKind::Rgb24:
        // Grey from the luma: enough for a source the front-end refuses.
        fillPlane(s, frame, 0, w, h, out, 3, 3 * static_cast<std::size_t>(w), n);
        for (std::size_t i = 0; i < pixels; ++i)
            out[3 * i + 1] = out[3 * i + 2] = out[3 * i];
        break;
    }
}

} // namespace mivo::synthetic
