#include "pass_statistics.h"

#include "base/paths.h"
#include "base/whole_file.h"
#include "platform/platform.h"

namespace mivo::encoder {

FirstPassStatistics::FirstPassStatistics(const EncodeJob& job) {
    if (!job.twoPass || job.run.dbPath.empty()) return;
    folder_ = job.run.dbPath;
    std::string name = job.outputFile.substr(folderPart(job.outputFile).size());
    if (name.empty()) name = "output";
    const char last = folder_.back();
    path_ = folder_ + (last == '/' || last == '\\' ? "" : "/") + name + ".pass1";
}

FirstPassStatistics::~FirstPassStatistics() {
    if (written_) platform::removeFile(path_);
}

bool FirstPassStatistics::prepare(std::string& error) {
    if (path_.empty() || platform::folderExists(folder_)) return true;
    error = "*DBPATH folder not found: " + folder_;
    return false;
}

bool FirstPassStatistics::keep(std::string& error) {
    if (path_.empty()) return true;
    written_ = true;
    if (!writeWholeFile(path_, text)) {
        error = "cannot write the first pass's statistics into " + path_;
        return false;
    }
    text.clear();
    return true;
}

bool FirstPassStatistics::takeBack(std::string& error) {
    if (path_.empty() || !written_) return true;
    if (!readWholeFile(path_, text)) {
        error = "cannot read the first pass's statistics back from " + path_;
        return false;
    }
    return true;
}

} // namespace mivo::encoder
