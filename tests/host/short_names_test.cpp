// Short (8.3) names: how they are made, reported and resolved back.
#include <gtest/gtest.h>

#include <string>

#include "platform.h"
#include "support/machine_fixture.h"

class ShortNamesTest : public MachineTest {
  protected:
    std::string ShortPath(const std::string& path) {
        char buffer[MAX_PATH];
        DWORD length = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
        if (length == 0 || length >= sizeof buffer) return "<" + std::to_string(GetLastError()) + ">";
        EXPECT_EQ(length, strlen(buffer)) << path;
        return buffer;
    }
    std::string AlternateName(const std::string& path) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(path.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return "<none>";
        FindClose(search);
        return found.cAlternateFileName;
    }
};

TEST_F(ShortNamesTest, NamesAreMadeAsWindows95MadeThem) {
    SKIP_ON_WINE("Wine makes short names from a hash of the long name (PROG~FBU), not as Windows 95 did (PROGRA~1)");
    struct Case {
        const char* name;
        const char* shortName;
    } cases[] = {
        {"README.TXT", "README.TXT"},
        {"readme.txt", "README.TXT"},          // valid 8.3 in any case: upper-cased
        {"Program Files", "PROGRA~1"},
        {"A file.doc", "AFILE~1.DOC"},         // a space makes a short name even for a short one
        {"a+b.txt", "A_B~1.TXT"},              // characters an 8.3 name may not hold become '_'
        {"longextension.html", "LONGEX~1.HTM"},
        {"This is a long name.123.456.txt", "THISIS~1.TXT"},  // the last dot's extension
        {"x.tar.gz", "XTAR~1.GZ"},
        {".profile", "PROFIL~1"},
        {"ｾｯﾄｱｯﾌﾟ.EXE", "ｾｯﾄｱｯﾌﾟ.EXE"},            // half-width katakana: one byte each
        {"製品.txt", "製品.TXT"},
        {"セットアップ.exe", "セット~1.EXE"},     // six bytes: three double-byte characters
        {"aセットアップ", "Aセッ~1"},                  // a double-byte character is never split
        {"ミソ 表示.ﾃｷｽﾄ", "ミソ表~1.ﾃｷｽ"},       // trail bytes 0x7E and 0x5C stay in their characters
    };
    int index = 0;
    for (const Case& c : cases) {
        // Each in a directory of its own, so that none takes another's number.
        std::string dir = "C:\\N" + std::to_string(index++);
        ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
        WriteFile(dir + "\\" + c.name, "");
        EXPECT_EQ(ShortPath(dir + "\\" + c.name), dir + "\\" + c.shortName) << c.name;
        // FindFirstFileA reports no alternate name when the short name is the long one.
        EXPECT_EQ(AlternateName(dir + "\\" + c.name), std::string(c.name) == c.shortName ? "" : c.shortName)
            << c.name;
        EXPECT_EQ(AlternateName(dir + "\\" + c.shortName), AlternateName(dir + "\\" + c.name)) << c.name;
    }
}

TEST_F(ShortNamesTest, NumbersCountUpInSortedOrderAndStay) {
    SKIP_ON_WINE("Wine makes short names from a hash of the long name (PROG~FBU), not as Windows 95 did (PROGRA~1)");
    ASSERT_TRUE(CreateDirectoryA("C:\\T", nullptr));
    for (const char* name : {"Program Files", "program data", "Programmer.txt", "PROGRA~3"}) WriteFile(std::string("C:\\T\\") + name, "");
    EXPECT_EQ(ShortPath("C:\\T\\program data"), "C:\\T\\PROGRA~1");
    EXPECT_EQ(ShortPath("C:\\T\\Program Files"), "C:\\T\\PROGRA~2");
    EXPECT_EQ(ShortPath("C:\\T\\Programmer.txt"), "C:\\T\\PROGRA~1.TXT");  // another extension, another name
    EXPECT_EQ(ShortPath("C:\\T\\PROGRA~3"), "C:\\T\\PROGRA~3");

    // A name made later takes the next free number; those given stay.
    WriteFile("C:\\T\\Program Apps", "");
    EXPECT_EQ(ShortPath("C:\\T\\Program Apps"), "C:\\T\\PROGRA~4");
    EXPECT_EQ(ShortPath("C:\\T\\Program Files"), "C:\\T\\PROGRA~2");
    // A deleted file's name is free again.
    ASSERT_TRUE(DeleteFileA("C:\\T\\program data"));
    WriteFile("C:\\T\\Program Zoo", "");
    EXPECT_EQ(ShortPath("C:\\T\\Program Zoo"), "C:\\T\\PROGRA~1");

    // Past ~9 the name gives up a byte.
    ASSERT_TRUE(CreateDirectoryA("C:\\U", nullptr));
    for (int i = 1; i <= 10; ++i) WriteFile("C:\\U\\Long name " + std::to_string(100 + i), "");
    EXPECT_EQ(ShortPath("C:\\U\\Long name 109"), "C:\\U\\LONGNA~9");
    EXPECT_EQ(ShortPath("C:\\U\\Long name 110"), "C:\\U\\LONGN~10");
}

