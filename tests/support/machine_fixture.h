// A fresh machine in a temporary folder for each test, with the transcript
// captured and the program's state zeroed. Built for Windows (tests/windows/
// host_tests), the same tests run on the real platform: the machine is the
// real C: drive, made fresh by removing what each test left behind.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#ifdef _WIN32
namespace host {
constexpr unsigned long long kDefaultFreeMb = 512000;
}
#else
#include "core/machine.h"
#include "ui/frontend.h"
#include "ui/script.h"
#endif

class MachineTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Host path of a Windows path in this machine (on Windows: the path itself).
    std::string Host(const std::string& windowsPath);
    // Writes a file at a Windows path (parents must exist).
    void WriteFile(const std::string& windowsPath, const std::string& content);
    std::string ReadFile(const std::string& windowsPath);
    bool Exists(const std::string& windowsPath);
    // A host folder mounted as a drive (on Windows a folder of the C: drive;
    // its free space is the C: drive's, whatever freeMb says).
    std::string MountDrive(char letter, unsigned long long freeMb = host::kDefaultFreeMb);
#ifndef _WIN32
    // Answers the next message boxes from a script text.
    void Script(const std::string& text);
    // The transcript so far, UTF-8.
    std::string Transcript() const { return transcript_.str(); }

    std::string machineDir_;
    std::ostringstream transcript_;
    host::ScriptFrontEnd script_;
#endif
};

// True when the tests run under Wine rather than on Windows or the host layer.
bool RunningOnWine();
// Skips the rest of the test under Wine, where Wine is known to differ from
// the host layer for the reason given.
#define SKIP_ON_WINE(reason) \
    do { \
        if (RunningOnWine()) GTEST_SKIP() << "known difference under Wine: " << reason; \
    } while (0)
