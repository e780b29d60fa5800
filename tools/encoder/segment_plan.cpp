#include "segment_plan.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace mivo::encoder {

namespace {

// One picture's first-pass line, "in:N out:M" split from the rest of its fields.
struct StatsLine {
    int in = 0;
    int out = 0;
    std::string_view rest; // from the blank after M up to the line's end, ';' excluded
};

bool readNumberAfter(std::string_view& text, std::string_view key, int& value) {
    const std::size_t at = text.find_first_not_of(" \r\n\t");
    if (at == std::string_view::npos || text.substr(at, key.size()) != key) return false;
    text.remove_prefix(at + key.size());
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{}) return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return true;
}

// The lines of one segment's statistics, false when one of them is not a picture's line.
bool splitStats(std::string_view stats, std::vector<StatsLine>& lines) {
    while (true) {
        const std::size_t end = stats.find(';');
        if (end == std::string_view::npos)
            return stats.find_first_not_of(" \r\n\t") == std::string_view::npos;
        std::string_view line = stats.substr(0, end);
        stats.remove_prefix(end + 1);
        StatsLine parsed;
        if (!readNumberAfter(line, "in:", parsed.in) || !readNumberAfter(line, "out:", parsed.out))
            return false;
        parsed.rest = line;
        lines.push_back(parsed);
    }
}

} // namespace

namespace {

// Where the job's GOPs open: its planned GOP starts (chapters restart the count), or for a job not yet
// planned every GOP length from the first frame.
std::vector<int> gopOpenings(const EncodeJob& job) {
    if (!job.gopStarts.empty() && job.gopStarts.front() == job.startFrame) return job.gopStarts;
    std::vector<int> starts;
    for (int f = job.startFrame; f <= job.endFrame; f += std::max(1, job.gopLength))
        starts.push_back(f);
    return starts;
}

} // namespace

std::vector<Segment> planSegments(const EncodeJob& job) {
    const std::vector<int> starts = gopOpenings(job);
    const int gops = static_cast<int>(starts.size());
    // A power of two, so that two or four processors finish their shares together.
    int count = 1;
    while (count * 2 <= std::min(gops / kMinSegmentGops, kMaxSegments))
        count *= 2;
    std::vector<Segment> segments;
    for (int i = 0; i < count; ++i) {
        const int first = starts[static_cast<std::size_t>(static_cast<long long>(i) * gops / count)];
        if (!segments.empty()) segments.back().last = first - 1;
        segments.push_back({first, job.endFrame});
    }
    return segments;
}

std::string statisticsForSegment(const std::vector<std::string>& segmentStats,
                                 const std::vector<Segment>& segments, std::size_t segment) {
    if (segmentStats.size() != segments.size() || segment >= segments.size()) return {};
    std::string out;
    int base = 0;
    for (std::size_t step = 0; step < segments.size(); ++step) {
        const std::size_t k = (segment + step) % segments.size();
        std::vector<StatsLine> lines;
        const int frames = segments[k].frames();
        if (!splitStats(segmentStats[k], lines) || static_cast<int>(lines.size()) != frames) return {};
        for (const StatsLine& l : lines) {
            if (l.in < 0 || l.in >= frames || l.out < 0 || l.out >= frames) return {};
            out += "in:" + std::to_string(l.in + base) + " out:" + std::to_string(l.out + base);
            out.append(l.rest);
            out += ";\n";
        }
        base += frames;
    }
    return out;
}

std::vector<int> intraFramesIn(const std::string& stats, int firstFrame) {
    std::vector<StatsLine> lines;
    if (!splitStats(stats, lines)) return {};
    std::vector<int> frames;
    for (const StatsLine& l : lines) {
        std::string_view rest = l.rest;
        int type = 0;
        if (!readNumberAfter(rest, "type:", type)) return {};
        if (type == 1) frames.push_back(firstFrame + l.in);
    }
    std::sort(frames.begin(), frames.end());
    return frames;
}

namespace {

// The fields of a picture's first-pass line that the rate control's model uses.
struct PictureStats {
    int in = 0, type = 0, lambda = 0, intra = 0, inter = 0, vectors = 0, misc = 0;
};

bool readPictures(const std::string& stats, std::vector<PictureStats>& pictures) {
    std::vector<StatsLine> lines;
    if (!splitStats(stats, lines)) return false;
    for (const StatsLine& l : lines) {
        std::string_view rest = l.rest;
        PictureStats p;
        p.in = l.in;
        if (!readNumberAfter(rest, "type:", p.type) || !readNumberAfter(rest, "q:", p.lambda) ||
            !readNumberAfter(rest, "itex:", p.intra) || !readNumberAfter(rest, "ptex:", p.inter) ||
            !readNumberAfter(rest, "mv:", p.vectors) || !readNumberAfter(rest, "misc:", p.misc))
            return false;
        pictures.push_back(p);
    }
    return true;
}

} // namespace

