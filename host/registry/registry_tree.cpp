#include "registry_tree.h"

#include <cstdio>

#include "core/codepage.h"
#include "core/machine.h"
#include "hostwin/registry.h"

namespace host {
namespace reg {

namespace {

const char* const kRootNames[kRootCount] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER",
                                            "HKEY_CLASSES_ROOT"};
const char* const kRootAbbreviations[kRootCount] = {"HKLM", "HKCU", "HKCR"};

// Marks a key that RegDeleteKeyA must refuse; only the machine's own file
// carries it.
const char kUndeletableMark[] = ";undeletable";

// Hex lines are wrapped before this many columns, as regedit does.
const size_t kLineWidth = 80;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string TrimBlanks(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// Characters of code page 932 text; false when it ends in a lone lead byte.
bool CountChars932(const std::string& text, size_t* count) {
    size_t n = 0;
    for (size_t i = 0; i < text.size(); ++i, ++n) {
        if (IsLeadByte932((unsigned char)text[i])) {
            if (i + 1 >= text.size()) return false;
            ++i;
        }
    }
    *count = n;
    return true;
}

// Quotes a name or string: backslash and double quote escaped, double-byte
// characters copied whole (a trail byte 0x5C is no backslash).
std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (IsLeadByte932((unsigned char)c) && i + 1 < text.size()) {
            out += c;
            out += text[++i];
        } else {
            if (c == '\\' || c == '"') out += '\\';
            out += c;
        }
    }
    return out + "\"";
}

// Reads a quoted text starting at text[*pos] == '"'; *pos moves past the
// closing quote. A backslash escapes only a backslash or a double quote;
// before anything else it is kept as it is.
bool Unquote(const std::string& text, size_t* pos, std::string* out) {
    out->clear();
    size_t i = *pos + 1;
    while (i < text.size()) {
        char c = text[i];
        if (IsLeadByte932((unsigned char)c) && i + 1 < text.size()) {
            *out += c;
            *out += text[i + 1];
            i += 2;
        } else if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
            *out += text[i + 1];
            i += 2;
        } else if (c == '"') {
            *pos = i + 1;
            return true;
        } else {
            *out += c;
            ++i;
        }
    }
    return false;
}

// A REG_SZ that "name"="text" gives back byte for byte: one terminating zero,
// no other zero, no line break, no lone lead byte.
bool IsPlainString(const Value& value) {
    if (value.type != REG_SZ || value.data.empty() || value.data.back() != '\0') return false;
    std::string body = value.data.substr(0, value.data.size() - 1);
    size_t count;
    return body.find_first_of(std::string("\0\r\n", 3)) == std::string::npos &&
           CountChars932(body, &count);
}

void AppendValue(const Value& value, std::string* out) {
    std::string line = (value.name.empty() ? std::string("@") : Quote(value.name)) + "=";
    if (IsPlainString(value)) {
        *out += line + Quote(value.data.substr(0, value.data.size() - 1)) + "\n";
        return;
    }
    char number[16];
    if (value.type == REG_DWORD && value.data.size() == 4) {
        const unsigned char* b = (const unsigned char*)value.data.data();
        unsigned long dword = b[0] | (b[1] << 8) | (b[2] << 16) | ((unsigned long)b[3] << 24);
        snprintf(number, sizeof number, "%08lx", dword);
        *out += line + "dword:" + number + "\n";
        return;
    }
    if (value.type == REG_BINARY) {
        line += "hex:";
    } else {
        snprintf(number, sizeof number, "%lx", (unsigned long)value.type);
        line += std::string("hex(") + number + "):";
    }
    size_t onLine = 0;  // bytes written on the current line
    for (size_t i = 0; i < value.data.size(); ++i) {
        snprintf(number, sizeof number, "%02x", (unsigned char)value.data[i]);
        std::string piece = number;
        if (i + 1 < value.data.size()) piece += ",";
        if (onLine > 0 && line.size() + piece.size() + 1 > kLineWidth) {
            *out += line + "\\\n";
            line = "  ";
            onLine = 0;
        }
        line += piece;
        ++onLine;
    }
    *out += line + "\n";
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Parses 1 to `maxDigits` hex digits, the whole text.
bool ParseHexNumber(const std::string& text, size_t maxDigits, unsigned long* number) {
    if (text.empty() || text.size() > maxDigits) return false;
    unsigned long n = 0;
    for (char c : text) {
        int digit = HexDigit(c);
        if (digit < 0) return false;
        n = n * 16 + (unsigned long)digit;
    }
    *number = n;
    return true;
}

// "01,ab, 2c" -> bytes; an empty list and a trailing comma are allowed.
bool ParseHexBytes(const std::string& text, std::string* bytes) {
    bytes->clear();
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        std::string token = TrimBlanks(text.substr(start, comma - start));
        unsigned long byte;
        if (!token.empty()) {
            if (!ParseHexNumber(token, 2, &byte)) return false;
            *bytes += (char)byte;
        } else if (comma < text.size()) {
            return false;  // an empty item between two commas
        }
        start = comma + 1;
    }
    return true;
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    std::string p = prefix;
    return text.size() >= p.size() && EqualNoCase932(text.substr(0, p.size()), p);
}

