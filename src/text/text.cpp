#include "text/text.h"

#include <cstring>

#include "app/setup_state.h"

// A search that stops at each character's first byte, so a trail byte equal
// to c (0x5C is a common one in Shift-JIS) is never taken for it.
const char* FindCharMb(const char* text, char c) {
    for (const char* p = text; *p; ++p) {
        if (*p == c) return p;
        if (IsDBCSLeadByte((BYTE)*p)) {
            if (!p[1]) return nullptr;
            ++p;
        }
    }
    return nullptr;
}

char* FindCharMb(char* text, char c) {
    return const_cast<char*>(FindCharMb(static_cast<const char*>(text), c));
}

BOOL IsTrailByteAt(const char* text, int n) {
    int position = 0;
    while (position < n) position += IsDBCSLeadByte((BYTE)text[position]) ? 2 : 1;
    return position != n;
}

namespace {

// A byte that Windows refuses in a file or folder name: a control byte, a
// separator, a drive or stream colon, a wildcard, a quote or a redirection.
BOOL IsRefusedInName(BYTE c) { return c < 0x20 || strchr("\\/:*?\"<>|", c) != nullptr; }

}  // namespace

BOOL IsOneFolderName(const char* name) {
    BOOL onlyDotsAndBlanks = TRUE;
    for (const char* p = name; *p; ++p) {
        BYTE c = (BYTE)*p;
        if (IsDBCSLeadByte(c) && p[1]) {
            onlyDotsAndBlanks = FALSE;
            ++p;
            continue;
        }
        if (IsRefusedInName(c)) return FALSE;
        if (c != '.' && c != ' ') onlyDotsAndBlanks = FALSE;
    }
    return !onlyDotsAndBlanks;
}

// Walks whole characters: a trail byte may be 0x7C ('|') or 0x5C ('\').
// Windows itself would take '/' for '\', and a ':' for a stream name on some
// file systems; they are refused all the same, since the program's own path
// scans know only '\' as a separator and a drive only at the start.
BOOL HasCharacterRefusedInPath(const char* path) {
    for (int i = 0; path[i]; ++i) {
        BYTE c = (BYTE)path[i];
        if (IsDBCSLeadByte(c)) {
            if (!path[i + 1]) return TRUE;
            ++i;
            continue;
        }
        if (c == '\\' || (c == ':' && i == 1)) continue;
        if (IsRefusedInName(c)) return TRUE;
    }
    return FALSE;
}

BOOL EnsureTrailingSeparator(char* text, int size) {
    int length = (int)strlen(text);
    if (length > 0 && text[length - 1] == '\\' && !IsTrailByteAt(text, length - 1)) return TRUE;
    return AppendText(text, size, "\\");
}

const char* FormatKey(unsigned n) {
    wsprintfA(setup.keyText, "%u", n);
    return setup.keyText;
}

BOOL CopyText(char* destination, int size, const char* source) {
    size_t length = strlen(source);
    if (length >= (size_t)size) {
        destination[0] = 0;
        return FALSE;
    }
    memcpy(destination, source, length + 1);
    return TRUE;
}

BOOL AppendTextPart(char* destination, int size, const char* source, int count) {
    size_t length = strlen(destination);
    if (length + (size_t)count >= (size_t)size) return FALSE;
    memcpy(destination + length, source, (size_t)count);
    destination[length + count] = 0;
    return TRUE;
}

BOOL AppendText(char* destination, int size, const char* source) {
    return AppendTextPart(destination, size, source, (int)strlen(source));
}
