#pragma once
// Files the program writes are written whole or not at all: the bytes go to a temporary file beside the
// target, which replaces the target only once everything reached the disk. A failure leaves the earlier
// file as it was.

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace mivo {

// The step a whole-file write failed at, so that a writer can say "cannot open" or "cannot write" as its
// own messages do: a folder that is missing or read-only fails at Open, a full disk at Write.
enum class WriteFailure { None, Open, Write, Replace };

// True when `path` now holds exactly `bytes`; otherwise `failure` (when given) names the failed step.
bool writeWholeFile(const std::string& path, std::string_view bytes, WriteFailure* failure = nullptr);

// The file's bytes; false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::string& bytes);

// Where the file waits until it is complete: beside the target, so the rename stays on one file system
// and replaces the old file in one step.
std::string temporaryBeside(const std::string& path);
// Puts the completed temporary file in place of `path`. On failure the temporary file is removed, the
// earlier file stays, and `why` (when given) says what went wrong.
bool replaceWithTemporary(const std::string& temporary, const std::string& path, std::string* why = nullptr);

// A whole-file write for output too large to hold in memory (the encoder's stream): the bytes stream into
// the temporary file, which takes the target's place on commit(). Destroyed without a commit, or after
// any failure, it removes the temporary file and leaves the earlier file as it was.
class WholeFileStream {
  public:
    explicit WholeFileStream(std::string path);
    ~WholeFileStream();
    WholeFileStream(const WholeFileStream&) = delete;
    WholeFileStream& operator=(const WholeFileStream&) = delete;

    bool open();
    bool write(const void* data, std::size_t size);
    bool commit(std::string* why = nullptr);
    WriteFailure failure() const { return failure_; }
    const std::string& temporary() const { return temp_; }

  private:
    bool fail(WriteFailure step);

    std::string path_, temp_;
    std::FILE* file_ = nullptr;
    std::size_t written_ = 0;
    WriteFailure failure_ = WriteFailure::None;
};

// Test seam for the writers' failure paths where no small file system can be mounted: from now on the
// whole-file writes of this process fail as a read-only folder does (at Open, creating nothing) or as a
// full disk does (at Write, after `roomLeft` more bytes of each file). None ends it. Writes outside
// tests never set it.
enum class WriteFault { None, ReadOnly, DiskFull };
void injectWriteFault(WriteFault fault, std::size_t roomLeft = 0);

} // namespace mivo
