#include "command_line.h"

namespace {

BOOL IsBlank(char c) { return c && (unsigned char)c <= ' '; }

// The next character: a lead byte and its trail byte are one.
LPSTR NextCharacter(LPSTR p) { return IsDBCSLeadByte((BYTE)*p) && p[1] ? p + 2 : p + 1; }

}  // namespace

// A quoted name ends at the next quote, an unquoted one at the first blank or
// control byte, as the C runtime's start-up has it; a trail byte is never
// taken for a quote or a blank.
LPSTR ArgumentsAfterProgramName(LPSTR line) {
    if (*line == '"') {
        ++line;
        while (*line && *line != '"') line = NextCharacter(line);
        if (*line == '"') ++line;
    } else {
        while (*line && !IsBlank(*line)) line = NextCharacter(line);
    }
    while (IsBlank(*line)) ++line;
    return line;
}
