// Paths, directory searches and directory calls of the host machine.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "platform.h"
#include "support/machine_fixture.h"

class FilesTest : public MachineTest {};

TEST_F(FilesTest, FullPathNamesResolveRelativeParts) {
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\WINDOWS"));
    struct Case {
        const char* in;
        const char* out;
        bool wineDiffers;  // Wine keeps a lower-case drive letter, ends "C:" in a backslash
    } cases[] = {
        {"SYSTEM", "C:\\WINDOWS\\SYSTEM", false},
        {"..\\Program Files\\.\\X\\", "C:\\Program Files\\X\\", false},
        {"\\A/B", "C:\\A\\B", false},
        {"d:\\x\\..\\..\\y", "D:\\y", true},
        {"C:", "C:\\WINDOWS", true},
        {"C:\\", "C:\\", false},
        {"\x83\x5C", "C:\\WINDOWS\\\x83\x5C", false},  // a trail byte 0x5C is no separator
    };
    for (const Case& c : cases) {
        if (c.wineDiffers && RunningOnWine()) continue;
        char buffer[MAX_PATH];
        LPSTR filePart = nullptr;
        DWORD length = GetFullPathNameA(c.in, sizeof buffer, buffer, &filePart);
        EXPECT_EQ(length, strlen(c.out)) << c.in;
        EXPECT_STREQ(buffer, c.out) << c.in;
    }
    char small[4];
    EXPECT_EQ(GetFullPathNameA("SYSTEM", sizeof small, small, nullptr), strlen("C:\\WINDOWS\\SYSTEM") + 1);
}

