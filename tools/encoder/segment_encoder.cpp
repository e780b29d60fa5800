#include "segment_encoder.h"

#include "isolated_call.h"
#include "mpeg2_encoder.h"
#include "segment_plan.h"

#include "base/whole_file.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace mivo::encoder {

namespace {

// Runs work(item, worker) for every item on the workers, items handed out in order; after the first
// failure no new item is started. The first failure's message wins.
bool runOnWorkers(std::size_t items, std::size_t workers,
                  const std::function<bool(std::size_t, std::size_t, std::string&)>& work,
                  std::string& error) {
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex errorLock;
    const auto worker = [&](std::size_t w) {
        for (std::size_t item; !failed && (item = next++) < items;) {
            std::string why;
            bool ok = false;
            try {
                ok = work(item, w, why);
            } catch (const std::exception& e) {
                why = std::string("unexpected failure: ") + e.what();
            }
            if (!ok) {
                std::lock_guard<std::mutex> guard(errorLock);
                if (!failed.exchange(true)) error = why;
            }
        }
    };
    std::vector<std::thread> threads;
    for (std::size_t w = 1; w < workers && w < items; ++w)
        threads.emplace_back(worker, w);
    worker(0);
    for (std::thread& t : threads)
        t.join();
    return !failed;
}

// The segments' streams, each in a file of its own beside the output until they are joined; removed
// however the run ends.
class SegmentFiles {
  public:
    SegmentFiles(const std::string& output, std::size_t count) {
        for (std::size_t k = 0; k < count; ++k)
            paths_.push_back(temporaryBeside(output) + ".segment" + std::to_string(k));
    }
    ~SegmentFiles() {
        for (const std::string& p : paths_) {
            std::error_code ec;
            std::filesystem::remove(p, ec);
        }
    }
    SegmentFiles(const SegmentFiles&) = delete;
    SegmentFiles& operator=(const SegmentFiles&) = delete;
    const std::string& path(std::size_t k) const { return paths_[k]; }

  private:
    std::vector<std::string> paths_;
};

// Adds up what every thread has done in a pass and reports the sum; a stop asked for by the report
// reaches every thread.
class PassCounter {
  public:
    PassCounter(const SegmentProgress& report, int pass, int passes) : report_(report) {
        if (report_.passStarted) report_.passStarted(pass, passes);
    }
    // The progress function of one segment's run, which counts that segment's frames and bytes.
    ProgressFn forSegment() {
        auto last = std::make_shared<PassProgress>();
        return [this, last](const PassProgress& now) {
            std::lock_guard<std::mutex> guard(lock_);
            total_.framesDone += now.framesDone - last->framesDone;
            total_.bytesWritten += now.bytesWritten - last->bytesWritten;
            *last = now;
            PassProgress sum = total_;
            sum.planes = now.planes;
            if (!stopped_ && report_.frameDone && !report_.frameDone(sum)) stopped_ = true;
            return !stopped_;
        };
    }

  private:
    const SegmentProgress& report_;
    std::mutex lock_;
    PassProgress total_;
    bool stopped_ = false;
};

bool writeSegment(Pass pass, const EncodeJob& job, SegmentPass& segment, const FrameSource& source,
                  const std::string& path, std::string& stats, const ProgressFn& progress,
                  std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot create " + path;
        return false;
    }
    const bool encoded = encodePass(pass, job, segment, source, file, stats, progress, error);
    if (std::fclose(file) != 0 && encoded) {
        error = "cannot write " + path + " (disk full?)";
        return false;
    }
    return encoded;
}

