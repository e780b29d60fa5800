#include "file_set.h"

#include <algorithm>
#include <cstring>
#include <sys/types.h>

namespace mivo::mpeg2 {

namespace {

bool seekTo(std::FILE* f, std::uint64_t pos) {
#ifdef _WIN32
    return _fseeki64(f, static_cast<long long>(pos), SEEK_SET) == 0;
#else
    return fseeko(f, static_cast<off_t>(pos), SEEK_SET) == 0;
#endif
}

bool sizeOf(std::FILE* f, std::uint64_t& size) {
#ifdef _WIN32
    if (_fseeki64(f, 0, SEEK_END) != 0) return false;
    long long end = _ftelli64(f);
#else
    if (fseeko(f, 0, SEEK_END) != 0) return false;
    off_t end = ftello(f);
#endif
    if (end < 0) return false;
    size = static_cast<std::uint64_t>(end);
    return true;
}

} // namespace

FileSet::~FileSet() {
    close();
}

void FileSet::close() {
    for (std::FILE* f : files_)
        std::fclose(f);
    files_.clear();
    paths_.clear();
    starts_.clear();
    current_ = -1;
    memory_ = nullptr;
    memorySize_ = 0;
}

void FileSet::openMemory(const std::uint8_t* data, std::size_t size) {
    close();
    memory_ = data;
    memorySize_ = size;
    paths_.push_back("(memory)");
    starts_ = {0, size};
}

bool FileSet::open(const std::vector<std::string>& paths, std::string& error) {
    close();
    starts_.push_back(0);
    for (const std::string& p : paths) {
        std::FILE* f = std::fopen(p.c_str(), "rb");
        std::uint64_t size = 0;
        if (!f || !sizeOf(f, size)) {
            if (f) std::fclose(f);
            error = "cannot open " + p;
            close();
            return false;
        }
        // Reads are large and positioned; the stdio buffer would only add a copy.
        std::setvbuf(f, nullptr, _IONBF, 0);
        files_.push_back(f);
        paths_.push_back(p);
        starts_.push_back(starts_.back() + size);
    }
    return true;
}

std::pair<int, std::uint64_t> FileSet::locate(std::uint64_t pos) const {
    if (paths_.empty()) return {0, 0};
    auto it = std::upper_bound(starts_.begin(), starts_.end() - 1, pos);
    int file = static_cast<int>(it - starts_.begin()) - 1;
    file = std::clamp(file, 0, fileCount() - 1);
    return {file, pos - starts_[file]};
}

std::size_t FileSet::read(std::uint64_t pos, std::uint8_t* dst, std::size_t n) {
    if (memory_) {
        if (pos >= memorySize_) return 0;
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(n, memorySize_ - pos));
        std::memcpy(dst, memory_ + pos, count);
        return count;
    }
    std::size_t done = 0;
    while (done < n && pos < size()) {
        auto [file, offset] = locate(pos);
        std::uint64_t left = fileSize(file) - offset;
        std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, n - done));
        if (current_ != file || currentPos_ != offset) {
            if (!seekTo(files_[file], offset)) break;
            current_ = file;
            currentPos_ = offset;
        }
        std::size_t got = std::fread(dst + done, 1, want, files_[file]);
        currentPos_ += got;
        done += got;
        pos += got;
        if (got < want) {
            current_ = -1; // the file shrank or failed; the stream ends here
            break;
        }
    }
    return done;
}

} // namespace mivo::mpeg2