std::array<int, 4> settledQualities(const std::vector<std::string>& segmentStats,
                                    const std::vector<int>& skips) {
    std::array<std::vector<int>, 4> byType;
    for (std::size_t k = 0; k < segmentStats.size() && k < skips.size(); ++k) {
        std::vector<StatsLine> lines;
        if (!splitStats(segmentStats[k], lines)) return {};
        for (const StatsLine& l : lines) {
            std::string_view rest = l.rest;
            int type = 0, lambda = 0;
            if (!readNumberAfter(rest, "type:", type) || !readNumberAfter(rest, "q:", lambda)) return {};
            if (l.in >= skips[k] && type >= 1 && type <= 3) byType[std::size_t(type)].push_back(lambda);
        }
    }
    std::array<int, 4> medians{};
    for (std::size_t t = 1; t < 4; ++t) {
        std::vector<int>& q = byType[t];
        if (q.empty()) continue;
        std::nth_element(q.begin(), q.begin() + std::ptrdiff_t(q.size() / 2), q.end());
        medians[t] = q[q.size() / 2];
    }
    return medians;
}

namespace {

// libavcodec's rate equation: each picture's share of the bits grows as its complexity (texture bits
// times quantiser) to the power qcompress.
double shareWeight(const PictureStats& p, double qcompress) {
    return std::pow(std::max(1.0, double(p.intra + p.inter) * p.lambda), qcompress);
}

// The index in `zones` of the zone that holds the frame, -1 outside every zone.
int zoneOf(const std::vector<Zone>& zones, int frame) {
    for (std::size_t z = 0; z < zones.size(); ++z)
        if (frame >= zones[z].firstFrame && frame <= zones[z].lastFrame) return int(z);
    return -1;
}

} // namespace

double textureQuantiserPower(const std::vector<std::string>& rateControlled,
                             const std::vector<std::string>& settled, const std::vector<int>& skips) {
    double xy = 0, xx = 0;
    for (std::size_t k = 0; k < rateControlled.size() && k < settled.size() && k < skips.size(); ++k) {
        std::vector<PictureStats> a, b;
        if (!readPictures(rateControlled[k], a) || !readPictures(settled[k], b) || a.size() != b.size())
            continue;
        for (std::size_t i = 0; i < a.size(); ++i) {
            const int texA = a[i].intra + a[i].inter, texB = b[i].intra + b[i].inter;
            if (a[i].in < skips[k] || a[i].in != b[i].in || a[i].type != b[i].type || texA <= 0 ||
                texB <= 0 || a[i].lambda <= 0 || b[i].lambda <= 0)
                continue;
            const double x = std::log(double(b[i].lambda) / a[i].lambda);
            xy += x * std::log(double(texB) / texA);
            xx += x * x;
        }
    }
    // Too little spread in the quantisers to fit: the model's own power.
    return xx > 0.05 ? std::clamp(-xy / xx, 1.0, 3.0) : 1.0;
}

