#include "machine.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "codepage.h"
#include "kernel/state_file.h"
#include "windows_host.h"

namespace host {

namespace {

std::string gMachineDir;    // host folder of the open machine
MachineConfig gConfig;      // its settings, as loaded or changed
ProcessContext gProcess;    // the running program's context
thread_local DWORD gLastError = 0;

const char kConfigName[] = "machine.cfg";

bool ParseBool(const std::string& value, bool* out) {
    if (value == "yes" || value == "on" || value == "new" || value == "1") {
        *out = true;
        return true;
    }
    if (value == "no" || value == "off" || value == "old" || value == "0") {
        *out = false;
        return true;
    }
    return false;
}

bool ParseNumber(const std::string& value, unsigned long long* out) {
    if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    *out = std::strtoull(value.c_str(), nullptr, 10);
    return errno == 0;
}

// What is wrong with a drive's folder as machine.cfg gives it; empty when
// nothing is: a drive is an existing host folder named by its whole path.
std::string DriveFolderProblem(const std::string& drive, const std::string& folder) {
    if (folder.empty()) return drive + " has no folder";
    if (folder[0] != '/') return drive + " folder " + folder + " is not an absolute path";
    struct stat st;
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return drive + " folder " + folder + " is not a folder";
    return std::string();
}

// Reads the machine's settings. False when there is no settings file (with
// *error empty) or when a line is wrong (with *error naming the file and line).
bool LoadConfig(const std::string& dir, MachineConfig* config, std::string* error) {
    std::string path = dir + "/" + kConfigName;
    std::ifstream in(path);
    if (!in) return false;
    *config = MachineConfig();
    auto fail = [&](int number, const std::string& message) {
        *error = path + ":" + std::to_string(number) + ": " + message;
        return false;
    };
    std::map<char, int> driveLines;  // each drive, and the first line that names it
    std::set<char> withFolder;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "shell") {
            if (!ParseBool(value, &config->newShell)) return fail(number, "shell takes new or old");
        } else if (key == "delayed-delete") {
            if (!ParseBool(value, &config->delayedDelete)) return fail(number, "delayed-delete takes yes or no");
        } else if (key == "progman") {
            if (!ParseBool(value, &config->progman)) return fail(number, "progman takes on or off");
        } else if (key == "windows-dir") {
            config->windowsDir = value;
        } else if (key.compare(0, 6, "drive.") == 0 && (key.size() == 12 || key.size() == 15)) {
            std::string field = key.substr(7);
            if (key[7] != '.' || (field != ".path" && field != ".free-mb")) continue;
            if (!isalpha((unsigned char)key[6])) return fail(number, key + ": not a drive letter");
            char letter = (char)toupper((unsigned char)key[6]);
            std::string drive = std::string("drive ") + letter + ":";
            driveLines.emplace(letter, number);
            DriveInfo& info = config->drives[letter];
            if (field == ".path") {
                std::string problem = DriveFolderProblem(drive, value);
                if (!problem.empty()) return fail(number, problem);
                info.hostDir = value;
                withFolder.insert(letter);
            } else if (!ParseNumber(value, &info.freeMb)) {
                return fail(number, drive + " free-mb takes a number");
            }
        }
    }
    for (const auto& drive : driveLines)
        if (!withFolder.count(drive.first))
            return fail(drive.second, std::string("drive ") + drive.first + ": has no folder");
    return true;
}

// True when the host folder has no entries, or is not there at all.
bool IsEmptyOrMissing(const std::string& path) {
    DIR* dir = opendir(path.c_str());
    if (!dir) return errno == ENOENT;
    bool empty = true;
    while (struct dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") empty = false;
    }
    closedir(dir);
    return empty;
}

bool MakeHostDirs(const std::string& path) {
    std::string partial;
    std::stringstream stream(path);
    std::string level;
    if (!path.empty() && path[0] == '/') partial = "/";
    while (std::getline(stream, level, '/')) {
        if (level.empty()) continue;
        partial += level + "/";
        if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    return true;
}

bool RemoveHostTree(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return errno == ENOENT;
    if (S_ISDIR(st.st_mode)) {
        DIR* dir = opendir(path.c_str());
        if (!dir) return false;
        while (struct dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            RemoveHostTree(path + "/" + name);
        }
        closedir(dir);
        return rmdir(path.c_str()) == 0;
    }
    return unlink(path.c_str()) == 0;
}

std::string AbsoluteHostPath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char* cwd = getcwd(nullptr, 0);
    std::string out = cwd ? std::string(cwd) + "/" + path : path;
    free(cwd);
    return out;
}

