// Reading the settings file: fixed keys, default destination, entry lists.
#include <gtest/gtest.h>

#include <string>

#include "app/setup_state.h"
#include "settings/settings.h"
#include "support/program_fixture.h"

namespace {

const char kHeader[] = "[Install]\r\nTitle=Foo Writer\r\nFolder=Foo\r\n";

}  // namespace

class SettingsTest : public ProgramTest {};

TEST_F(SettingsTest, ReadsTheFixedKeysAndTheDefaultDestination) {
    WriteSettings("[Install]\r\nTitle=サンプル表計算\r\nFolder=表計算ソフト\r\nTSR=1\r\n");
    ASSERT_TRUE(LoadSettings());
    EXPECT_STREQ(setup.title, "サンプル表計算");
    EXPECT_STREQ(setup.folder, "表計算ソフト");
    EXPECT_TRUE(setup.isResident);
    EXPECT_STREQ(setup.installDir, "C:\\Program Files\\表計算ソフト\\");
    EXPECT_EQ(setup.fileCount, 0);
    EXPECT_EQ(setup.groupCount, 0);
    EXPECT_EQ(Transcript(), "");
}

TEST_F(SettingsTest, MissingOrDamagedSettingsShowTheMessageAndFail) {
    const char* files[] = {
        nullptr,                                   // no file at all
        "",                                        // empty
        "[Install]\r\nTitle=Foo\r\n",              // no folder
        "[Install]\r\nFolder=Foo\r\n",             // no title
        "\x7f\x45LF\x01\x00\x00\xff\xfe[Install",  // binary
    };
    for (const char* content : files) {
        setup.title[0] = setup.folder[0] = 0;
        if (content) WriteSettings(content);
        Script("answer ok\n");
        transcript_.str("");
        EXPECT_FALSE(LoadSettings());
        EXPECT_EQ(Transcript(), u8"messagebox owner=none caption=\"エラー\" icon=error "
                                u8"text=\"設定ファイルが壊れているか、または見つかりません。\" answer=ok\n");
    }
}

// Title and Folder each name one folder (the Start-menu group, the
// destination's last level): "..\.." would put shortcuts into the Windows
// directory and have the removal empty it.
TEST_F(SettingsTest, ATitleOrFolderThatIsNotOneFolderNameIsABrokenFile) {
    const char* refused[] = {".", "..", "...", ". .", "..\\..", "A\\B", "A/B", "C:X", "A*", "A?", "A\"B",
                             "A<B", "A>B", "A|B", "A\x01B", "A\tB"};
    for (const char* value : refused) {
        for (const char* key : {"Title", "Folder"}) {
            std::string other = std::string(key) == "Title" ? "Folder=Foo" : "Title=Foo";
            WriteSettings(std::string("[Install]\r\n") + key + "=" + value + "\r\n" + other + "\r\n");
            Script("answer ok\n");
            transcript_.str("");
            EXPECT_FALSE(LoadSettings()) << key << "=" << value;
            EXPECT_EQ(Transcript(), u8"messagebox owner=none caption=\"エラー\" icon=error "
                                    u8"text=\"設定ファイルが壊れているか、または見つかりません。\" answer=ok\n")
                << key << "=" << value;
        }
    }
    // Trail bytes 0x5C and 0x7C belong to their characters; dots inside a name are fine.
    const char* accepted[] = {"表計算ソフト", "ポ", "Foo Ver.2", ".Foo", "Foo (新)"};
    for (const char* value : accepted) {
        WriteSettings(std::string("[Install]\r\nTitle=") + value + "\r\nFolder=" + value + "\r\n");
        EXPECT_TRUE(LoadSettings()) << value;
        EXPECT_STREQ(setup.folder, value);
    }
}

TEST_F(SettingsTest, ALongTitleOrFolderIsCutBackToAWholeCharacter) {
    std::string fifty;  // 100 bytes: the read keeps 99, ending in a lone lead byte
    for (int i = 0; i < 50; ++i) fifty += "表";
    std::string fortyNine = fifty.substr(0, 98);
    WriteSettings("[Install]\r\nTitle=" + fifty + "\r\nFolder=" + fifty + "\r\n");
    ASSERT_TRUE(LoadSettings());
    EXPECT_EQ(setup.title, fortyNine);
    EXPECT_EQ(setup.folder, fortyNine);
    EXPECT_EQ(std::string(setup.installDir), "C:\\Program Files\\" + fortyNine + "\\");
    WriteSettings("[Install]\r\nTitle=A" + fifty + "\r\nFolder=Foo\r\n");  // 99 bytes kept whole
    ASSERT_TRUE(LoadSettings());
    EXPECT_EQ(setup.title, "A" + fortyNine);
}

