// Starting programs and opening documents: WinExec finds the program file as
// Windows does; ShellExecuteA opens existing files.
#include <gtest/gtest.h>

#include <string>

#include "platform.h"
#include "process/program_file.h"
#include "support/machine_fixture.h"

class ProcessTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(CreateDirectoryA("C:\\Program Files\\Foo", nullptr));
        WriteFile("C:\\Program Files\\Foo\\TOOL.EXE", "tool");
        WriteFile("C:\\Program Files\\Foo\\README.TXT", "read me");
        ASSERT_TRUE(host::WriteProgramStandIn(Host("C:\\WINDOWS\\SYSTEM\\SETUP.EXE")));
        host::StartedProgram stale;
        host::TakeStartedProgram(&stale);
    }
};

TEST_F(ProcessTest, WinExecFindsTheProgramAsWindowsDoes) {
    WriteFile("C:\\WINDOWS\\NOTEPAD.EXE", "");
    WriteFile("C:\\WINDOWS\\SETUP.EXE", "");  // the system directory comes first
    ASSERT_TRUE(CreateDirectoryA("C:\\Program Files\\Foo\\SUB.EXE", nullptr));
    struct Case {
        const char* currentDir;
        const char* commandLine;
        const char* transcript;  // empty when nothing starts
    } cases[] = {
        // Unquoted with blanks: the longer names are tried in turn; the
        // started program's WinMain gets what follows the first word.
        {"C:\\", "C:\\Program Files\\Foo\\TOOL.EXE /q",
         u8"start \"C:\\\\Program Files\\\\Foo\\\\TOOL.EXE\" \"Files\\\\Foo\\\\TOOL.EXE /q\""},
        {"C:\\", "C:\\Program Files\\Foo\\TOOL", u8"start \"C:\\\\Program Files\\\\Foo\\\\TOOL.exe\" \"Files\\\\Foo\\\\TOOL\""},
        {"C:\\", "\"C:\\Program Files\\Foo\\TOOL.EXE\"  -L -S", u8"start \"C:\\\\Program Files\\\\Foo\\\\TOOL.EXE\" \"-L -S\""},
        // A name without a directory: the current, system and Windows directories.
        {"C:\\Program Files\\Foo", "TOOL.EXE", u8"start \"C:\\\\Program Files\\\\Foo\\\\TOOL.EXE\" \"\""},
        {"C:\\Program Files\\Foo", "notepad readme.txt", u8"start \"C:\\\\WINDOWS\\\\notepad.exe\" \"readme.txt\""},
        {"C:\\", "SETUP.EXE", u8"start \"C:\\\\WINDOWS\\\\SYSTEM\\\\SETUP.EXE\" \"\""},
        // A relative path is taken from the current directory.
        {"C:\\Program Files", "Foo\\TOOL.EXE", u8"start \"C:\\\\Program Files\\\\Foo\\\\TOOL.EXE\" \"\""},
        // Not found: a missing file, a folder, an empty line.
        {"C:\\", "C:\\Program Files\\Foo\\NONE.EXE", ""},
        {"C:\\Program Files\\Foo", "SUB.EXE", ""},
        {"C:\\", "", ""},
    };
    for (const Case& c : cases) {
        transcript_.str("");
        ASSERT_TRUE(SetCurrentDirectoryA(c.currentDir));
        UINT result = WinExec(c.commandLine, SW_SHOWNORMAL);
        if (*c.transcript) {
            EXPECT_GT(result, 31u) << c.commandLine;
            EXPECT_EQ(Transcript(), std::string(c.transcript) + "\n") << c.commandLine;
        } else {
            EXPECT_EQ(result, (UINT)ERROR_FILE_NOT_FOUND) << c.commandLine;
            EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
            EXPECT_EQ(Transcript(), "") << c.commandLine;
        }
    }
}

