// Deleting the uninstaller at the next restart: the delayed deletion, or a
// "NUL=" line in WININIT.INI's "[Rename]" section.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/file_sharing.h"
#include "kernel/restart.h"
#include "platform.h"
#include "support/machine_fixture.h"
#include "uninstall/self_deletion.h"

namespace {

const char kWininit[] = "C:\\WINDOWS\\WININIT.INI";
const char kProgram[] = "C:\\Program Files\\SETUP.EXE";

// Other programs' pending lines in files that end in the DOS end-of-file mark,
// and the file each becomes once the program's own line is added.
struct MarkedFile {
    const char* name;
    std::string before;
    std::string after;
};

const std::string kOthersLines = "NUL=C:\\OLD.EXE\r\nC:\\A.NEW=C:\\A.OLD";
const std::string kRenameLast = "[Rename]\r\n" + kOthersLines + "\r\nNUL=C:\\PROGRA~1\\SETUP.EXE\r\n";
const std::string kRenameFirst = "[Other]\r\nX=1\r\n" + kRenameLast;

const MarkedFile kMarkedFiles[] = {
    {"rename section last, mark on a line of its own", "[Rename]\r\n" + kOthersLines + "\r\n\x1A", kRenameLast},
    {"rename section last, mark after an LF", "[Rename]\r\n" + kOthersLines + "\n\x1A", kRenameLast},
    {"rename section last, mark right after the value", "[Rename]\r\n" + kOthersLines + "\x1A", kRenameLast},
    {"rename section last, mark right after a CR", "[Rename]\r\n" + kOthersLines + "\r\x1A", kRenameLast},
    {"another section last, mark on a line of its own",
     "[Rename]\r\n" + kOthersLines + "\r\n[Other]\r\nX=1\r\n\x1A", kRenameFirst},
    {"another section last, mark right after the value",
     "[Rename]\r\n" + kOthersLines + "\r\n[Other]\r\nX=1\x1A", kRenameFirst},
};

}  // namespace

class SelfDeletionTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        WriteFile(kProgram, "program");
        host::Config().delayedDelete = false;  // as on Windows 95
    }
};

TEST_F(SelfDeletionTest, TheDelayedDeletionLeavesWininitAlone) {
    host::Config().delayedDelete = true;
    WriteFile(kWininit, "[Rename]\r\nNUL=C:\\OLD.EXE\r\n");
    ScheduleSelfDeletion(kProgram);
    EXPECT_EQ(ReadFile(kWininit), "[Rename]\r\nNUL=C:\\OLD.EXE\r\n");
}

TEST_F(SelfDeletionTest, TheSectionMovesToTheEndKeepingEveryLine) {
    WriteFile(kWininit,
              "[Rename]\r\nNUL=C:\\OLD.EXE\r\nNUL=C:\\OLD2.EXE\r\nC:\\A.NEW=C:\\A.OLD\r\n[Other]\r\nX=1\r\n");
    ScheduleSelfDeletion(kProgram);
    EXPECT_EQ(ReadFile(kWininit),
              "[Other]\r\nX=1\r\n[Rename]\r\nNUL=C:\\OLD.EXE\r\nNUL=C:\\OLD2.EXE\r\nC:\\A.NEW=C:\\A.OLD\r\n"
              "NUL=C:\\PROGRA~1\\SETUP.EXE\r\n");
}

TEST_F(SelfDeletionTest, TheTextGoesAfterWhatTheFileEndsWith) {
    struct Case {
        std::string before;
        std::string after;
    } cases[] = {
        {"", "[Rename]\r\nNUL=C:\\PROGRA~1\\SETUP.EXE\r\n"},
        {"[A]\r\nB=1\r\n\x1A", "[A]\r\nB=1\r\n[Rename]\r\nNUL=C:\\PROGRA~1\\SETUP.EXE\r\n"},
        {"[A]\r\nB=1", "[A]\r\nB=1\r\n[Rename]\r\nNUL=C:\\PROGRA~1\\SETUP.EXE\r\n"},
    };
    for (const Case& c : cases) {
        WriteFile(kWininit, c.before);
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr);
        ScheduleSelfDeletion(kProgram);
        EXPECT_EQ(ReadFile(kWininit), c.after);
    }
}

