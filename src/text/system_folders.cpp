#include "text/system_folders.h"

#include <cstring>

#include "app/setup_state.h"
#include "text/text.h"

namespace {

const char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// A path in the two forms it is compared in: full, and with its existing
// levels in their short form, so that C:\PROGRA~1 meets C:\Program Files.
// Neither ends in a backslash, except a drive root.
struct PathForms {
    char full[kPathSize];
    char shortened[kPathSize];
};

BOOL IsDrivePath(const char* path) { return path[0] && path[1] == ':' && path[2] == '\\'; }

// Takes off a final backslash character (not a trail byte 0x5C), but not a root's.
void DropTrailingSeparator(char* path) {
    int length = (int)strlen(path);
    if (length > 3 && path[length - 1] == '\\' && !IsTrailByteAt(path, length - 1)) path[length - 1] = 0;
}

// Offset of the last backslash character that begins before byte end, or -1.
int LastSeparatorBefore(const char* path, int end) {
    int last = -1;
    for (const char* p = FindCharMb(path, '\\'); p && p - path < end; p = FindCharMb(p + 1, '\\'))
        last = (int)(p - path);
    return last;
}

// The short form of full's deepest existing level, followed by the levels
// below it as written; full itself when nothing below the root exists.
void ShortenExistingLevels(const char* full, char* shortened) {
    char head[kPathSize];
    CopyText(head, sizeof head, full);
    int end = (int)strlen(head);
    for (;;) {
        DWORD length = GetShortPathNameA(head, shortened, kPathSize);
        if (length > 0 && length < (DWORD)kPathSize) {
            DropTrailingSeparator(shortened);
            if (AppendText(shortened, kPathSize, full + end)) return;
            break;
        }
        int separator = LastSeparatorBefore(head, end);
        if (separator <= 2) break;
        head[separator] = 0;
        end = separator;
    }
    CopyText(shortened, kPathSize, full);
}

BOOL ReadForms(const char* path, PathForms* forms) {
    DWORD length = GetFullPathNameA(path, kPathSize, forms->full, nullptr);
    if (length == 0 || length >= (DWORD)kPathSize || !IsDrivePath(forms->full)) return FALSE;
    DropTrailingSeparator(forms->full);
    ShortenExistingLevels(forms->full, forms->shortened);
    return TRUE;
}

BYTE UpperAscii(BYTE c) { return c >= 'a' && c <= 'z' ? (BYTE)(c - 'a' + 'A') : c; }

// True when folder is path or lies below it: path's levels are folder's
// first levels. Letters compare without regard to case; double-byte
// characters byte for byte, so both texts are walked by the same characters.
BOOL IsSameOrAbove(const char* path, const char* folder) {
    const BYTE* a = (const BYTE*)path;
    const BYTE* b = (const BYTE*)folder;
    BOOL endsInSeparator = FALSE;  // a drive root
    while (*a) {
        if (IsDBCSLeadByte(*a)) {
            if (!a[1] || a[0] != b[0] || a[1] != b[1]) return FALSE;
            a += 2;
            b += 2;
            endsInSeparator = FALSE;
            continue;
        }
        if (UpperAscii(*a) != UpperAscii(*b)) return FALSE;
        endsInSeparator = *a == '\\';
        ++a;
        ++b;
    }
    return !*b || *b == '\\' || endsInSeparator;
}

// True when the candidate is the folder or holds it. A text that is no
// drive path (a value of another kind, a network path) names no folder here.
BOOL Covers(const PathForms& candidate, const char* folder) {
    PathForms forms;
    if (!IsDrivePath(folder) || !ReadForms(folder, &forms)) return FALSE;
    return IsSameOrAbove(candidate.full, forms.full) || IsSameOrAbove(candidate.shortened, forms.shortened);
}

// The Windows and system directories, and Program Files on the Windows drive.
BOOL CoversWindowsFolders(const PathForms& candidate) {
    char folder[kPathSize];
    UINT length = GetWindowsDirectoryA(folder, sizeof folder);
    if (length > 0 && length < sizeof folder) {
        if (Covers(candidate, folder)) return TRUE;
        folder[3] = 0;
        if (AppendText(folder, sizeof folder, "Program Files") && Covers(candidate, folder)) return TRUE;
    }
    length = GetSystemDirectoryA(folder, sizeof folder);
    return length > 0 && length < sizeof folder && Covers(candidate, folder);
}

BOOL CoversRegisteredProgramFiles(const PathForms& candidate) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return FALSE;
    char value[kPathSize];
    DWORD size = sizeof value - 1, type = 0;
    LONG result = RegQueryValueExA(key, "ProgramFilesDir", nullptr, &type, (LPBYTE)value, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ) return FALSE;
    value[size] = 0;
    return Covers(candidate, value);
}

// Every value of the root's shell folders: Desktop, Programs, Personal, Fonts, ...
BOOL CoversShellFolders(const PathForms& candidate, HKEY root) {
    HKEY key;
    if (RegOpenKeyExA(root, kShellFoldersKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return FALSE;
    BOOL covers = FALSE;
    for (DWORD index = 0; !covers; ++index) {
        char name[256];
        char value[kPathSize];
        DWORD nameSize = sizeof name, size = sizeof value - 1, type = 0;
        LONG result = RegEnumValueA(key, index, name, &nameSize, nullptr, &type, (LPBYTE)value, &size);
        if (result == ERROR_MORE_DATA) continue;  // too long for a path
        if (result != ERROR_SUCCESS) break;
        if (type != REG_SZ) continue;
        value[size] = 0;
        covers = Covers(candidate, value);
    }
    RegCloseKey(key);
    return covers;
}

}  // namespace

BOOL IsSystemFolderOrAncestor(const char* path) {
    PathForms candidate;
    if (!ReadForms(path, &candidate)) return TRUE;
    return CoversWindowsFolders(candidate) || CoversRegisteredProgramFiles(candidate) ||
           CoversShellFolders(candidate, HKEY_CURRENT_USER) || CoversShellFolders(candidate, HKEY_LOCAL_MACHINE);
}
