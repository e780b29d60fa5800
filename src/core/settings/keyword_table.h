#pragma once
// The ini keyword table: one row per keyword, the single description the reader, the writer, the
// listing and the seen flags work from. A keyword with behaviour of its own carries it as a hook in its
// row.

#include "core/settings/keyword.h"
#include "core/settings/settings.h"

#include <optional>
#include <span>
#include <string_view>

namespace mivo {

class IniReader;
class IniWriter;
struct KeywordRow;

enum class ValueKind {
    Switch, // no value: the line itself sets the option
    Number, // integers or a real from the value column
    Words,  // one of a list of words anywhere in the value field
    Name,   // a file or folder name, case kept
    List,   // a count or nothing, then items on the lines that follow
};

// A word of a word value and the option value it stands for.
struct IniWord {
    std::string_view text;
    int value;
};

// What a switch line sets, and whether the options ask for the line.
struct SwitchSlot {
    void (*set)(EncoderOptions&) = nullptr;
    bool (*on)(const EncoderOptions&) = nullptr;
};

struct Clamp {
    int low;
    int high;
};

// Number values the writer leaves out.
enum class Omit { Never, NotPositive, AtDefault };

// One keyword line as the reader found it.
struct IniLine {
    const KeywordRow& row;
    std::string_view text;  // as read, case kept; a name may run on past column 512
    std::string_view upper; // the first 512 characters, upper-cased
};

struct KeywordRow {
    Keyword keyword; // its number is the seen-flag slot
    std::string_view name;
    ValueKind kind;
    int column = 0; // value column, counted from 1
    // The record slot, by kind.
    SwitchSlot flag{};
    int EncoderOptions::*number = nullptr; // integer numbers and words
    float EncoderOptions::*real = nullptr;
    std::string Settings::*text = nullptr; // names
    std::optional<Clamp> clamp{};
    std::span<const IniWord> words{};   // read: tried in this order at each position
    std::span<const IniWord> written{}; // written: the word for a value (a value without one writes nothing)
    std::size_t wordEnd = 79;           // the last column a word is looked for in
    std::optional<int> preset{};        // the option's value before the words are looked for
    Omit omit = Omit::Never;
    int fileOrder = 0;                       // place among the lines of a file, from 1; 0: never written
    int listingOrder = 0;                    // place among the lines of the listing
    bool SourceState::*sharedSeen = nullptr; // the seen flag is this source-state flag
    // Behaviour of the keyword's own.
    bool (*read)(IniReader&, const IniLine&) = nullptr; // instead of its kind's reading; false: error
    bool (*when)(const IniWriter&, const KeywordRow&) = nullptr; // written only when this holds
    bool (*write)(IniWriter&, const KeywordRow&) = nullptr;      // instead of its kind's; false: stop
};

std::span<const KeywordRow> keywordTable();
// The row of a keyword; every Keyword has one.
const KeywordRow& keywordRow(Keyword keyword);
// The row whose keyword has this seen-flag slot, or null.
const KeywordRow* keywordRowAt(std::size_t slot);
// The written rows in the file's order and in the listing's.
std::span<const KeywordRow* const> fileOrder();
std::span<const KeywordRow* const> listingOrder();

} // namespace mivo