// A Windows directory the machine starts with, and the registry value that
// names it among the user's shell folders (empty when none).
struct StartFolder {
    const char* path;
    const char* shellFolderValue;
};

const StartFolder kStartFolders[] = {
    {"C:\\WINDOWS", ""},
    {"C:\\WINDOWS\\SYSTEM", ""},
    {"C:\\Program Files", ""},
    {"C:\\WINDOWS\\ﾃﾞｽｸﾄｯﾌﾟ", "Desktop"},
    {"C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ", "Start Menu"},
    {"C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ", "Programs"},
    {"C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ\\ｽﾀｰﾄｱｯﾌﾟ", "Startup"},
};

bool WriteStartFolders() {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER,
                        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                        nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (const StartFolder& folder : kStartFolders) {
        if (!CreateDirectoryA(folder.path, nullptr)) ok = false;
        if (folder.shellFolderValue[0] &&
            RegSetValueExA(key, folder.shellFolderValue, 0, REG_SZ, (const BYTE*)folder.path,
                           (DWORD)std::string(folder.path).size() + 1) != ERROR_SUCCESS)
            ok = false;
    }
    RegCloseKey(key);
    // Keys every installed system has, whether or not anything uses them yet.
    for (const char* path : {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                             "SYSTEM\\CurrentControlSet\\Control\\Session Manager"}) {
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            ok = false;
        else
            RegCloseKey(key);
    }
    return ok;
}

}  // namespace