std::vector<float> zoneRateFactors(const std::vector<std::string>& zonedStats,
                                   const std::vector<std::string>& unzonedStats,
                                   const std::vector<Segment>& segments, const std::vector<Zone>& zones,
                                   double qcompress, double titleBits) {
    std::vector<float> factors;
    for (const Zone& z : zones)
        factors.push_back(z.factor);
    // Share weights per zone, as measured with and without zones, and outside every zone; the bits of
    // motion vectors and headers, which the rate control does not scale, per zone and in all.
    std::vector<double> zoned(zones.size()), unzoned(zones.size()), fixedBits(zones.size());
    double outside = 0, allFixed = 0;
    for (std::size_t k = 0; k < segments.size(); ++k) {
        std::vector<PictureStats> with, without;
        if (k >= zonedStats.size() || k >= unzonedStats.size() || !readPictures(zonedStats[k], with) ||
            !readPictures(unzonedStats[k], without) || with.size() != without.size())
            return factors;
        for (std::size_t i = 0; i < with.size(); ++i) {
            if (with[i].in != without[i].in) return factors;
            allFixed += without[i].vectors + without[i].misc;
            const int z = zoneOf(zones, segments[k].first + with[i].in);
            if (z < 0 || zones[std::size_t(z)].factor == 1.0f) {
                outside += shareWeight(without[i], qcompress);
                continue;
            }
            zoned[std::size_t(z)] += shareWeight(with[i], qcompress);
            unzoned[std::size_t(z)] += shareWeight(without[i], qcompress);
            fixedBits[std::size_t(z)] += without[i].vectors + without[i].misc;
        }
    }
    double allWeight = outside;
    for (const double w : unzoned)
        allWeight += w;
    if (outside <= 0 || allWeight <= 0) return factors;
    // The factor scales only the texture bits, the share weights' part of a picture: for the zone's
    // whole pictures to get the factor, their texture gets more of it (vectors and headers are a larger
    // part of a coarse zone's bits). Texture bits per unit of weight, as the title's share-out gives them.
    const double texturePerWeight = std::max(0.0, titleBits - allFixed) / allWeight;
    std::vector<double> texture(zones.size());
    for (std::size_t z = 0; z < zones.size(); ++z) {
        const double f = zones[z].factor, bits = texturePerWeight * unzoned[z];
        texture[z] = bits > 0 ? std::max(0.05, f + (f - 1) * fixedBits[z] / bits) : f;
    }
    // What the pictures outside every zone give up (below 1) or gain: libavcodec scales a zone's share
    // against the title's, so each factor is divided by it to mean the factor against the same pictures
    // without zones.
    double given = 0;
    for (std::size_t z = 0; z < zones.size(); ++z)
        given += (texture[z] - 1) * unzoned[z];
    const double balance = std::max(0.2, (outside - given) / outside);
    // The model's texture bits fall as 1/quantiser, so texture times quantiser, and with it a picture's
    // share, would not move with the quantiser it was measured at. On grain and fine texture the bits
    // move faster: a zone's pictures measured finer claim more than the same pictures at the title's
    // quality (2.0 gave 2.28 x on heavy grain), measured coarser less. The share the zone claims is taken
    // back to what its pictures claim without zones.
    for (std::size_t z = 0; z < zones.size(); ++z)
        if (zones[z].factor != 1.0f && zoned[z] > 0 && unzoned[z] > 0)
            factors[z] = static_cast<float>(texture[z] / balance * unzoned[z] / zoned[z]);
    return factors;
}

namespace {

// The line's rest with the number after `key` replaced; empty when the key is missing.
std::string withNumberAfter(std::string_view rest, std::string_view key, long long value) {
    const std::size_t at = rest.find(key);
    if (at == std::string_view::npos) return {};
    std::size_t end = at + key.size();
    while (end < rest.size() && (rest[end] == '-' || (rest[end] >= '0' && rest[end] <= '9')))
        ++end;
    return std::string(rest.substr(0, at + key.size())) + std::to_string(value) +
           std::string(rest.substr(end));
}

} // namespace

