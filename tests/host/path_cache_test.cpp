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
        ASSERT_TRUE(CreateDirectoryA("C:\\CACHED", nullptr));
        WriteFile("C:\\CACHED\\F.TXT", "f");
        ASSERT_NE(GetFileAttributesA("C:\\CACHED\\F.TXT"), INVALID_FILE_ATTRIBUTES);
    }
};

TEST_F(PathCacheTest, AFolderRenamedAwayIsNotFollowed) {
    ASSERT_TRUE(MoveFileExA("C:\\CACHED", "C:\\MOVED", 0));
    EXPECT_EQ(GetFileAttributesA("C:\\CACHED\\F.TXT"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(FoundName("C:\\CACHED\\F.TXT"), "");
    EXPECT_FALSE(SetFileAttributesA("C:\\CACHED\\F.TXT", FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(CopyFileA("C:\\CACHED\\F.TXT", "C:\\MOVED\\G.TXT", FALSE));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(CopyFileA("C:\\MOVED\\F.TXT", "C:\\CACHED\\G.TXT", FALSE));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(FoundName("C:\\MOVED\\F.TXT"), "F.TXT");
    EXPECT_EQ(ReadFile("C:\\MOVED\\F.TXT"), "f");
}

TEST_F(PathCacheTest, AFolderMadeAgainInAnotherCaseIsFoundByIt) {
    ASSERT_TRUE(DeleteFileA("C:\\CACHED\\F.TXT"));
    ASSERT_TRUE(RemoveDirectoryA("C:\\CACHED"));
    ASSERT_TRUE(CreateDirectoryA("C:\\cached", nullptr));
    EXPECT_EQ(FoundName("C:\\CACHED"), "cached");
    WriteFile("C:\\SOURCE.TXT", "s");
    ASSERT_TRUE(CopyFileA("C:\\SOURCE.TXT", "C:\\CACHED\\F.TXT", FALSE));
    EXPECT_EQ(FoundName("C:\\cached\\f.txt"), "F.TXT");
    EXPECT_EQ(ReadFile("C:\\cached\\F.TXT"), "s");
    EXPECT_EQ(Names("C:\\CACHED*"), (std::set<std::string>{"cached"}));
}

TEST_F(PathCacheTest, NamesMadeAndRemovedBetweenCallsAreSeenInAnyCase) {
    // Each step changes the folder's names; the checks after it look the
    // name up in other cases.
    struct Step {
        const char* what;
        const char* expectedName;  // as a search for C:\A\README.TXT reports it; empty: none
    };
    auto check = [](const Step& step) {
        EXPECT_EQ(FoundName("C:\\CACHED\\README.TXT"), step.expectedName) << step.what;
        EXPECT_EQ(GetFileAttributesA("C:\\cached\\readme.TXT") != INVALID_FILE_ATTRIBUTES, step.expectedName[0] != 0)
            << step.what;
    };
    check({"at first", ""});
    ASSERT_TRUE(CopyFileA("C:\\CACHED\\F.TXT", "C:\\CACHED\\readme.txt", TRUE));
    check({"copied as readme.txt", "readme.txt"});
    ASSERT_TRUE(DeleteFileA("C:\\CACHED\\README.TXT"));
    check({"deleted", ""});
    ASSERT_TRUE(MoveFileExA("C:\\CACHED\\F.TXT", "C:\\CACHED\\ReadMe.Txt", 0));
    check({"renamed to ReadMe.Txt", "ReadMe.Txt"});
    WriteFile("C:\\CACHED\\G.TXT", "g");
    ASSERT_TRUE(CopyFileA("C:\\CACHED\\G.TXT", "C:\\CACHED\\README.TXT", FALSE));
    check({"copied over in another case", "ReadMe.Txt"});
    EXPECT_EQ(ReadFile("C:\\CACHED\\readme.txt"), "g");
    EXPECT_EQ(Names("C:\\CACHED\\*.TXT"), (std::set<std::string>{"G.TXT", "ReadMe.Txt"}));
    ASSERT_TRUE(DeleteFileA("C:\\CACHED\\README.TXT"));
    ASSERT_TRUE(CreateDirectoryA("C:\\CACHED\\ReadMe.txt", nullptr));
    check({"a folder in its place", "ReadMe.txt"});
    EXPECT_TRUE(CopyFileA("C:\\CACHED\\G.TXT", "C:\\CACHED\\README.TXT\\G.TXT", TRUE));
    EXPECT_EQ(ReadFile("C:\\CACHED\\ReadMe.txt\\G.TXT"), "g");
}

TEST_F(PathCacheTest, ANameMadeByAnotherProgramAfterAMissIsFound) {
    EXPECT_EQ(GetFileAttributesA("C:\\CACHED\\NEW.TXT"), INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(CopyFileA("C:\\CACHED\\F.TXT", "C:\\CACHED\\MADE.TXT", TRUE));
    WriteFile("C:\\CACHED\\new.txt", "n");  // not through the calls under test
    EXPECT_FALSE(CopyFileA("C:\\CACHED\\F.TXT", "C:\\CACHED\\NEW.TXT", TRUE));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS);
    EXPECT_EQ(FoundName("C:\\CACHED\\NEW.TXT"), "new.txt");
    ASSERT_TRUE(CopyFileA("C:\\CACHED\\F.TXT", "C:\\CACHED\\NEW.TXT", FALSE));
    EXPECT_EQ(ReadFile("C:\\CACHED\\new.txt"), "f");
    EXPECT_EQ(Names("C:\\CACHED\\*"), (std::set<std::string>{".", "..", "F.TXT", "MADE.TXT", "new.txt"}));
}
