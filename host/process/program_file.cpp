#include "process/program_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>

#include "core/drive_files.h"
#include "core/machine.h"
#include "process/run_scope.h"
#include "program_registration.h"
#include "windows_host.h"

namespace host {

namespace {

StartedProgram gStarted;     // the start waiting for the current run to end
bool gHasStarted = false;    // whether gStarted holds one

// How much of a file is looked at for the signature: the program file is
// far smaller, and a file of any size is never read whole.
constexpr size_t kProgramPrefixBytes = 16u << 20;

}  // namespace

bool IsSetupProgramFile(const std::string& hostPath) {
    const std::string& signature = RegisteredProgram().signature;
    if (signature.empty()) return false;  // no program to recognise
    int fd = OpenInDrive(hostPath, O_RDONLY);
    if (fd < 0) return false;
    // Read a chunk at a time; the tail of the last chunk is kept, so that a
    // signature across two chunks is found.
    const size_t signatureLength = signature.size();
    std::string window;
    char chunk[65536];
    size_t total = 0;
    bool found = false;
    while (!found && total < kProgramPrefixBytes) {
        ssize_t got = read(fd, chunk, std::min(sizeof chunk, kProgramPrefixBytes - total));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        total += (size_t)got;
        window.append(chunk, (size_t)got);
        found = window.find(signature) != std::string::npos;
        if (window.size() > signatureLength) window.erase(0, window.size() - signatureLength);
    }
    close(fd);
    return found;
}

bool WriteProgramStandIn(const std::string& hostPath) {
    const std::string& signature = RegisteredProgram().signature;
    if (signature.empty()) return false;
    std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
    out << "MZ stand-in for the setup program\n" << signature << "\n";
    return bool(out);
}

int RunProgramFile(const std::string& windowsPath, const std::string& commandLine, std::string* error) {
    ProgramEntry entry = RegisteredProgram().entry;
    if (!entry) {
        *error = "no program is registered to run";
        return -1;
    }
    std::string full, hostPath;
    if (!FullWindowsPath(windowsPath, &full) || !MapToHost(full, &hostPath)) {
        *error = "no such path in the machine: " + windowsPath;
        return -1;
    }
    if (!IsSetupProgramFile(hostPath)) {
        *error = "not a setup program: " + windowsPath;
        return -1;
    }
    gHasStarted = false;  // a new process: nothing started yet
    ProcessContext& process = CurrentProcess();
    process.modulePath = full;
    process.commandLine = commandLine;
    std::string line = commandLine;
    RunScope run;  // what the program leaves is released as it ends, returning or aborted
    return entry(reinterpret_cast<HINSTANCE>(0x400000), nullptr, &line[0], SW_SHOWNORMAL);
}

bool RecordStartedProgram(const StartedProgram& started) {
    if (gHasStarted) return false;
    gStarted = started;
    gHasStarted = true;
    return true;
}

bool TakeStartedProgram(StartedProgram* started) {
    if (!gHasStarted) return false;
    *started = gStarted;
    gHasStarted = false;
    return true;
}

}  // namespace host
