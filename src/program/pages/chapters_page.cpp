#include "program/pages/chapters_page.h"

#include "core/control_ids.h"
#include "core/lists/chapter_file.h"
#include "core/lists/chapter_list.h"
#include "core/lists/list_messages.h"
#include "program/pages/list_boxes.h"
#include "program/program.h"
#include "program/scan/scene_scan.h"
#include "program/source/movie_info_display.h"

namespace mivo {

namespace msg = list_messages;
using namespace ids::chapters;

void ChaptersPage::onDefault(int id) {
    if (routeNavigation(id)) return;
    switch (id) {
    case addButton:
        return add();
    case removeButton:
        return remove();
    case clearListButton:
        return clear();
    case setStartButton:
    case setEndButton:
        return setRange(id == setStartButton);
    case chapterList:
        if (const int line = selectedLine(chapterList); line >= 0)
            showListedFrame(p_.settings().chapterFrames[static_cast<std::size_t>(line)]);
        return;
    case scanButton:
        // Said on every click, before the scan starts or stops.
        p_.status().show(" creating a chapter list based on scene changes");
        return p_.scan().toggleSceneScan();
    default:
        return;
    }
}

void ChaptersPage::add() {
    Settings& s = p_.settings();
    // A frame already listed, or one the range trim drops, is "added" all the same: the list is as asked.
    if (lists::addChapter(s, p_.source().frameCount, fieldFrame()).outcome == lists::AddOutcome::Full) {
        p_.status().show(msg::kChapterListFull);
        return;
    }
    fillChapterListBox(p_.controls(), s);
    p_.status().show(msg::kChapterAdded);
}

void ChaptersPage::remove() {
    const int line = selectedLine(chapterList);
    if (line < 0) {
        p_.status().show(msg::kChapterNotSelected);
        return;
    }
    lists::removeChapterAt(p_.settings(), p_.source().frameCount, line);
    fillChapterListBox(p_.controls(), p_.settings());
    p_.status().show(msg::kChapterRemoved);
}

void ChaptersPage::clear() {
    p_.settings().clearChapters();
    fillChapterListBox(p_.controls(), p_.settings());
    p_.status().show(msg::kChaptersCleared);
}

// The range never ends before it starts; the Main page's frame fields and lengths follow.
void ChaptersPage::setRange(bool start) {
    Settings& s = p_.settings();
    const int frame = fieldFrame();
    if (start)
        lists::startRangeAt(s, frame);
    else
        lists::endRangeAt(s, frame);
    SourceContext ctx = p_.sourceContext();
    showMovieInfo(ctx);
    showFileLength(ctx);
    refreshLosslessEstimate(ctx);
    p_.status().show(start ? msg::kStartFrameSet : msg::kEndFrameSet);
}

void ChaptersPage::importFile(const std::string& path) {
    const SourceState& src = p_.source();
    const lists::ListFileResult result =
        lists::importChapterFile(p_.settings(), path, {src.frameCount, static_cast<double>(src.frameRate)});
    p_.status().show(result.status);
    // Also after a file that did not read: its box must show the emptied list.
    p_.refreshAfterFileChange();
}

void ChaptersPage::exportFile(const std::string& path) {
    const double rate = p_.source().frameCount > 0 ? static_cast<double>(p_.source().frameRate) : 0.0;
    p_.status().show(lists::exportChapterFile(p_.settings(), path, rate).status);
}

} // namespace mivo
