#include "text/directories.h"

#include <cstring>

#include "app/error_boxes.h"
#include "resources/messages.h"
#include "text/text.h"

namespace {

// "X:\" and nothing more: a drive's root, never made here.
BOOL IsDriveLetterRoot(const char* path) {
    return path[0] && path[1] == ':' && path[2] == '\\' && path[3] == 0;
}

// Creates the directory path names (no trailing backslash), or says why not.
BOOL CreateDeepestLevel(const char* path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) {
        if (CreateDirectoryA(path, nullptr)) return TRUE;
        ShowPathError(path, MSG_FOLDER_CREATE_FAILED);
        return FALSE;
    }
    FindClose(search);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return TRUE;
    ShowPathError(path, MSG_FILE_IN_THE_WAY);
    return FALSE;
}

}  // namespace

BOOL CreateOneDirectory(char* path) {
    if (IsDriveLetterRoot(path)) return TRUE;
    size_t length = strlen(path);
    if (length == 0) return FALSE;
    // The trailing separator is taken off for the platform calls and put back.
    char separator = path[length - 1];
    path[length - 1] = 0;
    BOOL ok = CreateDeepestLevel(path);
    path[length - 1] = separator;
    return ok;
}

BOOL CreateDirectoryLevels(char* path, int from) {
    for (char* separator = FindCharMb(path + from, '\\'); separator;
         separator = FindCharMb(separator + 1, '\\')) {
        char saved = separator[1];
        separator[1] = 0;
        BOOL ok = CreateOneDirectory(path);
        separator[1] = saved;
        if (!ok) return FALSE;
    }
    return TRUE;
}

BOOL CreateDirectoryPath(char* path) {
    if (!(path[0] && path[1] == ':' && path[2] == '\\')) return CreateOneDirectory(path);
    return CreateDirectoryLevels(path, 3);
}
