#include "process/program_file.h"

#include <fstream>
#include <iterator>

#include "core/machine.h"
#include "process/run_scope.h"
#include "windows_host.h"

extern "C" const char kSetupProgramSignature[];

namespace host {

namespace {

StartedProgram gStarted;     // the start waiting for the current run to end
bool gHasStarted = false;    // whether gStarted holds one

}  // namespace

bool IsSetupProgramFile(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    if (!in) return false;
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return content.find(kSetupProgramSignature) != std::string::npos;
}

bool WriteProgramStandIn(const std::string& hostPath) {
    std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
    out << "MZ stand-in for the setup program\n" << kSetupProgramSignature << "\n";
    return bool(out);
}

int RunProgramFile(const std::string& windowsPath, const std::string& commandLine, std::string* error) {
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
    return WinMain(reinterpret_cast<HINSTANCE>(0x400000), nullptr, &line[0], SW_SHOWNORMAL);
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
