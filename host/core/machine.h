// The machine folder: one simulated PC shared by every process that runs in
// it. Holds the drive map and the machine's settings; paths of the Windows
// side are code page 932 bytes, host paths UTF-8.
#pragma once

#include <sys/stat.h>

#include <map>
#include <string>
#include <vector>

namespace host {

struct DriveInfo {
    std::string hostDir;        // host folder that is the drive's root
    unsigned long long freeMb;  // free space the drive reports, in MB
};

struct MachineConfig {
    bool newShell = true;        // GetVersion reports 4 (else 3, the older shell)
    bool delayedDelete = true;   // MoveFileExA can delay a deletion (NT) or not (95)
    bool progman = true;         // Program Manager answers DDE
    std::string windowsDir = "C:\\WINDOWS";  // GetWindowsDirectoryA; the system directory is below it
    std::map<char, DriveInfo> drives;  // upper-case drive letter -> drive
};

// Default free space of a drive when none is given: large.
constexpr unsigned long long kDefaultFreeMb = 512000;

// Selects the machine folder for this process and loads its settings.
// False when the folder holds no machine (see InitMachine), or when its
// settings are wrong: then *error names the settings file and line (a drive
// without a folder, with a relative path or a path that is no folder).
bool OpenMachine(const std::string& machineDir, std::string* error = nullptr);
// True when the folder holds a machine's settings file.
bool HoldsMachine(const std::string& machineDir);
// Makes a fresh machine in the folder (removing any earlier one) with the
// Windows directories, the user's shell folders and their registry values.
// A folder that is neither empty nor a machine is left as it is: false,
// with *error saying so.
bool InitMachine(const std::string& machineDir, const MachineConfig& config, std::string* error = nullptr);
const std::string& MachineDir();
MachineConfig& Config();
bool SaveConfig();
// Host path of a file of the machine's own state (registry, locks, ...).
std::string StatePath(const std::string& name);

// Makes a full Windows path from an absolute or relative one, as
// GetFullPathNameA does: '/' becomes '\', "." and ".." are resolved, the
// current directory and drive fill in what is missing. A trailing backslash
// is kept. False for what cannot name a file on a drive (UNC, empty text).
bool FullWindowsPath(const std::string& path, std::string* full);
// The longest full path Windows serves: 260 bytes with the terminator.
constexpr size_t kMaxPathBytes = 259;
// Maps a full Windows path to the host: each existing level is matched
// without regard to ASCII case, the rest converted to UTF-8. False when the
// drive is not mapped, a name cannot be converted or the path is longer than
// kMaxPathBytes.
bool MapToHost(const std::string& fullPath, std::string* hostPath);
// FullWindowsPath and MapToHost in one.
bool HostPathOf(const std::string& path, std::string* hostPath);

// Looks a full path up as MapToHost maps it. Found: *hostPath is the file and
// *st its status (a link that leads out of the drive is found as itself,
// S_ISLNK: see LookAtName in drive_files.h). Missing: *hostPath is where the
// name would be made in its folder. No folder: the path's directory does not
// exist (or the drive), or the path is longer than kMaxPathBytes. Denied: a
// level of the directory is a link that leads out of the drive.
enum class PathLookup { kFound, kMissing, kNoFolder, kDenied };
PathLookup LookUpPath(const std::string& fullPath, std::string* hostPath, struct stat* st);
// Tells the path cache about a name this process has just made, so that the
// folder's names need not be read again.
void NoteHostNameMade(const std::string& hostPath);
// A host file for the *at calls (openat, unlinkat): the descriptor of its
// folder and its name there when the last LookUpPath checked that folder's
// path, which spares a walk of the whole path; else AT_FDCWD and the whole
// path. For use in the same call, right after that lookup; `hostPath` must
// outlive it.
struct HostAt {
    int dir;           // a folder's descriptor, or AT_FDCWD
    const char* name;  // within hostPath
};
HostAt HostAtOf(const std::string& hostPath);
// Drops what is remembered about the machine's folders.
void ForgetHostPaths();

// Splits a Windows path at its backslashes, double-byte aware.
std::vector<std::string> SplitPath(const std::string& path);
// Where the last level of path[0, end) starts, as SplitPath splits it: after
// its last backslash, or 0.
size_t LastLevelStart(const std::string& path, size_t end);

// Per-process state of the running program.
struct ProcessContext {
    std::string modulePath;   // full Windows path of the program file
    std::string commandLine;  // text after the program's name
    std::string currentDir;   // full Windows path, no trailing backslash but at a root
};
ProcessContext& CurrentProcess();

// Thread's last error, as GetLastError reports it.
void SetError(unsigned long error);

}  // namespace host