TEST_F(SelfDeletionTest, TheEndOfFileMarkGivesWayToTheNewSection) {
    for (const MarkedFile& file : kMarkedFiles) {
        WriteFile(kWininit, file.before);
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr);
        ScheduleSelfDeletion(kProgram);
        EXPECT_EQ(ReadFile(kWininit), file.after) << file.name;
    }
}

TEST_F(SelfDeletionTest, TheRestartCarriesOutOtherProgramsLinesAfterAMark) {
    for (const MarkedFile& file : kMarkedFiles) {
        for (const char* name : {kProgram, "C:\\OLD.EXE", "C:\\A.OLD"}) WriteFile(name, name);
        WriteFile(kWininit, file.before);
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr);
        ScheduleSelfDeletion(kProgram);
        std::vector<std::string> actions;
        EXPECT_TRUE(host::Reboot(&actions)) << file.name;
        EXPECT_EQ(actions, (std::vector<std::string>{
                               "deleted C:\\OLD.EXE",
                               "renamed C:\\A.OLD to C:\\A.NEW",
                               "deleted C:\\PROGRA~1\\SETUP.EXE",
                               "renamed C:\\WINDOWS\\WININIT.INI to C:\\WINDOWS\\WININIT.BAK",
                           }))
            << file.name;
        EXPECT_EQ(ReadFile("C:\\A.NEW"), "C:\\A.OLD") << file.name;
    }
}

TEST_F(SelfDeletionTest, NothingIsWrittenWithoutAFileToAppendTo) {
    ScheduleSelfDeletion(kProgram);
    EXPECT_FALSE(Exists(kWininit));
    WriteFile(kWininit, "[Rename]\r\nNUL=C:\\OLD.EXE\r\n");
    ASSERT_TRUE(host::HoldFileOpen(kWininit));
    ScheduleSelfDeletion(kProgram);
    ASSERT_TRUE(host::ReleaseHeldFile(kWininit));
    EXPECT_EQ(ReadFile(kWininit), "[Rename]\r\nNUL=C:\\OLD.EXE\r\n");
}

TEST_F(SelfDeletionTest, AnOversizedSectionIsLeftAsItWas) {
    std::string text = "[Rename]\r\n";
    for (int i = 0; i < 2000; ++i) text += "NUL=C:\\TEMP\\FILE" + std::to_string(i) + ".TMP\r\n";
    WriteFile(kWininit, text);
    ScheduleSelfDeletion(kProgram);
    EXPECT_EQ(ReadFile(kWininit), text);
}

// What follows a mark before the file's end is never read by the restart;
// moving the section after it would lose every line, and cutting the mark
// would carry out text that was never meant to run.
TEST_F(SelfDeletionTest, AFileWithTextAfterAMarkIsLeftAsItWas) {
    const std::string files[] = {
        "[Rename]\r\nNUL=C:\\OLD.EXE\r\n\x1A\r\nNUL=C:\\MY DOCS\\LETTER.DOC\r\n",
        "[Rename]\r\nNUL=C:\\OLD.EXE\x1A\r\n[Other]\r\nX=1\r\n",
        "[Other]\r\nX=1\x1A\r\n[Rename]\r\nNUL=C:\\OLD.EXE\r\n\x1A",
    };
    for (const std::string& text : files) {
        WriteFile(kWininit, text);
        ScheduleSelfDeletion(kProgram);
        EXPECT_EQ(ReadFile(kWininit), text);
    }
}

// The section is read as strings that end in a null: a line holding a null
// byte would come back as two lines, the second one carried out at the
// restart although it never was a line of its own.
TEST_F(SelfDeletionTest, AFileWithANullByteIsLeftAsItWas) {
    const std::string files[] = {
        std::string("[Rename]\r\nNUL=C:\\OLD.EXE\0C:\\AUTOEXEC.BAT=C:\\OLD.EXE\r\n", 48),
        std::string("[Other]\r\nX=\0\r\n[Rename]\r\nNUL=C:\\OLD.EXE\r\n", 38),
    };
    for (const std::string& text : files) {
        WriteFile(kWininit, text);
        ScheduleSelfDeletion(kProgram);
        EXPECT_EQ(ReadFile(kWininit), text);
    }
}
