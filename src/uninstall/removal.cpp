#include "uninstall/removal.h"

#include <cstring>

#include "app/error_boxes.h"
#include "app/setup_state.h"
#include "resources/messages.h"
#include "text/text.h"

namespace {

// How a walk, or one name in it, ended: done; a file left (the walk goes
// on); a directory left (the walk stops); cancelled by the user.
enum WalkResult { WalkDone, WalkSkipped, WalkFailed, WalkCancelled };

// Files whose extension is "gid" (help indexes the system made) go without a question.
BOOL IsHelpIndex(const char* name) {
    const char* dot = FindCharMb(name, '.');
    return dot && lstrcmpiA(dot + 1, "gid") == 0;
}

// Asks whether a file may be deleted: IDYES, IDNO or IDCANCEL.
int AskAboutFile(const char* path) {
    return ShowPathMessage(path, MSG_MAY_DELETE, setup.title, MB_ICONQUESTION | MB_YESNOCANCEL);
}

WalkResult RemoveTree(const char* dir);

// Reports a name whose path does not fit: it is skipped, never cut into
// the path of another file.
WalkResult SkipOverlong(const char* dir, const char* name) {
    // A directory path and a found name: each fits a path, both together fit this.
    char shown[2 * kPathSize];
    CopyText(shown, sizeof shown, dir);
    AppendText(shown, sizeof shown, name);
    ShowPathError(shown, MSG_DELETE_SKIPPED);
    return WalkSkipped;
}

// Handles one name found in dir.
WalkResult RemoveEntry(const char* dir, const WIN32_FIND_DATAA& found) {
    const char* name = found.cFileName;
    if (!strcmp(name, ".") || !strcmp(name, "..")) return WalkDone;
    BOOL isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    char path[kPathSize];
    if (!CopyText(path, sizeof path, dir) || !AppendText(path, sizeof path, name) ||
        (isDirectory && !AppendText(path, sizeof path, "\\")))
        return SkipOverlong(dir, name);
    if (isDirectory) return RemoveTree(path);
    if (!IsHelpIndex(name)) {
        switch (AskAboutFile(path)) {
            case IDCANCEL: return WalkCancelled;
            case IDNO: return WalkDone;
            default: break;
        }
    }
    return DeleteFileIfPresent(path) ? WalkDone : WalkSkipped;
}

WalkResult RemoveTree(const char* dir) {
    WalkResult result = WalkDone;
    char pattern[kPathSize];
    if (CopyText(pattern, sizeof pattern, dir) && AppendText(pattern, sizeof pattern, "*.*")) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(pattern, &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                WalkResult entry = RemoveEntry(dir, found);
                if (entry == WalkCancelled || entry == WalkFailed) {
                    FindClose(search);
                    return entry;
                }
                if (entry == WalkSkipped) result = WalkSkipped;
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
    }
    char path[kPathSize];
    CopyText(path, sizeof path, dir);
    size_t length = strlen(path);
    if (length > 0) path[length - 1] = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
        if (!RemoveDirectoryA(path)) {
            ShowPathError(path, MSG_DIRECTORY_NOT_REMOVED);
            return WalkFailed;
        }
    }
    // A file left behind keeps the directory: the enclosing walks stop too.
    return result == WalkSkipped ? WalkFailed : result;
}

}  // namespace

BOOL DeleteFileIfPresent(const char* path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return TRUE;
    FindClose(search);
    if (DeleteFileA(path)) return TRUE;
    ShowPathError(path, MSG_DELETE_SKIPPED);
    return FALSE;
}

BOOL RemoveDirectoryTree(const char* dir) { return RemoveTree(dir) == WalkDone; }

void DeleteRegistryTree(HKEY parent, const char* path) {
    HKEY key;
    if (RegOpenKeyExA(parent, path, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        char lastName[256] = "";
        char name[256];
        DWORD index = 0;
        while (RegEnumKeyA(key, index, name, sizeof name) == ERROR_SUCCESS) {
            if (lstrcmpiA(name, lastName) != 0) {
                DeleteRegistryTree(key, name);
                CopyText(lastName, sizeof lastName, name);
            } else {
                // Deleting it failed: step over it.
                ++index;
            }
        }
        RegCloseKey(key);
    }
    RegDeleteKeyA(parent, path);
}
