// Profile (INI) file calls: reading rules, lists and truncation, edits that
// keep the rest of the file, and input no settings file should have.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform.h"
#include "support/machine_fixture.h"

using namespace std::string_literals;

namespace {

const char kIni[] = "C:\\TEST.INI";

// Every rule of reading in one file: text outside sections, blanks, quotes,
// comments, duplicates, a bare line, an empty value, LF and CR LF line ends,
// a double-byte section name whose trail byte is ']', no final line end.
const char kReadText[] =
    "stray=outside\r\n"
    "[Install]\r\n"
    "Title = My Product  \r\n"
    " folder\t=\t\"  Quoted  \"\r\n"
    "Single='x'\r\n"
    "Mixed=\"x'\r\n"
    "Inner=\"\"a\"\"\r\n"
    ";Hidden=comment\r\n"
    "  ;Indented=comment\r\n"
    "Semi=a;b\r\n"
    "Dup=first\r\n"
    "dup=second\r\n"
    "bare line here\r\n"
    "Empty=\r\n"
    "\r\n"
    "[ install ]\r\n"
    "Later=ignored\r\n"
    "[Kana\x83\x5D] trailing=ignored\n"
    "\x83\x61x=dbcs\n"
    "[Last]\n"
    "NoEnd=tail";

std::string Get(const char* section, const char* key, const char* def, DWORD size, DWORD* length,
                const char* file = kIni) {
    std::vector<char> buffer(size + 1, '#');
    *length = GetPrivateProfileStringA(section, key, def, buffer.data(), size, file);
    EXPECT_EQ(buffer[size], '#') << "wrote past the buffer";
    return std::string(buffer.data(), size ? *length : 0);
}

// A list as a caller walks it: up to its two nulls (or the whole buffer).
std::string GetList(const char* section, DWORD size, DWORD* length, const char* file = kIni) {
    std::vector<char> buffer(size + 1, '#');
    *length = GetPrivateProfileStringA(section, nullptr, "unused", buffer.data(), size, file);
    EXPECT_EQ(buffer[size], '#') << "wrote past the buffer";
    std::string list(buffer.data(), size);
    size_t end = list.find("\0\0"s);
    return end == std::string::npos ? list : list.substr(0, end + 2);
}

}  // namespace

class ProfileTest : public MachineTest {};

TEST_F(ProfileTest, ValuesFollowWindowsReadingRules) {
    WriteFile(kIni, kReadText);
    const char* const dflt = nullptr;  // the default, "dflt", comes back
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    } cases[] = {
        {"Install", "Title", "My Product"},
        {" INSTALL ", "title ", "My Product"},  // spaces around arguments do not count
        {"install", "FOLDER", "  Quoted  "},
        {"Install", "Single", "x"},
        {"Install", "Mixed", "\"x'"},
        {"Install", "Inner", "\"a\""},
        {"Install", ";Hidden", dflt},
        {"Install", "Hidden", dflt},
        {"Install", ";Indented", dflt},
        {"Install", "Semi", "a;b"},
        {"Install", "DUP", "first"},
        {"Install", "bare line here", dflt},
        {"Install", "Empty", ""},
        {"Install", "Later", dflt},  // only the first [Install] counts
        {"", "stray", dflt},
        {"Install", "stray", dflt},
        {"kana\x83\x5D", "\x83\x61X", "dbcs"},
        {"Kana\x83\x5D", "\x83\x41X", dflt},  // a trail byte is no letter
        {"Kana\x83\x5D", "trailing", dflt},
        {"Last", "NoEnd", "tail"},
        {"Missing", "Title", dflt},
    };
    for (const Case& c : cases) {
        // Wine finds keys on comment lines and before the first section.
        if (RunningOnWine() && (c.key[0] == ';' || !strcmp(c.key, "stray"))) continue;
        std::string expected = c.expected ? c.expected : "dflt";
        DWORD length = 0;
        EXPECT_EQ(Get(c.section, c.key, "dflt  ", 64, &length), expected) << c.section << "/" << c.key;
        EXPECT_EQ(length, expected.size()) << c.section << "/" << c.key;
    }
    DWORD length = 1;
    EXPECT_EQ(Get("Install", "Missing", nullptr, 64, &length), "");
    EXPECT_EQ(length, 0u);
}

