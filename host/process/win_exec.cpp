// WinExec: finds the program file as Windows does and starts it. The setup
// program runs as a new process once the current run has ended; any other
// program is only recorded in the transcript.
#include <sys/stat.h>

#include <string>
#include <vector>

#include "core/codepage.h"
#include "core/drive_files.h"
#include "core/machine.h"
#include "process/program_file.h"
#include "ui/frontend.h"
#include "windows_host.h"

namespace {

// What WinExec returns when a program has started: any value above 31.
const UINT kStarted = 33;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The directory part of a full Windows path, without its trailing backslash
// unless it is a root.
std::string DirectoryOf(const std::string& full) {
    std::vector<std::string> levels = host::SplitPath(full);
    if (levels.size() <= 1) return full;
    std::string directory = full.substr(0, full.size() - levels.back().size());
    if (directory.size() > 3 && directory.back() == '\\') directory.pop_back();
    return directory;
}

// True when a full Windows path names an existing file (not a folder).
bool IsFile(const std::string& full) {
    std::string hostPath;
    struct stat st;
    return host::MapToHost(full, &hostPath) && host::StatInDrive(hostPath, &st) == 0 && S_ISREG(st.st_mode);
}

// Finds a program by the name the command line gives: ".exe" is added to a
// name without an extension; a name without a directory is looked for in the
// program's own directory, the current directory, the system directory and
// the Windows directory, in that order.
bool FindProgram(const std::string& name, std::string* found) {
    if (name.empty()) return false;
    std::vector<std::string> levels = host::SplitPath(name);
    std::string fileName = name;
    if (levels.back().find('.') == std::string::npos) fileName += ".exe";
    bool hasDirectory = levels.size() > 1 || name.find('/') != std::string::npos || (name.size() >= 2 && name[1] == ':');
    std::vector<std::string> candidates;
    if (hasDirectory) {
        candidates.push_back(fileName);
    } else {
        char system[MAX_PATH], windows[MAX_PATH];
        UINT systemLength = GetSystemDirectoryA(system, sizeof system);
        UINT windowsLength = GetWindowsDirectoryA(windows, sizeof windows);
        std::vector<std::string> directories = {DirectoryOf(host::CurrentProcess().modulePath),
                                                host::CurrentProcess().currentDir};
        if (systemLength > 0 && systemLength < sizeof system) directories.push_back(system);
        if (windowsLength > 0 && windowsLength < sizeof windows) directories.push_back(windows);
        for (std::string directory : directories) {
            if (directory.empty()) continue;
            if (directory.back() != '\\') directory += '\\';
            candidates.push_back(directory + fileName);
        }
    }
    for (const std::string& candidate : candidates) {
        std::string full;
        if (host::FullWindowsPath(candidate, &full) && IsFile(full)) {
            *found = full;
            return true;
        }
    }
    return false;
}

// The text a started program's WinMain receives, cut from its command line as
// the C runtime does: past the first word (quoted, or up to a blank or a
// control character), then past the blanks after it.
std::string WinMainArguments(const std::string& line) {
    size_t at = 0;
    if (!line.empty() && line[0] == '"') {
        size_t close = line.find('"', 1);
        at = close == std::string::npos ? line.size() : close + 1;
    } else {
        while (at < line.size() && (unsigned char)line[at] > ' ') ++at;
    }
    while (at < line.size() && (unsigned char)line[at] <= ' ' && line[at] != 0) ++at;
    return line.substr(at);
}

}  // namespace

// Every failure to find the program is ERROR_FILE_NOT_FOUND; a program that
// is not the setup program starts nothing, and no file is checked for being
// a valid executable (ERROR_BAD_FORMAT is never returned). The show command
// is not looked at, and WinExec returns at once. Only one setup program can
// be waiting to start; a second start of one is recorded and not run.
UINT WinExec(LPCSTR cmdLine, UINT) {
    std::string line = cmdLine ? cmdLine : "";
    size_t begin = 0;
    while (begin < line.size() && IsBlank(line[begin])) ++begin;
    std::string program;
    bool found = false;
    if (begin < line.size() && line[begin] == '"') {
        size_t close = line.find('"', begin + 1);
        found = FindProgram(line.substr(begin + 1, close == std::string::npos ? std::string::npos : close - begin - 1),
                            &program);
    } else {
        // Unquoted: the name ends at a blank, but if nothing is found there,
        // the longer names that run on to each further blank are tried.
        for (size_t end = begin; !found && end <= line.size(); ++end) {
            bool boundary = end == line.size() || IsBlank(line[end]);
            if (boundary && end > begin && !IsBlank(line[end - 1]))
                found = FindProgram(line.substr(begin, end - begin), &program);
            if (end < line.size() && host::IsLeadByte932((unsigned char)line[end])) ++end;
        }
    }
    if (!found) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return ERROR_FILE_NOT_FOUND;
    }
    std::string arguments = WinMainArguments(line);
    host::TranscriptLine("start " + host::Quoted(program) + " " + host::Quoted(arguments));
    std::string hostPath;
    if (host::MapToHost(program, &hostPath) && host::IsSetupProgramFile(hostPath))
        host::RecordStartedProgram({program, arguments, host::CurrentProcess().currentDir});
    return kStarted;
}
