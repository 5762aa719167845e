#include "kernel/restart.h"

#include <sys/stat.h>

#include <utility>

#include "core/codepage.h"
#include "core/drive_files.h"
#include "core/machine.h"
#include "kernel/file_sharing.h"
#include "kernel/host_error.h"
#include "kernel/short_names.h"
#include "kernel/state_file.h"
#include "profile/profile_text.h"

namespace host {

namespace {

const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPendingValue[] = "PendingFileRenameOperations";
const char kNtPrefix[] = "\\??\\";  // NT's name for the DOS drive letters
const char kReplaceMark = '!';      // a destination that may be replaced

// Source and destination; an empty destination deletes the source.
using Pairs = std::vector<std::pair<std::string, std::string>>;

// REG_MULTI_SZ of pairs: each name ends in a NUL, and one more NUL ends the
// list. An empty destination is one NUL, so the list is read by counting.
Pairs ParsePairs(const std::string& data) {
    Pairs pairs;
    size_t at = 0;
    auto next = [&]() {
        size_t end = data.find('\0', at);
        if (end == std::string::npos) end = data.size();
        std::string name = data.substr(at, end - at);
        at = end + 1;
        return name;
    };
    while (at < data.size()) {
        std::string source = next();
        if (source.empty()) break;
        std::string destination = at < data.size() ? next() : std::string();
        pairs.emplace_back(source, destination);
    }
    return pairs;
}

std::string FormatPairs(const Pairs& pairs) {
    std::string data;
    for (const auto& pair : pairs) {
        data += pair.first;
        data += '\0';
        data += pair.second;
        data += '\0';
    }
    data += '\0';
    return data;
}

LONG ReadPending(Pairs* pairs, bool* present) {
    pairs->clear();
    *present = false;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return ERROR_SUCCESS;
    DWORD type = 0, size = 0;
    LONG error = RegQueryValueExA(key, kPendingValue, nullptr, &type, nullptr, &size);
    std::string data(size, '\0');
    if (error == ERROR_SUCCESS && size)
        error = RegQueryValueExA(key, kPendingValue, nullptr, &type, (LPBYTE)&data[0], &size);
    RegCloseKey(key);
    if (error == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (error != ERROR_SUCCESS) return error;
    *present = true;
    data.resize(size);
    *pairs = ParsePairs(data);
    return ERROR_SUCCESS;
}

// Writes the pairs, or removes the value when there are none.
LONG WritePending(const Pairs& pairs) {
    HKEY key;
    LONG error = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_WRITE | KEY_QUERY_VALUE, nullptr, &key, nullptr);
    if (error != ERROR_SUCCESS) return error;
    if (pairs.empty()) {
        error = RegDeleteValueA(key, kPendingValue);
        if (error == ERROR_FILE_NOT_FOUND) error = ERROR_SUCCESS;
    } else {
        std::string data = FormatPairs(pairs);
        error = RegSetValueExA(key, kPendingValue, 0, REG_MULTI_SZ, (const BYTE*)data.data(), (DWORD)data.size());
    }
    RegCloseKey(key);
    return error;
}

std::string WithoutPrefix(const std::string& name) {
    return name.compare(0, 4, kNtPrefix) == 0 ? name.substr(4) : name;
}

bool Exists(const std::string& windowsPath) {
    std::string hostPath;
    struct stat st;
    return HostPathOf(windowsPath, &hostPath) && LstatInDrive(hostPath, &st) == 0;
}

// Why an action failed, when it is that a path names no file: longer than
// Windows takes. Empty otherwise.
std::string OverlongNote(const std::string& path, const std::string& other = std::string()) {
    return path.size() > kMaxPathBytes || other.size() > kMaxPathBytes ? " (longer than a Windows path)" : "";
}

// Deletes a file, or an empty directory, as the restart does.
void DeleteAtRestart(const std::string& path, std::vector<std::string>* actions, bool* ok) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    bool deleted = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                       ? RemoveDirectoryA(path.c_str())
                       : DeleteFileA(path.c_str());
    actions->push_back(deleted ? "deleted " + path : "cannot delete " + path + OverlongNote(path));
    *ok = *ok && deleted;
}

void RenameAtRestart(const std::string& from, const std::string& to, DWORD flags,
                     std::vector<std::string>* actions, bool* ok) {
    bool renamed = MoveFileExA(from.c_str(), to.c_str(), flags);
    actions->push_back(renamed ? "renamed " + from + " to " + to
                               : "cannot rename " + from + " to " + to + OverlongNote(from, to));
    *ok = *ok && renamed;
}

// A full path every level of which is an 8.3 name: all that WININIT.INI's
// processing understands, since it runs before long names are served.
bool IsShortPath(const std::string& path) {
    if (path.size() < 4 || path[1] != ':' || path[2] != '\\') return false;
    for (const std::string& level : SplitPath(path.substr(3)))
        if (!IsShortName(level)) return false;
    return true;
}

// Carries out WININIT.INI's "[Rename]" section line by line ("NUL=path"
// deletes, "new=old" renames), then renames the file to WININIT.BAK. Lines
// are read as the profile calls read them, which the program uses to add
// its own: both see the same lines.
void ProcessWininit(std::vector<std::string>* actions, bool* ok) {
    std::string windowsDir = Config().windowsDir;
    std::string ini = windowsDir + "\\WININIT.INI", hostPath;
    if (!HostPathOf(ini, &hostPath) || !Exists(ini)) return;
    std::string text;
    ReadDriveFile(hostPath, &text);
    size_t eof = text.find('\x1A');  // the end-of-file mark of older text files
    if (eof != std::string::npos) text.resize(eof);
    bool inRename = false;
    for (const ProfileLine& line : ParseProfileLines(text)) {
        if (line.kind == ProfileLineKind::kSection) {
            inRename = EqualNoCase932(std::string(SpanText(text, line.name)), "Rename");
            continue;
        }
        if (!inRename || line.kind != ProfileLineKind::kKey) continue;
        std::string target(SpanText(text, line.name)), source(SpanText(text, line.value));
        if (EqualNoCase932(target, "NUL")) {
            if (IsShortPath(source)) {
                DeleteAtRestart(source, actions, ok);
            } else {
                actions->push_back("cannot delete " + source + " (not a short path)");
                *ok = false;
            }
        } else if (IsShortPath(source) && IsShortPath(target)) {
            RenameAtRestart(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED, actions, ok);
        } else {
            actions->push_back("cannot rename " + source + " to " + target + " (not a short path)");
            *ok = false;
        }
    }
    RenameAtRestart(ini, windowsDir + "\\WININIT.BAK", MOVEFILE_REPLACE_EXISTING, actions, ok);
}

}  // namespace

