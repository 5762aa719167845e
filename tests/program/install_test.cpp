// A whole installation: the step chain, copies and their failures, the
// uninstall registration, shortcuts for both shells, and Finish.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>

#include "app/setup_state.h"
#include "dde/progman.h"
#include "kernel/file_sharing.h"
#include "platform.h"
#include "shell/link_file.h"
#include "support/run_fixture.h"

namespace {

const char kWholeRun[] = "press next\npress next\npress finish\n";
const char kProgramsFolder[] = "C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ\\";
const char kDoneWithErrors[] = u8"text 1008 \"エラーがありました。表示されたファイル等は入っていません。\"";

// The transcript line of an error box on the progress page; text is UTF-8
// and quoted as the transcript quotes it.
std::string ErrorBox(const std::string& text) {
    std::string quoted;
    for (char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return u8"messagebox owner=page 103 caption=\"エラー\" icon=error text=\"" + quoted + "\" answer=ok\n";
}

std::string ReadValue(const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Foo", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    char value[512];
    DWORD size = sizeof value;
    LONG result = RegQueryValueExA(key, name, nullptr, nullptr, (LPBYTE)value, &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::string(value) : "<no value>";
}

}  // namespace

class InstallTest : public RunTest {
  protected:
    host::LinkFile Link(const std::string& path) {
        host::LinkFile link;
        std::string error;
        EXPECT_TRUE(host::ReadLinkFile(Host(path), &link, &error)) << path << ": " << error;
        return link;
    }
};

TEST_F(InstallTest, CopiesRegistersAndStartsTheProduct) {
    Settings(std::string(kSampleSettings) + "3=DATA\\A.DAT,BIN\\DATA\\A.DAT\r\n4=README.TXT\r\nOpen=README.TXT\r\n");
    WriteFile("D:\\MEDIA\\README.TXT", "read me");
    WriteFile("D:\\MEDIA\\FOO.EXE", "foo program");
    SetFileAttributesA("D:\\MEDIA\\FOO.EXE", FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(Run(kWholeRun), 1);
    const char* dir = "C:\\Program Files\\Foo\\";
    for (const char* name : {"SETUP.EXE", "SETUP.INF", "FOO.EXE", "DATA\\A.DAT", "BIN\\DATA\\A.DAT"})
        EXPECT_TRUE(Exists(std::string(dir) + name)) << name;
    EXPECT_EQ(ReadFile("C:\\Program Files\\Foo\\FOO.EXE"), "foo program");
    // The copy's read-only attribute is cleared.
    EXPECT_EQ(GetFileAttributesA("C:\\Program Files\\Foo\\FOO.EXE") & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(ReadValue("DisplayName"), "Foo");
    EXPECT_EQ(ReadValue("UninstallString"), "\"C:\\Program Files\\Foo\\SETUP.EXE\" /r");
    EXPECT_TRUE(HasLine(u8"hide 1003 pos=7 range=0..7")) << Transcript();
    EXPECT_TRUE(HasLine(u8"text 1008 \"インストールが完了しました。「完了」を押すと起動します。\""));
    EXPECT_TRUE(HasLine(u8"show 1012 "));
    // The program is started by its quoted path: no part of it becomes an argument.
    EXPECT_TRUE(HasLine(u8"start \"C:\\\\Program Files\\\\Foo\\\\FOO.EXE\" \"\""));
    EXPECT_TRUE(HasLine(u8"open \"C:\\\\Program Files\\\\Foo\\\\README.TXT\""));
    // One Programs shortcut named after the title, pointing to entry 1.
    host::LinkFile link = Link(std::string(kProgramsFolder) + "Foo.lnk");
    EXPECT_EQ(link.target, "C:\\Program Files\\Foo\\FOO.EXE");
    EXPECT_EQ(link.description, "Foo");
    EXPECT_FALSE(Exists("C:\\WINDOWS\\ﾃﾞｽｸﾄｯﾌﾟ\\Foo.lnk"));
}

TEST_F(InstallTest, WithoutFileEntriesTheChainHasFourSteps) {
    Settings("[Install]\r\nTitle=Foo\r\nFolder=Foo\r\nOpen=SETUP.INF\r\n");
    EXPECT_EQ(Run(kWholeRun), 1);
    // Four steps on a range of 0..3: the bar holds the last advance at its top.
    EXPECT_TRUE(HasLine(u8"hide 1003 pos=3 range=0..3")) << Transcript();
    EXPECT_TRUE(Exists("C:\\Program Files\\Foo\\SETUP.INF"));
    // Finish hands the directory itself to WinExec, which starts nothing.
    EXPECT_FALSE(HasLine("start "));
    EXPECT_TRUE(HasLine(u8"open \"C:\\\\Program Files\\\\Foo\\\\SETUP.INF\""));
}

TEST_F(InstallTest, FailedCopiesAreReportedAndTheChainGoesOn) {
    Settings(std::string(kSampleSettings) + "3=MISSING.TXT\r\n");
    ASSERT_TRUE(CreateDirectoryA("C:\\Program Files\\Foo", nullptr));
    WriteFile("C:\\Program Files\\Foo\\FOO.EXE", "old");
    ASSERT_TRUE(host::HoldFileOpen("C:\\Program Files\\Foo\\FOO.EXE"));
    EXPECT_EQ(Run("press next\npress next\nanswer ok\nanswer ok\npress finish\n"), 1);
    EXPECT_EQ(Lines("messagebox"),
              u8"messagebox owner=page 103 caption=\"エラー\" icon=error text=\"C:\\\\Program Files\\\\Foo\\\\FOO.EXE"
              u8" は他で使用中のため上書きできません。\" answer=ok\n"
              u8"messagebox owner=page 103 caption=\"エラー\" icon=error text=\"MISSING.TXT"
              u8" のコピーに失敗しました。\" answer=ok\n");
    EXPECT_EQ(ReadFile("C:\\Program Files\\Foo\\FOO.EXE"), "old");
    EXPECT_TRUE(Exists("C:\\Program Files\\Foo\\DATA\\A.DAT"));
    EXPECT_EQ(ReadValue("UninstallString"), "\"C:\\Program Files\\Foo\\SETUP.EXE\" /r");
    // The last text says the installation is not whole.
    EXPECT_TRUE(HasLine(u8"text 1008 \"エラーがありました。表示されたファイル等は入っていません。\"")) << Transcript();
}

// The media's links that lead out are no sources, and a link already in the
// destination that leads out of the machine is never written through.
TEST_F(InstallTest, LinksOutOfTheMediaOrTheMachineAreNeitherReadNorWritten) {
    std::string outside = machineDir_ + "/outside";
    ASSERT_EQ(mkdir(outside.c_str(), 0755), 0);
    std::ofstream(outside + "/OUTSIDE.TXT", std::ios::binary) << "outside";
    std::ofstream(outside + "/TARGET.EXE", std::ios::binary) << "another program";
    ASSERT_EQ(symlink(outside.c_str(), Host("D:\\MEDIA\\HOST").c_str()), 0);
    ASSERT_EQ(symlink((outside + "/OUTSIDE.TXT").c_str(), Host("D:\\MEDIA\\LINK.TXT").c_str()), 0);
    ASSERT_TRUE(CreateDirectoryA("C:\\Program Files\\Foo", nullptr));
    ASSERT_EQ(symlink((outside + "/TARGET.EXE").c_str(), Host("C:\\Program Files\\Foo\\FOO.EXE").c_str()), 0);
    Settings(std::string(kSampleSettings) + "3=HOST\\OUTSIDE.TXT\r\n4=LINK.TXT\r\n");
    EXPECT_EQ(Run("press next\npress next\nanswer ok\nanswer ok\nanswer ok\npress finish\n"), 1);
    EXPECT_EQ(Lines("messagebox"), ErrorBox(u8"FOO.EXE のコピーに失敗しました。") +
                                       ErrorBox(u8"HOST\\OUTSIDE.TXT のコピーに失敗しました。") +
                                       ErrorBox(u8"LINK.TXT のコピーに失敗しました。"));
    std::ifstream in(outside + "/TARGET.EXE", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "another program");
    EXPECT_FALSE(Exists("C:\\Program Files\\Foo\\HOST\\OUTSIDE.TXT"));
    EXPECT_FALSE(Exists("C:\\Program Files\\Foo\\LINK.TXT"));
    EXPECT_TRUE(Exists("C:\\Program Files\\Foo\\DATA\\A.DAT"));
}

TEST_F(InstallTest, DestinationsThatDoNotFitAreReportedNotCut) {
    // The destination plus "SETUP.EXE" and the quotes do not fit 260 bytes.
    std::string dir = "C:\\" + std::string(120, 'a') + "\\" + std::string(123, 'b') + "\\";
    std::string longName = std::string(30, 'n') + ".DAT";
    Settings(std::string(kSampleSettings) + "3=DATA\\A.DAT," + longName + "\r\n");
    // Entry 2's folder is too deep for the platform; entry 3's target does not
    // fit a path; the registration does not fit its value.
    EXPECT_EQ(Run("set 1001 " + dir + "\npress next\npress next\nanswer ok\nanswer ok\nanswer ok\npress finish\n"), 1);
    EXPECT_NE(Lines("messagebox").find(u8"DATA\\\\A.DAT - パス名が長すぎるため処理できません。"), std::string::npos)
        << Transcript();
    EXPECT_NE(Lines("messagebox").find(u8"Foo - アンインストール情報を登録できませんでした。"), std::string::npos);
    EXPECT_EQ(ReadValue("UninstallString"), "<no key>");
    EXPECT_TRUE(HasLine(u8"text 1008 \"エラーがありました。"));
}

// An entry too long for a path is named in its report whole, as the settings
// file has it.
TEST_F(InstallTest, EntriesTooLongForAPathAreShownWhole) {
    const std::string source = std::string(300, 's') + ".DAT";
    const std::string sourceAndTarget = "A.DAT," + std::string(300, 't');
    const std::string groupEntry = "Long," + std::string(300, 'g');
    Settings(std::string(kSampleSettings) + "3=" + source + "\r\n4=" + sourceAndTarget + "\r\n[Group]\r\n1=" +
             groupEntry + "\r\n2=Short,FOO.EXE\r\n");
    EXPECT_EQ(Run("press next\npress next\nanswer ok\nanswer ok\nanswer ok\npress finish\n"), 1);
    const std::string tooLong = u8" - パス名が長すぎるため処理できません。";
    EXPECT_EQ(Lines("messagebox"),
              ErrorBox(source + tooLong) + ErrorBox(sourceAndTarget + tooLong) + ErrorBox(groupEntry + tooLong))
        << Transcript();
    EXPECT_TRUE(Exists(std::string(kProgramsFolder) + "Foo\\Short.lnk"));
}

TEST_F(InstallTest, GroupEntriesMakeAProductFolderOfShortcuts) {
    Settings(std::string(kSampleSettings) +
             "[Group]\r\n1=Readme,README.TXT\r\n2=Tool,BIN\\TOOL.EXE,/quiet\r\n");
    EXPECT_EQ(Run("press next\ncheck 1005 on\npress next\npress finish\n"), 1);
    std::string folder = std::string(kProgramsFolder) + "Foo\\";
    host::LinkFile readme = Link(folder + "Readme.lnk");
    EXPECT_EQ(readme.target, "C:\\Program Files\\Foo\\README.TXT");
    EXPECT_EQ(readme.arguments, "");
    host::LinkFile tool = Link(folder + "Tool.lnk");
    EXPECT_EQ(tool.target, "C:\\Program Files\\Foo\\BIN\\TOOL.EXE");
    EXPECT_EQ(tool.arguments, "/quiet");
    EXPECT_EQ(tool.description, "Tool");
    // The desktop shortcut points to entry 1 even with group entries.
    EXPECT_EQ(Link("C:\\WINDOWS\\ﾃﾞｽｸﾄｯﾌﾟ\\Foo.lnk").target, "C:\\Program Files\\Foo\\FOO.EXE");
}

TEST_F(InstallTest, AResidentProgramGetsOnlyAStartupShortcut) {
    Settings(std::string(kSampleSettings) + "TSR=1\r\n[Group]\r\n1=Readme,README.TXT\r\n");
    EXPECT_EQ(Run("press next\npress finish\n"), 1);
    EXPECT_EQ(Link(std::string(kProgramsFolder) + "ｽﾀｰﾄｱｯﾌﾟ\\Foo.lnk").target, "C:\\Program Files\\Foo\\FOO.EXE");
    EXPECT_FALSE(Exists(std::string(kProgramsFolder) + "Foo"));
}

// A shortcut that cannot be made is reported under its caption, and the run
// ends saying that something is missing.
TEST_F(InstallTest, ShortcutsThatCannotBeMadeAreReported) {
    const std::string desktop = "C:\\WINDOWS\\ﾃﾞｽｸﾄｯﾌﾟ\\";
    const std::string failed = u8" - ショートカットを作成できませんでした。";
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::string boxes;
        bool userFileKept;  // the desktop's Foo.lnk, the user's own, is as it was
    } cases[] = {
        {"a folder of the link's name",
         [&] { ASSERT_TRUE(CreateDirectoryA((desktop + "Foo.lnk").c_str(), nullptr)); }, ErrorBox("Foo" + failed),
         false},
        {"a read-only file of the link's name",
         [&] {
             WriteFile(desktop + "Foo.lnk", "the user's own");
             ASSERT_TRUE(SetFileAttributesA((desktop + "Foo.lnk").c_str(), FILE_ATTRIBUTE_READONLY));
         },
         ErrorBox("Foo" + failed), true},
        {"no desktop among the shell folders",
         [&] {
             HKEY key;
             ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER,
                                     "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                                     KEY_WRITE, &key),
                       ERROR_SUCCESS);
             EXPECT_EQ(RegDeleteValueA(key, "Desktop"), ERROR_SUCCESS);
             RegCloseKey(key);
         },
         ErrorBox("Foo" + failed), false},
        // Reported as the folder's own failure; its links are not tried.
        {"a file of the product folder's name", [&] { WriteFile(std::string(kProgramsFolder) + "Foo", "mine"); },
         ErrorBox(u8"C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ\\Foo - 同じ名前のファイルが既に存在するのでフォルダが作成できません。"),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Each case on a fresh machine, with a transcript of its own.
        TearDown();
        SetUp();
        transcript_.str("");
        Settings(std::string(kSampleSettings) + "[Group]\r\n1=App,FOO.EXE\r\n");
        c.arrange();
        EXPECT_EQ(Run("press next\ncheck 1005 on\npress next\nanswer ok\npress finish\n"), 1);
        EXPECT_EQ(Lines("messagebox"), c.boxes) << Transcript();
        EXPECT_TRUE(HasLine(kDoneWithErrors)) << Transcript();
        if (c.userFileKept) {
            EXPECT_EQ(ReadFile(desktop + "Foo.lnk"), "the user's own");
        }
    }
}

class ProgmanInstallTest : public InstallTest {
  protected:
    void SetUp() override {
        InstallTest::SetUp();
        host::Config().newShell = false;
    }
    static std::string Groups() {
        std::string out;
        for (const host::ProgmanGroup& group : host::ProgmanGroups()) {
            out += "[" + group.name + "]";
            for (const host::ProgmanItem& item : group.items) out += " " + item.caption + "=" + item.commandLine;
            out += "\n";
        }
        return out;
    }
};

TEST_F(ProgmanInstallTest, WithoutGroupEntriesTheGroupHoldsTheProgramAndItsRemoval) {
    EXPECT_EQ(Run(kWholeRun), 1);
    EXPECT_EQ(Lines("dde "),
              u8"dde \"[CreateGroup(\\\"Foo\\\",0)]\" result=ok\n"
              u8"dde \"[AddItem(\\\"C:\\\\PROGRA~1\\\\FOO\\\\FOO.EXE\\\",\\\"Foo\\\")]\" result=ok\n"
              u8"dde \"[AddItem(\\\"C:\\\\PROGRA~1\\\\FOO\\\\SETUP.EXE /r\\\",\\\"SETUP.EXEの削除\\\")]\" result=ok\n")
        << Transcript();
    EXPECT_EQ(Groups(), "[スタートアップ]\n"
                        "[Foo] Foo=C:\\PROGRA~1\\FOO\\FOO.EXE SETUP.EXEの削除=C:\\PROGRA~1\\FOO\\SETUP.EXE /r\n");
}

TEST_F(ProgmanInstallTest, GroupEntriesBecomeItemsInOrder) {
    Settings(std::string(kSampleSettings) +
             "[Group]\r\n1=App,FOO.EXE\r\n2=Data,DATA\\A.DAT,/quiet\r\n3=Setup,SETUP.EXE,/r\r\n");
    EXPECT_EQ(Run(kWholeRun), 1);
    EXPECT_EQ(Groups(),
              "[スタートアップ]\n[Foo] App=C:\\PROGRA~1\\FOO\\FOO.EXE Data=C:\\PROGRA~1\\FOO\\DATA\\A.DAT /quiet "
              "Setup=C:\\PROGRA~1\\FOO\\SETUP.EXE /r\n");
}

TEST_F(ProgmanInstallTest, AResidentProgramGoesIntoTheStartupGroup) {
    Settings(std::string(kSampleSettings) + "TSR=1\r\n");
    EXPECT_EQ(Run("press next\npress finish\n"), 1);
    EXPECT_EQ(Lines("dde ").size() > 0, true);
    EXPECT_EQ(Groups(), "[スタートアップ] Foo=C:\\PROGRA~1\\FOO\\FOO.EXE\n") << Transcript();
}

TEST_F(ProgmanInstallTest, AnAbsentProgramManagerIsReported) {
    host::Config().progman = false;
    EXPECT_EQ(Run("press next\npress next\nanswer ok\npress finish\n"), 1);
    EXPECT_FALSE(HasLine("dde "));
    EXPECT_EQ(Lines("messagebox"), ErrorBox(u8"Foo - ショートカットを作成できませんでした。")) << Transcript();
    EXPECT_TRUE(HasLine(kDoneWithErrors));
}

// Program Manager's commands have no way to quote a quote mark: an argument
// holding one would end its text there and the rest would be read as more
// commands, here one that deletes another product's group.
TEST_F(ProgmanInstallTest, ArgumentsHoldingAQuoteMarkAreReportedAndNeverSent) {
    const std::string injected = "\")][DeleteGroup(\"Bar\")][AddItem(\"X";
    struct Case {
        const char* name;
        std::string settings;
        std::string reported;  // the caption the box names
        std::string groups;
    } cases[] = {
        {"caption", std::string(kSampleSettings) + "[Group]\r\n1=App" + injected + ",FOO.EXE\r\n2=Short,FOO.EXE\r\n",
         "App" + injected, "[Foo] Short=C:\\PROGRA~1\\FOO\\FOO.EXE\n"},
        {"arguments",
         std::string(kSampleSettings) + "[Group]\r\n1=App,FOO.EXE,/x" + injected + "\r\n2=Short,FOO.EXE\r\n", "App",
         "[Foo] Short=C:\\PROGRA~1\\FOO\\FOO.EXE\n"},
    };  // a title holding a quote mark is a broken settings file
    ASSERT_TRUE(host::ProgmanExecute("[CreateGroup(Bar)][AddItem(BAR.EXE,Bar)]"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Each run finds no group of its own, and the other product's group active.
        host::ProgmanExecute("[DeleteGroup(Foo)]");
        ASSERT_TRUE(host::ProgmanExecute("[ShowGroup(Bar,1)]"));
        transcript_.str("");
        Settings(c.settings);
        EXPECT_EQ(Run("press next\npress next\nanswer ok\npress finish\n"), 1);
        EXPECT_EQ(Lines("messagebox"), ErrorBox(c.reported + u8" - 引用符 (\") を含むため登録できません。"))
            << Transcript();
        EXPECT_EQ(Lines("dde ").find("Bar"), std::string::npos) << Transcript();
        EXPECT_EQ(Groups(), "[スタートアップ]\n[Bar] Bar=BAR.EXE\n" + c.groups);
        EXPECT_TRUE(HasLine(kDoneWithErrors));
    }
}

// Program Manager acts on its active group: after the Startup group cannot
// be shown, that is another product's group, which is left alone.
TEST_F(ProgmanInstallTest, WithoutAStartupGroupNoItemIsAddedAnywhere) {
    Settings(std::string(kSampleSettings) + "TSR=1\r\n");
    ASSERT_TRUE(host::ProgmanExecute("[DeleteGroup(\"スタートアップ\")][CreateGroup(Bar)]"));
    transcript_.str("");
    EXPECT_EQ(Run("press next\nanswer ok\npress finish\n"), 1);
    EXPECT_EQ(Lines("dde "), u8"dde \"[ShowGroup(\\\"スタートアップ\\\",1)]\" result=failed\n") << Transcript();
    EXPECT_EQ(Lines("messagebox"), ErrorBox(u8"Foo - ショートカットを作成できませんでした。"));
    EXPECT_EQ(Groups(), "[Bar]\n");
    EXPECT_TRUE(HasLine(kDoneWithErrors));
}

TEST_F(InstallTest, ShortcutsWhosePathDoesNotFitAreReportedAndSkipped) {
    std::string caption(230, 'c');
    Settings(std::string(kSampleSettings) + "[Group]\r\n1=" + caption + ",FOO.EXE\r\n2=Short,FOO.EXE\r\n");
    EXPECT_EQ(Run("press next\npress next\nanswer ok\npress finish\n"), 1);
    EXPECT_TRUE(HasLine(u8"messagebox owner=page 103 caption=\"エラー\" icon=error text=\"" + caption +
                        u8" - パス名が長すぎるため処理できません。\" answer=ok"))
        << Transcript();
    EXPECT_TRUE(Exists(std::string(kProgramsFolder) + "Foo\\Short.lnk"));
    EXPECT_EQ(Lines("link ").find(caption), std::string::npos);
}

TEST_F(ProgmanInstallTest, ItemsWhoseCommandDoesNotFitAreReportedAndSkipped) {
    std::string caption(200, 'c');
    Settings(std::string(kSampleSettings) + "[Group]\r\n1=" + caption + ",FOO.EXE,/" + std::string(40, 'a') +
             "\r\n2=Short,FOO.EXE\r\n");
    EXPECT_EQ(Run("press next\npress next\nanswer ok\npress finish\n"), 1);
    EXPECT_TRUE(HasLine(u8"messagebox owner=page 103 caption=\"エラー\" icon=error text=\"" + caption +
                        u8" - パス名が長すぎるため処理できません。\" answer=ok"))
        << Transcript();
    EXPECT_EQ(Groups(), "[スタートアップ]\n[Foo] Short=C:\\PROGRA~1\\FOO\\FOO.EXE\n") << Transcript();
}
