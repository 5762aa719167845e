// The removal primitives: a file, a directory tree with its questions, a
// registry tree.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "app/setup_state.h"
#include "platform.h"
#include "registry/registry_text.h"
#include "support/machine_fixture.h"
#include "uninstall/removal.h"

class RemovalTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        strcpy(setup.title, "Foo");
        ASSERT_TRUE(CreateDirectoryA("C:\\APP", nullptr));
    }
    static std::string Question(const std::string& path) {
        return u8"messagebox owner=none caption=\"Foo\" icon=question text=\"" + path +
               u8" - このファイルを削除してもいいですか？\" answer=";
    }
    static std::string Error(const std::string& text) {
        return u8"messagebox owner=none caption=\"エラー\" icon=error text=\"" + text + "\" answer=ok\n";
    }
    static bool KeyExists(HKEY root, const char* path) {
        HKEY key;
        if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }
    static void CreateKey(const char* path) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
};

TEST_F(RemovalTest, DeletingAMissingFileSucceedsQuietly) {
    EXPECT_TRUE(DeleteFileIfPresent("C:\\APP\\NONE.TXT"));
    WriteFile("C:\\APP\\A.TXT", "a");
    EXPECT_TRUE(DeleteFileIfPresent("C:\\APP\\A.TXT"));
    EXPECT_FALSE(Exists("C:\\APP\\A.TXT"));
    EXPECT_EQ(Transcript(), "");
}

TEST_F(RemovalTest, HelpIndexesGoSilentlyAndOtherFilesAreAskedAbout) {
    WriteFile("C:\\APP\\WINHELP.GID", "");
    WriteFile("C:\\APP\\notes.gid", "");
    WriteFile("C:\\APP\\A.GID.TXT", "");
    WriteFile("C:\\APP\\A.B.GID", "");
    WriteFile("C:\\APP\\NOTES", "");
    Script("answer yes\nanswer yes\nanswer yes\n");
    EXPECT_TRUE(RemoveDirectoryTree("C:\\APP\\"));
    EXPECT_FALSE(Exists("C:\\APP"));
    std::string questions = Transcript();
    for (const char* name : {"A.GID.TXT", "A.B.GID", "NOTES"})
        EXPECT_NE(questions.find(Question(std::string("C:\\\\APP\\\\") + name) + "yes"), std::string::npos) << name;
    EXPECT_EQ(questions.find("WINHELP"), std::string::npos);
    EXPECT_EQ(questions.find("notes.gid"), std::string::npos);
}

TEST_F(RemovalTest, AnEmptyDirectoryGoesWithoutAQuestion) {
    ASSERT_TRUE(CreateDirectoryA("C:\\APP\\EMPTY", nullptr));
    EXPECT_TRUE(RemoveDirectoryTree("C:\\APP\\"));
    EXPECT_FALSE(Exists("C:\\APP"));
    EXPECT_EQ(Transcript(), "");
}

TEST_F(RemovalTest, NoKeepsTheFileAndTheDirectory) {
    WriteFile("C:\\APP\\KEEP.TXT", "mine");
    WriteFile("C:\\APP\\HELP.GID", "");
    Script("answer no\nanswer ok\n");
    EXPECT_FALSE(RemoveDirectoryTree("C:\\APP\\"));
    EXPECT_EQ(ReadFile("C:\\APP\\KEEP.TXT"), "mine");
    EXPECT_FALSE(Exists("C:\\APP\\HELP.GID"));
    EXPECT_NE(Transcript().find(Error(u8"C:\\\\APP - ディレクトリの削除に失敗しました")), std::string::npos)
        << Transcript();
}

TEST_F(RemovalTest, CancelAtAnyDepthStopsTheWholeWalk) {
    ASSERT_TRUE(CreateDirectoryA("C:\\APP\\SUB", nullptr));
    WriteFile("C:\\APP\\SUB\\A.TXT", "");
    WriteFile("C:\\APP\\SUB\\B.TXT", "");
    WriteFile("C:\\APP\\Z.TXT", "");
    Script("answer cancel\n");
    EXPECT_FALSE(RemoveDirectoryTree("C:\\APP\\"));
    // One question, no message about directories, nothing deleted.
    EXPECT_EQ(Transcript().find("messagebox", Transcript().find("answer=cancel")), std::string::npos)
        << Transcript();
    EXPECT_TRUE(Exists("C:\\APP\\SUB\\A.TXT") && Exists("C:\\APP\\SUB\\B.TXT") && Exists("C:\\APP\\Z.TXT"));
}