// Records without checking that the new name's directory exists, as NT does;
// the source must exist.
BOOL ScheduleAtRestart(LPCSTR existingFile, LPCSTR newFile, DWORD flags) {
    if (!Config().delayedDelete) return Fail(ERROR_CALL_NOT_IMPLEMENTED);  // Windows 95: WININIT.INI is the way
    std::string source, destination;
    if (!existingFile || !FullWindowsPath(existingFile, &source) || (newFile && !FullWindowsPath(newFile, &destination)))
        return Fail(existingFile ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
    if (!Exists(source)) return Fail(ERROR_FILE_NOT_FOUND);
    Pairs pairs;
    bool present;
    LONG error = ReadPending(&pairs, &present);
    if (error == ERROR_SUCCESS) {
        std::string to;
        if (newFile) to = (flags & MOVEFILE_REPLACE_EXISTING ? std::string(1, kReplaceMark) : "") + kNtPrefix + destination;
        pairs.emplace_back(kNtPrefix + source, to);
        error = WritePending(pairs);
    }
    if (error != ERROR_SUCCESS) return Fail((DWORD)error);
    return TRUE;
}

bool Reboot(std::vector<std::string>* actions) {
    bool ok = true;
    ReleaseAllHeldFiles();  // the programs that held them have ended
    Pairs pairs;
    bool present;
    if (ReadPending(&pairs, &present) != ERROR_SUCCESS) ok = false;
    for (const auto& pair : pairs) {
        std::string source = WithoutPrefix(pair.first);
        if (pair.second.empty()) {
            DeleteAtRestart(source, actions, &ok);
        } else {
            bool replace = pair.second[0] == kReplaceMark;
            std::string destination = WithoutPrefix(replace ? pair.second.substr(1) : pair.second);
            RenameAtRestart(source, destination, replace ? MOVEFILE_REPLACE_EXISTING : 0, actions, &ok);
        }
    }
    if (present && WritePending(Pairs()) != ERROR_SUCCESS) ok = false;
    ProcessWininit(actions, &ok);
    return ok;
}

}  // namespace host
