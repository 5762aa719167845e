// A machine with a product folder on drive D: and the program's state
// pointed at its settings file, as the entry would leave it.
#pragma once

#include <string>

#include "support/machine_fixture.h"

class ProgramTest : public MachineTest {
  protected:
    void SetUp() override;
    // Writes D:\MEDIA\SETUP.INF and points the program at it.
    void WriteSettings(const std::string& text);
    // Writes the uninstall registration of an earlier installation.
    void SetEarlierUninstallString(const std::string& folder, const std::string& value);
};
