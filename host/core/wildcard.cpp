#include "wildcard.h"

#include "codepage.h"

namespace host {

namespace {

// Splits a 932 text into its characters.
std::string::size_type CharLength(const std::string& text, size_t at) {
    return IsLeadByte932((unsigned char)text[at]) && at + 1 < text.size() ? 2 : 1;
}

bool Match(const std::string& pattern, size_t p, const std::string& name, size_t n) {
    while (p < pattern.size()) {
        char c = pattern[p];
        if (c == '*') {
            for (size_t k = n;; k += CharLength(name, k)) {
                if (Match(pattern, p + 1, name, k)) return true;
                if (k >= name.size()) return false;
            }
        }
        if (n >= name.size()) return false;
        size_t pl = CharLength(pattern, p), nl = CharLength(name, n);
        if (c != '?' && (pl != nl || pattern.compare(p, pl, name, n, nl) != 0)) return false;
        p += pl;
        n += nl;
    }
    return n == name.size();
}

}  // namespace

bool HasWildcards(const std::string& pattern) {
    return pattern.find_first_of("*?") != std::string::npos;
}

bool MatchWildcard(const std::string& pattern, const std::string& name) {
    std::string p = UpperAscii932(pattern);
    if (p == "*.*" || p == "*") return true;
    return Match(p, 0, UpperAscii932(name), 0);
}

}  // namespace host
