// Multibyte scans, separators, keys and directory creation.
#include <gtest/gtest.h>

#include <cstring>

#include "app/setup_state.h"
#include "support/machine_fixture.h"
#include "text/directories.h"
#include "text/text.h"

TEST(FindCharMb, SkipsTrailBytesEqualToTheSearchedByte) {
    // 0x83 0x5C is one character whose second byte is the backslash value.
    const char text[] = "\x83\x5C" "A\\B";
    const char* found = FindCharMb(text, '\\');
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found - text, 3);
    EXPECT_EQ(FindCharMb("abc", ','), nullptr);
    EXPECT_EQ(FindCharMb("", ','), nullptr);
    // A lead byte right before the terminator ends the search.
    EXPECT_EQ(FindCharMb("ab\x83", '\\'), nullptr);
    EXPECT_STREQ(FindCharMb("a,b,c", ','), ",b,c");
}

TEST(IsTrailByteAt, WalksWholeCharacters) {
    const char text[] = "A\x83\x5C" "B";
    EXPECT_FALSE(IsTrailByteAt(text, 0));
    EXPECT_FALSE(IsTrailByteAt(text, 1));
    EXPECT_TRUE(IsTrailByteAt(text, 2));
    EXPECT_FALSE(IsTrailByteAt(text, 3));
}

TEST(EnsureTrailingSeparator, AppendsOnlyWhenTheLastCharacterIsNoBackslash) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"C:\\Tools\\", "C:\\Tools\\"},
        {"C:\\Tools", "C:\\Tools\\"},
        {"", "\\"},
        {"C:\\\x83\x5C", "C:\\\x83\x5C\\"},  // ends in a double-byte character
    };
    for (const Case& c : cases) {
        char buffer[MAX_PATH];
        strcpy(buffer, c.in);
        EXPECT_TRUE(EnsureTrailingSeparator(buffer, sizeof buffer));
        EXPECT_STREQ(buffer, c.out) << c.in;
    }
}

TEST(EnsureTrailingSeparator, RefusesWhenTheBufferIsFull) {
    char buffer[MAX_PATH];
    memset(buffer, 'a', MAX_PATH - 1);
    buffer[MAX_PATH - 1] = 0;
    EXPECT_FALSE(EnsureTrailingSeparator(buffer, sizeof buffer));
    EXPECT_EQ(strlen(buffer), (size_t)MAX_PATH - 1);
}

TEST(FormatKey, WritesDecimalIntoTheSharedKeyText) {
    EXPECT_STREQ(FormatKey(1), "1");
    EXPECT_STREQ(FormatKey(4294967295u), "4294967295");
    EXPECT_EQ(FormatKey(7), setup.keyText);
}

TEST(BoundedText, NeverWritesPastTheBuffer) {
    char buffer[8];
    EXPECT_TRUE(CopyText(buffer, sizeof buffer, "1234567"));
    EXPECT_FALSE(CopyText(buffer, sizeof buffer, "12345678"));
    EXPECT_STREQ(buffer, "");
    strcpy(buffer, "1234");
    EXPECT_FALSE(AppendText(buffer, sizeof buffer, "5678"));
    EXPECT_STREQ(buffer, "1234");
    EXPECT_TRUE(AppendText(buffer, sizeof buffer, "567"));
    EXPECT_STREQ(buffer, "1234567");
}

class DirectoryTest : public MachineTest {};

TEST_F(DirectoryTest, DriveRootSucceedsWithoutTouchingTheDisk) {
    char path[MAX_PATH] = "Q:\\";  // not even a mounted drive
    EXPECT_TRUE(CreateOneDirectory(path));
    EXPECT_EQ(Transcript(), "");
}

TEST_F(DirectoryTest, CreatesEveryLevelAndKeepsTheSeparator) {
    MountDrive('D');
    char path[MAX_PATH] = "D:\\A\\B\\C\\";
    EXPECT_TRUE(CreateDirectoryPath(path));
    EXPECT_STREQ(path, "D:\\A\\B\\C\\");
    EXPECT_TRUE(Exists("D:\\A\\B\\C"));
    EXPECT_EQ(Transcript(), "");
    // Existing levels are fine.
    EXPECT_TRUE(CreateDirectoryPath(path));
}

TEST_F(DirectoryTest, StopsAtTheFirstLevelThatIsAFile) {
    MountDrive('D');
    char a[MAX_PATH] = "D:\\A\\";
    ASSERT_TRUE(CreateOneDirectory(a));
    WriteFile("D:\\A\\B", "x");
    Script("answer ok\n");
    char path[MAX_PATH] = "D:\\A\\B\\C\\";
    EXPECT_FALSE(CreateDirectoryPath(path));
    EXPECT_STREQ(path, "D:\\A\\B\\C\\");
    EXPECT_FALSE(Exists("D:\\A\\B\\C"));
    EXPECT_EQ(Transcript(),
              u8"messagebox owner=none caption=\"エラー\" icon=error text=\"D:\\\\A\\\\B - "
              u8"同じ名前のファイルが既に存在するのでフォルダが作成できません。\" answer=ok\n");
}

TEST_F(DirectoryTest, ReportsALevelThatCannotBeCreated) {
    Script("answer ok\n");
    char path[MAX_PATH] = "C:\\bad|name\\";
    EXPECT_FALSE(CreateOneDirectory(path));
    EXPECT_NE(Transcript().find(u8"C:\\\\bad|name のフォルダ作成に失敗しました。"), std::string::npos)
        << Transcript();
}

TEST_F(DirectoryTest, DoubleByteNamesWithBackslashTrailBytesAreOneLevel) {
    // "ソフト" has the trail byte 0x5C in its first character.
    char path[MAX_PATH] = "C:\\ソフト\\表示\\";
    EXPECT_TRUE(CreateDirectoryPath(path));
    EXPECT_TRUE(Exists("C:\\ソフト\\表示"));
    EXPECT_EQ(Transcript(), "");
}
