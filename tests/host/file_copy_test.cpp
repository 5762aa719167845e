// Copying, deleting and renaming files, free space, and the old file calls:
// Windows' own checks (attributes, files held open, a full disk).
#include <gtest/gtest.h>

#include <string>

#include "kernel/file_sharing.h"
#include "platform.h"
#include "support/machine_fixture.h"

namespace {

#ifndef _WIN32
unsigned long long FreeBytes(const char* root) {
    DWORD sectors = 0, bytes = 0, freeClusters = 0, total = 0;
    EXPECT_TRUE(GetDiskFreeSpaceA(root, &sectors, &bytes, &freeClusters, &total)) << root;
    return (unsigned long long)sectors * bytes * freeClusters;
}

const unsigned long long kCluster = 32768;  // 512 bytes x 64 sectors
#endif

}  // namespace

class FileCopyTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(CreateDirectoryA("C:\\T", nullptr));
        WriteFile("C:\\T\\SOURCE.TXT", "new content");
    }
};

TEST_F(FileCopyTest, CopyCarriesContentAttributesAndTime) {
    ASSERT_TRUE(SetFileAttributesA("C:\\T\\SOURCE.TXT", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(CopyFileA("C:\\T\\SOURCE.TXT", "C:\\T\\COPY.TXT", TRUE));
    EXPECT_EQ(ReadFile("C:\\T\\COPY.TXT"), "new content");
    EXPECT_EQ(GetFileAttributesA("C:\\T\\COPY.TXT") & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
              (DWORD)(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    WIN32_FIND_DATAA source, copy;
    FindClose(FindFirstFileA("C:\\T\\SOURCE.TXT", &source));
    FindClose(FindFirstFileA("C:\\T\\COPY.TXT", &copy));
    EXPECT_EQ(copy.ftLastWriteTime.dwLowDateTime, source.ftLastWriteTime.dwLowDateTime);
    EXPECT_EQ(copy.ftLastWriteTime.dwHighDateTime, source.ftLastWriteTime.dwHighDateTime);
}

TEST_F(FileCopyTest, CopyOntoAnExistingFile) {
    enum Setup { kPlain, kReadOnly, kHidden, kLocked, kDirectory };
    struct Case {
        const char* what;
        Setup setup;
        BOOL failIfExists;
        DWORD error;  // 0: the copy succeeds
    } cases[] = {
        {"overwrite", kPlain, FALSE, 0},
        {"fail if exists", kPlain, TRUE, ERROR_FILE_EXISTS},
        {"read-only", kReadOnly, FALSE, ERROR_ACCESS_DENIED},
        {"hidden", kHidden, FALSE, ERROR_ACCESS_DENIED},
        {"held open", kLocked, FALSE, ERROR_SHARING_VIOLATION},
        {"held open, fail if exists", kLocked, TRUE, ERROR_FILE_EXISTS},
        {"a directory", kDirectory, FALSE, ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Wine leaves the read-only attribute to the host's file permissions,
        // which root passes, and lets copies replace hidden files.
        if (RunningOnWine() && (c.setup == kReadOnly || c.setup == kHidden)) continue;
        const char* target = "C:\\T\\TARGET.TXT";
        if (c.setup == kDirectory) {
            ASSERT_TRUE(CreateDirectoryA(target, nullptr));
        } else {
            WriteFile(target, "old");
            if (c.setup == kReadOnly) SetFileAttributesA(target, FILE_ATTRIBUTE_READONLY);
            if (c.setup == kHidden) SetFileAttributesA(target, FILE_ATTRIBUTE_HIDDEN);
            if (c.setup == kLocked) host::HoldFileOpen(target);
        }
        SetLastError(0);
        EXPECT_EQ(CopyFileA("C:\\T\\SOURCE.TXT", target, c.failIfExists), c.error == 0);
        if (c.error) {
            EXPECT_EQ(GetLastError(), c.error);
        }
        if (c.setup != kDirectory) {
            EXPECT_EQ(ReadFile(target), c.error ? "old" : "new content");
        }
        // Clean up for the next case.
        if (c.setup == kLocked) host::ReleaseHeldFile(target);
        SetFileAttributesA(target, FILE_ATTRIBUTE_NORMAL);
        if (c.setup == kDirectory) ASSERT_TRUE(RemoveDirectoryA(target));
        else ASSERT_TRUE(DeleteFileA(target));
    }
}

TEST_F(FileCopyTest, CopyFailures) {
    WriteFile("C:\\T\\HELD.TXT", "x");
    ASSERT_TRUE(host::HoldFileOpen("C:\\T\\HELD.TXT"));
    struct Case {
        const char* source;
        const char* target;
        DWORD error;
    } cases[] = {
        {"C:\\T\\NONE.TXT", "C:\\T\\NEW.TXT", ERROR_FILE_NOT_FOUND},
        {"C:\\NODIR\\A.TXT", "C:\\T\\NEW.TXT", ERROR_PATH_NOT_FOUND},
        {"C:\\T\\SOURCE.TXT", "C:\\NODIR\\NEW.TXT", ERROR_PATH_NOT_FOUND},
        {"C:\\T\\HELD.TXT", "C:\\T\\NEW.TXT", ERROR_SHARING_VIOLATION},
        {"C:\\T\\SOURCE.TXT", "c:\\t\\source.txt", ERROR_SHARING_VIOLATION},  // onto itself
        {"C:\\T", "C:\\T\\NEW.TXT", ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_FALSE(CopyFileA(c.source, c.target, FALSE)) << c.source << " -> " << c.target;
        EXPECT_EQ(GetLastError(), c.error) << c.source << " -> " << c.target;
    }
    EXPECT_FALSE(Exists("C:\\T\\NEW.TXT"));
    EXPECT_EQ(ReadFile("C:\\T\\SOURCE.TXT"), "new content");
}

// A drive's size is the host machine's setting.
#ifndef _WIN32
TEST_F(FileCopyTest, FreeSpaceFollowsCopiesAndDeletions) {
    MountDrive('D', 1);  // 1 MB: 32 clusters
    ASSERT_EQ(FreeBytes("D:\\"), 1024ULL * 1024);
    WriteFile("C:\\T\\BIG.DAT", std::string(2 * 1024 * 1024, 'b'));
    WriteFile("C:\\T\\SMALL.DAT", std::string(100 * 1024, 's'));
    WriteFile("C:\\T\\TINY.DAT", "t");

    EXPECT_FALSE(CopyFileA("C:\\T\\BIG.DAT", "D:\\BIG.DAT", FALSE));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_DISK_FULL);
    EXPECT_FALSE(Exists("D:\\BIG.DAT"));  // nothing left behind
    EXPECT_EQ(FreeBytes("D:\\"), 1024ULL * 1024);

    // A file takes whole clusters: 100 KB takes four.
    ASSERT_TRUE(CopyFileA("C:\\T\\SMALL.DAT", "D:\\FILE.DAT", FALSE));
    EXPECT_EQ(FreeBytes("D:\\"), 1024ULL * 1024 - 4 * kCluster);
    ASSERT_TRUE(CopyFileA("C:\\T\\TINY.DAT", "D:\\FILE.DAT", FALSE));  // overwriting gives back the difference
    EXPECT_EQ(FreeBytes("D:\\"), 1024ULL * 1024 - kCluster);
    ASSERT_TRUE(DeleteFileA("D:\\FILE.DAT"));
    EXPECT_EQ(FreeBytes("D:\\"), 1024ULL * 1024);

    // What was freed can be used again; C: is untouched by D:'s copies.
    unsigned long long freeC = FreeBytes("C:\\");
    ASSERT_TRUE(CopyFileA("C:\\T\\SMALL.DAT", "D:\\A.DAT", FALSE));
    EXPECT_EQ(FreeBytes("C:\\"), freeC);
}
#endif

TEST_F(FileCopyTest, DeleteFollowsWindowsRules) {
    WriteFile("C:\\T\\RO.TXT", "");
    ASSERT_TRUE(SetFileAttributesA("C:\\T\\RO.TXT", FILE_ATTRIBUTE_READONLY));
    WriteFile("C:\\T\\HELD.TXT", "");
    ASSERT_TRUE(host::HoldFileOpen("C:\\T\\HELD.TXT"));
    struct Case {
        const char* path;
        DWORD error;  // 0: deleted
    } cases[] = {
        {"C:\\T\\RO.TXT", ERROR_ACCESS_DENIED},
        {"C:\\T\\HELD.TXT", ERROR_SHARING_VIOLATION},
        {"C:\\T\\NONE.TXT", ERROR_FILE_NOT_FOUND},
        {"C:\\NODIR\\NONE.TXT", ERROR_PATH_NOT_FOUND},
        {"C:\\T", ERROR_ACCESS_DENIED},
        {"c:\\t\\source.txt", 0},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(DeleteFileA(c.path), c.error == 0) << c.path;
        if (c.error) {
            EXPECT_EQ(GetLastError(), c.error) << c.path;
        }
    }
    EXPECT_TRUE(Exists("C:\\T\\RO.TXT"));
    EXPECT_TRUE(Exists("C:\\T\\HELD.TXT"));
    EXPECT_FALSE(Exists("C:\\T\\SOURCE.TXT"));
    ASSERT_TRUE(host::ReleaseHeldFile("C:\\T\\HELD.TXT"));
    EXPECT_TRUE(DeleteFileA("C:\\T\\HELD.TXT"));
}

TEST_F(FileCopyTest, MoveRenamesAndReplacesOnlyWhenAsked) {
    WriteFile("C:\\T\\OTHER.TXT", "other");
    EXPECT_FALSE(MoveFileExA("C:\\T\\SOURCE.TXT", "C:\\T\\OTHER.TXT", 0));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(host::HoldFileOpen("C:\\T\\OTHER.TXT"));
    EXPECT_FALSE(MoveFileExA("C:\\T\\SOURCE.TXT", "C:\\T\\OTHER.TXT", MOVEFILE_REPLACE_EXISTING));
    if (!RunningOnWine()) {  // Wine: ERROR_ACCESS_DENIED
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
    }
    ASSERT_TRUE(host::ReleaseHeldFile("C:\\T\\OTHER.TXT"));
    ASSERT_TRUE(MoveFileExA("C:\\T\\SOURCE.TXT", "C:\\T\\OTHER.TXT", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(ReadFile("C:\\T\\OTHER.TXT"), "new content");
    EXPECT_FALSE(Exists("C:\\T\\SOURCE.TXT"));

    SKIP_ON_WINE("Wine moves between drives that share a host file system without MOVEFILE_COPY_ALLOWED");
    MountDrive('D');
    EXPECT_FALSE(MoveFileExA("C:\\T\\OTHER.TXT", "D:\\OTHER.TXT", 0));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_SAME_DEVICE);
    ASSERT_TRUE(MoveFileExA("C:\\T\\OTHER.TXT", "D:\\OTHER.TXT", MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ(ReadFile("D:\\OTHER.TXT"), "new content");
    EXPECT_FALSE(Exists("C:\\T\\OTHER.TXT"));
}

class OldFileCallsTest : public MachineTest {};

TEST_F(OldFileCallsTest, OpenNeverCreatesWithoutOfCreate) {
    OFSTRUCT ofs;
    for (UINT style : {OF_READ, OF_READWRITE, OF_WRITE | OF_SHARE_DENY_NONE, OF_EXIST}) {
        EXPECT_EQ(OpenFile("C:\\WINDOWS\\WININIT.INI", &ofs, style), HFILE_ERROR) << style;
        EXPECT_EQ(ofs.nErrCode, ERROR_FILE_NOT_FOUND) << style;
    }
    EXPECT_FALSE(Exists("C:\\WINDOWS\\WININIT.INI"));

    ASSERT_TRUE(SetCurrentDirectoryA("C:\\WINDOWS"));
    HFILE file = OpenFile("wininit.ini", &ofs, OF_CREATE | OF_WRITE);
    ASSERT_NE(file, HFILE_ERROR);
    EXPECT_STREQ(ofs.szPathName, "C:\\WINDOWS\\wininit.ini");
    EXPECT_EQ(_lwrite(file, "abc", 3), 3u);
    EXPECT_EQ(_lclose(file), 0);
    EXPECT_NE(OpenFile("C:\\WINDOWS\\WININIT.INI", &ofs, OF_EXIST), HFILE_ERROR);
    EXPECT_EQ(ReadFile("C:\\WINDOWS\\WININIT.INI"), "abc");
    ASSERT_NE(file = OpenFile("C:\\WINDOWS\\WININIT.INI", &ofs, OF_CREATE | OF_READWRITE), HFILE_ERROR);
    EXPECT_EQ(_lclose(file), 0);
    EXPECT_EQ(ReadFile("C:\\WINDOWS\\WININIT.INI"), "");  // OF_CREATE empties an existing file
    EXPECT_EQ(_lclose(file), HFILE_ERROR);                 // closed already
}

// How a line is added to a text file that may end in the old end-of-file mark.
TEST_F(OldFileCallsTest, AppendReplacesATrailingEndOfFileMark) {
    struct Case {
        const char* before;
        const char* after;
    } cases[] = {
        {"[Rename]\r\n\x1A", "[Rename]\r\nNUL=C:\\X\r\n"},
        {"[Rename]\r\n", "[Rename]\r\nNUL=C:\\X\r\n"},
        {"", "NUL=C:\\X\r\n"},
    };
    const char line[] = "NUL=C:\\X\r\n";
    for (const Case& c : cases) {
        WriteFile("C:\\A.INI", c.before);
        OFSTRUCT ofs;
        HFILE file = OpenFile("C:\\A.INI", &ofs, OF_READWRITE);
        ASSERT_NE(file, HFILE_ERROR);
        LONG end = _llseek(file, 0, FILE_END);
        EXPECT_EQ(end, (LONG)strlen(c.before));
        char last = 0;
        if (end > 0 && _llseek(file, -1, FILE_END) == end - 1 && _lread(file, &last, 1) == 1 && last == 0x1A)
            _llseek(file, -1, FILE_END);
        EXPECT_EQ(_lwrite(file, line, sizeof line - 1), sizeof line - 1);
        EXPECT_EQ(_lclose(file), 0);
        EXPECT_EQ(ReadFile("C:\\A.INI"), c.after) << c.before;
    }
}

TEST_F(OldFileCallsTest, SeekReadWriteAndTruncate) {
    WriteFile("C:\\F.DAT", "0123456789");
    OFSTRUCT ofs;
    HFILE file = OpenFile("C:\\F.DAT", &ofs, OF_READWRITE | OF_SHARE_EXCLUSIVE);
    ASSERT_NE(file, HFILE_ERROR);
    char buffer[8] = {};
    EXPECT_EQ(_llseek(file, 4, FILE_BEGIN), 4);
    EXPECT_EQ(_lread(file, buffer, 3), 3u);
    EXPECT_STREQ(buffer, "456");
    EXPECT_EQ(_llseek(file, -2, FILE_CURRENT), 5);
    EXPECT_EQ(_lwrite(file, "", 0), 0u);  // a count of 0 ends the file here
    EXPECT_EQ(_llseek(file, 0, FILE_END), 5);
    EXPECT_EQ(_lread(file, buffer, sizeof buffer), 0u);
    EXPECT_EQ(_llseek(file, -6, FILE_END), HFILE_ERROR);

    // Held exclusively: no other open, no deletion.
    EXPECT_EQ(OpenFile("C:\\F.DAT", &ofs, OF_READ), HFILE_ERROR);
    EXPECT_EQ(ofs.nErrCode, ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(DeleteFileA("C:\\F.DAT"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
    EXPECT_EQ(_lclose(file), 0);
    EXPECT_EQ(ReadFile("C:\\F.DAT"), "01234");

    // Reading shares with reading only under OF_SHARE_DENY_WRITE.
    HFILE reader = OpenFile("C:\\F.DAT", &ofs, OF_READ | OF_SHARE_DENY_WRITE);
    ASSERT_NE(reader, HFILE_ERROR);
    HFILE second = OpenFile("C:\\F.DAT", &ofs, OF_READ | OF_SHARE_DENY_WRITE);
    EXPECT_NE(second, HFILE_ERROR);
    EXPECT_EQ(OpenFile("C:\\F.DAT", &ofs, OF_WRITE | OF_SHARE_DENY_NONE), HFILE_ERROR);
    EXPECT_EQ(_lwrite(reader, "x", 1), (UINT)HFILE_ERROR);  // open for reading only
    _lclose(second);
    _lclose(reader);
}

TEST_F(OldFileCallsTest, RefusesReadOnlyAndHeldFiles) {
    WriteFile("C:\\RO.DAT", "r");
    ASSERT_TRUE(SetFileAttributesA("C:\\RO.DAT", FILE_ATTRIBUTE_READONLY));
    WriteFile("C:\\HELD.DAT", "h");
    ASSERT_TRUE(host::HoldFileOpen("C:\\HELD.DAT"));
    OFSTRUCT ofs;
    struct Case {
        const char* path;
        UINT style;
        WORD error;
    } cases[] = {
        {"C:\\RO.DAT", OF_WRITE, ERROR_ACCESS_DENIED},
        {"C:\\RO.DAT", OF_CREATE, ERROR_ACCESS_DENIED},
        {"C:\\HELD.DAT", OF_READ, ERROR_SHARING_VIOLATION},
        {"C:\\HELD.DAT", OF_EXIST, ERROR_SHARING_VIOLATION},
        {"C:\\NODIR\\X.DAT", OF_CREATE, ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        // Wine leaves the read-only attribute to the host's file permissions, which root passes.
        if (RunningOnWine() && c.error == ERROR_ACCESS_DENIED) continue;
        EXPECT_EQ(OpenFile(c.path, &ofs, c.style), HFILE_ERROR) << c.path << " " << c.style;
        EXPECT_EQ(ofs.nErrCode, c.error) << c.path << " " << c.style;
    }
    HFILE file = OpenFile("C:\\RO.DAT", &ofs, OF_READ);
    ASSERT_NE(file, HFILE_ERROR);
    _lclose(file);
    EXPECT_EQ(ReadFile("C:\\RO.DAT"), "r");
}

TEST(GlobalMemory, FixedBlocksAreZeroedAndFreed) {
    char* block = static_cast<char*>(GlobalAlloc(GPTR, 64));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::string(block, 64), std::string(64, '\0'));
    EXPECT_EQ(GlobalFree(block), nullptr);
    int local = 0;
    EXPECT_EQ(GlobalFree(&local), &local);  // no block of GlobalAlloc's
}
