#include "program/pages/file_dialogs.h"

#include "core/control_ids.h"

namespace mivo {

namespace {

// Extensions of the video files people commonly have; the "all files" filter reaches the rest.
constexpr const char* kVideoFilePatterns =
    "*.mp4;*.m4v;*.mkv;*.webm;*.mov;*.avi;*.ts;*.m2ts;*.mts;*.mpg;*.mpeg;*.m2v;*.vob;*.wmv;*.asf;*.flv;"
    "*.3gp;*.ogv;*.mxf;*.dv;*.y4m;*.264;*.h264;*.265;*.hevc";

// The descriptions keep their inner runs of blanks: they line the patterns up in the dialog's list.
const FileButtonDialog kDialogs[] = {
    {PageId::Main, ids::main::inputFileButton, false, "select input file", "input files  (*.d2v, *.avs)",
     "*.d2v;*.avs", "input", StartFolder::Input},
    {PageId::Main, ids::main::outputFileButton, false, "select output file", "output files (*.m2v)", "*.m2v",
     "output", StartFolder::Output},
    {PageId::Main, ids::main::logFileButton, false, "select log file", "log files    (*.log)", "*.log",
     "logfile", StartFolder::Log},
    {PageId::Main, ids::main::loadIniButton, false, "select ini file", "ini file     (*.ini)", "*.ini", "ini",
     StartFolder::Ini},
    {PageId::Main, ids::main::saveIniButton, true, "save ini file", "ini file     (*.ini)", "*.ini", "ini",
     StartFolder::Ini},
    {PageId::Chapters, ids::chapters::importButton, false, "import chapter file",
     "text file    (*.txt, *.eds_chpt)", "*.txt;*.eds_chpt", "txt", StartFolder::Ini},
    {PageId::Chapters, ids::chapters::exportButton, true, "export chapter file", "text file    (*.txt)",
     "*.txt", "txt", StartFolder::Ini},
    {PageId::PanScan, ids::panscan::importButton, false, "import panscan file", "text file    (*.txt)",
     "*.txt", "txt", StartFolder::Ini},
    // An open-style dialog: it accepts a new name but shows an open button.
    {PageId::PanScan, ids::panscan::exportButton, false, "export panscan file", "text file    (*.txt)",
     "*.txt", "txt", StartFolder::Ini},
    {PageId::Matrix, ids::matrix::loadCustomButton, false, "import matrix file",
     "matrix file  (*.mtx, *.cqm)", "*.mtx;*.cqm", "mtx", StartFolder::Matrix},
    {PageId::Matrix, ids::matrix::saveMtxButton, true, "export matrix file as mtx", "matrix file  (*.mtx)",
     "*.mtx", "mtx", StartFolder::None},
    {PageId::Matrix, ids::matrix::saveCqmButton, true, "export matrix file as cqm", "matrix file  (*.cqm)",
     "*.cqm", "cqm", StartFolder::None},
};

} // namespace

std::optional<FileButtonDialog> fileButtonDialog(PageId page, int id) {
    for (const FileButtonDialog& d : kDialogs)
        if (d.page == page && d.id == id) return d;
    return std::nullopt;
}

FileDialogSpec fileDialogSpec(const FileButtonDialog& d, const std::string& folder) {
    FileDialogSpec spec;
    spec.save = d.save;
    spec.title = d.title;
    spec.filterDescription = d.filterDescription;
    spec.filterPattern = d.filterPattern;
    spec.defaultExtension = d.defaultExtension;
    spec.folder = folder;
    if (d.page == PageId::Chapters && d.id == ids::chapters::exportButton)
        spec.otherFilters.push_back({"dvdauthor chapters", "*.dvdauthor", "dvdauthor"});
    if (d.page == PageId::Main && d.id == ids::main::inputFileButton) {
        // The first filter stays the one for projects and scripts; any file FFmpeg's libraries read is
        // an input too.
        spec.otherFilters.push_back({"video files", kVideoFilePatterns, ""});
        spec.otherFilters.push_back({"all files", "*", ""});
    }
    return spec;
}

} // namespace mivo