TEST_F(SettingsTest, TheResidentFlagLooksAtTheFirstCharacterOnly) {
    struct Case {
        const char* value;
        BOOL resident;
    } cases[] = {{"1", TRUE}, {"10", TRUE}, {"0", FALSE}, {"yes", FALSE}, {"", FALSE}};
    for (const Case& c : cases) {
        WriteSettings(std::string(kHeader) + "TSR=" + c.value + "\r\n");
        ASSERT_TRUE(LoadSettings());
        EXPECT_EQ(setup.isResident, c.resident) << c.value;
    }
}

TEST_F(SettingsTest, DefaultDestinationFollowsTheWindowsDirectory) {
    struct Case {
        const char* windowsDir;
        const char* installDir;
    } cases[] = {
        {"C:\\WINDOWS", "C:\\Program Files\\Foo\\"},
        {"D:\\WIN95", "D:\\Program Files\\Foo\\"},
        {"\\\\SERVER\\WINDOWS", "c:\\Foo\\"},  // no drive letter
    };
    WriteSettings(kHeader);
    for (const Case& c : cases) {
        host::Config().windowsDir = c.windowsDir;
        ASSERT_TRUE(LoadSettings());
        EXPECT_STREQ(setup.installDir, c.installDir) << c.windowsDir;
    }
}

TEST_F(SettingsTest, AnEarlierInstallationGivesItsDirectory) {
    struct Case {
        const char* uninstallString;
        const char* installDir;
    } cases[] = {
        {"\"D:\\Apps\\Foo\\SETUP.EXE\" /r", "D:\\Apps\\Foo\\"},
        {"D:\\My Apps\\Foo\\SETUP.EXE /r", "D:\\"},  // cut at the first space
        {"D:\\Apps\\Foo\\SETUP.EXE", "D:\\Apps\\Foo\\SETUP.EXE"},  // no end mark: kept whole
        {"SETUP.EXE /r", "C:\\Program Files\\Foo\\"},  // no backslash before the end
        {"\"SETUP.EXE\" /r", "C:\\Program Files\\Foo\\"},
        {" /r", "C:\\Program Files\\Foo\\"},
        {"\"\\x\" /r", "\\"},
        {"", "C:\\Program Files\\Foo\\"},  // key without the value
    };
    WriteSettings(kHeader);
    for (const Case& c : cases) {
        SetEarlierUninstallString("Foo", c.uninstallString);
        ASSERT_TRUE(LoadSettings());
        EXPECT_STREQ(setup.installDir, c.installDir) << c.uninstallString;
    }
}

TEST_F(SettingsTest, AnOverlongUninstallStringKeepsTheDefault) {
    WriteSettings(kHeader);
    SetEarlierUninstallString("Foo", "\"D:\\" + std::string(300, 'a') + "\\SETUP.EXE\" /r");
    ASSERT_TRUE(LoadSettings());
    EXPECT_STREQ(setup.installDir, "C:\\Program Files\\Foo\\");
}

TEST_F(SettingsTest, EntryListsEndAtTheFirstUnusableNumber) {
    struct Case {
        const char* entries;
        int files;
        int groups;
    } cases[] = {
        {"1=A.EXE\r\n2=B.DLL\r\n4=D.TXT\r\n", 2, 0},             // 3 missing
        {"1=A.EXE\r\n2=,BIN\\TOOL.EXE\r\n3=C.TXT\r\n", 1, 0},     // 2 starts with a comma
        {"1=A.EXE\r\n2=\r\n3=C.TXT\r\n", 1, 0},                   // 2 empty
        {"1=A.EXE\r\n[Group]\r\n1=App,A.EXE\r\n2=Help\r\n3=X,Y\r\n", 1, 1},  // group 2 has no comma
        {"1=A.EXE\r\n[Group]\r\n1=App,A.EXE\r\n2=,README.TXT\r\n", 1, 1},    // empty caption
        {"1=A.EXE\r\n[Group]\r\n1=App,A.EXE\r\n2=Tool,BIN\\T.EXE,/q\r\n", 1, 2},
    };
    for (const Case& c : cases) {
        WriteSettings(std::string(kHeader) + c.entries);
        ASSERT_TRUE(LoadSettings());
        EXPECT_EQ(setup.fileCount, c.files) << c.entries;
        EXPECT_EQ(setup.groupCount, c.groups) << c.entries;
    }
}