// The stream's segments one after the other in `out`.
bool joinSegments(const SegmentFiles& files, std::size_t count, std::FILE* out, std::string& error) {
    std::vector<char> buffer(1 << 20);
    for (std::size_t k = 0; k < count; ++k) {
        std::FILE* in = std::fopen(files.path(k).c_str(), "rb");
        if (!in) {
            error = "cannot read " + files.path(k);
            return false;
        }
        std::size_t n = 0;
        bool written = true;
        while (written && (n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0)
            written = std::fwrite(buffer.data(), 1, n, out) == n;
        const bool readError = std::ferror(in) != 0;
        std::fclose(in);
        if (!written || readError) {
            error = "cannot write the output file (disk full?)";
            return false;
        }
    }
    return true;
}

// Each segment's rate control starts from the buffer level libavcodec assumes at a stream's start (or
// the one it was given). Where the segments before leave less than that, the segment is encoded again
// from the level it really finds, so the joined stream keeps the buffer model a DVD player relies on.
bool fitBufferAtJoins(const EncodeJob& job, const StreamFacts& f, std::vector<SegmentPass>& segments,
                      const std::function<bool(std::size_t, std::string&)>& reencode,
                      std::vector<std::string>& notes, std::string& error) {
    if (job.constantQuant) return true; // a fixed quantiser has no rate control to steer
    const VbvModel model{static_cast<double>(kDvdVbvBufferBits),
                         job.maxBitrateKbps * 1000.0 * f.rateDenominator / f.rateNumerator};
    const double streamStart = kDvdVbvBufferBits * 3.0 / 4.0;
    double level = streamStart;
    for (std::size_t k = 0; k < segments.size(); ++k) {
        SegmentPass& segment = segments[k];
        const double assumed = segment.initialVbvBits > 0 ? segment.initialVbvBits : streamStart;
        if (k > 0 && level < assumed) {
            segment.initialVbvBits = std::max(1.0, std::floor(level));
            notes.push_back("frames " + std::to_string(segment.frames.first) + " to " +
                            std::to_string(segment.frames.last) + " encoded again from a buffer level of " +
                            std::to_string(static_cast<long long>(segment.initialVbvBits)) + " bits");
            if (!reencode(k, error)) return false;
        }
        bool underflow = false;
        level = vbvLevelAfter(model, level, segment.pictureBytes, underflow);
    }
    return true;
}

// With *DBPATH the segments' statistics wait in one file between the passes, a '#' line between two
// segments (libavcodec's lines hold none).
bool keepStatistics(FirstPassStatistics& statistics, std::vector<std::string>& firstPass,
                    std::string& error) {
    statistics.text.clear();
    for (std::string& stats : firstPass) {
        statistics.text += stats + "#\n";
        std::string().swap(stats);
    }
    if (!statistics.keep(error) || !statistics.takeBack(error)) return false;
    std::size_t at = 0;
    for (std::string& stats : firstPass) {
        const std::size_t end = statistics.text.find("#\n", at);
        if (end == std::string::npos) {
            error = "the first pass's statistics came back damaged";
            return false;
        }
        stats = statistics.text.substr(at, end - at);
        at = end + 2;
    }
    std::string().swap(statistics.text);
    return true;
}

// The first pass over the segments `which`.
bool analyse(const EncodeJob& job, std::vector<SegmentPass>& segments, const std::vector<std::size_t>& which,
             const std::vector<const FrameSource*>& sources, const SegmentProgress& progress,
             std::vector<std::string>& firstPass, std::string& error) {
    PassCounter counter(progress, 1, 2);
    const auto run = [&](std::size_t item, std::size_t w, std::string& why) {
        const std::size_t k = which[item];
        return encodePass(Pass::First, job, segments[k], *sources[w], nullptr, firstPass[k],
                          counter.forSegment(), why);
    };
    return runOnWorkers(which.size(), sources.size(), run, error);
}

// The second pass's model has a picture's bits fall in proportion as its quantiser rises; on grain and
// fine texture they fall much faster, so the model holds only near the quantiser a picture was measured
// at. A first pass under one-pass rate control measures at quantisers that wander: each segment starts
// cold (its first GOP far too fine, then seconds at the ceiling), and each runs at its own share of the
// rate (an easy segment finer than a hard one). A title in two segments missed a low rate by 9 %. So the
// rate-controlled pass only finds where the title settles, each segment's first GOP left out; the
// segments are then analysed again, every picture at the settled quality of its type.
// `rateControlled` keeps the first of the two analyses and `skips` the number of pictures each
// segment's first GOP takes.
bool analyseAtSettledQualities(const EncodeJob& job, const std::vector<Segment>& plan,
                               std::vector<SegmentPass>& segments, const std::vector<std::size_t>& all,
                               const std::vector<const FrameSource*>& sources,
                               const SegmentProgress& progress, std::vector<std::string>& firstPass,
                               std::vector<std::string>& rateControlled, std::vector<int>& skips,
                               std::string& error) {
    skips.clear();
    for (const Segment& s : plan) {
        const auto next = std::upper_bound(job.gopStarts.begin(), job.gopStarts.end(), s.first);
        skips.push_back(next == job.gopStarts.end() || *next > s.last ? 0 : *next - s.first);
    }
    const std::array<int, 4> qualities = settledQualities(firstPass, skips);
    if (qualities[2] <= 0) return true;
    for (SegmentPass& segment : segments)
        segment.analysisLambda = qualities;
    rateControlled = firstPass;
    return analyse(job, segments, all, sources, progress, firstPass, error);
}

std::vector<int> segmentCuts(const std::vector<Segment>& plan) {
    std::vector<int> cuts;
    for (std::size_t k = 1; k < plan.size(); ++k)
        cuts.push_back(plan[k].first);
    return cuts;
}

// libavcodec opens a GOP of its own at a scene change, on the first P-picture after the cut; the cut
// itself may lie on one of the B-pictures before it, where the picture changes most. The cuts become
// forced starts and the GOPs between are planned again, so that no short GOP is left before a cut; the
// segments whose plan moved are analysed again, because the second pass repeats the first pass's
// picture types. The segment cuts stay where they are.
bool planAroundSceneChanges(EncodeJob& job, const std::vector<Segment>& plan,
                            std::vector<SegmentPass>& segments,
                            const std::vector<const FrameSource*>& sources, const SegmentProgress& progress,
                            std::vector<std::string>& firstPass, std::vector<std::string>& notes,
                            std::string& error) {
    std::vector<int> cuts;
    for (std::size_t k = 0; k < plan.size(); ++k)
        for (const int f : intraFramesIn(firstPass[k], plan[k].first)) {
            if (std::binary_search(job.gopStarts.begin(), job.gopStarts.end(), f)) continue;
            const std::vector<double>& change = segments[k].frameChange;
            int cut = f;
            for (int g = std::max(plan[k].first + 1, f - job.bFrames); g < f; ++g)
                if (change.size() == std::size_t(plan[k].frames()) &&
                    change[std::size_t(g - plan[k].first)] > change[std::size_t(cut - plan[k].first)])
                    cut = g;
            cuts.push_back(cut);
        }
    const std::vector<int> starts = planGopStarts(job, segmentCuts(plan), cuts);
    if (cuts.empty() || starts == job.gopStarts) return true;
    const auto within = [](const std::vector<int>& v, const Segment& s) {
        return std::vector<int>(std::lower_bound(v.begin(), v.end(), s.first),
                                std::upper_bound(v.begin(), v.end(), s.last));
    };
    std::vector<std::size_t> moved;
    for (std::size_t k = 0; k < plan.size(); ++k)
        if (within(starts, plan[k]) != within(job.gopStarts, plan[k])) moved.push_back(k);
    job.gopStarts = starts;
    notes.push_back(std::to_string(cuts.size()) + " scene change(s): GOPs planned again around them, the " +
                    "first pass repeated over " + std::to_string(moved.size()) + " segment(s)");
    return analyse(job, segments, moved, sources, progress, firstPass, error);
}

// A source that cannot take the target even at the finest quantiser (flat colour, a still) ends below
// it; the run says so rather than leaving the shortfall to be found.
void noteUnreachableTarget(const EncodeJob& job, const StreamFacts& f,
                           const std::vector<std::string>& firstPass, std::vector<std::string>& notes) {
    double bits = 0;
    for (const std::string& stats : firstPass) {
        const double segment = bitsAtFinestQuantiser(stats);
        if (segment < 0) return;
        bits += segment;
    }
    const double seconds = double(jobFrameCount(job)) * f.rateDenominator / f.rateNumerator;
    const double reachable = bits / seconds / 1000.0;
    if (reachable < job.bitrateKbps * 0.98)
        notes.push_back("this video takes only about " + std::to_string(std::lround(reachable)) +
                        " kbit/s even at the finest quantiser, less than the " +
                        std::to_string(job.bitrateKbps) +
                        " kbit/s asked: the stream stays below the average bitrate");
}

// Whether libavcodec's two-pass rate control takes the statistics, asked where its refusal cannot abort
// the run.
bool secondPassesOpen(const EncodeJob& job, const std::vector<Segment>& plan,
                      const std::vector<SegmentPass>& segments, const FrameSource& source,
                      const std::vector<std::string>& firstPass, std::string& error) {
    const auto open = [&] {
        for (std::size_t k = 0; k < plan.size(); ++k) {
            SegmentPass probe = segments[k];
            probe.numbering = secondPassNumbering(plan, k);
            std::string stats = statisticsForSegment(firstPass, plan, k);
            if (stats.empty() || !passOpens(Pass::Second, job, probe, source, stats)) return false;
        }
        return true;
    };
    if (succeedsInIsolation(open)) return true;
    error = "the two-pass rate control finds no quantisers that bring this video to an average of " +
            std::to_string(job.bitrateKbps) + " kbit/s within a maximum of " +
            std::to_string(job.maxBitrateKbps) + " kbit/s: raise *BITRATE or *MAXBITRATE";
    return false;
}

// The title measured again with each zone at the quality that gives it its factor times the bits; the
// measurement without zones in `firstPass` tells what the zones' pictures claim without them.
bool measureZones(EncodeJob& job, const std::vector<Segment>& plan, std::vector<SegmentPass>& segments,
                  const std::vector<std::size_t>& all, const std::vector<const FrameSource*>& sources,
                  const SegmentProgress& progress, double power, double titleBits,
                  std::vector<std::string>& firstPass, std::vector<std::string>& notes, std::string& error) {
    job.zoneQualityPower = 1 / power;
    const std::vector<std::string> unzoned = firstPass;
    if (!analyse(job, segments, all, sources, progress, firstPass, error)) return false;
    job.zoneRateFactors =
        zoneRateFactors(firstPass, unzoned, plan, job.zones, rateCompression(job), titleBits);
    std::string factors;
    for (const float f : job.zoneRateFactors)
        factors += " " + std::to_string(f).substr(0, 5);
    notes.push_back("zones: factors handed to the rate control:" + factors);
    return true;
}

} // namespace