// Parses the text after '=': a value to set, or "-" to delete (*remove).
bool ParseValueData(const std::string& text, Value* value, bool* remove) {
    *remove = false;
    if (text == "-") {
        *remove = true;
        return true;
    }
    if (!text.empty() && text[0] == '"') {
        size_t pos = 0;
        std::string body;
        if (!Unquote(text, &pos, &body) || !TrimBlanks(text.substr(pos)).empty()) return false;
        value->type = REG_SZ;
        value->data = body + std::string(1, '\0');
        return true;
    }
    if (StartsWithNoCase(text, "dword:")) {
        unsigned long n;
        if (!ParseHexNumber(TrimBlanks(text.substr(6)), 8, &n)) return false;
        value->type = REG_DWORD;
        value->data.clear();
        for (int i = 0; i < 4; ++i) value->data += (char)((n >> (8 * i)) & 0xFF);
        return true;
    }
    if (StartsWithNoCase(text, "hex:")) {
        value->type = REG_BINARY;
        return ParseHexBytes(text.substr(4), &value->data);
    }
    if (StartsWithNoCase(text, "hex(")) {
        size_t close = text.find("):");
        unsigned long type;
        if (close == std::string::npos || !ParseHexNumber(text.substr(4, close - 4), 8, &type))
            return false;
        value->type = (DWORD)type;
        return ParseHexBytes(text.substr(close + 2), &value->data);
    }
    return false;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

}  // namespace

Key* Key::Find(const std::string& name) const {
    auto it = subkeys.find(UpperAscii932(name));
    return it == subkeys.end() ? nullptr : it->second.get();
}

Key* Key::Create(const std::string& name, bool* created) {
    std::unique_ptr<Key>& slot = subkeys[UpperAscii932(name)];
    *created = !slot;
    if (!slot) {
        slot.reset(new Key);
        slot->name = name;
    }
    return slot.get();
}

Value* Key::FindValue(const std::string& name) {
    for (Value& value : values)
        if (EqualNoCase932(value.name, name)) return &value;
    return nullptr;
}

void Key::SetValue(const std::string& name, DWORD type, const std::string& data) {
    Value* value = FindValue(name);
    if (!value) {
        values.push_back(Value());
        value = &values.back();
        value->name = name;
    }
    value->type = type;
    value->data = data;
}

bool Key::RemoveValue(const std::string& name) {
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (EqualNoCase932(it->name, name)) {
            values.erase(it);
            return true;
        }
    }
    return false;
}

Tree::Tree() { Clear(); }

void Tree::Clear() {
    for (int root = 0; root < kRootCount; ++root) {
        roots_[root] = Key();
        roots_[root].name = kRootNames[root];
    }
}

Key* Tree::Resolve(const KeyPath& path) {
    Key* key = &roots_[path.root];
    for (const std::string& name : path.names) {
        key = key->Find(name);
        if (!key) return nullptr;
    }
    return key;
}

