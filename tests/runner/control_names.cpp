#include "control_names.h"

#include "core/control_ids.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace mivo::scenario {

namespace {

struct NamedConstant {
    const char* space;
    const char* constant;
    int id;
};

constexpr NamedConstant kConstants[] = {
#include "control_names.inc"
};

std::vector<std::string> words(std::string_view name) {
    std::vector<std::string> out(1);
    for (const char ch : name) {
        if (ch == '-') {
            out.emplace_back();
            continue;
        }
        out.back() += ch;
    }
    return out;
}

bool namesPage(std::string_view space, PageId page) {
    if (space == pageName(page)) return true;
    return space == "preview" &&
           (page == PageId::Chapters || page == PageId::Zones || page == PageId::PanScan);
}

} // namespace

std::string controlName(std::string_view constant) {
    std::string out;
    for (const char ch : constant) {
        if (std::isupper(static_cast<unsigned char>(ch))) {
            if (!out.empty()) out += '-';
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        } else {
            out += ch;
        }
    }
    return out;
}

NameLookup findControlByName(PageId page, std::string_view name, const std::function<bool(int)>& isControl) {
    std::string asked(name);
    std::transform(asked.begin(), asked.end(), asked.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    const std::vector<std::string> askedWords = words(asked);
    struct Candidate {
        std::string name;
        int id;
    };
    std::vector<Candidate> matches;
    for (const NamedConstant& c : kConstants) {
        if (!namesPage(c.space, page) || !isControl(c.id)) continue;
        const std::string full = controlName(c.constant);
        if (full == asked) return {c.id, {}};
        const std::vector<std::string> fullWords = words(full);
        if (askedWords.size() < fullWords.size() &&
            std::equal(askedWords.begin(), askedWords.end(), fullWords.begin()))
            matches.push_back({full, c.id});
    }
    if (matches.size() == 1) return {matches.front().id, {}};
    const std::string where = std::string(pageName(page)) + " " + std::string(name);
    if (matches.empty()) return {0, "unknown control " + where};
    std::string listed;
    for (const Candidate& m : matches)
        listed += (listed.empty() ? "" : ", ") + m.name + " (" + std::to_string(m.id) + ")";
    return {0, "ambiguous control name " + where + ": " + listed};
}

} // namespace mivo::scenario
