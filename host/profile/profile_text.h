// Profile (INI) text as Windows reads it: lines split and classified once,
// for the reading calls' cache and for the writing call's line edits.
// Bytes are code page 932 and stay as they are.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace host {

enum class ProfileLineKind {
    kBlank,    // nothing but blanks
    kOutside,  // any text before the first section
    kSection,  // "[name]"; text after the closing bracket is ignored
    kComment,  // first non-blank is ';'
    kKey,      // "name=value"
    kBare,     // text without '=' inside a section
};

// Offset and length of a piece of the text.
struct TextSpan {
    size_t pos = 0;
    size_t size = 0;
};

struct ProfileLine {
    ProfileLineKind kind = ProfileLineKind::kBlank;
    size_t start = 0;       // first byte of the line
    size_t contentEnd = 0;  // end of its text, before CR LF or LF
    size_t end = 0;         // first byte of the next line
    TextSpan name;          // section or key name, or the bare text; trimmed
    TextSpan value;         // key value, trimmed, quotes still on
};

// Splits text at LF (a CR before it belongs to the line end; the last line
// may have none, and a CR that ends the text ends it) and classifies each
// line.
std::vector<ProfileLine> ParseProfileLines(std::string_view text);

inline std::string_view SpanText(std::string_view text, TextSpan span) {
    return text.substr(span.pos, span.size);
}

// A value as the reading calls return it: one pair of outermost matching
// quotes ("..." or '...') removed.
std::string_view UnquoteValue(std::string_view value);

// A section or key name given by a caller: leading and trailing spaces (only
// spaces) do not count.
std::string_view TrimNameArgument(const char* name);

// Hash key of a name: ASCII letters upper-cased, double-byte characters kept.
std::string NameKey(std::string_view name);

// Applies WritePrivateProfileString's change to text: sets key (value not
// null), deletes it (value null) or deletes the section (key null). Works on
// the first section of that name and its first key of that name, as lookups
// see them; every other byte is kept. False when nothing changes.
bool EditProfileText(std::string_view text, std::string_view section, const char* key, const char* value,
                     std::string* out);

}  // namespace host