TEST_F(ProfileTest, CutValuesReturnSizeMinusOne) {
    WriteFile(kIni, kReadText);
    struct Case {
        const char* key;
        DWORD size;
        const char* expected;
    } cases[] = {
        {"Title", 11, "My Product"}, {"Title", 10, "My Produc"}, {"Title", 5, "My P"},
        {"Title", 1, ""},            {"Missing", 4, "def"},      {"Missing", 8, "default"},
    };
    for (const Case& c : cases) {
        DWORD length = 0;
        EXPECT_EQ(Get("Install", c.key, "default", c.size, &length), c.expected) << c.key << " " << c.size;
        EXPECT_EQ(length, strlen(c.expected)) << c.key << " " << c.size;
    }
    char untouched = '#';
    EXPECT_EQ(GetPrivateProfileStringA("Install", "Title", "", &untouched, 0, kIni), 0u);
    EXPECT_EQ(untouched, '#');
}

TEST_F(ProfileTest, ListsEndInTwoNullsAndCutListsReturnSizeMinusTwo) {
    WriteFile(kIni, kReadText);
    SKIP_ON_WINE("Wine ends cut lists with one null and gives the default for a section without keys");
    DWORD length = 0;
    EXPECT_EQ(GetList(nullptr, 100, &length), "Install\0install\0Kana\x83\x5D\0Last\0\0"s);
    EXPECT_EQ(length, 28u);
    EXPECT_EQ(GetList("INSTALL", 100, &length), "Title\0folder\0Single\0Mixed\0Inner\0Semi\0Dup\0dup\0Empty\0\0"s);
    EXPECT_EQ(length, 51u);

    WriteFile("C:\\SMALL.INI", "[A]\r\nk1=1\r\nk2=2\r\n[BB]\r\n");
    struct Case {
        const char* section;  // null: the section names
        DWORD size;
        std::string expected;
        DWORD length;
    } cases[] = {
        {nullptr, 6, "A\0BB\0\0"s, 5}, {nullptr, 5, "A\0B\0\0"s, 3}, {nullptr, 3, "A\0\0"s, 1},
        {nullptr, 2, "\0\0"s, 0},      {nullptr, 1, "\0"s, 0},       {"A", 7, "k1\0k2\0\0"s, 6},
        {"A", 6, "k1\0k\0\0"s, 4},     {"BB", 10, "\0\0"s, 0},       {"None", 10, "\0\0"s, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section ? c.section : "(sections)") + " " + std::to_string(c.size));
        EXPECT_EQ(GetList(c.section, c.size, &length, "C:\\SMALL.INI"), c.expected);
        EXPECT_EQ(length, c.length);
    }
}

TEST_F(ProfileTest, SectionCallReturnsKeysAndBareLinesButNoComments) {
    WriteFile(kIni, kReadText);
    char buffer[200];
    memset(buffer, '#', sizeof buffer);
    DWORD length = GetPrivateProfileSectionA("install", buffer, sizeof buffer, kIni);
    std::string expected =
        "Title=My Product\0folder=\"  Quoted  \"\0Single='x'\0Mixed=\"x'\0Inner=\"\"a\"\"\0Semi=a;b\0"
        "Dup=first\0dup=second\0bare line here\0Empty=\0"s;
    EXPECT_EQ(length, expected.size());
    EXPECT_EQ(std::string(buffer, length + 1), expected + '\0');

    WriteFile("C:\\SMALL.INI", "[A]\nk1=1\nk2=2\n");
    memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetPrivateProfileSectionA("A", buffer, 8, "C:\\SMALL.INI"), 6u);
    EXPECT_EQ(std::string(buffer, 9), "k1=1\0k\0\0#"s);
    EXPECT_EQ(GetPrivateProfileSectionA("B", buffer, 8, "C:\\SMALL.INI"), 0u);
    EXPECT_EQ(std::string(buffer, 2), "\0\0"s);
}

