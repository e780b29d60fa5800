#pragma once
// dvdauthor as the tests' reference for the back end's own DVD-Video folder: the description of a
// one-title disc that authors the same program stream.

#include "disc/disc_plan.h"

#include <string>

namespace mivo::encoder::disc {

// "h:mm:ss.mmm", rounded up to the millisecond: dvdauthor starts a chapter at the VOBU that begins
// nearest its time, and a time rounded down could pick the GOP before the chapter's.
std::string chapterTime(double seconds);

// dvdauthor's description of a one-title disc with a chapter at the first frame and at each chapter: the
// tests author the same program stream with it, as the reference for the back end's own folder.
std::string authoringXml(const TitleFacts& t, const std::string& vobFile, const std::string& language);

} // namespace mivo::encoder::disc
