#include "support/machine_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/codepage.h"
#include "kernel/state_file.h"

namespace {

std::string MakeTempDir() {
    char pattern[] = "/tmp/setup-test-XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? dir : "";
}

}  // namespace

void MachineTest::SetUp() {
    machineDir_ = MakeTempDir();
    ASSERT_FALSE(machineDir_.empty());
    ASSERT_TRUE(host::InitMachine(machineDir_ + "/machine", host::MachineConfig()));
    host::ForgetDamagedStateFile();  // found in an earlier test's machine
    host::SetTranscript(&transcript_);
    host::SetFrontEnd(&script_);
    script_.LoadText("");
}

void MachineTest::TearDown() {
    host::SetFrontEnd(nullptr);
    host::SetTranscript(nullptr);
    std::string command = "rm -rf '" + machineDir_ + "'";
    if (!machineDir_.empty() && std::system(command.c_str()) != 0) ADD_FAILURE() << "cannot clean " << machineDir_;
}

std::string MachineTest::Host(const std::string& windowsPath) {
    std::string hostPath;
    EXPECT_TRUE(host::HostPathOf(windowsPath, &hostPath)) << windowsPath;
    return hostPath;
}

void MachineTest::WriteFile(const std::string& windowsPath, const std::string& content) {
    std::ofstream out(Host(windowsPath), std::ios::binary | std::ios::trunc);
    out << content;
    ASSERT_TRUE(bool(out)) << windowsPath;
}

std::string MachineTest::ReadFile(const std::string& windowsPath) {
    std::ifstream in(Host(windowsPath), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool MachineTest::Exists(const std::string& windowsPath) {
    struct stat st;
    return stat(Host(windowsPath).c_str(), &st) == 0;
}

void MachineTest::Script(const std::string& text) { script_.LoadText(text); }

std::string MachineTest::MountDrive(char letter, unsigned long long freeMb) {
    std::string dir = machineDir_ + "/drive" + letter;
    mkdir(dir.c_str(), 0755);
    host::DriveInfo& drive = host::Config().drives[letter];
    drive.hostDir = dir;
    drive.freeMb = freeMb;
    host::SaveConfig();
    return dir;
}

bool RunningOnWine() { return false; }