std::vector<std::string> statisticsForQuantiserPower(const std::vector<std::string>& segmentStats,
                                                     double power, double qcompress, double titleBits) {
    if (power <= 1.001 || titleBits <= 0) return segmentStats;
    std::vector<std::vector<StatsLine>> lines(segmentStats.size());
    std::vector<std::vector<PictureStats>> pictures(segmentStats.size());
    double fixedBits = 0;
    for (std::size_t k = 0; k < segmentStats.size(); ++k) {
        if (!splitStats(segmentStats[k], lines[k]) || !readPictures(segmentStats[k], pictures[k]))
            return segmentStats;
        for (const PictureStats& p : pictures[k]) {
            if (p.lambda <= 0) return segmentStats;
            fixedBits += p.vectors + p.misc;
        }
    }
    if (titleBits <= fixedBits) return segmentStats;
    // A P-picture at quantiser q costs tex (q0 / q)^power; the second pass gives it q = C'^e / rate with
    // C' its rewritten complexity, C (q0 / q)^(power - 1). Solved for q: the power of q below.
    const double e = 1 - qcompress, k = power - 1;
    // The quantiser libavcodec may use, as a ratio to the one each picture was measured at.
    constexpr double kFinest = 118, kCoarsest = 31 * 118;
    const auto ratios = [&](double logRate, std::vector<std::vector<double>>& r) {
        r.assign(pictures.size(), {});
        for (std::size_t s = 0; s < pictures.size(); ++s) {
            const std::vector<PictureStats>& ps = pictures[s];
            std::vector<double>& out = r[s];
            out.assign(ps.size(), 0);
            double lastP = 0;
            for (std::size_t i = 0; i < ps.size(); ++i) {
                if (ps[i].type != 2) continue;
                const double q0 = ps[i].lambda, c = std::max(1.0, double(ps[i].intra + ps[i].inter) * q0);
                const double logQ = (e * std::log(c) + k * e * std::log(q0) - logRate) / (1 + k * e);
                out[i] = std::clamp(std::exp(logQ), kFinest, kCoarsest) / q0;
            }
            // I- and B-pictures follow the P-picture coded before them (before the first: the first).
            for (std::size_t i = 0; i < ps.size(); ++i)
                if (ps[i].type == 2 && lastP == 0) lastP = out[i];
            for (std::size_t i = 0; i < ps.size(); ++i) {
                if (ps[i].type == 2)
                    lastP = out[i];
                else
                    out[i] = std::clamp((lastP > 0 ? lastP : 1.0) * ps[i].lambda, kFinest, kCoarsest) /
                             ps[i].lambda;
            }
        }
    };
    const auto bitsAt = [&](const std::vector<std::vector<double>>& r) {
        double bits = fixedBits;
        for (std::size_t s = 0; s < pictures.size(); ++s)
            for (std::size_t i = 0; i < pictures[s].size(); ++i)
                bits += double(pictures[s][i].intra + pictures[s][i].inter) * std::pow(r[s][i], -power);
        return bits;
    };
    // A larger rate term, finer quantisers, more bits: halved until the fitted curve meets the title's
    // bits.
    std::vector<std::vector<double>> r;
    double low = -200, high = 200;
    for (int step = 0; step < 80; ++step) {
        const double mid = (low + high) / 2;
        ratios(mid, r);
        (bitsAt(r) > titleBits ? high : low) = mid;
    }
    ratios((low + high) / 2, r);
    std::vector<std::string> out(segmentStats.size());
    for (std::size_t s = 0; s < pictures.size(); ++s) {
        for (std::size_t i = 0; i < pictures[s].size(); ++i) {
            const PictureStats& p = pictures[s][i];
            const double scale = std::pow(r[s][i], -k);
            std::string rest = withNumberAfter(lines[s][i].rest, "itex:", std::llround(p.intra * scale));
            if (!rest.empty()) rest = withNumberAfter(rest, "ptex:", std::llround(p.inter * scale));
            if (rest.empty()) return segmentStats;
            out[s] += "in:" + std::to_string(lines[s][i].in) + " out:" + std::to_string(lines[s][i].out) +
                      rest + ";\n";
        }
    }
    return out;
}

double bitsAtFinestQuantiser(const std::string& stats) {
    std::vector<PictureStats> pictures;
    if (!readPictures(stats, pictures)) return -1;
    double bits = 0;
    // libavcodec's quality is a Lagrange multiplier, 118 to a quantiser step.
    for (const PictureStats& p : pictures)
        bits += double(p.intra + p.inter) * p.lambda / 118.0 + p.vectors + p.misc;
    return bits;
}

std::vector<Segment> secondPassNumbering(const std::vector<Segment>& segments, std::size_t segment) {
    std::vector<Segment> order;
    for (std::size_t step = 0; step < segments.size(); ++step)
        order.push_back(segments[(segment + step) % segments.size()]);
    return order;
}

std::vector<Zone> zonesAsNumbered(const std::vector<Zone>& zones, int jobStart,
                                  const std::vector<Segment>& numbering) {
    std::vector<Zone> out;
    int base = 0;
    for (const Segment& run : numbering) {
        for (const Zone& z : zones) {
            const int first = std::max(z.firstFrame + jobStart, run.first);
            const int last = std::min(z.lastFrame + jobStart, run.last);
            if (first <= last)
                out.push_back(Zone{base + first - run.first, base + last - run.first, z.factor});
        }
        base += run.frames();
    }
    return out;
}

double vbvLevelAfter(const VbvModel& model, double level, const std::vector<std::int64_t>& pictureBytes,
                     bool& underflow) {
    for (const std::int64_t bytes : pictureBytes) {
        level -= 8.0 * static_cast<double>(bytes);
        if (level < 0) {
            underflow = true;
            level = 0;
        }
        level = std::min(model.bufferBits, level + model.fillBitsPerFrame);
    }
    return level;
}

} // namespace mivo::encoder