TEST_F(SettingsTest, FileEntriesResolveToSourceAndTarget) {
    WriteSettings(std::string(kHeader) + "1=FOO.EXE\r\n2=DATA\\A.DAT,BIN\\DATA\\A.DAT\r\n3=ソフト.TXT\r\n");
    ASSERT_TRUE(LoadSettings());
    strcpy(setup.installDir, "C:\\Apps\\Foo\\");
    struct Case {
        int n;
        const char* source;
        const char* target;
    } cases[] = {
        {-1, "SETUP.EXE", "C:\\Apps\\Foo\\SETUP.EXE"},
        {0, "SETUP.INF", "C:\\Apps\\Foo\\SETUP.INF"},
        {1, "FOO.EXE", "C:\\Apps\\Foo\\FOO.EXE"},
        {2, "DATA\\A.DAT", "C:\\Apps\\Foo\\BIN\\DATA\\A.DAT"},
        {3, "ソフト.TXT", "C:\\Apps\\Foo\\ソフト.TXT"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(ResolveFileEntry(c.n));
        EXPECT_STREQ(setup.entrySource, c.source) << c.n;
        EXPECT_STREQ(setup.entryTarget, c.target) << c.n;
        EXPECT_EQ(setup.entryTargetTail, (int)strlen("C:\\Apps\\Foo\\")) << c.n;
    }
}

TEST_F(SettingsTest, GroupEntriesResolveToCaptionAndTarget) {
    WriteSettings(std::string(kHeader) + "[Group]\r\n1=Readme,README.TXT\r\n2=Tool,BIN\\TOOL.EXE,/quiet\r\n3=NoComma\r\n");
    strcpy(setup.installDir, "C:\\Apps\\Foo\\");
    ASSERT_TRUE(ResolveGroupEntry(2));
    EXPECT_STREQ(setup.entrySource, "Tool");
    EXPECT_STREQ(setup.entryTarget, "C:\\Apps\\Foo\\BIN\\TOOL.EXE,/quiet");
    ASSERT_TRUE(ResolveGroupEntry(3));
    EXPECT_STREQ(setup.entrySource, "");
    EXPECT_STREQ(setup.entryTarget, "C:\\Apps\\Foo\\BIN\\TOOL.EXE,/quiet");  // left as it was
}

TEST_F(SettingsTest, TargetsThatDoNotFitArePathsNothingCanActOn) {
    std::string longName(200, 'n');
    WriteSettings(std::string(kHeader) + "1=A.EXE\r\n2=" + longName + ".DAT\r\n3=" + std::string(300, 'x') +
                  "\r\n4=D.TXT\r\n[Group]\r\n1=Long," + longName + "\r\n2=Short,A.EXE\r\n");
    ASSERT_TRUE(LoadSettings());
    EXPECT_EQ(setup.fileCount, 4);   // the overlong entries do not end the lists
    EXPECT_EQ(setup.groupCount, 2);
    strcpy(setup.installDir, ("C:\\" + std::string(100, 'p') + "\\").c_str());
    EXPECT_TRUE(ResolveFileEntry(1));
    EXPECT_FALSE(ResolveFileEntry(2));  // fits the settings file, not the destination
    EXPECT_STREQ(setup.entryTarget, "");
    EXPECT_FALSE(ResolveFileEntry(3));  // longer than a path even in the settings file
    EXPECT_STREQ(setup.entryTarget, "");
    EXPECT_FALSE(ResolveGroupEntry(1));
    EXPECT_STREQ(setup.entryTarget, "");
    EXPECT_TRUE(ResolveGroupEntry(2));
}

TEST_F(SettingsTest, HugeAndOddFilesAreReadWithoutHarm) {
    std::string text = kHeader;
    text += "Junk=" + std::string(100 * 1024, 'j') + "\r\n";
    for (int n = 1; n <= 10000; ++n) text += std::to_string(n) + "=F" + std::to_string(n) + ".DAT\r\n";
    text += "[Group]\r\n";
    for (int n = 1; n <= 10000; ++n) text += std::to_string(n) + "=G" + std::to_string(n) + ",F.DAT\r\n";
    WriteSettings(text);
    ASSERT_TRUE(LoadSettings());
    EXPECT_EQ(setup.fileCount, 10000);
    EXPECT_EQ(setup.groupCount, 10000);
    std::string before = ReadFile("D:\\MEDIA\\SETUP.INF");
    EXPECT_EQ(before, text);  // never written
}