TEST_F(ProfileTest, IntegersAreReadUpToTheFirstOtherCharacter) {
    WriteFile(kIni, "[N]\nDec=42\nHex=0x1F\nTail=55zz\nWord=abc\nNeg=-3\nEmpty=\nQuoted=\"7\"\n");
    struct Case {
        const char* key;
        UINT expected;
    } cases[] = {
        {"Dec", 42}, {"Hex", 31}, {"Tail", 55}, {"Word", 0}, {"Neg", (UINT)-3},
        {"Empty", 9}, {"Missing", 9}, {"Quoted", 7},
    };
    for (const Case& c : cases) EXPECT_EQ(GetPrivateProfileIntA("N", c.key, 9, kIni), c.expected) << c.key;
    EXPECT_EQ(GetPrivateProfileIntA("N", "Dec", 9, "C:\\NONE.INI"), 9u);
}

TEST_F(ProfileTest, MissingFileGivesDefaultsAndEmptyLists) {
    DWORD length = 0;
    EXPECT_EQ(Get("S", "K", "dflt", 64, &length, "C:\\NONE.INI"), "dflt");
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    SKIP_ON_WINE("Wine gives a missing file's section list one null");
    EXPECT_EQ(GetList(nullptr, 10, &length, "C:\\NONE.INI"), "\0\0"s);
    EXPECT_EQ(length, 0u);
}

TEST_F(ProfileTest, NameWithoutPathIsInTheWindowsDirectory) {
    ASSERT_TRUE(WritePrivateProfileStringA("rename", "NUL", "C:\\OLD.DLL", "WININIT.INI"));
    EXPECT_EQ(ReadFile("C:\\WINDOWS\\WININIT.INI"), "[rename]\r\nNUL=C:\\OLD.DLL\r\n");
    DWORD length = 0;
    EXPECT_EQ(Get("Rename", "nul", "", 64, &length, "wininit.ini"), "C:\\OLD.DLL");
}

TEST_F(ProfileTest, WritesChangeOnlyTheirLine) {
    SKIP_ON_WINE("Wine writes the whole file anew from what it read (CR LF, no blanks or empty lines)");
    const std::string original = ";top\n[A]\nk=1\n; note\nk=dup\nbare\n\n[B]\r\nx = 1\r\n[C]\ny=2";
    struct Case {
        const char* section;
        const char* key;
        const char* value;
        std::string expected;
    } cases[] = {
        {"A", "K", "9", ";top\n[A]\nk=9\n; note\nk=dup\nbare\n\n[B]\r\nx = 1\r\n[C]\ny=2"},
        {" a ", "new", "v", ";top\n[A]\nk=1\n; note\nk=dup\nbare\nnew=v\r\n\n[B]\r\nx = 1\r\n[C]\ny=2"},
        {"C", "z", "3", original + "\r\nz=3\r\n"},
        {"D", "q", "1", original + "\r\n[D]\r\nq=1\r\n"},
        {"B", "x", " a b ", ";top\n[A]\nk=1\n; note\nk=dup\nbare\n\n[B]\r\nx= a b \r\n[C]\ny=2"},
        {"B", "X", nullptr, ";top\n[A]\nk=1\n; note\nk=dup\nbare\n\n[B]\r\n[C]\ny=2"},
        {"A", "k", nullptr, ";top\n[A]\n; note\nk=dup\nbare\n\n[B]\r\nx = 1\r\n[C]\ny=2"},
        {"a", nullptr, nullptr, ";top\n[B]\r\nx = 1\r\n[C]\ny=2"},
        {"A", "missing", nullptr, original},
        {"Z", nullptr, nullptr, original},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + (c.key ? c.key : "(null)") + "=" + (c.value ? c.value : "(null)"));
        WriteFile(kIni, original);
        EXPECT_TRUE(WritePrivateProfileStringA(c.section, c.key, c.value, kIni));
        EXPECT_EQ(ReadFile(kIni), c.expected);
    }
}

// A file whose last line ends in a carriage return without a line feed: the
// return is the line's end, also once a key is added after that line.
TEST_F(ProfileTest, ACarriageReturnAtTheEndEndsTheLastLine) {
    WriteFile(kIni, "[A]\r\nk=v\r");
    DWORD length = 0;
    EXPECT_EQ(Get("A", "k", "", 64, &length), "v");
    ASSERT_TRUE(WritePrivateProfileStringA("A", "new", "n", kIni));
    EXPECT_EQ(Get("A", "k", "", 64, &length), "v");
    EXPECT_EQ(Get("A", "new", "", 64, &length), "n");
}

