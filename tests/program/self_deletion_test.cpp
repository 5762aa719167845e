// Deleting the uninstaller at the next restart: the delayed deletion, or a
// "NUL=" line in WININIT.INI's "[Rename]" section.
#include <gtest/gtest.h>

#include "kernel/file_sharing.h"
#include "platform.h"
#include "support/machine_fixture.h"
#include "uninstall/self_deletion.h"

namespace {

const char kWininit[] = "C:\\WINDOWS\\WININIT.INI";
const char kProgram[] = "C:\\Program Files\\SETUP.EXE";

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

TEST_F(SelfDeletionTest, NothingIsWrittenWithoutAFileToAppendTo) {
    ScheduleSelfDeletion(kProgram);
    EXPECT_FALSE(Exists(kWininit));
    WriteFile(kWininit, "[Rename]\r\nNUL=C:\\OLD.EXE\r\n");
    ASSERT_TRUE(host::LockFile(kWininit));
    ScheduleSelfDeletion(kProgram);
    ASSERT_TRUE(host::UnlockFile(kWininit));
    EXPECT_EQ(ReadFile(kWininit), "[Rename]\r\nNUL=C:\\OLD.EXE\r\n");
}

TEST_F(SelfDeletionTest, AnOversizedSectionIsLeftAsItWas) {
    std::string text = "[Rename]\r\n";
    for (int i = 0; i < 2000; ++i) text += "NUL=C:\\TEMP\\FILE" + std::to_string(i) + ".TMP\r\n";
    WriteFile(kWininit, text);
    ScheduleSelfDeletion(kProgram);
    EXPECT_EQ(ReadFile(kWininit), text);
}
