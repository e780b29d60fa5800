#pragma once
// The ini codec: text into the settings record and its seen flags, and the record into text. It knows
// no controls; what the pages show reaches the writer through the record's pageValues, and what a read
// has to say comes back as a report for the caller's status line.

#include "core/settings/settings.h"
#include "core/status_line.h"

#include <functional>
#include <string>
#include <string_view>

namespace mivo {

// 1: Mivo.ini beside the program; 2: a user ini file.
enum class IniMode { Default = 1, User = 2 };

// What the input check makes of an existing *INFILE name.
enum class IniInputOutcome {
    Accepted,        // usable input: inputAccepted on
    FilesMissing,    // a D2V project whose video files are not all there
    VersionMismatch, // a D2V project of a version no decoder library exists for
    NotAnInput,      // neither kind of input
};

// The outside facts the reader asks about *INFILE names (and, for a file, about the ini file itself).
struct IniInputCheck {
    // Fallback: the file system says whether a regular file of that name exists.
    std::function<bool(const std::string& path)> fileExists;
    // Fallback: accepted when the name ends in ".d2v" or ".avs" (any letter case).
    std::function<IniInputOutcome(const std::string& name)> classify;
};

enum class IniReadOutcome {
    Processed,  // read to its end
    NotFound,   // Mivo.ini is not there: the defaults stand
    CannotOpen, // no seen flags
    CannotRead, // the file opened but its bytes could not be had: no seen flags
    Broken,     // a value that does not read: no seen flags, and the record as it was before the read
};

// What a read has to say, in the order the status line says it.
struct IniReadReport {
    IniReadOutcome outcome = IniReadOutcome::Processed;
    std::string message;      // the new status text
    std::string inputProblem; // appended next when the *INFILE project was refused
    bool inputFound = false;  // without it the input warning follows
};

inline constexpr std::string_view kInputNotFoundWarning = ", WARNING, input file not found";

// Reads ini text into the record and the seen flags. The caller has cleared the names, the seen flags
// and the chapter and pan-scan lists, and set the options to their defaults.
IniReadReport parseIni(std::string_view text, IniMode mode, Settings& settings,
                       const IniInputCheck& check = {});
// The same over a file; a missing Mivo.ini and a file that does not open or read are reported.
IniReadReport parseIniFile(const std::string& path, IniMode mode, Settings& settings,
                           const IniInputCheck& check = {});

enum class IniTarget { File, Listing };

struct IniRender {
    bool complete = true;            // false: stopped at a constant-quantisation value that is no number
    std::size_t longestNameLine = 0; // characters of the longest file-name or folder line
};

// Appends the ini lines of the record (options from its pageValues) to `out`, each ended by CR LF: in the
// file's order, or in the listing's order with names cut short and folders listed whenever they are set.
IniRender formatIni(const Settings& settings, IniTarget target, std::string& out);

// Writes the record as an ini file, whole or not at all, with its messages on the status line; sets and
// returns writeOk.
bool writeIni(const std::string& path, Settings& settings, StatusLine& status);

} // namespace mivo
