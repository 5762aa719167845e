#include "uninstall/removal_copy.h"

#include <cstring>

#include "app/setup_state.h"
#include "text/text.h"
#include "uninstall/registered_program.h"

namespace {

constexpr int kCopyNames = 100;  // the program's own name, then with 1 to 99
constexpr UINT kChunk = 4096;    // bytes compared at a time

// The copy's path for try n: systemDir\NAME.EXT, then NAME1.EXT, NAME2.EXT, ...
BOOL CopyName(const char* systemDir, int n, char* path) {
    if (!CopyText(path, kPathSize, systemDir) || !EnsureTrailingSeparator(path, kPathSize)) return FALSE;
    const char* name = setup.programFileName;
    const char* dot = strrchr(name, '.');  // 0x2E is never a trail byte
    int stem = dot ? (int)(dot - name) : (int)strlen(name);
    if (n == 0) return AppendText(path, kPathSize, name);
    char number[16];
    wsprintfA(number, "%d", n);
    return AppendTextPart(path, kPathSize, name, stem) && AppendText(path, kPathSize, number) &&
           AppendText(path, kPathSize, name + stem);
}

// True when both files can be read and hold the same bytes.
BOOL HasSameContent(const char* a, const char* b) {
    OFSTRUCT infoA, infoB;
    HFILE fileA = OpenFile(a, &infoA, OF_READ | OF_SHARE_DENY_NONE);
    if (fileA == HFILE_ERROR) return FALSE;
    HFILE fileB = OpenFile(b, &infoB, OF_READ | OF_SHARE_DENY_NONE);
    LONG size = _llseek(fileA, 0, FILE_END);
    BOOL same = fileB != HFILE_ERROR && size != HFILE_ERROR && _llseek(fileB, 0, FILE_END) == size;
    if (same) {
        _llseek(fileA, 0, FILE_BEGIN);
        _llseek(fileB, 0, FILE_BEGIN);
        static char bytesA[kChunk], bytesB[kChunk];
        for (;;) {
            UINT readA = _lread(fileA, bytesA, kChunk);
            UINT readB = _lread(fileB, bytesB, kChunk);
            if (readA == (UINT)HFILE_ERROR || readA != readB || memcmp(bytesA, bytesB, readA) != 0) {
                same = FALSE;
                break;
            }
            if (readA < kChunk) break;
        }
    }
    if (fileB != HFILE_ERROR) _lclose(fileB);
    _lclose(fileA);
    return same;
}

// Writes the copy at path. A free name takes a new file; a name in use only
// an earlier copy of this very program, written over.
enum CopyResult { CopyMade, NameTaken, CopyFailed };
CopyResult CopyTo(const char* path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) {
        if (CopyFileA(setup.modulePath, path, TRUE)) return CopyMade;
        DWORD error = GetLastError();
        return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? NameTaken : CopyFailed;
    }
    FindClose(search);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return NameTaken;
    if (!HasSameContent(setup.modulePath, path)) return NameTaken;
    // Still running from an earlier removal, say: another name will do.
    return CopyFileA(setup.modulePath, path, FALSE) ? CopyMade : NameTaken;
}

BOOL SystemDirectory(char* dir) {
    UINT length = GetSystemDirectoryA(dir, kPathSize);
    return length && length < (UINT)kPathSize && EnsureTrailingSeparator(dir, kPathSize);
}

}  // namespace

BOOL MakeRemovalCopy(char* copyPath) {
    char systemDir[kPathSize];
    if (!SystemDirectory(systemDir)) return FALSE;
    for (int n = 0; n < kCopyNames; ++n) {
        if (!CopyName(systemDir, n, copyPath)) return FALSE;
        switch (CopyTo(copyPath)) {
            case CopyMade: return TRUE;
            case CopyFailed: return FALSE;
            case NameTaken: break;
        }
    }
    return FALSE;
}

BOOL IsInSystemDirectory(const char* path) {
    char systemDir[kPathSize], directory[kPathSize];
    if (!SystemDirectory(systemDir) || !CopyText(directory, sizeof directory, path)) return FALSE;
    char* lastSeparator = strrchr(directory, '\\');  // a plain byte scan, as the entry splits paths
    if (!lastSeparator) return FALSE;
    lastSeparator[1] = 0;
    return IsSamePath(directory, systemDir);
}
