#include "profile/profile_text.h"

#include <cstring>

#include "core/codepage.h"

namespace host {

namespace {

// Blanks that Windows trims around names and values in the file.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v'; }

// The span [begin, end) without blanks at either end. None of the blanks is
// a trail byte of code page 932, so a byte test is enough.
TextSpan Trimmed(std::string_view text, size_t begin, size_t end) {
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return TextSpan{begin, end - begin};
}

void Classify(std::string_view text, bool* inSection, ProfileLine* line) {
    size_t begin = line->start;
    size_t end = line->contentEnd;
    while (begin < end && IsBlank(text[begin])) ++begin;
    if (begin == end) {
        line->kind = ProfileLineKind::kBlank;
        return;
    }
    if (text[begin] == '[') {
        // The name ends at the first ']' or at the line end; 0x5D can be the
        // trail byte of a double-byte character, which does not end it.
        size_t i = begin + 1;
        while (i < end && text[i] != ']') i += (IsLeadByte932((unsigned char)text[i]) && i + 1 < end) ? 2 : 1;
        line->kind = ProfileLineKind::kSection;
        line->name = Trimmed(text, begin + 1, i);
        *inSection = true;
        return;
    }
    if (!*inSection) {
        line->kind = ProfileLineKind::kOutside;
        return;
    }
    if (text[begin] == ';') {
        line->kind = ProfileLineKind::kComment;
        return;
    }
    // '=' (0x3D) is never a trail byte.
    const void* equals = memchr(text.data() + begin, '=', end - begin);
    if (!equals) {
        line->kind = ProfileLineKind::kBare;
        line->name = Trimmed(text, begin, end);
        return;
    }
    size_t at = (size_t)((const char*)equals - text.data());
    line->kind = ProfileLineKind::kKey;
    line->name = Trimmed(text, begin, at);
    line->value = Trimmed(text, at + 1, end);
}

// Ends the text's last line before more is appended: a final CR gets its LF.
void EndLastLine(std::string* out) {
    if (out->empty() || out->back() == '\n') return;
    out->append(out->back() == '\r' ? "\n" : "\r\n");
}

}  // namespace

std::vector<ProfileLine> ParseProfileLines(std::string_view text) {
    std::vector<ProfileLine> lines;
    bool inSection = false;
    size_t pos = 0;
    while (pos < text.size()) {
        ProfileLine line;
        line.start = pos;
        const void* newline = memchr(text.data() + pos, '\n', text.size() - pos);
        size_t lineEnd = newline ? (size_t)((const char*)newline - text.data()) : text.size();
        line.end = newline ? lineEnd + 1 : lineEnd;
        line.contentEnd = lineEnd;
        if (lineEnd > pos && text[lineEnd - 1] == '\r') --line.contentEnd;
        Classify(text, &inSection, &line);
        lines.push_back(line);
        pos = line.end;
    }
    return lines;
}

std::string_view UnquoteValue(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::string_view TrimNameArgument(const char* name) {
    std::string_view text(name);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

std::string NameKey(std::string_view name) { return UpperAscii932(std::string(name)); }

bool EditProfileText(std::string_view text, std::string_view section, const char* key, const char* value,
                     std::string* out) {
    std::vector<ProfileLine> lines = ParseProfileLines(text);
    const std::string sectionKey = NameKey(section);
    size_t header = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == ProfileLineKind::kSection && NameKey(SpanText(text, lines[i].name)) == sectionKey) {
            header = i;
            break;
        }
    }
    std::string_view keyName = key ? TrimNameArgument(key) : std::string_view();
    if (header == lines.size()) {
        if (!key || !value) return false;
        // A new section goes at the end of the file.
        out->assign(text);
        EndLastLine(out);
        out->append("[").append(section).append("]\r\n");
        out->append(keyName).append("=").append(value).append("\r\n");
        return true;
    }
    size_t next = header + 1;
    while (next < lines.size() && lines[next].kind != ProfileLineKind::kSection) ++next;
    const size_t sectionEnd = next < lines.size() ? lines[next].start : text.size();

    if (!key) {
        // The header and every line up to the next section.
        out->assign(text.substr(0, lines[header].start));
        out->append(text.substr(sectionEnd));
        return true;
    }
    const std::string wanted = NameKey(keyName);
    size_t found = next;
    size_t lastEntry = header;  // the line after which a new key goes
    for (size_t i = header + 1; i < next; ++i) {
        ProfileLineKind kind = lines[i].kind;
        if (kind == ProfileLineKind::kKey || kind == ProfileLineKind::kBare) lastEntry = i;
        if (found == next && kind == ProfileLineKind::kKey && NameKey(SpanText(text, lines[i].name)) == wanted)
            found = i;
    }
    if (!value) {
        if (found == next) return false;
        out->assign(text.substr(0, lines[found].start));
        out->append(text.substr(lines[found].end));
        return true;
    }
    if (found != next) {
        // The key keeps its spelling and its line end.
        const ProfileLine& line = lines[found];
        out->assign(text.substr(0, line.start));
        out->append(SpanText(text, line.name)).append("=").append(value);
        out->append(text.substr(line.contentEnd));
        return true;
    }
    size_t at = lines[lastEntry].end;
    out->assign(text.substr(0, at));
    EndLastLine(out);  // the last line had no line end
    out->append(keyName).append("=").append(value).append("\r\n");
    out->append(text.substr(at));
    return true;
}

}  // namespace host