TEST_F(FilesTest, NamesMatchWithoutRegardToAsciiCase) {
    ASSERT_TRUE(CreateDirectoryA("C:\\Program Files\\Foo", nullptr));
    WriteFile("C:\\PROGRAM FILES\\foo\\Readme.TXT", "x");
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("c:\\program files\\FOO\\README.txt", &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(found.cFileName, "Readme.TXT");
    EXPECT_EQ(found.nFileSizeLow, 1u);
    EXPECT_TRUE(FindClose(search));
    EXPECT_FALSE(CreateDirectoryA("C:\\program files\\FOO", nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
}

TEST_F(FilesTest, SearchesListEveryMatchAndNeverANameEndingInABackslash) {
    ASSERT_TRUE(CreateDirectoryA("C:\\T", nullptr));
    WriteFile("C:\\T\\A.TXT", "");
    WriteFile("C:\\T\\B", "");
    WriteFile("C:\\T\\\x95\x5C.DAT", "");  // a name in Japanese
    ASSERT_TRUE(CreateDirectoryA("C:\\T\\SUB", nullptr));
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("C:\\T\\*.*", &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do names.insert(found.cFileName);
    while (FindNextFileA(search, &found));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_MORE_FILES);
    FindClose(search);
    EXPECT_EQ(names, (std::set<std::string>{".", "..", "A.TXT", "B", "SUB", "\x95\x5C.DAT"}));

    search = FindFirstFileA("C:\\T\\*.txt", &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(found.cFileName, "A.TXT");
    EXPECT_FALSE(FindNextFileA(search, &found));
    FindClose(search);

    EXPECT_EQ(FindFirstFileA("C:\\T\\SUB\\", &found), INVALID_HANDLE_VALUE);
    search = FindFirstFileA("C:\\T\\SUB", &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    FindClose(search);
    EXPECT_EQ(FindFirstFileA("C:\\T\\none*", &found), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
}

TEST_F(FilesTest, DirectoryCallsFollowWindowsRules) {
    EXPECT_FALSE(CreateDirectoryA("C:\\NO\\SUCH", nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
    ASSERT_TRUE(CreateDirectoryA("C:\\D", nullptr));
    WriteFile("C:\\D\\F", "");
    EXPECT_FALSE(RemoveDirectoryA("C:\\D"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_DIR_NOT_EMPTY);
    EXPECT_FALSE(CreateDirectoryA("C:\\D\\a?b", nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_NAME);
    EXPECT_FALSE(SetCurrentDirectoryA("C:\\D\\F"));
    EXPECT_FALSE(SetCurrentDirectoryA("Q:\\"));
}

TEST_F(FilesTest, ADirectoryNameEndingInATrailByte0x5CIsWhole) {
    // 0x95 0x5C is one character: the name does not end in a separator.
    const char dir[] = "C:\\T\\\x95\x5C";
    ASSERT_TRUE(CreateDirectoryA("C:\\T", nullptr));
    ASSERT_TRUE(CreateDirectoryA(dir, nullptr)) << GetLastError();
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(dir, &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(found.cFileName, "\x95\x5C");
    EXPECT_TRUE(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    FindClose(search);
    ASSERT_TRUE(SetCurrentDirectoryA(dir));
    char current[MAX_PATH];
    EXPECT_EQ(GetCurrentDirectoryA(sizeof current, current), strlen(dir));
    EXPECT_STREQ(current, dir);
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    EXPECT_TRUE(RemoveDirectoryA(dir));
}

TEST_F(FilesTest, PathsLongerThanWindowsTakesNameNoFile) {
    // The longest path Windows takes, 259 bytes, in a folder CreateDirectoryA can make.
    std::string dir = "C:\\" + std::string(240, 'd');
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    std::string longest = dir + "\\" + std::string(MAX_PATH - 2 - dir.size(), 'f');
    ASSERT_EQ(longest.size(), (size_t)MAX_PATH - 1);
    WriteFile(longest, "x");
    EXPECT_NE(GetFileAttributesA(longest.c_str()), INVALID_FILE_ATTRIBUTES);

    std::string deep = "C:";
    for (int level = 0; level < 40000; ++level) deep += "\\a";
    struct Call {
        const char* name;
        std::function<bool(const char*)> fails;
    } calls[] = {
        {"GetFileAttributesA", [](const char* path) { return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES; }},
        {"FindFirstFileA",
         [](const char* path) {
             WIN32_FIND_DATAA found;
             return FindFirstFileA(path, &found) == INVALID_HANDLE_VALUE;
         }},
        {"CreateDirectoryA", [](const char* path) { return !CreateDirectoryA(path, nullptr); }},
        {"RemoveDirectoryA", [](const char* path) { return !RemoveDirectoryA(path); }},
        {"SetCurrentDirectoryA", [](const char* path) { return !SetCurrentDirectoryA(path); }},
        {"DeleteFileA", [](const char* path) { return !DeleteFileA(path); }},
        {"CopyFileA onto it", [&](const char* path) { return !CopyFileA(longest.c_str(), path, FALSE); }},
        {"MoveFileExA from it", [](const char* path) { return !MoveFileExA(path, "C:\\MOVED", 0); }},
    };
    for (const std::string& path : {longest + "g", deep}) {
        for (const Call& call : calls) {
            SetLastError(0);
            EXPECT_TRUE(call.fails(path.c_str())) << call.name << " of " << path.size() << " bytes";
            DWORD error = GetLastError();
            EXPECT_TRUE(error == ERROR_PATH_NOT_FOUND || error == ERROR_FILENAME_EXCED_RANGE)
                << call.name << " of " << path.size() << " bytes: " << error;
        }
    }
    EXPECT_TRUE(DeleteFileA(longest.c_str()));
    EXPECT_TRUE(RemoveDirectoryA(dir.c_str()));
}

TEST_F(FilesTest, SystemDirectoriesAndFreeSpace) {
    SKIP_ON_WINE("Wine's folders are C:\\windows and C:\\windows\\system32");
    char buffer[MAX_PATH];
    EXPECT_EQ(GetWindowsDirectoryA(buffer, sizeof buffer), strlen("C:\\WINDOWS"));
    EXPECT_STREQ(buffer, "C:\\WINDOWS");
    EXPECT_EQ(GetSystemDirectoryA(buffer, sizeof buffer), strlen("C:\\WINDOWS\\SYSTEM"));
    EXPECT_STREQ(buffer, "C:\\WINDOWS\\SYSTEM");
#ifndef _WIN32  // a drive's size is the host machine's setting
    MountDrive('E', 50);
    DWORD sectors = 0, bytes = 0, freeClusters = 0, total = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("E:\\", &sectors, &bytes, &freeClusters, &total));
    EXPECT_EQ((unsigned long long)sectors * bytes * freeClusters, 50ULL * 1024 * 1024);
    EXPECT_FALSE(GetDiskFreeSpaceA("Q:\\", &sectors, &bytes, &freeClusters, &total));
#endif
}

TEST(HostText, Cp932LeadBytesAndFormatting) {
    EXPECT_TRUE(IsDBCSLeadByte(0x81));
    EXPECT_TRUE(IsDBCSLeadByte(0xE0));
    EXPECT_FALSE(IsDBCSLeadByte(0xA1));  // half-width katakana is one byte
    EXPECT_FALSE(IsDBCSLeadByte('\\'));
    char buffer[64];
    EXPECT_EQ(wsprintfA(buffer, "%u-%s", 42u, "x"), 4);
    EXPECT_STREQ(buffer, "42-x");
    WCHAR wide[8];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "A\x83\x5C", -1, wide, 8), 3);
    EXPECT_EQ(wide[0], u'A');
    EXPECT_EQ(wide[1], u'ソ');
    EXPECT_EQ(wide[2], 0);
}