// A link the walk finds that leads out of the drive is a file to the walk:
// asked about and deleted itself, never gone into or written through.
TEST_F(RemovalTest, LinksOutOfTheDriveGoThemselvesAndWhatTheyReachStays) {
    std::string outside = machineDir_ + "/outside";
    ASSERT_EQ(mkdir(outside.c_str(), 0755), 0);
    std::ofstream(outside + "/OUTSIDE.TXT", std::ios::binary) << "not the product's";
    std::ofstream(outside + "/INNER.TXT", std::ios::binary) << "nor this";
    ASSERT_EQ(symlink((outside + "/OUTSIDE.TXT").c_str(), Host("C:\\APP\\LINK.TXT").c_str()), 0);
    ASSERT_EQ(symlink(outside.c_str(), Host("C:\\APP\\LINKDIR").c_str()), 0);
    Script("answer yes\nanswer yes\nanswer yes\nanswer yes\n");
    EXPECT_TRUE(RemoveDirectoryTree("C:\\APP\\")) << Transcript();
    EXPECT_FALSE(Exists("C:\\APP"));
    for (const char* name : {"LINK.TXT", "LINKDIR"})
        EXPECT_NE(Transcript().find(Question(std::string("C:\\\\APP\\\\") + name) + "yes"), std::string::npos) << name;
    std::ifstream in(outside + "/OUTSIDE.TXT", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "not the product's");
    struct stat st;
    EXPECT_EQ(stat((outside + "/INNER.TXT").c_str(), &st), 0);
}

TEST_F(RemovalTest, AReadOnlyFileIsSkippedAndItsDirectoryStays) {
    WriteFile("C:\\APP\\RO.TXT", "");
    ASSERT_TRUE(SetFileAttributesA("C:\\APP\\RO.TXT", FILE_ATTRIBUTE_READONLY));
    Script("answer yes\nanswer ok\nanswer ok\n");
    EXPECT_FALSE(RemoveDirectoryTree("C:\\APP\\"));
    EXPECT_TRUE(Exists("C:\\APP\\RO.TXT"));
    EXPECT_NE(Transcript().find(Error(u8"C:\\\\APP\\\\RO.TXTの削除に失敗しました。このファイルをスキップして処理を続行します。") +
                                Error(u8"C:\\\\APP - ディレクトリの削除に失敗しました")),
              std::string::npos)
        << Transcript();
}

TEST_F(RemovalTest, NamesTooLongForAPathAreSkippedNotCutAndShownWhole) {
    // Made on the host side: the platform would not make a path this long.
    std::string dir = "C:\\APP\\" + std::string(200, 'd');
    ASSERT_EQ(mkdir(Host(dir).c_str(), 0755), 0);
    WriteFile(dir + "\\SHORT.GID", "");  // goes without a question, whatever the order of the names
    // The second name's path is well over two path lengths with its message.
    const std::string names[] = {std::string(100, 'f') + ".TXT", std::string(240, 'g') + ".TXT"};
    for (const std::string& name : names) {
        FILE* file = fopen((Host(dir) + "/" + name).c_str(), "w");
        ASSERT_NE(file, nullptr);
        fclose(file);
    }
    Script("answer ok\nanswer ok\nanswer ok\n");
    EXPECT_FALSE(RemoveDirectoryTree("C:\\APP\\"));
    for (const std::string& name : names) {
        EXPECT_NE(Transcript().find(Error(u8"C:\\\\APP\\\\" + std::string(200, 'd') + "\\\\" + name +
                                          u8"の削除に失敗しました。このファイルをスキップして処理を続行します。")),
                  std::string::npos)
            << Transcript();
        struct stat st;
        EXPECT_EQ(stat((Host(dir) + "/" + name).c_str(), &st), 0);
    }
    EXPECT_FALSE(Exists(dir + "\\SHORT.GID"));
}

TEST_F(RemovalTest, RegistryTreesGoDepthFirstAndStepOverWhatStays) {
    CreateKey("Software\\Foo\\A\\A1\\A11");
    CreateKey("Software\\Foo\\B");
    CreateKey("Software\\Foo\\C\\C1");
    ASSERT_TRUE(host::SetKeyUndeletable("HKEY_CURRENT_USER\\Software\\Foo\\B", true));
    DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Foo");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Foo\\A"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Foo\\C"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Foo\\B"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software"));
    ASSERT_TRUE(host::SetKeyUndeletable("HKEY_CURRENT_USER\\Software\\Foo\\B", false));
    DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Foo");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Foo"));
    DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\None");  // nothing to do
    EXPECT_EQ(Transcript(), "");
}
