#include "settings/settings.h"

#include <cstring>

#include "app/error_boxes.h"
#include "app/setup_state.h"
#include "resources/messages.h"
#include "text/text.h"

BOOL ReadSettingsPath(const char* section, const char* key, char* value) {
    // One byte more than a path: a value that fills it is too long, not cut.
    char buffer[kPathSize + 1];
    DWORD length = GetPrivateProfileStringA(section, key, "", buffer, sizeof buffer, setup.settingsPath);
    if (length >= (DWORD)kPathSize) {
        value[0] = 0;
        return FALSE;
    }
    memcpy(value, buffer, length + 1);
    return TRUE;
}

namespace {

// A file entry's destination names a file below installDir: each of its
// levels ('/' separates them on Windows too) is a name.
BOOL StaysInsideInstallDir(char* relative) {
    for (char* level = relative;;) {
        char* end = level;
        while (*end && *end != '\\' && *end != '/') end += IsDBCSLeadByte((BYTE)*end) && end[1] ? 2 : 1;
        char separator = *end;
        *end = 0;
        BOOL isName = !*level || IsOneFolderName(level);
        *end = separator;
        if (!isName) return FALSE;
        if (!separator) return TRUE;
        level = end + 1;
    }
}

// The longest settings value an error message reads whole.
constexpr DWORD kLongestShownValue = 65536;

// Notes the current entry as one whose value is too long for a path.
void NoteOverlongEntry(const char* section, int n) {
    setup.overlongEntrySection = section;
    setup.overlongEntryNumber = n;
}

// Fills entryTarget with installDir followed by text; empty when too long.
BOOL SetEntryTarget(const char* text) {
    if (!CopyText(setup.entryTarget, kPathSize, setup.installDir) ||
        !AppendText(setup.entryTarget, kPathSize, text)) {
        setup.entryTarget[0] = 0;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

BOOL ResolveFileEntry(int n) {
    setup.overlongEntrySection = nullptr;
    setup.entryLeavesInstallDir = FALSE;
    BOOL fits;
    if (n == -1) fits = CopyText(setup.entrySource, kPathSize, setup.programFileName);
    else if (n == 0) fits = CopyText(setup.entrySource, kPathSize, setup.settingsFileName);
    else fits = ReadSettingsPath(SECTION_INSTALL, FormatKey((unsigned)n), setup.entrySource);
    setup.entryTargetTail = (int)strlen(setup.installDir);
    if (!fits) {
        // Too long to be a path: nothing may be copied to or deleted from a cut
        // version of it. The source keeps its cut text, so that the entry
        // still counts; a message reads the whole value again.
        GetPrivateProfileStringA(SECTION_INSTALL, setup.keyText, "", setup.entrySource, kPathSize,
                                 setup.settingsPath);
        NoteOverlongEntry(SECTION_INSTALL, n);
        setup.entryTarget[0] = 0;
        return FALSE;
    }
    char* comma = FindCharMb(setup.entrySource, ',');
    if (comma) *comma = 0;
    char* destination = comma ? comma + 1 : setup.entrySource;
    if (!StaysInsideInstallDir(destination)) {
        // Nothing outside the product's own directory is written or deleted.
        setup.entryLeavesInstallDir = TRUE;
        setup.entryTarget[0] = 0;
        return FALSE;
    }
    return SetEntryTarget(destination);
}

BOOL ResolveGroupEntry(int n) {
    setup.overlongEntrySection = nullptr;
    if (!ReadSettingsPath(SECTION_GROUP, FormatKey((unsigned)n), setup.entrySource)) {
        // Too long to be a caption and a path: kept cut, so that the entry
        // still counts; a message reads the whole value again.
        GetPrivateProfileStringA(SECTION_GROUP, setup.keyText, "", setup.entrySource, kPathSize,
                                 setup.settingsPath);
        NoteOverlongEntry(SECTION_GROUP, n);
        setup.entryTarget[0] = 0;
        return FALSE;
    }
    char* comma = FindCharMb(setup.entrySource, ',');
    if (!comma) {
        setup.entrySource[0] = 0;
        return TRUE;
    }
    *comma = 0;
    return SetEntryTarget(comma + 1);
}

void ShowEntryError(const char* message) {
    if (!setup.overlongEntrySection) {
        ShowPathError(setup.entrySource, message);
        return;
    }
    // The value is read again in a buffer that doubles until it holds it whole.
    for (DWORD size = 512; size <= kLongestShownValue; size *= 2) {
        char* value = static_cast<char*>(GlobalAlloc(GPTR, size));
        if (!value) break;
        DWORD length = GetPrivateProfileStringA(setup.overlongEntrySection,
                                                FormatKey((unsigned)setup.overlongEntryNumber), "", value, size,
                                                setup.settingsPath);
        BOOL whole = length < size - 1;
        if (whole) ShowPathError(value, message);
        GlobalFree(value);
        if (whole) return;
    }
    ShowPathError(setup.entrySource, message);
}

namespace {

// installDir = "<drive>:\Program Files\<folder>\", or "c:\<folder>\" when the
// Windows directory has no drive letter.
void SetDefaultDestination() {
    char windows[kPathSize] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    if (windows[0] && windows[1] == ':') {
        windows[2] = 0;
        CopyText(setup.installDir, kPathSize, windows);
        AppendText(setup.installDir, kPathSize, "\\Program Files\\");
    } else {
        CopyText(setup.installDir, kPathSize, "c:\\");
    }
    AppendText(setup.installDir, kPathSize, setup.folder);
    AppendText(setup.installDir, kPathSize, "\\");
}

// Reduces an "UninstallString" value to the directory of its program path:
// a quoted path ends at the next quote, an unquoted one at the first space,
// and the text is cut after the last backslash before that end. False when
// there is an end but no backslash before it.
BOOL ReduceToDirectory(char* value, char* directory) {
    char* text = value;
    char endMark = ' ';
    if (*text == '"') {
        ++text;
        endMark = '"';
    }
    char* end = FindCharMb(text, endMark);
    if (end) {
        char* p = end;
        while (p > text && *p != '\\') --p;
        if (*p != '\\') return FALSE;
        p[1] = 0;
    }
    return CopyText(directory, kPathSize, text);
}

// The directory of an earlier installation, from its uninstall registration.
void ReadEarlierDestination() {
    char value[kPathSize + 1];
    char directory[kPathSize];
    if (ReadUninstallString(value) && ReduceToDirectory(value, directory))
        CopyText(setup.installDir, kPathSize, directory);
}

// A read that filled its buffer may end in the lead byte of a cut character,
// which would join the next byte (a backslash) into another character.
void DropPartialCharacter(char* text) {
    for (char* p = text; *p; ++p) {
        if (!IsDBCSLeadByte((BYTE)*p)) continue;
        if (!p[1]) {
            *p = 0;
            return;
        }
        ++p;
    }
}

int CountEntries(BOOL (*resolve)(int)) {
    int n = 1;
    for (;; ++n) {
        resolve(n);
        if (!setup.entrySource[0]) break;
    }
    return n - 1;
}

}  // namespace

BOOL ReadUninstallString(char* value) {
    value[0] = 0;
    char keyPath[kPathSize];
    if (!CopyText(keyPath, sizeof keyPath, UNINSTALL_KEY) || !AppendText(keyPath, sizeof keyPath, setup.folder))
        return FALSE;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return FALSE;
    DWORD size = kPathSize;
    DWORD type = 0;
    BOOL read = RegQueryValueExA(key, "UninstallString", nullptr, &type, (LPBYTE)value, &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (!read) {
        value[0] = 0;
        return FALSE;
    }
    value[size < kPathSize ? size : kPathSize] = 0;  // a stored value need not end in zero
    return TRUE;
}

BOOL LoadSettings() {
    GetPrivateProfileStringA(SECTION_INSTALL, "Title", "", setup.title, sizeof setup.title, setup.settingsPath);
    GetPrivateProfileStringA(SECTION_INSTALL, "Folder", "", setup.folder, sizeof setup.folder, setup.settingsPath);
    DropPartialCharacter(setup.title);
    DropPartialCharacter(setup.folder);
    if (!IsOneFolderName(setup.title) || !IsOneFolderName(setup.folder)) {
        MessageBoxA(nullptr, MSG_SETTINGS_BROKEN, nullptr, MB_ICONERROR);
        return FALSE;
    }
    char resident[10];
    GetPrivateProfileStringA(SECTION_INSTALL, "TSR", "", resident, sizeof resident, setup.settingsPath);
    setup.isResident = resident[0] == '1';
    SetDefaultDestination();
    ReadEarlierDestination();
    setup.fileCount = CountEntries(ResolveFileEntry);
    setup.groupCount = CountEntries(ResolveGroupEntry);
    return TRUE;
}