// The documented hazard of unquoted names: C:\Program.exe wins over a
// program in C:\Program Files.
TEST_F(ProcessTest, WinExecTriesTheShortestNameFirst) {
    WriteFile("C:\\Program.exe", "");
    EXPECT_GT(WinExec("C:\\Program Files\\Foo\\TOOL.EXE", SW_SHOWNORMAL), 31u);
    EXPECT_EQ(Transcript(), u8"start \"C:\\\\Program.exe\" \"Files\\\\Foo\\\\TOOL.EXE\"\n");
}

TEST_F(ProcessTest, OnlyTheSetupProgramIsStartedAsANewProcess) {
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\WINDOWS\\SYSTEM"));
    EXPECT_EQ(WinExec("C:\\Program Files\\Foo\\README.TXT", SW_SHOWNORMAL), 33u);
    host::StartedProgram started;
    EXPECT_FALSE(host::TakeStartedProgram(&started));

    EXPECT_EQ(WinExec("C:\\WINDOWS\\SYSTEM\\SETUP.EXE x C:\\Program Files\\Foo\\SETUP.EXE", SW_SHOWNORMAL), 33u);
    EXPECT_EQ(WinExec("SETUP.EXE x C:\\Other\\SETUP.EXE", SW_SHOWNORMAL), 33u);  // a second: not run
    ASSERT_TRUE(host::TakeStartedProgram(&started));
    EXPECT_EQ(started.path, "C:\\WINDOWS\\SYSTEM\\SETUP.EXE");
    EXPECT_EQ(started.commandLine, "x C:\\Program Files\\Foo\\SETUP.EXE");  // whole, blanks and all
    EXPECT_EQ(started.currentDir, "C:\\WINDOWS\\SYSTEM");
    EXPECT_FALSE(host::TakeStartedProgram(&started));
    EXPECT_EQ(Transcript(),
              u8"start \"C:\\\\Program Files\\\\Foo\\\\README.TXT\" \"Files\\\\Foo\\\\README.TXT\"\n"
              u8"start \"C:\\\\WINDOWS\\\\SYSTEM\\\\SETUP.EXE\" \"x C:\\\\Program Files\\\\Foo\\\\SETUP.EXE\"\n"
              u8"start \"C:\\\\WINDOWS\\\\SYSTEM\\\\SETUP.EXE\" \"x C:\\\\Other\\\\SETUP.EXE\"\n");
}

TEST_F(ProcessTest, ShellExecuteOpensExistingFilesOnly) {
    struct Case {
        const char* file;
        const char* directory;
        INT_PTR result;          // above 32 when opened
        DWORD error;             // GetLastError after a failure
        const char* transcript;  // empty when nothing opens
    } cases[] = {
        {"C:\\Program Files\\Foo\\README.TXT", nullptr, 33, 0, u8"open \"C:\\\\Program Files\\\\Foo\\\\README.TXT\""},
        {"README.TXT", "C:\\Program Files\\Foo", 33, 0, u8"open \"C:\\\\Program Files\\\\Foo\\\\README.TXT\""},
        {"C:\\Program Files\\Foo\\NONE.TXT", nullptr, SE_ERR_FNF, ERROR_FILE_NOT_FOUND, ""},
        {"README.TXT", nullptr, SE_ERR_FNF, ERROR_FILE_NOT_FOUND, ""},  // not in the current directory
        {"C:\\No Folder\\README.TXT", nullptr, SE_ERR_PNF, ERROR_PATH_NOT_FOUND, ""},
    };
    for (const Case& c : cases) {
        transcript_.str("");
        INT_PTR result = (INT_PTR)ShellExecuteA(nullptr, "open", c.file, nullptr, c.directory, SW_SHOWNORMAL);
        if (c.result > 32) {
            EXPECT_GT(result, 32) << c.file;
        } else {
            EXPECT_EQ(result, c.result) << c.file;
            EXPECT_EQ(GetLastError(), c.error) << c.file;
        }
        EXPECT_EQ(Transcript(), *c.transcript ? std::string(c.transcript) + "\n" : "") << c.file;
    }
}
