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
                             const std::vector<std::string>& settled, const std::vector<int>& skips,
                             bool nonLinear, int qmax) {
    // Sums per picture type of x = log of the quantisers' ratio, y = log of the texture bits' ratio. The
    // settled analysis measures with the writing pass's options, which spend fewer bits at any
    // quantiser: each type's line is fitted with its own offset, and the slope pooled.
    std::array<double, 4> n{}, sx{}, sy{}, sxy{}, sxx{};
    for (std::size_t k = 0; k < rateControlled.size() && k < settled.size() && k < skips.size(); ++k) {
        std::vector<PictureStats> a, b;
        if (!readPictures(rateControlled[k], a) || !readPictures(settled[k], b) || a.size() != b.size())
            continue;
        for (std::size_t i = 0; i < a.size(); ++i) {
            const int texA = a[i].intra + a[i].inter, texB = b[i].intra + b[i].inter;
            if (a[i].in < skips[k] || a[i].in != b[i].in || a[i].type != b[i].type || texA <= 0 ||
                texB <= 0 || a[i].lambda <= 0 || b[i].lambda <= 0)
                continue;
            const double x = std::log(quantiserStep(b[i].lambda, nonLinear, qmax) /
                                      quantiserStep(a[i].lambda, nonLinear, qmax)),
                         y = std::log(double(texB) / texA);
            const std::size_t t = std::size_t(std::clamp(a[i].type, 0, 3));
            n[t] += 1, sx[t] += x, sy[t] += y, sxy[t] += x * y, sxx[t] += x * x;
        }
    }
    double xy = 0, xx = 0;
    for (std::size_t t = 0; t < 4; ++t)
        if (n[t] > 0) {
            xy += sxy[t] - sx[t] * sy[t] / n[t];
            xx += sxx[t] - sx[t] * sx[t] / n[t];
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

namespace {

// The pictures of one segment in the order libavcodec's second pass reasons about them.
struct PlannedPicture {
    const PictureStats* stats = nullptr;
    std::size_t line = 0;   // in the segment's statistics, which are in coded order
    int nextAnchor = -1;    // display index of the next I- or P-picture shown after it, -1 for none
    int nextPredicted = -1; // display index of the next P-picture shown after it, -1 for none
    double swing = 1;       // libavcodec's running correction at the picture, the plan's quantiser over it
    double planned = 0;     // the quantiser the plan gives it (Lagrange units)
    double texture = 0;     // its texture bits there, as the rewritten statistics have the plan predict
};

} // namespace

double quantiserStep(double lambda, bool nonLinear, int qmax) {
    // The MPEG-2 non-linear quantiser scale.
    static constexpr int kNonLinear[32] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10, 12, 14, 16, 18, 20,  22,
                                           24, 28, 32, 36, 40, 44, 48, 52, 56, 64, 72, 80, 88, 96, 104, 112};
    // libavcodec's rounding of a Lagrange multiplier to the quantiser code of a picture or macroblock.
    const long long code =
        std::clamp<long long>((std::llround(lambda) * 139 + 8192) >> 14, 1, std::clamp(qmax, 1, 31));
    return nonLinear ? kNonLinear[code] : 2.0 * double(code);
}

namespace {

// libavcodec's quality is a Lagrange multiplier, 118 to a quantiser step; the coarsest any picture gets.
constexpr double kStep = 118, kCoarsest = 31 * kStep;

// Every segment's statistics, read once and kept for the rewrite. `pictures` must not be resized once
// `shown` points into it.
struct ParsedSegments {
    std::vector<std::vector<StatsLine>> lines;
    std::vector<std::vector<PictureStats>> pictures;
    std::vector<std::vector<PlannedPicture>> shown; // per segment, the pictures by display index
    double fixedBits = 0;                           // motion vectors and headers, which no quantiser changes
};

// Places one segment's pictures at their display indices; false when an index is repeated or out of
// range, or a picture has no quality or no known type.
bool indexByDisplay(const std::vector<PictureStats>& pictures, std::vector<PlannedPicture>& byDisplay,
                    double& fixedBits) {
    byDisplay.assign(pictures.size(), {});
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const PictureStats& p = pictures[i];
        if (p.lambda <= 0 || p.in < 0 || std::size_t(p.in) >= byDisplay.size() ||
            byDisplay[std::size_t(p.in)].stats || p.type < 1 || p.type > 3)
            return false;
        byDisplay[std::size_t(p.in)].stats = &p;
        byDisplay[std::size_t(p.in)].line = i;
        fixedBits += p.vectors + p.misc;
    }
    return true;
}

// Walking back from the last picture shown, each picture learns the next anchor and P-picture after it.
void linkAnchors(std::vector<PlannedPicture>& byDisplay) {
    int anchor = -1, predicted = -1;
    for (std::size_t d = byDisplay.size(); d-- > 0;) {
        byDisplay[d].nextAnchor = anchor;
        byDisplay[d].nextPredicted = predicted;
        if (byDisplay[d].stats->type != 3) anchor = int(d);
        if (byDisplay[d].stats->type == 2) predicted = int(d);
    }
}

// False when a segment's statistics cannot be rewritten; `parsed` is then only partly filled.
bool parseSegments(const std::vector<std::string>& segmentStats, ParsedSegments& parsed) {
    parsed.lines.resize(segmentStats.size());
    parsed.pictures.resize(segmentStats.size());
    parsed.shown.resize(segmentStats.size());
    for (std::size_t k = 0; k < segmentStats.size(); ++k) {
        if (!splitStats(segmentStats[k], parsed.lines[k]) ||
            !readPictures(segmentStats[k], parsed.pictures[k]))
            return false;
        if (!indexByDisplay(parsed.pictures[k], parsed.shown[k], parsed.fixedBits)) return false;
        linkAnchors(parsed.shown[k]);
    }
    return true;
}

// The quantisers the second pass plans for every picture, and the texture bits that follow from them.
class QuantiserPlan {
  public:
    QuantiserPlan(const SecondPassModel& model, std::vector<std::vector<PlannedPicture>>& shown,
                  double fixedBits)
        : model_(model), shown_(shown), fixedBits_(fixedBits), p_(std::max(1.0, model.power)),
          e_(1 - model.qcompress), finest_{kStep, kStep * model.iFactor, kStep,
                                           kStep * model.bFactor + model.bOffset},
          qmax_(std::clamp(model.qmax, 1, 31)) {}

    // A larger rate term, finer quantisers, more bits: halved until the plan meets the title's bits,
    // the swing worked out again from each solution.
    void solve() {
        double logRate = 0;
        for (int round = 0; round < 4; ++round) {
            double low = -200, high = 200;
            for (int step = 0; step < 60; ++step) {
                const double mid = (low + high) / 2;
                plan(mid);
                (titleBitsPlanned() > model_.titleBits ? high : low) = mid;
            }
            logRate = (low + high) / 2;
            plan(logRate);
            swings();
        }
        plan(logRate);
    }

  private:
    // What a picture's texture costs when the running correction codes it at `lambda`: the picture is
    // coded at the rounded quantiser code, and its bits follow the fitted curve of the step.
    double textureAt(const PictureStats& s, double lambda) const {
        const double coded = std::clamp(lambda, finest_[s.type], kCoarsest);
        return double(s.intra + s.inter) * std::pow(quantiserStep(s.lambda, model_.nonLinear, qmax_) /
                                                        quantiserStep(coded, model_.nonLinear, qmax_),
                                                    p_);
    }

    // The plan for a rate factor (its logarithm): a P-picture of rewritten complexity C' gets the
    // quantiser q = C'^(1 - qcompress) / rate and is predicted C' / q bits, which rise with q; what it
    // costs where it is coded falls with q. The rewrite puts each P-picture where the two meet.
    void plan(double logRate) {
        const double rate = std::exp(logRate);
        for (std::vector<PlannedPicture>& byDisplay : shown_) {
            planPredicted(byDisplay, logRate, rate);
            planFollowers(byDisplay, rate);
        }
    }

    void planPredicted(std::vector<PlannedPicture>& byDisplay, double logRate, double rate) const {
        for (PlannedPicture& pic : byDisplay) {
            if (pic.stats->type != 2) continue;
            const double q = std::clamp(meetingQuantiser(pic, logRate), finest_[2], kCoarsest);
            pic.planned = q;
            pic.texture = std::pow(rate * q, 1 / e_) / q;
        }
    }

    // Predicted bits at q (e being 1 - qcompress): rate^(1/e) q^(1/e - 1). Walk up the quantiser codes to the
    // first whose cost the prediction reaches.
    double meetingQuantiser(const PlannedPicture& pic, double logRate) const {
        double q = finest_[2];
        for (int code = 1; code <= 31; ++code) {
            const double top = code == 31 ? kCoarsest : (16384.0 * code + 8192) / 139 * pic.swing;
            const double cost = textureAt(*pic.stats, (16384.0 * code - 8192) / 139 + 1);
            const double meet = std::exp((std::log(std::max(cost, 1.0)) - logRate / e_) * e_ / (1 - e_));
            if (meet < top || code == 31) {
                q = std::max(q, meet);
                break;
            }
            q = top;
        }
        return q;
    }

    // I- and B-pictures follow the anchor shown after them, as libavcodec's plan has them: an
    // I-picture the next P-picture's quantiser times its factor, a B-picture the next I- or
    // P-picture's times its own. One with nothing to follow gets its factor of its own.
    void planFollowers(std::vector<PlannedPicture>& byDisplay, double rate) const {
        for (std::size_t d = byDisplay.size(); d-- > 0;) {
            PlannedPicture& pic = byDisplay[d];
            const int type = pic.stats->type;
            if (type == 2) continue;
            const double own =
                std::pow(std::max(1.0, double(pic.stats->intra + pic.stats->inter) * pic.stats->lambda), e_) /
                rate;
            if (type == 1)
                pic.planned = (pic.nextAnchor >= 0 && pic.nextAnchor == pic.nextPredicted
                                   ? byDisplay[std::size_t(pic.nextPredicted)].planned
                                   : own) *
                              model_.iFactor;
            else
                pic.planned = (pic.nextAnchor >= 0 ? byDisplay[std::size_t(pic.nextAnchor)].planned : own) *
                                  model_.bFactor +
                              model_.bOffset;
            pic.planned = std::clamp(pic.planned, finest_[type], kCoarsest);
            pic.texture = textureAt(*pic.stats, pic.planned / pic.swing);
        }
    }

    double titleBitsPlanned() const {
        double bits = fixedBits_;
        for (const std::vector<PlannedPicture>& byDisplay : shown_)
            for (const PlannedPicture& pic : byDisplay)
                bits += pic.texture;
        return bits;
    }

    // The second pass's running correction compares the bits spent so far, in coded order, with what its
    // plan gives the pictures shown before this one: an anchor is coded before the B-pictures shown
    // ahead of it, so it finds the title short by their bits and is coded finer, and they find it over
    // by the anchor's bits and are coded coarser. That swing is part of what the pass carries out.
    void swings() {
        if (model_.toleranceBits <= 0) return;
        for (std::vector<PlannedPicture>& byDisplay : shown_) {
            std::vector<double> before(byDisplay.size() + 1, 0);
            for (std::size_t d = 0; d < byDisplay.size(); ++d)
                before[d + 1] =
                    before[d] + byDisplay[d].texture + byDisplay[d].stats->vectors + byDisplay[d].stats->misc;
            std::vector<std::size_t> coded(byDisplay.size());
            for (std::size_t d = 0; d < byDisplay.size(); ++d)
                coded[byDisplay[d].line] = d;
            double spent = 0;
            for (const std::size_t d : coded) {
                const double diff = spent - before[d];
                byDisplay[d].swing =
                    std::clamp((model_.toleranceBits - diff) / model_.toleranceBits, 0.5, 2.0);
                spent += byDisplay[d].texture + byDisplay[d].stats->vectors + byDisplay[d].stats->misc;
            }
        }
    }

    const SecondPassModel& model_;
    std::vector<std::vector<PlannedPicture>>& shown_;
    double fixedBits_;
    double p_, e_;     // the fitted power (at least 1), and 1 - qcompress
    double finest_[4]; // the finest quality for each picture type, by type code
    int qmax_;
};

// One segment's statistics with each picture's texture as the plan must see it: at its planned
// quantiser the 1/quantiser model then predicts what it costs where it is coded. False when a line
// lacks a texture field.
bool rewriteSegment(const std::vector<StatsLine>& lines, const std::vector<PictureStats>& pictures,
                    const std::vector<PlannedPicture>& byDisplay, std::string& out) {
    std::vector<double> scale(lines.size(), 1);
    for (const PlannedPicture& pic : byDisplay) {
        const PictureStats& ps = *pic.stats;
        const double texture = double(ps.intra + ps.inter);
        if (texture > 0) scale[pic.line] = pic.texture * pic.planned / ps.lambda / texture;
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const PictureStats& ps = pictures[i];
        std::string rest = withNumberAfter(lines[i].rest, "itex:", std::llround(ps.intra * scale[i]));
        if (!rest.empty()) rest = withNumberAfter(rest, "ptex:", std::llround(ps.inter * scale[i]));
        if (rest.empty()) return false;
        out += "in:" + std::to_string(lines[i].in) + " out:" + std::to_string(lines[i].out) + rest + ";\n";
    }
    return true;
}

} // namespace

std::vector<std::string> statisticsForQuantiserPower(const std::vector<std::string>& segmentStats,
                                                     const SecondPassModel& model) {
    // Without quantiser compression every picture is planned at the same bits whatever its quantiser:
    // nothing to rewrite.
    if (model.titleBits <= 0 || model.qcompress < 0.05) return segmentStats;
    ParsedSegments parsed;
    if (!parseSegments(segmentStats, parsed)) return segmentStats;
    if (model.titleBits <= parsed.fixedBits) return segmentStats;
    QuantiserPlan(model, parsed.shown, parsed.fixedBits).solve();
    std::vector<std::string> out(segmentStats.size());
    for (std::size_t s = 0; s < parsed.shown.size(); ++s)
        if (!rewriteSegment(parsed.lines[s], parsed.pictures[s], parsed.shown[s], out[s]))
            return segmentStats;
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
