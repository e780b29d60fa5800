#pragma once
// The first pass's statistics for the second. Without *DBPATH they stay in memory; with it they are
// written whole into that folder after the first pass, read back for the second and removed at the end,
// so a long first pass does not hold them in memory alone.

#include "encode_job.h"

#include <string>

namespace mivo::encoder {

class FirstPassStatistics {
  public:
    explicit FirstPassStatistics(const EncodeJob& job);
    ~FirstPassStatistics();
    FirstPassStatistics(const FirstPassStatistics&) = delete;
    FirstPassStatistics& operator=(const FirstPassStatistics&) = delete;

    // Before the first pass: false with a message when *DBPATH names no folder.
    bool prepare(std::string& error);
    // After the first pass: into the file, when there is one.
    bool keep(std::string& error);
    // Before the second pass: back from the file, when there is one.
    bool takeBack(std::string& error);

    std::string text; // what the passes read and write
    const std::string& path() const { return path_; }

  private:
    std::string folder_, path_;
    bool written_ = false;
};

} // namespace mivo::encoder
