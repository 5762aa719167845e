#include "uninstall/shared_keys.h"

#include <cstring>

#include "app/setup_state.h"
#include "text/text.h"

namespace {

constexpr int kMaxLevels = 8;  // deeper than any pattern below

// Keys of HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER (the two share their
// layout) that the system and other programs use: deleting one with its
// subkeys would take their settings with it. '*' stands for any one name.
const char* const kSharedKeys[] = {
    "*",                       // a root's first level: SOFTWARE, SYSTEM, Control Panel, ...
    "SOFTWARE\\Microsoft",     // the system's own settings
    "SOFTWARE\\Microsoft\\Windows",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\*",  // Uninstall, Run, App Paths, ...
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\*",  // Shell Folders, ...
    "SOFTWARE\\Microsoft\\Windows NT",  // Windows NT's own settings
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\*",  // Winlogon, Fonts, ...
    "SOFTWARE\\Classes",       // HKEY_CLASSES_ROOT itself
    "SYSTEM\\*\\*",            // control sets: Control, Services, Enum, ...
    "SYSTEM\\*\\Control\\*",   // Session Manager (pending renames), ...
    "Control Panel\\*",        // the user's Desktop, Colors, International, ...
};

// First-level keys of HKEY_CLASSES_ROOT that every program shares: COM
// registrations, the shell's own classes, and the system's file types.
const char* const kSharedClasses[] = {
    "CLSID", "Interface", "TypeLib", "AppID",            // COM: every component's registration
    "*", "AllFilesystemObjects", "Directory", "Folder",  // the shell's classes for every file and folder
    "Drive", "Network", "Unknown", "MIME",
    "exefile", "comfile", "batfile", "piffile", "lnkfile", "dllfile",  // the system's file types
    "txtfile", "inifile", "inffile", "regfile", "htmlfile",
    ".exe", ".com", ".bat", ".pif", ".lnk", ".dll",      // and their extensions
    ".txt", ".ini", ".inf", ".reg", ".htm", ".html",
};

// Splits path into its non-empty levels (double-byte aware); false when
// there are more than max.
BOOL SplitLevels(char* path, const char** levels, int max, int* count) {
    *count = 0;
    for (char* level = path; *level;) {
        char* separator = FindCharMb(level, '\\');
        if (separator) *separator = 0;
        if (*level) {
            if (*count == max) return FALSE;
            levels[(*count)++] = level;
        }
        if (!separator) break;
        level = separator + 1;
    }
    return TRUE;
}

BOOL Matches(const char* pattern, const char* const* levels, int count) {
    char text[kPathSize];
    CopyText(text, sizeof text, pattern);
    const char* wanted[kMaxLevels];
    int wantedCount = 0;
    if (!SplitLevels(text, wanted, kMaxLevels, &wantedCount) || wantedCount != count) return FALSE;
    for (int i = 0; i < count; ++i)
        if (strcmp(wanted[i], "*") != 0 && lstrcmpiA(wanted[i], levels[i]) != 0) return FALSE;
    return TRUE;
}

BOOL IsSharedClass(const char* name) {
    for (const char* shared : kSharedClasses)
        if (lstrcmpiA(shared, name) == 0) return TRUE;
    return FALSE;
}

}  // namespace

BOOL IsSharedKey(HKEY root, const char* subkey) {
    char text[kPathSize];
    if (!CopyText(text, sizeof text, subkey)) return TRUE;  // too long to be checked: not ours to delete
    const char* levels[kMaxLevels + 1];
    int count = 0;
    if (!SplitLevels(text, levels, kMaxLevels + 1, &count)) return FALSE;  // deeper than any shared key
    if (count == 0) return TRUE;  // the root itself
    if (root == HKEY_CLASSES_ROOT) return count == 1 && IsSharedClass(levels[0]);
    for (const char* shared : kSharedKeys)
        if (Matches(shared, levels, count)) return TRUE;
    // HKEY_CLASSES_ROOT's first level where the machine keeps it.
    return root == HKEY_LOCAL_MACHINE && Matches("SOFTWARE\\Classes\\*", levels, count) && IsSharedClass(levels[2]);
}
