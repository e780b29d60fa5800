#pragma once
// Several files read as one stream, in list order (VTS_01_1.VOB, VTS_01_2.VOB, ... form one movie).
// Positions in this joined stream are "virtual"; a project names a place as (file, offset in that file).

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace mivo::mpeg2 {

class FileSet {
  public:
    FileSet() = default;
    ~FileSet();
    FileSet(const FileSet&) = delete;
    FileSet& operator=(const FileSet&) = delete;

    // Opens every file; false (with a message) when one cannot be opened.
    bool open(const std::vector<std::string>& paths, std::string& error);
    // One stream held in memory (the caller keeps it alive), for tests and fuzzing.
    void openMemory(const std::uint8_t* data, std::size_t size);
    void close();

    // Copies up to n bytes from virtual position pos; fewer only at the end of the last file (or when a
    // file shrank since it was opened).
    std::size_t read(std::uint64_t pos, std::uint8_t* dst, std::size_t n);

    std::uint64_t size() const { return starts_.empty() ? 0 : starts_.back(); }
    int fileCount() const { return static_cast<int>(paths_.size()); }
    std::uint64_t fileSize(int i) const { return starts_[i + 1] - starts_[i]; }
    const std::string& path(int i) const { return paths_[i]; }
    std::uint64_t virtualPosition(int file, std::uint64_t offset) const { return starts_[file] + offset; }
    // File and offset of a virtual position (the last file for positions at or past the end).
    std::pair<int, std::uint64_t> locate(std::uint64_t pos) const;

  private:
    std::vector<std::FILE*> files_;
    const std::uint8_t* memory_ = nullptr;
    std::size_t memorySize_ = 0;
    std::vector<std::string> paths_;
    std::vector<std::uint64_t> starts_; // virtual start of each file, then the total size
    int current_ = -1;                  // file whose stream position is known
    std::uint64_t currentPos_ = 0;      // its position
};

} // namespace mivo::mpeg2
