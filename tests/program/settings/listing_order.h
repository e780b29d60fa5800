#pragma once
// The order in which the "current Mivo.ini" listing shows the ini lines, written out independently of
// the program's code so the tests can hold the listing against it. Keywords in one group share a place:
// among themselves they keep the writer's order.

#include <sstream>
#include <string>
#include <vector>

namespace mivo::test {

using KeywordOrder = std::vector<std::vector<std::string>>;

// Places are separated by blanks; keywords joined by '|' share a place.
inline KeywordOrder parseKeywordOrder(const std::string& text) {
    KeywordOrder order;
    std::istringstream in(text);
    for (std::string place; in >> place;) {
        order.emplace_back();
        std::istringstream group(place);
        for (std::string keyword; std::getline(group, keyword, '|');)
            order.back().push_back(keyword);
    }
    return order;
}

inline const KeywordOrder& listingOrder() {
    static const KeywordOrder order = parseKeywordOrder(
        "*INFILE *OUTFILE *LOGFILE *DBPATH *LLPATH *BITRATE *MAXBITRATE *FRAMES *PROFILE *ASPECT "
        "*GOP|*AUTOGOP *CQ|*CQ_MAXBITRATE *CQ_PFACTOR *CQ_BFACTOR *AQ *DC_PREC "
        "*BFF|*PROGRESSIVE|*INTERLACED|*DVSOURCE|*TFF *CHROMADOWNSAMPLE *NOSCD *NOSMP *NOVBV *CLOSEDGOPS "
        "*1PASS *NOSEQ_ENDCODE *SCDFILE *FRAMELOG *B3 *BIAS *ADAPTIVEMATRIX *PULLDOWN *LASTIFRAME *PREVIEW "
        "*SILENT *TIMECODE *MASK_SHIFT *AVSMEMORY *LOSSLESS *MPEGLEVEL *INTRAVLC *MATRIX|*CUSTOMMATRIX "
        "*LUMGAIN *COLOUR *CPU *PRIORITY *CHROMAFORMAT *WAIT *SHUTDOWN *FRAMESIZE *CHAPTER *ZONE *PANSCAN");
    return order;
}

} // namespace mivo::test
