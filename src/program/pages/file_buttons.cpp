// Every button that asks for a file: its dialog, then what the chosen file is for.

#include "program/pages/file_buttons.h"

#include "base/paths.h"
#include "core/control_ids.h"
#include "core/lists/list_messages.h"
#include "program/pages/file_dialogs.h"
#include "program/pages/page_handlers.h"
#include "program/program.h"

namespace mivo {

namespace {

std::optional<std::string> ask(Program& p, const FileButtonDialog& d, const std::string& folder) {
    return p.dialogs().chooseFile(fileDialogSpec(d, folder));
}

void clearLists(Program& p) {
    Settings& s = p.settings();
    s.clearChapters();
    s.clearZones();
    s.clearPanScan();
    ControlModel& c = p.controls();
    c.setItems(PageId::Chapters, ids::chapters::chapterList, {});
    c.setItems(PageId::Zones, ids::zones::zoneList, {});
    c.setItems(PageId::PanScan, ids::panscan::positionList, {});
}

// Output and log: a new name on a choice, the previous one kept on a cancel.
void chooseNamedFile(Program& p, const FileButtonDialog& d, std::string& name, bool& chosenFlag) {
    const std::string previous = name;
    const auto chosen = ask(p, d, folderPart(previous));
    if (!chosen) {
        name = previous;
        return;
    }
    name = *chosen;
    chosenFlag = true;
    p.refreshAfterFileChange();
}

// The input dialog and the whole input flow after it.
void chooseInput(Program& p, const FileButtonDialog& d) {
    Settings& s = p.settings();
    const std::string previous = s.inputFile;
    const auto chosen = ask(p, d, folderPart(previous));
    SourceContext ctx = p.sourceContext();
    if (!chosen) {
        s.inputFile = previous;
        inputSelectionCancelled(ctx);
        return;
    }
    InputHooks hooks;
    hooks.clearLists = [&p] { clearLists(p); };
    hooks.openAvisynth = [&p](SourceContext&) {
        AvisynthSourceContext actx = p.avisynthContext();
        openAvisynthSource(actx);
    };
    hooks.openVideoFile = [&p](SourceContext&) { p.openVideoFile(); };
    // Whatever the new input is, the video file open before is no longer the source.
    p.closeVideoFile();
    inputFileChosen(ctx, p.dgdecode(), p.paths(), *chosen, hooks);
}

// Ini, chapter, pan-scan and matrix files empty their name before the dialog, so a cancel leaves it empty
// and the next such dialog opens in the system's default folder.
void chooseOtherFile(Program& p, PageHandlers& pages, PageId page, int id, const FileButtonDialog& d) {
    std::string* name = &p.iniFileName();
    if (page == PageId::Chapters) name = &p.chapterFileName();
    if (page == PageId::PanScan) name = &p.panScanFileName();
    if (page == PageId::Matrix) name = &p.matrixFileName();
    std::string folder;
    if (d.folder == StartFolder::Ini) folder = folderPart(p.iniFileName());
    if (d.folder == StartFolder::Matrix) folder = p.paths().matrixFolder;
    name->clear();
    const auto chosen = ask(p, d, folder);
    if (!chosen) return;
    *name = *chosen;

    if (page == PageId::Main && id == ids::main::loadIniButton) {
        p.loadIni(IniMode::User, *chosen);
    } else if (page == PageId::Main && id == ids::main::saveIniButton) {
        SettingsContext ctx = p.settingsContext();
        saveIniFile(ctx, IniMode::User, *chosen);
    } else if (page == PageId::Chapters && id == ids::chapters::importButton) {
        pages.chapters.importFile(*chosen);
    } else if (page == PageId::Chapters) {
        pages.chapters.exportFile(*chosen);
    } else if (page == PageId::PanScan && id == ids::panscan::importButton) {
        pages.panScan.importFile(*chosen);
    } else if (page == PageId::PanScan) {
        pages.panScan.exportFile(*chosen);
    } else if (page == PageId::Matrix && id == ids::matrix::loadCustomButton) {
        pages.matrix.importFile(*chosen);
    } else if (page == PageId::Matrix) {
        pages.matrix.exportFile(id, *chosen);
    }
}

} // namespace

void FileButtons::onClick(PageId page, int id) {
    Program& p = p_;
    Settings& s = p.settings();
    if (page == PageId::Main && id == ids::main::loadMivoIniButton) {
        p.loadIni(IniMode::Default, p.paths().defaultIni);
        return;
    }
    if (page == PageId::Main && id == ids::main::saveMivoIniButton) {
        SettingsContext ctx = p.settingsContext();
        saveIniFile(ctx, IniMode::Default, p.paths().defaultIni);
        return;
    }
    // The two exports refuse an empty list before any dialog opens.
    if (page == PageId::Chapters && id == ids::chapters::exportButton && s.chapterCount < 1) {
        p.status().show(list_messages::kNoChapters);
        return;
    }
    if (page == PageId::PanScan && id == ids::panscan::exportButton && s.panScanCount < 1) {
        p.status().show(list_messages::kNoPanScan);
        return;
    }
    const std::optional<FileButtonDialog> dialog = fileButtonDialog(page, id);
    if (!dialog) return;
    switch (dialog->folder) {
    case StartFolder::Input:
        return chooseInput(p, *dialog);
    case StartFolder::Output:
        return chooseNamedFile(p, *dialog, s.outputFile, p.source().outputChosen);
    case StartFolder::Log:
        return chooseNamedFile(p, *dialog, s.logFile, p.source().logChosen);
    case StartFolder::Ini:
    case StartFolder::Matrix:
    case StartFolder::None:
        return chooseOtherFile(p, pages_, page, id, *dialog);
    }
}

} // namespace mivo