Key* Tree::CreatePath(const KeyPath& path) {
    Key* key = &roots_[path.root];
    bool created;
    for (const std::string& name : path.names) key = key->Create(name, &created);
    return key;
}

const char* RootName(int root) { return kRootNames[root]; }

bool ParseKeyPath(const std::string& text, bool abbreviations, KeyPath* path) {
    std::vector<std::string> levels = SplitPath(text);
    if (levels.size() > 1 && levels.back().empty()) levels.pop_back();
    path->root = -1;
    for (int root = 0; root < kRootCount; ++root) {
        if (EqualNoCase932(levels[0], kRootNames[root]) ||
            (abbreviations && EqualNoCase932(levels[0], kRootAbbreviations[root])))
            path->root = root;
    }
    if (path->root < 0) return false;
    path->names.assign(levels.begin() + 1, levels.end());
    for (const std::string& name : path->names)
        if (name.empty()) return false;
    return true;
}

std::string FormatKeyPath(int root, const std::vector<std::string>& names) {
    std::string out = kRootNames[root];
    for (const std::string& name : names) out += "\\" + name;
    return out;
}

bool IsValidKeyName(const std::string& name) {
    size_t count;
    if (name.empty() || !CountChars932(name, &count) || count > 255) return false;
    for (char c : name)
        if ((unsigned char)c < 0x20 || c == 0x7F) return false;
    return true;
}

bool IsValidValueName(const std::string& name) {
    size_t count;
    return name.find_first_of("\r\n") == std::string::npos && CountChars932(name, &count);
}

std::string FormatRegHeader() { return "REGEDIT4\n\n"; }

void FormatKeyTree(const Key& key, int root, std::vector<std::string>* names, bool withState,
                   std::string* out) {
    *out += "[" + FormatKeyPath(root, *names) + "]\n";
    if (withState && key.undeletable) *out += std::string(kUndeletableMark) + "\n";
    for (const Value& value : key.values) AppendValue(value, out);
    *out += "\n";
    for (const auto& sub : key.subkeys) {
        names->push_back(sub.second->name);
        FormatKeyTree(*sub.second, root, names, withState, out);
        names->pop_back();
    }
}

bool DeleteSubtree(Key* parent, const std::string& name) {
    auto it = parent->subkeys.find(UpperAscii932(name));
    if (it == parent->subkeys.end()) return true;
    Key* key = it->second.get();
    std::vector<std::string> children;
    for (const auto& sub : key->subkeys) children.push_back(sub.second->name);
    for (const std::string& child : children) DeleteSubtree(key, child);
    if (!key->subkeys.empty() || key->undeletable) return false;
    parent->subkeys.erase(it);
    return true;
}

namespace {

// Index of the "REGEDIT4" line, or lines.size() when the text has none first.
size_t HeaderLine(const std::vector<std::string>& lines) {
    size_t i = 0;
    while (i < lines.size() && TrimBlanks(lines[i]).empty()) ++i;
    return i < lines.size() && TrimBlanks(lines[i]) == "REGEDIT4" ? i : lines.size();
}

}  // namespace

bool IsRegText(const std::string& text) {
    std::vector<std::string> lines = SplitLines(text);
    return HeaderLine(lines) < lines.size();
}

