#include "uninstall/registered_program.h"

#include <cstring>

#include "app/setup_state.h"
#include "settings/settings.h"
#include "text/text.h"

BOOL IsSamePath(const char* a, const char* b) {
    char fullA[kPathSize], fullB[kPathSize];
    DWORD lengthA = GetFullPathNameA(a, sizeof fullA, fullA, nullptr);
    DWORD lengthB = GetFullPathNameA(b, sizeof fullB, fullB, nullptr);
    if (!lengthA || lengthA >= sizeof fullA || !lengthB || lengthB >= sizeof fullB) return FALSE;
    if (lstrcmpiA(fullA, fullB) == 0) return TRUE;
    char shortA[kPathSize], shortB[kPathSize];
    lengthA = GetShortPathNameA(fullA, shortA, sizeof shortA);
    lengthB = GetShortPathNameA(fullB, shortB, sizeof shortB);
    return lengthA && lengthA < sizeof shortA && lengthB && lengthB < sizeof shortB && lstrcmpiA(shortA, shortB) == 0;
}

BOOL IsRegisteredProgram(const char* path) {
    char command[kPathSize + 1];
    ReadUninstallString(command);
    if (command[0] == '"') {
        // The program's path is the quoted text.
        char* end = FindCharMb(command + 1, '"');
        if (!end) return FALSE;
        *end = 0;
        return IsSamePath(command + 1, path);
    }
    // Unquoted: the program's path ends at a blank or at the end; a path
    // with blanks of its own is tried at each blank.
    for (char* from = command;;) {
        char* blank = FindCharMb(from, ' ');
        if (!blank) return IsSamePath(command, path);
        *blank = 0;
        if (IsSamePath(command, path)) return TRUE;
        *blank = ' ';
        from = blank + 1;
    }
}
