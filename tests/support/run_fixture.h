// Runs the program file on a product's media in D:\MEDIA with a script, and
// looks at the transcript.
#pragma once

#include <string>

#include "support/machine_fixture.h"

class RunTest : public MachineTest {
  protected:
    void SetUp() override;
    // Writes the settings file beside the program.
    void Settings(const std::string& text);
    // Runs D:\MEDIA\SETUP.EXE with the command line and the script; returns
    // the exit code. A run that the script cannot finish fails the test.
    int Run(const std::string& script, const std::string& commandLine = "");
    // The same for the program file at another Windows path.
    int RunAt(const std::string& path, const std::string& script, const std::string& commandLine);
    // True when the transcript has a line starting with prefix (UTF-8).
    bool HasLine(const std::string& prefix) const;
    // The transcript lines starting with prefix, in order.
    std::string Lines(const std::string& prefix) const;
};

// A settings file with a title, a folder and two file entries.
extern const char kSampleSettings[];