bool HoldsMachine(const std::string& machineDir) {
    struct stat st;
    return stat((AbsoluteHostPath(machineDir) + "/" + kConfigName).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool OpenMachine(const std::string& machineDir, std::string* error) {
    std::string dir = AbsoluteHostPath(machineDir);
    MachineConfig config;
    std::string problem;
    if (!LoadConfig(dir, &config, &problem)) {
        if (error) *error = problem;
        return false;
    }
    gMachineDir = dir;
    gConfig = config;
    ForgetHostPaths();
    if (gProcess.currentDir.empty()) gProcess.currentDir = "C:\\";
    return true;
}

bool InitMachine(const std::string& machineDir, const MachineConfig& config, std::string* error) {
    std::string dir = AbsoluteHostPath(machineDir);
    if (!HoldsMachine(dir) && !IsEmptyOrMissing(dir)) {
        // Never emptied: it is someone's folder, not a machine.
        if (error) *error = machineDir + " is not empty and holds no machine";
        return false;
    }
    if (!RemoveHostTree(dir) || !MakeHostDirs(dir + "/C") || !MakeHostDirs(dir + "/state")) {
        if (error) *error = "cannot make a machine in " + machineDir;
        return false;
    }
    gMachineDir = dir;
    gConfig = config;
    ForgetHostPaths();
    DriveInfo& c = gConfig.drives['C'];
    c.hostDir = dir + "/C";
    if (c.freeMb == 0) c.freeMb = kDefaultFreeMb;
    if (!SaveConfig()) return false;
    gProcess.currentDir = "C:\\";
    return WriteStartFolders();
}

const std::string& MachineDir() { return gMachineDir; }

MachineConfig& Config() { return gConfig; }

bool SaveConfig() {
    std::ostringstream out;
    out << "shell=" << (gConfig.newShell ? "new" : "old") << "\n";
    out << "delayed-delete=" << (gConfig.delayedDelete ? "yes" : "no") << "\n";
    out << "progman=" << (gConfig.progman ? "on" : "off") << "\n";
    out << "windows-dir=" << gConfig.windowsDir << "\n";
    for (const auto& drive : gConfig.drives) {
        out << "drive." << drive.first << ".path=" << drive.second.hostDir << "\n";
        out << "drive." << drive.first << ".free-mb=" << drive.second.freeMb << "\n";
    }
    return ReplaceStateFile(gMachineDir + "/" + kConfigName, out.str());
}

std::string StatePath(const std::string& name) { return gMachineDir + "/state/" + name; }

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> levels;
    std::string current;
    for (size_t i = 0; i < path.size(); ++i) {
        unsigned char c = (unsigned char)path[i];
        if (IsLeadByte932(c) && i + 1 < path.size()) {
            current += path[i];
            current += path[++i];
        } else if (c == '\\') {
            levels.push_back(current);
            current.clear();
        } else {
            current += path[i];
        }
    }
    levels.push_back(current);
    return levels;
}

size_t LastLevelStart(const std::string& path, size_t end) {
    size_t start = 0;
    for (size_t i = 0; i < end; ++i) {
        if (IsLeadByte932((unsigned char)path[i]) && i + 1 < end) ++i;
        else if (path[i] == '\\') start = i + 1;
    }
    return start;
}

namespace {

// Slashes become backslashes, stepping over double-byte characters.
std::string BackslashesOnly(const std::string& path) {
    std::string out = path;
    for (size_t i = 0; i < out.size(); ++i) {
        if (IsLeadByte932((unsigned char)out[i])) ++i;
        else if (out[i] == '/') out[i] = '\\';
    }
    return out;
}

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// FullWindowsPath of a path that is already full: "X:\" and levels that are
// neither empty, "." nor "..", without a slash. False for any other path.
bool FullAsItStands(const std::string& path, std::string* full) {
    size_t size = path.size();
    if (size < 3 || !IsDriveLetter(path[0]) || path[1] != ':' || path[2] != '\\') return false;
    size_t levelStart = 3;
    bool closingBackslash = false;
    for (size_t i = 3; i <= size; ++i) {
        if (i < size && IsLeadByte932((unsigned char)path[i]) && i + 1 < size) {
            ++i;
            continue;
        }
        if (i < size && path[i] == '/') return false;
        if (i < size && path[i] != '\\') continue;
        size_t length = i - levelStart;  // a level ends at a backslash or at the end
        if (length == 0 && i < size) return false;
        if ((length == 1 && path[levelStart] == '.') ||
            (length == 2 && path[levelStart] == '.' && path[levelStart + 1] == '.'))
            return false;
        closingBackslash = length == 0;
        levelStart = i + 1;
    }
    *full = path;
    (*full)[0] = (char)toupper((unsigned char)path[0]);
    // The closing backslash stays only where the byte before it is no lead byte.
    if (size > 3 && closingBackslash && IsLeadByte932((unsigned char)path[size - 2])) full->pop_back();
    return true;
}

}  // namespace

bool FullWindowsPath(const std::string& input, std::string* full) {
    if (FullAsItStands(input, full)) return true;
    std::string path = BackslashesOnly(input);
    if (path.empty()) return false;
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') return false;  // UNC: not served
    const std::string& cwd = gProcess.currentDir.empty() ? std::string("C:\\") : gProcess.currentDir;
    std::string combined;
    if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':') {
        char drive = (char)toupper((unsigned char)path[0]);
        std::string rest = path.substr(2);
        if (!rest.empty() && rest[0] == '\\') combined = std::string(1, drive) + ":" + rest;
        else if (toupper((unsigned char)cwd[0]) == drive) combined = rest.empty() ? cwd : cwd + "\\" + rest;
        else combined = std::string(1, drive) + ":\\" + rest;
    } else if (path[0] == '\\') {
        combined = cwd.substr(0, 2) + path;
    } else {
        combined = cwd + "\\" + path;
        // Mostly a name below the current directory, full once joined to it.
        if (FullAsItStands(cwd.size() == 3 ? cwd + path : combined, full)) return true;
    }
    bool trailing = combined.size() > 3 && combined.back() == '\\' &&
                    !(combined.size() >= 2 && IsLeadByte932((unsigned char)combined[combined.size() - 2]));
    std::vector<std::string> levels = SplitPath(combined);
    std::vector<std::string> kept;
    for (size_t i = 1; i < levels.size(); ++i) {
        const std::string& level = levels[i];
        if (level.empty() || level == ".") continue;
        if (level == "..") {
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        kept.push_back(level);
    }
    std::string out = std::string(1, (char)toupper((unsigned char)combined[0])) + ":\\";
    for (size_t i = 0; i < kept.size(); ++i) {
        if (i) out += "\\";
        out += kept[i];
    }
    if (trailing && !kept.empty()) out += "\\";
    *full = out;
    return true;
}

bool HostPathOf(const std::string& path, std::string* hostPath) {
    std::string full;
    return FullWindowsPath(path, &full) && MapToHost(full, hostPath);
}

ProcessContext& CurrentProcess() { return gProcess; }

void SetError(unsigned long error) { gLastError = (DWORD)error; }

}  // namespace host

DWORD GetLastError(void) { return host::gLastError; }

void SetLastError(DWORD error) { host::gLastError = error; }
