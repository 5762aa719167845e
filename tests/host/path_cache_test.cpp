// Paths looked up again after the machine changed between calls: each call
// sees the folders and names as they are now, whatever it saw before.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform.h"
#include "support/machine_fixture.h"

namespace {

// The name a search for one path reports; empty when there is none.
std::string FoundName(const char* path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return "";
    FindClose(search);
    return found.cFileName;
}

std::set<std::string> Names(const char* pattern) {
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.insert(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

}  // namespace

class PathCacheTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(CreateDirectoryA("C:\\A", nullptr));
        WriteFile("C:\\A\\F.TXT", "f");
        ASSERT_NE(GetFileAttributesA("C:\\A\\F.TXT"), INVALID_FILE_ATTRIBUTES);
    }
};

TEST_F(PathCacheTest, AFolderRenamedAwayIsNotFollowed) {
    ASSERT_TRUE(MoveFileExA("C:\\A", "C:\\B", 0));
    EXPECT_EQ(GetFileAttributesA("C:\\A\\F.TXT"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(FoundName("C:\\A\\F.TXT"), "");
    EXPECT_FALSE(SetFileAttributesA("C:\\A\\F.TXT", FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(CopyFileA("C:\\A\\F.TXT", "C:\\B\\G.TXT", FALSE));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(CopyFileA("C:\\B\\F.TXT", "C:\\A\\G.TXT", FALSE));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(FoundName("C:\\B\\F.TXT"), "F.TXT");
    EXPECT_EQ(ReadFile("C:\\B\\F.TXT"), "f");
}

TEST_F(PathCacheTest, AFolderMadeAgainInAnotherCaseIsFoundByIt) {
    ASSERT_TRUE(DeleteFileA("C:\\A\\F.TXT"));
    ASSERT_TRUE(RemoveDirectoryA("C:\\A"));
    ASSERT_TRUE(CreateDirectoryA("C:\\a", nullptr));
    EXPECT_EQ(FoundName("C:\\A"), "a");
    WriteFile("C:\\SOURCE.TXT", "s");
    ASSERT_TRUE(CopyFileA("C:\\SOURCE.TXT", "C:\\A\\F.TXT", FALSE));
    EXPECT_EQ(FoundName("C:\\a\\f.txt"), "F.TXT");
    EXPECT_EQ(ReadFile("C:\\a\\F.TXT"), "s");
    EXPECT_EQ(Names("C:\\*"), (std::set<std::string>{"a", "Program Files", "SOURCE.TXT", "WINDOWS"}));
}

TEST_F(PathCacheTest, NamesMadeAndRemovedBetweenCallsAreSeenInAnyCase) {
    // Each step changes the folder's names; the checks after it look the
    // name up in other cases.
    struct Step {
        const char* what;
        const char* expectedName;  // as a search for C:\A\README.TXT reports it; empty: none
    };
    auto check = [](const Step& step) {
        EXPECT_EQ(FoundName("C:\\A\\README.TXT"), step.expectedName) << step.what;
        EXPECT_EQ(GetFileAttributesA("C:\\a\\readme.TXT") != INVALID_FILE_ATTRIBUTES, step.expectedName[0] != 0)
            << step.what;
    };
    check({"at first", ""});
    ASSERT_TRUE(CopyFileA("C:\\A\\F.TXT", "C:\\A\\readme.txt", TRUE));
    check({"copied as readme.txt", "readme.txt"});
    ASSERT_TRUE(DeleteFileA("C:\\A\\README.TXT"));
    check({"deleted", ""});
    ASSERT_TRUE(MoveFileExA("C:\\A\\F.TXT", "C:\\A\\ReadMe.Txt", 0));
    check({"renamed to ReadMe.Txt", "ReadMe.Txt"});
    WriteFile("C:\\A\\G.TXT", "g");
    ASSERT_TRUE(CopyFileA("C:\\A\\G.TXT", "C:\\A\\README.TXT", FALSE));
    check({"copied over in another case", "ReadMe.Txt"});
    EXPECT_EQ(ReadFile("C:\\A\\readme.txt"), "g");
    EXPECT_EQ(Names("C:\\A\\*.TXT"), (std::set<std::string>{"G.TXT", "ReadMe.Txt"}));
    ASSERT_TRUE(DeleteFileA("C:\\A\\README.TXT"));
    ASSERT_TRUE(CreateDirectoryA("C:\\A\\ReadMe.txt", nullptr));
    check({"a folder in its place", "ReadMe.txt"});
    EXPECT_TRUE(CopyFileA("C:\\A\\G.TXT", "C:\\A\\README.TXT\\G.TXT", TRUE));
    EXPECT_EQ(ReadFile("C:\\A\\ReadMe.txt\\G.TXT"), "g");
}

TEST_F(PathCacheTest, ANameMadeByAnotherProgramAfterAMissIsFound) {
    EXPECT_EQ(GetFileAttributesA("C:\\A\\NEW.TXT"), INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(CopyFileA("C:\\A\\F.TXT", "C:\\A\\MADE.TXT", TRUE));
    WriteFile("C:\\A\\new.txt", "n");  // not through the calls under test
    EXPECT_FALSE(CopyFileA("C:\\A\\F.TXT", "C:\\A\\NEW.TXT", TRUE));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS);
    EXPECT_EQ(FoundName("C:\\A\\NEW.TXT"), "new.txt");
    ASSERT_TRUE(CopyFileA("C:\\A\\F.TXT", "C:\\A\\NEW.TXT", FALSE));
    EXPECT_EQ(ReadFile("C:\\A\\new.txt"), "f");
    EXPECT_EQ(Names("C:\\A\\*"), (std::set<std::string>{".", "..", "F.TXT", "MADE.TXT", "new.txt"}));
}
