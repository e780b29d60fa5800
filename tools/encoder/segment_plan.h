#pragma once
// A title is encoded as a row of segments, each opening with a closed GOP, so that the segments can be
// encoded side by side on several processors and joined into one stream. The segments are fixed by the
// job alone, never by the number of processors: a run on one core writes the same stream as on two.

#include "encode_job.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace mivo::encoder {

// Absolute source frame numbers, both included.
struct Segment {
    int first = 0;
    int last = -1;
    int frames() const { return last - first + 1; }
    bool operator==(const Segment&) const = default;
};

// Every join costs a closed GOP and a P-picture in place of the B-pictures before it, so a segment holds
// at least this many GOPs; more segments than this are of no use to a desktop's processors.
inline constexpr int kMinSegmentGops = 8;
inline constexpr int kMaxSegments = 16;

// The job's frames cut at its planned GOP starts into segments of nearly equal numbers of GOPs, a power
// of two of them.
std::vector<Segment> planSegments(const EncodeJob& job);

// The second pass of one segment runs libavcodec's two-pass rate control over the first-pass statistics
// of the whole title, the segment's own pictures renumbered to come first: every segment then solves
// the same allocation of the title's bits, and its running correction compares the bits it spent with
// what that allocation gave its own pictures. Empty when the statistics are not one line per picture
// of each segment.
std::string statisticsForSegment(const std::vector<std::string>& segmentStats,
                                 const std::vector<Segment>& segments, std::size_t segment);

// The absolute frames of the I-pictures in one segment's first-pass statistics (the segment opening at
// `firstFrame`), ascending; empty when a line is not a picture's.
std::vector<int> intraFramesIn(const std::string& stats, int firstFrame);

// The qualities (libavcodec's Lagrange units) the segments' first passes settled at for each picture
// type (indexed by libavcodec's type: 1 I, 2 P, 3 B): the median over the segments of their pictures
// from display index skips[k] on; 0 for a type there is none of, all 0 when a line is not a picture's.
std::array<int, 4> settledQualities(const std::vector<std::string>& segmentStats,
                                    const std::vector<int>& skips);

// The quantiser step a picture or macroblock is coded at for a quality (libavcodec's Lagrange units):
// the quality rounded to a quantiser code from 1 to `qmax`, on the linear or the non-linear scale.
double quantiserStep(double lambda, bool nonLinear, int qmax);

// How a picture's texture bits move with its quantiser step, as the power p of bits ~ step^-p, fitted
// between the rate-controlled first pass (whose quantisers wander) and the pass at the settled
// qualities, each segment's first skips[k] pictures left out, each picture type with an offset of its
// own; 1 (the second pass's model) where the quantisers did not move enough to tell. About 2 to 3 on
// heavy grain.
double textureQuantiserPower(const std::vector<std::string>& rateControlled,
                             const std::vector<std::string>& settled, const std::vector<int>& skips,
                             bool nonLinear = false, int qmax = 31);

// The factors the second pass hands libavcodec for the zones (one per zone, in order), so that a zone's
// pictures get their factor times what they get without zones and the title keeps its average, as the
// second pass's share-out reckons it: from the segments' first-pass statistics at the settled
// qualities with each zone's pictures at the quality it will be coded at (`zonedStats`, which the
// second pass reads) and without zones (`unzonedStats`), the title's target in bits; zones in absolute
// frames. The factors as asked when the statistics are not one line per picture of each segment in both.
std::vector<float> zoneRateFactors(const std::vector<std::string>& zonedStats,
                                   const std::vector<std::string>& unzonedStats,
                                   const std::vector<Segment>& segments, const std::vector<Zone>& zones,
                                   double qcompress, double titleBits);

// What the second pass's rate control is, beside the statistics it reads.
struct SecondPassModel {
    double power = 1;         // texture bits fall as the quantiser to this power (the fitted one)
    double qcompress = 0.5;   // libavcodec's qcomp
    double titleBits = 0;     // the title's target
    double iFactor = 0.8;     // an I-picture's quantiser over the next P-picture's (|i_qfactor|)
    double bFactor = 1.25;    // a B-picture's over the next I- or P-picture's (b_qfactor) ...
    double bOffset = 1.25;    // ... plus this, in Lagrange units (b_qoffset)
    double toleranceBits = 0; // the running correction's tolerance; 0: no correction modelled
    bool nonLinear = false;   // the non-linear quantiser scale
    int qmax = 31;            // the coarsest quantiser code
};

// The segments' first-pass statistics (measured at the settled qualities) rewritten so that the second
// pass's plan, which has texture bits fall as 1/quantiser, predicts what each picture costs where it is
// really coded. Each picture's quantiser is predicted the way the second pass plans it (P-pictures by
// complexity to the power 1 - qcompress, I- and B-pictures from the I- or P-picture shown after them
// times their factor) and then divided by the running correction's swing within each GOP (an anchor is
// coded before the B-pictures shown ahead of it); the rate factor is the one that brings the fitted
// curve to the title's bits, and each picture's texture bits are scaled so that the 1/quantiser model
// at its planned quantiser predicts what the fitted curve gives at the coded one. Unchanged when a line
// is not a picture's.
std::vector<std::string> statisticsForQuantiserPower(const std::vector<std::string>& segmentStats,
                                                     const SecondPassModel& model);

// What one segment's first-pass pictures would come to at the finest quantiser, in bits, as the second
// pass's model reckons it (texture bits scale with the quantiser, motion vectors and headers stay); -1
// when a line is not a picture's. A title whose pictures come to less than its target cannot take it.
double bitsAtFinestQuantiser(const std::string& stats);

// The order in which a segment's second pass sees the title's pictures: its own first, then the
// following segments, wrapping round (the order statisticsForSegment gives them).
std::vector<Segment> secondPassNumbering(const std::vector<Segment>& segments, std::size_t segment);

// Zones given from the job's first frame (as the rate control takes them) renumbered for a rate control
// whose picture numbers stand for the runs of absolute frames in `numbering`; a zone over several runs
// becomes one zone per run.
std::vector<Zone> zonesAsNumbered(const std::vector<Zone>& zones, int jobStart,
                                  const std::vector<Segment>& numbering);

// The decoder's buffer as libavcodec's rate control models it: each picture is taken out whole, then
// the buffer refills by the maximum rate's share of one frame period, up to its size.
struct VbvModel {
    double bufferBits = 0;
    double fillBitsPerFrame = 0;
};

// The buffer level after the pictures (sizes in bytes), starting at `level`. `underflow` is set when a
// picture is larger than what the buffer holds when it is due.
double vbvLevelAfter(const VbvModel& model, double level, const std::vector<std::int64_t>& pictureBytes,
                     bool& underflow);

} // namespace mivo::encoder
