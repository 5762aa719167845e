#include "fuzz_machine.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <sstream>
#include <streambuf>

#include "core/machine.h"
#include "setup_program.h"
#include "ui/frontend.h"

namespace fuzz {

namespace {

std::string gTempDir;      // the temporary folder, removed at exit
std::string gMachineDir;   // the machine inside it

// Swallows the transcript: thousands of runs a second print nothing.
class NullBuffer : public std::streambuf {
  protected:
    int overflow(int c) override { return c; }
};
NullBuffer gNullBuffer;
std::ostream gNullStream(&gNullBuffer);

host::ScriptFrontEnd gScript;

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }

void RemoveTree(const std::string& path) { nftw(path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS); }

void RemoveTempDir() {
    if (!gTempDir.empty()) RemoveTree(gTempDir);
}

[[noreturn]] void Fail(const std::string& what) {
    fprintf(stderr, "fuzz: %s\n", what.c_str());
    abort();
}

}  // namespace

void UseMachine() {
    if (!gMachineDir.empty()) return;
    program_host::RegisterSetupProgram();
    char pattern[] = "/tmp/setup-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) Fail("cannot make a temporary folder");
    gTempDir = pattern;
    atexit(RemoveTempDir);
    gMachineDir = gTempDir + "/machine";
    // Built with clang, the shell folders' Japanese names are UTF-8 literals
    // that name no code page 932 path, and InitMachine reports them: the
    // machine is still there, with its Windows directory, which is enough.
    bool made = host::InitMachine(gMachineDir, host::MachineConfig());
    struct stat st;
    std::string windowsDir;
    if (!made && !(host::HostPathOf("C:\\WINDOWS\\SYSTEM", &windowsDir) && stat(windowsDir.c_str(), &st) == 0))
        Fail("cannot make the machine");
    std::string drive = gTempDir + "/D";
    if (mkdir(drive.c_str(), 0755) != 0) Fail("cannot make drive D:");
    host::DriveInfo& d = host::Config().drives['D'];
    d.hostDir = drive;
    d.freeMb = host::kDefaultFreeMb;
    if (!host::SaveConfig()) Fail("cannot save the machine's drives");
    host::SetTranscript(&gNullStream);
    host::SetFrontEnd(&gScript);
}

const std::string& MachineFolder() { return gMachineDir; }

std::string HostPath(const std::string& windowsPath) {
    std::string hostPath;
    if (!host::HostPathOf(windowsPath, &hostPath)) Fail("no host path for " + windowsPath);
    return hostPath;
}

void WriteHostFile(const std::string& hostPath, const std::string& bytes) {
    std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    if (!out) Fail("cannot write " + hostPath);
}

std::string ReadHostFile(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void EmptyHostFolder(const std::string& hostDir) {
    RemoveTree(hostDir);
    if (mkdir(hostDir.c_str(), 0755) != 0) Fail("cannot make " + hostDir);
    host::ForgetHostPaths();
}

host::ScriptFrontEnd& Script() { return gScript; }

void Check(bool holds, const char* what) {
    if (!holds) Fail(std::string("property broken: ") + what);
}

}  // namespace fuzz
