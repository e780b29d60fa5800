#include "synthetic_description.h"

#include "base/dgdecode_interface.h"

#include <charconv>
#include <sstream>

namespace mivo::doubles {

namespace {

template <typename T> bool number(const std::string& word, T& out) {
    const char* end = word.data() + word.size();
    auto [p, ec] = std::from_chars(word.data(), end, out);
    return ec == std::errc() && p == end;
}

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string s; in >> s;)
        w.push_back(s);
    return w;
}

// "from F" at position i of the words, or nothing there.
bool optionalFrom(const std::vector<std::string>& w, std::size_t i, int& from) {
    from = 0;
    if (w.size() == i) return true;
    return w.size() == i + 2 && w[i] == "from" && number(w[i + 1], from) && from >= 0;
}

std::uint8_t noise(std::uint32_t seed, int plane, int x, int y) {
    // splitmix64 finaliser over (seed, plane, y, x): any position's value without a running state.
    std::uint64_t z = static_cast<std::uint64_t>(seed) * 0x9E3779B97F4A7C15ull;
    z += (static_cast<std::uint64_t>(plane) << 48) ^ (static_cast<std::uint64_t>(y) << 24) ^
         static_cast<std::uint64_t>(x);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<std::uint8_t>(z & 0xFF);
}

} // namespace

bool parseSyntheticSource(const std::string& text, SyntheticSource& out, std::string& why, int& lineNo) {
    out = SyntheticSource{};
    std::istringstream in(text);
    std::string line;
    lineNo = 0;
    bool header = false;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::vector<std::string> w = words(line);
        if (w.empty()) continue;
        if (!header) {
            if (w.size() != 1 || w[0] != "synthetic-source") {
                why = "not a synthetic source description";
                return false;
            }
            header = true;
            continue;
        }
        const std::string& k = w[0];
        bool ok = true;
        if (k == "size") {
            ok = w.size() == 3 && number(w[1], out.width) && number(w[2], out.height) && out.width > 0 &&
                 out.height > 0;
        } else if (k == "rate") {
            ok = w.size() == 3 && number(w[1], out.rateNumerator) && number(w[2], out.rateDenominator);
        } else if (k == "frames") {
            ok = w.size() == 2 && number(w[1], out.frames) && out.frames >= 0;
        } else if (k == "pixel") {
            ok = w.size() == 2;
            if (ok && w[1] == "YV12")
                out.pixel = SyntheticPixel::Yv12;
            else if (ok && w[1] == "I420")
                out.pixel = SyntheticPixel::I420;
            else if (ok && w[1] == "YUY2")
                out.pixel = SyntheticPixel::Yuy2;
            else if (ok && w[1] == "RGB24")
                out.pixel = SyntheticPixel::Rgb24;
            else
                ok = false;
        } else if (k == "flat") {
            SyntheticScene s;
            ok = w.size() >= 4 && number(w[1], s.y) && number(w[2], s.u) && number(w[3], s.v) &&
                 optionalFrom(w, 4, s.from) && s.y >= 0 && s.y < 256 && s.u >= 0 && s.u < 256 && s.v >= 0 &&
                 s.v < 256;
            out.scenes.push_back(s);
        } else if (k == "ramp") {
            SyntheticScene s;
            s.kind = SyntheticScene::Kind::Ramp;
            ok = optionalFrom(w, 1, s.from);
            out.scenes.push_back(s);
        } else if (k == "noise") {
            SyntheticScene s;
            s.kind = SyntheticScene::Kind::Noise;
            ok = w.size() >= 2 && number(w[1], s.seed) && optionalFrom(w, 2, s.from);
            out.scenes.push_back(s);
        } else if (k == "error") {
            // The rest of the line, as written, with "\n" standing for a line feed.
            std::string rest = line.substr(line.find("error") + 5);
            rest.erase(0, rest.find_first_not_of(' '));
            std::string message;
            for (std::size_t i = 0; i < rest.size(); ++i) {
                if (rest[i] == '\\' && i + 1 < rest.size() && rest[i + 1] == 'n') {
                    message += '\n';
                    ++i;
                } else {
                    message += rest[i];
                }
            }
            out.error = message;
        } else if (k == "audio-only") {
            ok = w.size() == 1;
            out.audioOnly = true;
        } else if (k == "not-a-clip") {
            ok = w.size() == 1;
            out.notAClip = true;
        } else if (k == "slow") {
            ok = (w.size() == 2 || (w.size() == 4 && w[2] == "from" && number(w[3], out.slowFrom))) &&
                 number(w[1], out.slowMs) && out.slowMs >= 0 && out.slowFrom >= 0;
        } else if (k == "frame-error") {
            ok = w.size() == 3 && w[1] == "from" && number(w[2], out.frameErrorFrom) &&
                 out.frameErrorFrom >= 0;
        } else {
            why = "unknown line \"" + k + "\"";
            return false;
        }
        if (!ok) {
            why = "malformed \"" + k + "\" line";
            return false;
        }
    }
    if (!header) {
        why = "not a synthetic source description";
        lineNo = 1;
        return false;
    }
    return true;
}

