// The entry: program paths, the settings file's name, and the mode chosen by
// the command line.
#include <gtest/gtest.h>

#include <string>

#include "app/setup_state.h"
#include "process/program_file.h"
#include "support/machine_fixture.h"

class EntryTest : public MachineTest {
  protected:
    // Puts a program file and its settings file in a folder of drive D:, and
    // registers them as installed there (a removal run takes the registration).
    void Media(const std::string& folder, const std::string& program, const std::string& settings) {
        MountDrive('D');
        std::string dir = "D:\\" + folder;
        CreateDirectoryA(dir.c_str(), nullptr);
        // Written again for every run: a removal run deletes both.
        ASSERT_TRUE(host::WriteProgramStandIn(Host(dir + "\\" + program)));
        WriteFile(dir + "\\" + settings, "[Install]\r\nTitle=Foo\r\nFolder=Foo\r\n");
        Register(dir + "\\" + program);
    }
    // Registers the program file at path as the installed one, which alone
    // may uninstall.
    void Register(const std::string& path) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Foo", 0,
                                  nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        std::string command = "\"" + path + "\" /r";
        RegSetValueExA(key, "UninstallString", 0, REG_SZ, (const BYTE*)command.c_str(), (DWORD)command.size() + 1);
        RegCloseKey(key);
    }
    int Run(const std::string& path, const std::string& commandLine) {
        std::string error;
        int code = host::RunProgramFile(path, commandLine, &error);
        EXPECT_EQ(error, "");
        return code;
    }
};

TEST_F(EntryTest, DerivesThePathsFromTheProgramFile) {
    Media("Prod Media", "INSTALL.EXE", "INSTALL.INF");
    Script("press cancel\n");
    EXPECT_EQ(Run("D:\\Prod Media\\INSTALL.EXE", ""), 1);
    EXPECT_STREQ(setup.modulePath, "D:\\Prod Media\\INSTALL.EXE");
    EXPECT_STREQ(setup.setupDir, "D:\\Prod Media\\");
    EXPECT_STREQ(setup.programFileName, "INSTALL.EXE");
    EXPECT_STREQ(setup.settingsFileName, "INSTALL.INF");
    EXPECT_STREQ(setup.settingsPath, "D:\\Prod Media\\INSTALL.INF");
    EXPECT_STREQ(setup.title, "Foo");
    EXPECT_TRUE(setup.isNewShell);
}

TEST_F(EntryTest, TheLastThreeBytesOfAnyExtensionBecomeINF) {
    Media("M", "SETUP.PROGRAM", "SETUP.PROGINF");
    Script("press cancel\n");
    EXPECT_EQ(Run("D:\\M\\SETUP.PROGRAM", ""), 1);
    EXPECT_STREQ(setup.settingsFileName, "SETUP.PROGINF");
    EXPECT_STREQ(setup.title, "Foo");
}

TEST_F(EntryTest, RemovalModeReadsTheSettingsBesideTheGivenPath) {
    ASSERT_TRUE(host::WriteProgramStandIn(Host("C:\\WINDOWS\\SYSTEM\\SETUP.EXE")));
    for (const char* commandLine : {"x D:\\Program Files\\SETUP.EXE", "/x D:\\Program Files\\SETUP.EXE"}) {
        Media("Program Files", "SETUP.EXE", "SETUP.INF");
        setup = SetupState();
        Script("press 2\n");
        EXPECT_EQ(Run("C:\\WINDOWS\\SYSTEM\\SETUP.EXE", commandLine), 1);
        EXPECT_STREQ(setup.modulePath, "C:\\WINDOWS\\SYSTEM\\SETUP.EXE");
        EXPECT_STREQ(setup.setupDir, "D:\\Program Files\\") << commandLine;
        EXPECT_STREQ(setup.settingsPath, "D:\\Program Files\\SETUP.INF");
    }
}

TEST_F(EntryTest, PathsThatNameNoSettingsFileEndTheRunCleanly) {
    ASSERT_TRUE(host::WriteProgramStandIn(Host("C:\\WINDOWS\\SYSTEM\\SETUP.EXE")));
    ASSERT_TRUE(host::WriteProgramStandIn(Host("C:\\AB")));
    struct Case {
        const char* program;
        std::string commandLine;
    } cases[] = {
        {"C:\\WINDOWS\\SYSTEM\\SETUP.EXE", "x"},                          // nothing after x
        {"C:\\WINDOWS\\SYSTEM\\SETUP.EXE", "x "},                         // an empty path
        {"C:\\WINDOWS\\SYSTEM\\SETUP.EXE", "x SETUP.EXE"},                // no backslash
        {"C:\\WINDOWS\\SYSTEM\\SETUP.EXE", "x C:\\AB"},                   // name too short for INF
        {"C:\\AB", ""},                                                   // the program's own short name
        {"C:\\WINDOWS\\SYSTEM\\SETUP.EXE", "x C:\\" + std::string(300, 'a') + "\\SETUP.EXE"},
    };
    for (const Case& c : cases) {
        setup = SetupState();
        transcript_.str("");
        Script("answer ok\n");
        EXPECT_EQ(Run(c.program, c.commandLine), 1);
        EXPECT_EQ(Transcript(), u8"messagebox owner=none caption=\"エラー\" icon=error "
                                u8"text=\"設定ファイルが壊れているか、または見つかりません。\" answer=ok\n")
            << c.commandLine;
    }
}

TEST_F(EntryTest, AMissingSettingsFileEndsTheRun) {
    MountDrive('D');
    ASSERT_TRUE(host::WriteProgramStandIn(Host("D:\\SETUP.EXE")));
    Script("answer ok\n");
    EXPECT_EQ(Run("D:\\SETUP.EXE", ""), 1);
    EXPECT_NE(Transcript().find(u8"設定ファイルが壊れているか"), std::string::npos);
}

// The first thing each mode shows.
const char* const kInstallMode = u8"page 100 ";
const char* const kRequestMode = u8"messagebox owner=none caption=\"Foo\" icon=information text=\"Fooを削除します。\"";
const char* const kRemovalMode = u8"dialog 101 ";

TEST_F(EntryTest, TheModeLetterChoosesTheMode) {
    Media("M", "SETUP.EXE", "SETUP.INF");
    struct Case {
        const char* commandLine;
        const char* mode;
    } cases[] = {
        // Each run is ended at its first window.
        {"", kInstallMode},       {"r", kRequestMode},      {"/r", kRequestMode},
        {"R", kRequestMode},      {"/R", kRequestMode},     {"remove me", kRequestMode},
        {"x D:\\M\\SETUP.EXE", kRemovalMode}, {"/x D:\\M\\SETUP.EXE", kRemovalMode},
        {"X D:\\M\\SETUP.EXE", kInstallMode}, {"-r", kInstallMode}, {"//r", kInstallMode},
    };
    for (const Case& c : cases) {
        Media("M", "SETUP.EXE", "SETUP.INF");
        setup = SetupState();
        transcript_.str("");
        Script(c.mode == kInstallMode ? "press cancel\n" : c.mode == kRequestMode ? "answer cancel\n" : "press 2\n");
        EXPECT_EQ(Run("D:\\M\\SETUP.EXE", c.commandLine), 1);
        EXPECT_NE(Transcript().find(c.mode), std::string::npos) << c.commandLine << "\n" << Transcript();
    }
}
