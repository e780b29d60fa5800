#include "base/whole_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>

namespace mivo {

namespace {

// The injected fault is the one piece of state here: tests switch it for the whole process, which is the
// scope a real full disk or read-only folder has too.
std::atomic<WriteFault> injectedFault{WriteFault::None};
std::atomic<std::size_t> injectedRoom{0};

} // namespace

void injectWriteFault(WriteFault fault, std::size_t roomLeft) {
    injectedRoom = roomLeft;
    injectedFault = fault;
}

std::string temporaryBeside(const std::string& path) {
    return path + ".writing";
}

bool replaceWithTemporary(const std::string& temporary, const std::string& path, std::string* why) {
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (!ec) return true;
    if (why) *why = ec.message();
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return false;
}

WholeFileStream::WholeFileStream(std::string path) : path_(std::move(path)), temp_(temporaryBeside(path_)) {}

WholeFileStream::~WholeFileStream() {
    if (file_) fail(failure_); // never committed: the earlier file stays
}

bool WholeFileStream::fail(WriteFailure step) {
    failure_ = step;
    if (file_) std::fclose(file_);
    file_ = nullptr;
    std::error_code ignored;
    if (step != WriteFailure::Open) std::filesystem::remove(temp_, ignored);
    return false;
}

bool WholeFileStream::open() {
    if (injectedFault == WriteFault::ReadOnly) {
        errno = EROFS;
        return fail(WriteFailure::Open);
    }
    // A name that is a folder can never be replaced: refuse before a temporary file is made for it.
    std::error_code ec;
    if (path_.empty() || std::filesystem::is_directory(path_, ec)) {
        errno = EISDIR;
        return fail(WriteFailure::Open);
    }
    file_ = std::fopen(temp_.c_str(), "wb");
    written_ = 0;
    failure_ = WriteFailure::None;
    return file_ ? true : fail(WriteFailure::Open);
}

bool WholeFileStream::write(const void* data, std::size_t size) {
    if (!file_) return false;
    std::size_t allowed = size;
    if (injectedFault == WriteFault::DiskFull)
        allowed = std::min(size, injectedRoom - std::min<std::size_t>(injectedRoom, written_));
    const std::size_t put = std::fwrite(data, 1, allowed, file_);
    written_ += put;
    if (put == size) return true;
    if (allowed < size) errno = ENOSPC;
    return fail(WriteFailure::Write);
}

bool WholeFileStream::commit(std::string* why) {
    if (!file_) return false;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!closed) return fail(WriteFailure::Write);
    if (replaceWithTemporary(temp_, path_, why)) return true;
    failure_ = WriteFailure::Replace; // the temporary file is already gone
    return false;
}

bool writeWholeFile(const std::string& path, std::string_view bytes, WriteFailure* failure) {
    WholeFileStream out(path);
    const bool ok = out.open() && out.write(bytes.data(), bytes.size()) && out.commit();
    if (failure) *failure = out.failure();
    return ok;
}

bool readWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    // A folder opens as a file on POSIX systems and reports an endless size: reserving it would throw.
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    // Room for the whole file at once, so a list file of megabytes is not copied as the text grows; the
    // loop still reads to the end should the file have grown meanwhile.
    if (std::fseek(f, 0, SEEK_END) == 0) {
        if (const long size = std::ftell(f); size > 0) bytes.reserve(static_cast<std::size_t>(size));
        std::rewind(f);
    }
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.append(chunk, got);
    const bool ok = std::ferror(f) == 0;
    std::fclose(f);
    return ok;
}

} // namespace mivo
