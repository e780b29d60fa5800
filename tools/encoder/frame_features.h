#pragma once
// The per-frame features of a job: forced picture types for chapters and the last frame, the bitrate
// zone a frame lies in, the 3:2 pulldown cadence. Every function takes an absolute source frame number,
// so a part of the range encoded on its own gets the same decisions as the whole.

#include "encode_job.h"

namespace mivo::encoder {

enum class ForcedType { None, Intra, Predicted };

bool isChapterFrame(const EncodeJob& job, int frame);

// Each planned GOP start (chapters among them) is an I-frame; the frame before a chapter is a P-frame,
// so that no B-frame reaches across the chapter point and its GOP can be closed. With *LASTIFRAME the
// last frame is an I-frame too.
ForcedType forcedPictureType(const EncodeJob& job, int frame);

// The bitrate factor of the zone that holds the frame, 1 outside every zone.
float zoneFactorAt(const EncodeJob& job, int frame);

// The zones as the rate control takes them: frames counted from the job's first frame, each factor the
// one measured for the second pass (job.zoneRateFactors) or, without one, as asked (a reduction a little
// less, see there). The factor scales the bits the second pass plans for the
// zone's pictures, and its running correction, held to a quarter of a second's excess, keeps the pictures
// close to that plan.
std::vector<Zone> rateControlZones(const EncodeJob& job);

// 3:2 pulldown: of every four film frames, the first and third show three fields, and the fields
// alternate top, bottom throughout (TFF+RFF, BFF, BFF+RFF, TFF).
struct FieldFlags {
    bool topFieldFirst = false;
    bool repeatFirstField = false;
};
FieldFlags pulldownFlags(const EncodeJob& job, int frame);

// Fields shown before the frame, counted from the job's first frame (two a frame without pulldown).
long long fieldsBefore(const EncodeJob& job, int frame);

// The picture type constant quantisation expects for a frame: I at each GOP start, then B-frames, every
// (B-frames + 1)th frame a P-frame.
ForcedType plannedType(const EncodeJob& job, int frame);

} // namespace mivo::encoder