TEST_F(ShortNamesTest, ShortPathsLeadToTheLongNames) {
    SKIP_ON_WINE("Wine makes short names from a hash of the long name (PROG~FBU), not as Windows 95 did (PROGRA~1)");
    ASSERT_TRUE(CreateDirectoryA("C:\\Program Files\\My Product", nullptr));
    WriteFile("C:\\Program Files\\My Product\\Read me first.txt", "hello");
    ASSERT_TRUE(CreateDirectoryA("C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ\\セットアップ製品", nullptr));

    const std::string shortFile = "C:\\PROGRA~1\\MYPROD~1\\README~1.TXT";
    EXPECT_EQ(ShortPath("c:\\program files\\my product\\read me first.txt"), shortFile);
    EXPECT_EQ(ShortPath(shortFile), shortFile);
    EXPECT_EQ(ShortPath("C:\\Program Files\\My Product\\"), "C:\\PROGRA~1\\MYPROD~1\\");
    EXPECT_EQ(ShortPath("C:\\"), "C:\\");
    const std::string shortJapanese = "C:\\WINDOWS\\ｽﾀｰﾄﾒﾆ~1\\ﾌﾟﾛｸﾞﾗﾑ\\セット~1";
    EXPECT_EQ(ShortPath("C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ\\セットアップ製品"), shortJapanese);

    // Every call takes the short path as the long one.
    EXPECT_EQ(GetFileAttributesA("c:\\progra~1\\myprod~1\\readme~1.txt") & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_NE(GetFileAttributesA(shortJapanese.c_str()), INVALID_FILE_ATTRIBUTES);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(shortFile.c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(found.cFileName, "Read me first.txt");
    EXPECT_STREQ(found.cAlternateFileName, "README~1.TXT");
    FindClose(search);
    OFSTRUCT ofs;
    HFILE file = OpenFile(shortFile.c_str(), &ofs, OF_READ);
    ASSERT_NE(file, HFILE_ERROR);
    char buffer[16] = {};
    EXPECT_EQ(_lread(file, buffer, sizeof buffer - 1), 5u);
    EXPECT_STREQ(buffer, "hello");
    _lclose(file);
    ASSERT_TRUE(CopyFileA(shortFile.c_str(), "C:\\PROGRA~1\\MYPROD~1\\COPY.TXT", TRUE));
    EXPECT_EQ(ReadFile("C:\\Program Files\\My Product\\COPY.TXT"), "hello");
    // A name with a '~' that no file has is no file.
    EXPECT_EQ(GetFileAttributesA("C:\\PROGRA~7"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ShortNamesTest, MissingPathsAndSmallBuffers) {
    char buffer[MAX_PATH] = "untouched";
    EXPECT_EQ(GetShortPathNameA("C:\\Program Files\\None", buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetShortPathNameA("C:\\No Dir\\None", buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    char small[8] = "small";
    EXPECT_EQ(GetShortPathNameA("C:\\Program Files", small, sizeof small), strlen("C:\\PROGRA~1") + 1);
    EXPECT_STREQ(small, "small");
    EXPECT_EQ(GetShortPathNameA("C:\\Program Files", nullptr, 0), strlen("C:\\PROGRA~1") + 1);
    char exact[12];
    EXPECT_EQ(GetShortPathNameA("C:\\Program Files", exact, sizeof exact), strlen("C:\\PROGRA~1"));
    if (!RunningOnWine()) {  // Wine's is PROG~FBU: of the same length
        EXPECT_STREQ(exact, "C:\\PROGRA~1");
    }
}
