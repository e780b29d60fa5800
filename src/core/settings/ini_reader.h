#pragma once
// One read of ini text, as the keyword rows' reading hooks see it: the record, the lines still to come,
// and the reading of the values of a keyword line.

#include "core/free_format.h"
#include "core/settings/ini_codec.h"
#include "core/settings/keyword_table.h"

#include <optional>
#include <span>
#include <string>

namespace mivo {

class IniReader {
  public:
    static constexpr std::size_t kLineLength = 512;

    IniReader(Settings& settings, const IniInputCheck& check) : s_(settings), check_(check) {}

    IniReadReport run(std::string_view text, IniMode mode);

    Settings& settings() { return s_; }
    // The lines after the keyword line: list items are read from here.
    ff::TextLines& lines() { return *lines_; }

    // Numbers from the line's value column to column 80; false when they are missing or do not read.
    bool ints(const IniLine& line, std::span<int> out) const;
    bool integer(const IniLine& line, int& out) const { return ints(line, std::span<int>(&out, 1)); }
    bool real(const IniLine& line, float& out) const;
    // A name from the value column: false when there is none within the first 99 characters.
    bool name(const IniLine& line, std::string& out) const;
    void markSeen(const IniLine& line) { s_.seen.set(line.row.keyword, true); }
    // *INFILE: the name is the input when it exists and the check accepts it.
    void checkInput(const std::string& name);

  private:
    enum class InputStatus { None, Accepted, FilesMissing, VersionMismatch };

    bool handle(const IniLine& line);
    bool readKind(const IniLine& line);
    const KeywordRow* find(std::string_view upper) const;
    void saveRecord();
    void restoreRecord();
    IniReadReport report(IniMode mode) const;
    bool exists(const std::string& path) const;

    Settings& s_;
    const IniInputCheck& check_;
    ff::TextLines* lines_ = nullptr;
    bool inputFound_ = false;
    InputStatus inputStatus_ = InputStatus::None;

    // The record as the read found it, to go back to when the file turns out broken.
    struct Saved {
        EncoderOptions options;
        int startFrame, endFrame;
        bool avsReload;
        std::string dbPath, llPath;
        int zoneCount;
        std::vector<int> zoneFrames;
        std::vector<float> zoneFactors;
        MatrixValues customIntra, customNonIntra;
    };
    std::optional<Saved> saved_;
};

} // namespace mivo