namespace {

// Applies the lines after the "REGEDIT4" line at lines[header]. True when
// every line was read; else *problemLine (counted from 1) and *problem tell
// the first that was not (the others are applied all the same).
bool ApplyLines(Tree* tree, const std::vector<std::string>& lines, size_t header, bool stateFile, size_t* problemLine,
                std::string* problem) {
    *problemLine = 0;
    auto report = [&](size_t index, const std::string& what) {
        if (*problemLine == 0) {
            *problemLine = index + 1;
            *problem = what;
        }
    };
    Key* current = nullptr;  // key of the last [KEY] line; null after [-KEY] or a bad one
    bool afterDelete = false;  // values after [-KEY] have no key: let go on import
    for (size_t i = header + 1; i < lines.size(); ++i) {
        std::string line = TrimBlanks(lines[i]);
        if (line.empty()) continue;
        if (line[0] == ';') {
            if (stateFile && current && line == kUndeletableMark) current->undeletable = true;
            continue;
        }
        if (line[0] == '[') {
            current = nullptr;
            afterDelete = false;
            size_t close = line.rfind(']');
            bool remove = line.size() > 1 && line[1] == '-';
            size_t start = remove ? 2 : 1;
            KeyPath path;
            if (close == std::string::npos || close < start ||
                !ParseKeyPath(line.substr(start, close - start), false, &path)) {
                report(i, "not a key of HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER or HKEY_CLASSES_ROOT");
                continue;
            }
            if (path.names.size() > kMaxKeyDepth) {
                report(i, "a key more than " + std::to_string(kMaxKeyDepth) + " levels deep");
                continue;
            }
            if (remove) {
                if (path.names.empty()) {
                    report(i, "a root key cannot be deleted");
                    continue;
                }
                std::string last = path.names.back();
                path.names.pop_back();
                if (Key* parent = tree->Resolve(path)) DeleteSubtree(parent, last);
                afterDelete = true;
                continue;
            }
            bool valid = true;
            for (const std::string& name : path.names) valid = valid && IsValidKeyName(name);
            if (!valid) {
                report(i, "a key name that cannot be stored");
                continue;
            }
            current = tree->CreatePath(path);
            continue;
        }
        if (line[0] != '"' && line[0] != '@') {
            report(i, "not a key, a value or a comment");
            continue;
        }
        size_t lineIndex = i;
        Value value;
        size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (!Unquote(line, &pos, &value.name)) {
            report(lineIndex, "a value name without its closing quote");
            continue;
        }
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        if (pos >= line.size() || line[pos] != '=') {
            report(lineIndex, "a value without '='");
            continue;
        }
        std::string data = TrimBlanks(line.substr(pos + 1));
        if (StartsWithNoCase(data, "hex")) {
            // A hex list goes on over lines that end in a backslash.
            while (!data.empty() && data.back() == '\\' && i + 1 < lines.size()) {
                data.pop_back();
                data += TrimBlanks(lines[++i]);
            }
        }
        bool remove;
        if (!ParseValueData(data, &value, &remove) || !IsValidValueName(value.name)) {
            report(lineIndex, "a value that cannot be read");
            continue;
        }
        if (!current) {
            // The machine's own file keeps every value it holds.
            if (!afterDelete || stateFile) report(lineIndex, "a value outside a key");
            continue;
        }
        if (remove) current->RemoveValue(value.name);
        else current->SetValue(value.name, value.type, value.data);
    }
    return *problemLine == 0;
}

}  // namespace

bool ApplyRegText(Tree* tree, const std::string& text, std::string* error) {
    std::vector<std::string> lines = SplitLines(text);
    size_t header = HeaderLine(lines);
    if (header == lines.size()) {
        *error = "not REGEDIT4 text";
        return false;
    }
    size_t line;
    std::string what;
    if (ApplyLines(tree, lines, header, false, &line, &what)) return true;
    *error = "line " + std::to_string(line) + ": " + what;
    return false;
}

bool LoadRegState(Tree* tree, const std::string& text, size_t* line, std::string* what) {
    std::vector<std::string> lines = SplitLines(text);
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        *line = 1;
        *what = "a UTF-8 byte-order mark: the file is not code page 932 text";
        return false;
    }
    size_t header = HeaderLine(lines);
    if (header == lines.size()) {
        size_t first = 0;  // the first line that is not blank
        while (first < lines.size() && TrimBlanks(lines[first]).empty()) ++first;
        *line = first < lines.size() ? first + 1 : 1;
        *what = "not the REGEDIT4 line";
        return false;
    }
    if (!ApplyLines(tree, lines, header, true, line, what)) return false;
    if (text.back() != '\n') {
        *line = lines.size();
        *what = "the file ends inside it";
        return false;
    }
    return true;
}

}  // namespace reg
}  // namespace host