TEST_F(ProfileTest, WritesCreateFilesButNoDirectories) {
    ASSERT_TRUE(WritePrivateProfileStringA("Sec", " Key ", "Value", "C:\\NEW.INI"));
    ASSERT_TRUE(WritePrivateProfileStringA("Sec", "Key2", "V2", "C:\\NEW.INI"));
    ASSERT_TRUE(WritePrivateProfileStringA("Other", "Key", "V3", "C:\\NEW.INI"));
    EXPECT_EQ(ReadFile("C:\\NEW.INI"), "[Sec]\r\nKey=Value\r\nKey2=V2\r\n[Other]\r\nKey=V3\r\n");

    EXPECT_TRUE(WritePrivateProfileStringA("Sec", "Key", nullptr, "C:\\GONE.INI"));  // nothing to delete
    EXPECT_FALSE(Exists("C:\\GONE.INI"));
    EXPECT_FALSE(WritePrivateProfileStringA("Sec", "Key", "V", "C:\\NO\\DIR.INI"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);

    SKIP_ON_WINE("Wine leaves the read-only attribute to the host's file permissions, which root passes");
    ASSERT_TRUE(SetFileAttributesA("C:\\NEW.INI", FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(WritePrivateProfileStringA("Sec", "Key", "changed", "C:\\NEW.INI"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    DWORD length = 0;
    EXPECT_EQ(Get("Sec", "Key", "", 64, &length, "C:\\NEW.INI"), "Value");

    EXPECT_FALSE(WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr));  // a flush reports FALSE
}

TEST_F(ProfileTest, ReadsSeeEveryChangeOfTheFile) {
    DWORD length = 0;
    WriteFile(kIni, "[S]\r\nk=1\r\n");
    EXPECT_EQ(Get("S", "k", "", 64, &length), "1");
    WriteFile(kIni, "[S]\r\nk=2\r\n");  // same size, same file, at once
    EXPECT_EQ(Get("S", "k", "", 64, &length), "2");
    ASSERT_TRUE(WritePrivateProfileStringA("S", "k", "3", kIni));
    EXPECT_EQ(Get("S", "k", "", 64, &length), "3");
}

TEST_F(ProfileTest, BinaryLongAndLargeFilesWork) {
    // Every byte value, lead bytes at line ends, NULs, stray brackets.
    std::string binary = "[S]\r\nk=v\r\n";
    for (int round = 0; round < 4; ++round)
        for (int b = 0; b < 256; ++b) binary += (char)((b * 7 + round) & 0xFF);
    binary += "\x81\n[\x81";
    WriteFile(kIni, binary);
    DWORD length = 0;
    EXPECT_EQ(Get("S", "k", "", 64, &length), "v");
    char buffer[4096];
    GetPrivateProfileStringA(nullptr, nullptr, "", buffer, sizeof buffer, kIni);
    GetPrivateProfileSectionA("S", buffer, sizeof buffer, kIni);
    ASSERT_TRUE(WritePrivateProfileStringA("New", "x", "1", kIni));
    if (!RunningOnWine()) {  // Wine writes the whole file anew from what it read
        EXPECT_EQ(ReadFile(kIni), binary + "\r\n[New]\r\nx=1\r\n");
    }

    std::string longValue(100000, 'a');
    WriteFile(kIni, "[L]\nlong=" + longValue + "\nafter=1\n");
    EXPECT_EQ(Get("L", "long", "", 100001, &length), longValue);
    EXPECT_EQ(Get("L", "long", "", 64, &length), std::string(63, 'a'));
    EXPECT_EQ(Get("L", "after", "", 64, &length), "1");

    std::string many = "[Install]\r\n";
    for (int n = 1; n <= 10000; ++n) many += std::to_string(n) + "=BIN\\FILE" + std::to_string(n) + ".DAT\r\n";
    WriteFile(kIni, many);
    for (int n = 1; n <= 10000; ++n) {
        std::string expected = "BIN\\FILE" + std::to_string(n) + ".DAT";
        ASSERT_EQ(Get("Install", std::to_string(n).c_str(), "", 64, &length), expected);
    }
    EXPECT_EQ(Get("Install", "10001", "none", 64, &length), "none");
}