std::uint8_t syntheticSample(const SyntheticSource& src, int frame, int plane, int x, int y) {
    const SyntheticScene* scene = nullptr;
    for (const SyntheticScene& s : src.scenes)
        if (s.from <= frame) scene = &s;
    if (!scene) return static_cast<std::uint8_t>(plane == 0 ? 16 : 128);
    switch (scene->kind) {
    case SyntheticScene::Kind::Flat:
        return static_cast<std::uint8_t>(plane == 0 ? scene->y : plane == 1 ? scene->u : scene->v);
    case SyntheticScene::Kind::Ramp:
        // Summed wide: the last frames of the longest source would overflow an int.
        if (plane == 0) return static_cast<std::uint8_t>((std::int64_t{x} + y + frame) & 0xFF);
        return static_cast<std::uint8_t>((plane == 1 ? x : y) % 256);
    case SyntheticScene::Kind::Noise:
        return noise(scene->seed, plane, x, y);
    }
    return 0;
}

std::int32_t syntheticPixelType(SyntheticPixel pixel) {
    switch (pixel) {
    case SyntheticPixel::Yv12:
        return static_cast<std::int32_t>(dgdecode::kPixelTypeYv12);
    case SyntheticPixel::I420:
        return static_cast<std::int32_t>(dgdecode::kPixelTypeI420);
    case SyntheticPixel::Yuy2:
        return static_cast<std::int32_t>(dgdecode::kPixelTypeYuy2);
    case SyntheticPixel::Rgb24:
        return static_cast<std::int32_t>(dgdecode::kPixelTypeRgb24);
    }
    return 0;
}

std::size_t syntheticFrameBytes(const SyntheticSource& src) {
    const std::size_t w = static_cast<std::size_t>(src.width), h = static_cast<std::size_t>(src.height);
    switch (src.pixel) {
    case SyntheticPixel::Yv12:
    case SyntheticPixel::I420:
        return w * h + 2 * ((w / 2) * (h / 2));
    case SyntheticPixel::Yuy2:
        return 2 * w * h;
    case SyntheticPixel::Rgb24:
        return 3 * w * h;
    }
    return 0;
}

void renderSyntheticFrame(const SyntheticSource& src, int frame, std::uint8_t* out) {
    const int w = src.width, h = src.height;
    switch (src.pixel) {
    case SyntheticPixel::Yv12:
    case SyntheticPixel::I420: {
        const int cw = w / 2, ch = h / 2;
        std::uint8_t* first = out + static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
        std::uint8_t* second = first + static_cast<std::size_t>(cw) * static_cast<std::size_t>(ch);
        std::uint8_t* u = src.pixel == SyntheticPixel::Yv12 ? second : first;
        std::uint8_t* v = src.pixel == SyntheticPixel::Yv12 ? first : second;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                out[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] =
                    syntheticSample(src, frame, 0, x, y);
        for (int y = 0; y < ch; ++y)
            for (int x = 0; x < cw; ++x) {
                const std::size_t at =
                    static_cast<std::size_t>(y) * static_cast<std::size_t>(cw) + static_cast<std::size_t>(x);
                u[at] = syntheticSample(src, frame, 1, x, y);
                v[at] = syntheticSample(src, frame, 2, x, y);
            }
        break;
    }
    case SyntheticPixel::Yuy2:
        for (int y = 0; y < h; ++y) {
            std::uint8_t* line = out + 2 * static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
            for (int x = 0; x + 1 < w; x += 2) {
                line[2 * x] = syntheticSample(src, frame, 0, x, y);
                line[2 * x + 1] = syntheticSample(src, frame, 1, x / 2, y);
                line[2 * x + 2] = syntheticSample(src, frame, 0, x + 1, y);
                line[2 * x + 3] = syntheticSample(src, frame, 2, x / 2, y);
            }
        }
        break;
    case SyntheticPixel::Rgb24:
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::uint8_t* p = out + 3 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
                                             static_cast<std::size_t>(x));
                p[0] = p[1] = p[2] = syntheticSample(src, frame, 0, x, y);
            }
        break;
    }
}

} // namespace mivo::doubles