bool encodeSegments(const EncodeJob& givenJob, const std::vector<const FrameSource*>& sources, std::FILE* out,
                    FirstPassStatistics& statistics, const SegmentProgress& progress,
                    std::vector<std::string>& notes, std::string& error) {
    if (sources.empty()) {
        error = "no frame source";
        return false;
    }
    // The GOPs are planned again around the segment cuts, and after the first pass around scene changes.
    EncodeJob job = givenJob;
    const std::vector<Segment> plan = planSegments(job);
    job.gopStarts = planGopStarts(job, segmentCuts(plan), {});
    std::vector<SegmentPass> segments(plan.size());
    for (std::size_t k = 0; k < plan.size(); ++k) {
        segments[k].frames = plan[k];
        segments[k].numbering = job.twoPass ? secondPassNumbering(plan, k) : std::vector<Segment>{plan[k]};
    }
    std::vector<std::string> firstPass(plan.size());
    std::vector<std::size_t> all(plan.size());
    for (std::size_t k = 0; k < all.size(); ++k)
        all[k] = k;
    if (job.twoPass) {
        // The title is analysed as it is up to its final GOP plan. With zones, its pictures are then
        // measured again, each zone's at the quality that gives it its factor times the bits, which the
        // second pass reads; the first measurement tells what the zones' pictures claim without zones.
        EncodeJob unzonedJob = job;
        unzonedJob.zones.clear();
        std::vector<std::string> rateControlled;
        std::vector<int> skips;
        if (!analyse(unzonedJob, segments, all, sources, progress, firstPass, error) ||
            !analyseAtSettledQualities(unzonedJob, plan, segments, all, sources, progress, firstPass,
                                       rateControlled, skips, error) ||
            !planAroundSceneChanges(unzonedJob, plan, segments, sources, progress, firstPass, notes, error))
            return false;
        job.gopStarts = unzonedJob.gopStarts;
        const StreamFacts& f = sources.front()->facts();
        const double titleBits =
            job.bitrateKbps * 1000.0 * double(jobFrameCount(job)) * f.rateDenominator / f.rateNumerator;
        const SecondPassModel scale = secondPassModel(job, 1, titleBits);
        const double power =
            textureQuantiserPower(rateControlled, firstPass, skips, scale.nonLinear, scale.qmax);
        if (!job.zones.empty() && !measureZones(job, plan, segments, all, sources, progress, power, titleBits,
                                                firstPass, notes, error))
            return false;
        noteUnreachableTarget(job, sources.front()->facts(), firstPass, notes);
        // The second pass models texture bits as falling with 1/quantiser; on grain they fall about as
        // its square, and the pass would correct the difference picture by picture. Its statistics are
        // given the fitted curve instead, so that its plan holds and its correction can be gentle. Not
        // with zones: their factors are measured against the statistics as they are.
        if (job.zones.empty())
            firstPass = statisticsForQuantiserPower(firstPass, secondPassModel(job, power, titleBits));
        notes.push_back("second pass: texture bits measured to fall as the quantiser to the power " +
                        std::to_string(power).substr(0, 4));
        if (!secondPassesOpen(job, plan, segments, *sources.front(), firstPass, error) ||
            !keepStatistics(statistics, firstPass, error))
            return false;
    }

    SegmentFiles files(job.outputFile, plan.size());
    const Pass writing = job.twoPass ? Pass::Second : Pass::Single;
    const auto write = [&](std::size_t k, std::size_t w, const ProgressFn& report, std::string& why) {
        std::string stats;
        if (job.twoPass && (stats = statisticsForSegment(firstPass, plan, k)).empty()) {
            why = "the first pass left statistics that do not match its pictures";
            return false;
        }
        return writeSegment(writing, job, segments[k], *sources[w], files.path(k), stats, report, why);
    };
    PassCounter counter(progress, job.twoPass ? 2 : 1, job.twoPass ? 2 : 1);
    const auto writeOne = [&](std::size_t k, std::size_t w, std::string& why) {
        return write(k, w, counter.forSegment(), why);
    };
    if (!runOnWorkers(plan.size(), sources.size(), writeOne, error)) return false;
    const auto reencode = [&](std::size_t k, std::string& why) { return write(k, 0, nullptr, why); };
    if (!fitBufferAtJoins(job, sources.front()->facts(), segments, reencode, notes, error)) return false;
    return joinSegments(files, plan.size(), out, error);
}

} // namespace mivo::encoder
