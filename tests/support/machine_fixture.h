// A fresh machine in a temporary folder for each test, with the transcript
// captured and the program's state zeroed.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "core/machine.h"
#include "ui/frontend.h"
#include "ui/script.h"

class MachineTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Host path of a Windows path in this machine.
    std::string Host(const std::string& windowsPath);
    // Writes a file at a Windows path (parents must exist).
    void WriteFile(const std::string& windowsPath, const std::string& content);
    std::string ReadFile(const std::string& windowsPath);
    bool Exists(const std::string& windowsPath);
    // Answers the next message boxes from a script text.
    void Script(const std::string& text);
    // The transcript so far, UTF-8.
    std::string Transcript() const { return transcript_.str(); }
    // A host folder mounted as a drive.
    std::string MountDrive(char letter, unsigned long long freeMb = host::kDefaultFreeMb);

    std::string machineDir_;
    std::ostringstream transcript_;
    host::ScriptFrontEnd script_;
};
