// Deletions and renames delayed until the next restart: NT's pending
// operations, Windows 95's WININIT.INI, and the restart that carries them out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/file_sharing.h"
#include "kernel/restart.h"
#include "platform.h"
#include "support/machine_fixture.h"

namespace {

const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";

// The raw PendingFileRenameOperations value, or "<none>".
std::string PendingOperations() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return "<none>";
    char data[1024];
    DWORD type = 0, size = sizeof data;
    LONG error = RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type, (LPBYTE)data, &size);
    RegCloseKey(key);
    if (error != ERROR_SUCCESS) return "<none>";
    EXPECT_EQ(type, (DWORD)REG_MULTI_SZ);
    return std::string(data, size);
}

}  // namespace

class RestartTest : public MachineTest {
  protected:
    std::vector<std::string> Reboot(bool expectOk = true) {
        std::vector<std::string> actions;
        EXPECT_EQ(host::Reboot(&actions), expectOk);
        return actions;
    }
};

TEST_F(RestartTest, NtRecordsDelayedDeletionsAndTheRestartCarriesThemOut) {
    WriteFile("C:\\WINDOWS\\SYSTEM\\SETUP.EXE", "program");
    WriteFile("C:\\WINDOWS\\SYSTEM\\NEW.DLL", "new");
    WriteFile("C:\\WINDOWS\\SYSTEM\\OLD.DLL", "old");
    ASSERT_TRUE(host::HoldFileOpen("C:\\WINDOWS\\SYSTEM\\SETUP.EXE"));  // the running program
    EXPECT_FALSE(DeleteFileA("C:\\WINDOWS\\SYSTEM\\SETUP.EXE"));

    ASSERT_TRUE(MoveFileExA("C:\\WINDOWS\\SYSTEM\\SETUP.EXE", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_TRUE(MoveFileExA("C:\\WINDOWS\\SYSTEM\\NEW.DLL", "C:\\WINDOWS\\SYSTEM\\OLD.DLL",
                            MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING));
    // Pairs of names, an empty second name for a deletion, '!' for a replacing move.
    const std::string nul(1, '\0');
    EXPECT_EQ(PendingOperations(), "\\??\\C:\\WINDOWS\\SYSTEM\\SETUP.EXE" + nul + nul +
                                       "\\??\\C:\\WINDOWS\\SYSTEM\\NEW.DLL" + nul +
                                       "!\\??\\C:\\WINDOWS\\SYSTEM\\OLD.DLL" + nul + nul);
    EXPECT_TRUE(Exists("C:\\WINDOWS\\SYSTEM\\SETUP.EXE"));  // nothing happens until the restart
    EXPECT_FALSE(MoveFileExA("C:\\WINDOWS\\NONE.EXE", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(Reboot(), (std::vector<std::string>{
                            "deleted C:\\WINDOWS\\SYSTEM\\SETUP.EXE",
                            "renamed C:\\WINDOWS\\SYSTEM\\NEW.DLL to C:\\WINDOWS\\SYSTEM\\OLD.DLL",
                        }));
    EXPECT_FALSE(Exists("C:\\WINDOWS\\SYSTEM\\SETUP.EXE"));
    EXPECT_EQ(ReadFile("C:\\WINDOWS\\SYSTEM\\OLD.DLL"), "new");
    EXPECT_EQ(PendingOperations(), "<none>");
    EXPECT_TRUE(Reboot().empty());  // done once
}

TEST_F(RestartTest, Windows95CannotDelayADeletion) {
    host::Config().delayedDelete = false;
    WriteFile("C:\\WINDOWS\\SYSTEM\\SETUP.EXE", "program");
    EXPECT_FALSE(MoveFileExA("C:\\WINDOWS\\SYSTEM\\SETUP.EXE", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CALL_NOT_IMPLEMENTED);
    EXPECT_EQ(PendingOperations(), "<none>");
    EXPECT_TRUE(Reboot().empty());
    EXPECT_TRUE(Exists("C:\\WINDOWS\\SYSTEM\\SETUP.EXE"));
}

TEST_F(RestartTest, WininitRenameSectionIsCarriedOutLineByLine) {
    ASSERT_TRUE(CreateDirectoryA("C:\\Program Files\\Product", nullptr));
    for (const char* file : {"C:\\WINDOWS\\SYSTEM\\SETUP.EXE", "C:\\OLD.EXE", "C:\\A.NEW", "C:\\A.OLD",
                             "C:\\Program Files\\Product\\Uninstall data.dat", "C:\\KEEP.EXE"})
        WriteFile(file, file);
    const std::string text =
        "[Other]\r\n"
        "NUL=C:\\KEEP.EXE\r\n"
        "[rename]\r\n"
        "; a comment\r\n"
        "NUL=C:\\OLD.EXE\r\n"
        "C:\\A.OLD=C:\\A.NEW\r\n"
        "nul=C:\\PROGRA~1\\PRODUCT\\UNINST~1.DAT\r\n"
        "NUL=C:\\Program Files\\Product\\SETUP.EXE\r\n"
        "NUL=C:\\WINDOWS\\SYSTEM\\SETUP.EXE\r\n"
        "\x1A";
    WriteFile("C:\\WINDOWS\\WININIT.INI", text);

    EXPECT_EQ(Reboot(false), (std::vector<std::string>{
                                 "deleted C:\\OLD.EXE",
                                 "renamed C:\\A.NEW to C:\\A.OLD",
                                 "deleted C:\\PROGRA~1\\PRODUCT\\UNINST~1.DAT",
                                 "cannot delete C:\\Program Files\\Product\\SETUP.EXE (not a short path)",
                                 "deleted C:\\WINDOWS\\SYSTEM\\SETUP.EXE",
                                 "renamed C:\\WINDOWS\\WININIT.INI to C:\\WINDOWS\\WININIT.BAK",
                             }));
    for (const char* gone : {"C:\\OLD.EXE", "C:\\A.NEW", "C:\\Program Files\\Product\\Uninstall data.dat",
                             "C:\\WINDOWS\\SYSTEM\\SETUP.EXE", "C:\\WINDOWS\\WININIT.INI"})
        EXPECT_FALSE(Exists(gone)) << gone;
    EXPECT_EQ(ReadFile("C:\\A.OLD"), "C:\\A.NEW");
    EXPECT_TRUE(Exists("C:\\KEEP.EXE"));
    EXPECT_EQ(ReadFile("C:\\WINDOWS\\WININIT.BAK"), text);
    EXPECT_TRUE(Reboot().empty());
}

TEST_F(RestartTest, WininitIsReadOnlyUpToTheEndOfFileMark) {
    for (const char* file : {"C:\\OLD.EXE", "C:\\LATER.EXE"}) WriteFile(file, file);
    WriteFile("C:\\WINDOWS\\WININIT.INI", "[Rename]\r\nNUL=C:\\OLD.EXE\x1A\r\nNUL=C:\\LATER.EXE\r\n");
    EXPECT_EQ(Reboot(), (std::vector<std::string>{
                            "deleted C:\\OLD.EXE",
                            "renamed C:\\WINDOWS\\WININIT.INI to C:\\WINDOWS\\WININIT.BAK",
                        }));
    EXPECT_TRUE(Exists("C:\\LATER.EXE"));
}

// The restart reads the file as the profile calls do, which the program uses
// to move the section: blanks include the vertical tab, a comment may follow
// blanks, and a carriage return at the very end ends the last line.
TEST_F(RestartTest, WininitLinesAreReadAsTheProfileCallsReadThem) {
    for (const char* file : {"C:\\KEEP.EXE", "C:\\OLD.EXE", "C:\\LAST.EXE"}) WriteFile(file, file);
    WriteFile("C:\\WINDOWS\\WININIT.INI",
              "[Rename]\r\n\v;NUL=C:\\KEEP.EXE\r\n\vNUL\v=\vC:\\OLD.EXE\v\r\nNUL=C:\\LAST.EXE\r");
    EXPECT_EQ(Reboot(), (std::vector<std::string>{
                            "deleted C:\\OLD.EXE",
                            "deleted C:\\LAST.EXE",
                            "renamed C:\\WINDOWS\\WININIT.INI to C:\\WINDOWS\\WININIT.BAK",
                        }));
    EXPECT_TRUE(Exists("C:\\KEEP.EXE"));
}

TEST_F(RestartTest, ARestartEndsThePrograms) {
    WriteFile("C:\\HELD.TXT", "");
    ASSERT_TRUE(host::HoldFileOpen("C:\\HELD.TXT"));
    Reboot();
    EXPECT_TRUE(DeleteFileA("C:\\HELD.TXT"));
}
