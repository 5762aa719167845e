// ShellExecuteA: documents and programs are not really opened; the request is
// written to the transcript, and the result tells whether the file exists.
#include <sys/stat.h>

#include "core/codepage.h"
#include "core/drive_files.h"
#include "core/machine.h"
#include "ui/frontend.h"
#include "windows_host.h"

namespace {

// What ShellExecuteA returns on success: any value above 32.
const INT_PTR kOpened = 42;

HINSTANCE Result(INT_PTR value) { return reinterpret_cast<HINSTANCE>(value); }

}  // namespace

// Opens nothing and consults no file associations: any existing file or
// folder "opens", whatever its type. A relative file is found in the given
// directory, or else in the current one; no search path is tried.
HINSTANCE ShellExecuteA(HWND, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters, LPCSTR lpDirectory, INT) {
    if (!lpFile || !*lpFile) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return Result(SE_ERR_FNF);
    }
    std::string file = lpFile;
    bool relative = !(file.size() >= 2 && file[1] == ':') && file[0] != '\\' && file[0] != '/';
    if (relative && lpDirectory && *lpDirectory) {
        std::string directory;
        if (!host::FullWindowsPath(lpDirectory, &directory)) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return Result(SE_ERR_PNF);
        }
        if (directory.back() != '\\') directory += '\\';
        file = directory + file;
    }
    std::string full, hostPath;
    struct stat st;
    if (!host::FullWindowsPath(file, &full) || !host::MapToHost(full, &hostPath)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return Result(SE_ERR_PNF);
    }
    if (host::StatInDrive(hostPath, &st) != 0) {
        size_t slash = hostPath.rfind('/');
        bool folderExists = slash != std::string::npos && host::StatInDrive(hostPath.substr(0, slash), &st) == 0;
        SetLastError(folderExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
        return Result(folderExists ? SE_ERR_FNF : SE_ERR_PNF);
    }
    std::string verb = lpOperation && *lpOperation ? lpOperation : "open";
    std::string line = host::DisplayUtf8(verb) + " " + host::Quoted(full);
    if (lpParameters && *lpParameters) line += " " + host::Quoted(lpParameters);
    host::TranscriptLine(line);
    return Result(kOpened);
}
