// The machine folder's settings file and the making of a machine: a broken
// drive entry is an error naming the file and line, never a drive mapped to
// some other host folder; a folder that holds no machine is never emptied.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <string>

#include "core/machine.h"
#include "support/machine_fixture.h"

class MachineConfigTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        other_ = machineDir_ + "/other";
        ASSERT_EQ(mkdir(other_.c_str(), 0755), 0);
        folder_ = machineDir_ + "/folder";
        ASSERT_EQ(mkdir(folder_.c_str(), 0755), 0);
        std::ofstream(machineDir_ + "/file", std::ios::binary) << "a file";
    }
    void WriteConfig(const std::string& text) {
        std::ofstream(other_ + "/machine.cfg", std::ios::binary) << text;
    }

    std::string other_, folder_;
};

TEST_F(MachineConfigTest, BrokenDriveEntriesAreErrorsNamingTheLine) {
    const std::string head = "shell=new\ndelayed-delete=yes\ndrive.C.path=" + folder_ + "\ndrive.C.free-mb=512000\n";
    struct Case {
        std::string line;      // the fifth line
        std::string message;   // what the error says after "FILE:5: "
    } cases[] = {
        {"drive.D.path=", "drive D: has no folder"},
        {"drive.D.path=media", "drive D: folder media is not an absolute path"},
        {"drive.D.path=" + machineDir_ + "/none", "drive D: folder " + machineDir_ + "/none is not a folder"},
        {"drive.D.path=" + machineDir_ + "/file", "drive D: folder " + machineDir_ + "/file is not a folder"},
        {"drive.D.free-mb=many", "drive D: free-mb takes a number"},
        {"drive.1.path=" + folder_, "drive.1.path: not a drive letter"},
        {"shell=newest", "shell takes new or old"},
    };
    std::string machineBefore = host::MachineDir();
    for (const Case& c : cases) {
        WriteConfig(head + c.line + "\n");
        std::string error;
        EXPECT_FALSE(host::OpenMachine(other_, &error)) << c.line;
        EXPECT_EQ(error, other_ + "/machine.cfg:5: " + c.message) << c.line;
        EXPECT_EQ(host::MachineDir(), machineBefore) << c.line;
    }
    // A drive given only its free space has no folder either: the error is
    // at the line that names the drive.
    WriteConfig(head + "drive.D.free-mb=100\n");
    std::string error;
    EXPECT_FALSE(host::OpenMachine(other_, &error));
    EXPECT_EQ(error, other_ + "/machine.cfg:5: drive D: has no folder");

    WriteConfig(head + "drive.D.path=" + folder_ + "\ndrive.D.free-mb=100\n");
    EXPECT_TRUE(host::OpenMachine(other_, &error)) << error;
    EXPECT_EQ(host::Config().drives['D'].hostDir, folder_);
    EXPECT_EQ(host::Config().drives['D'].freeMb, 100u);
}

TEST_F(MachineConfigTest, AFolderWithoutAMachineIsNeverEmptied) {
    std::ofstream(folder_ + "/mine.txt", std::ios::binary) << "mine";
    std::string error;
    EXPECT_FALSE(host::HoldsMachine(folder_));
    EXPECT_FALSE(host::InitMachine(folder_, host::MachineConfig(), &error));
    EXPECT_EQ(error, folder_ + " is not empty and holds no machine");
    struct stat st;
    EXPECT_EQ(stat((folder_ + "/mine.txt").c_str(), &st), 0);
    // An empty folder, or none, becomes a machine; a machine is made afresh.
    EXPECT_TRUE(host::InitMachine(other_, host::MachineConfig(), &error)) << error;
    EXPECT_TRUE(host::HoldsMachine(other_));
    EXPECT_TRUE(host::InitMachine(other_, host::MachineConfig(), &error)) << error;
    EXPECT_TRUE(host::InitMachine(machineDir_ + "/new", host::MachineConfig(), &error)) << error;
}
