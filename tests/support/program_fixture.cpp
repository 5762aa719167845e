#include "support/program_fixture.h"

#include <cstring>

#include "app/setup_state.h"
#include "platform.h"

void ProgramTest::SetUp() {
    MachineTest::SetUp();
    MountDrive('D');
    ASSERT_TRUE(CreateDirectoryA("D:\\MEDIA", nullptr));
    strcpy(setup.setupDir, "D:\\MEDIA\\");
    strcpy(setup.programFileName, "SETUP.EXE");
    strcpy(setup.settingsFileName, "SETUP.INF");
    strcpy(setup.settingsPath, "D:\\MEDIA\\SETUP.INF");
}

void ProgramTest::WriteSettings(const std::string& text) { WriteFile("D:\\MEDIA\\SETUP.INF", text); }

void ProgramTest::SetEarlierUninstallString(const std::string& folder, const std::string& value) {
    HKEY key;
    std::string path = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + folder;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (value.empty()) {
        RegDeleteValueA(key, "UninstallString");
    } else {
        ASSERT_EQ(RegSetValueExA(key, "UninstallString", 0, REG_SZ, (const BYTE*)value.c_str(),
                                 (DWORD)value.size() + 1),
                  ERROR_SUCCESS);
    }
    RegCloseKey(key);
}
