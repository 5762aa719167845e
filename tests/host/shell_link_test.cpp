// COM and the shell link object: links saved as .lnk files, their bytes, and
// links read back.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "kernel/file_sharing.h"
#include "platform.h"
#include "support/machine_fixture.h"

namespace {

const char kPrograms[] = "C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ";

// Wide text as UTF-16, whichever type the platform's WCHAR is.
std::u16string Utf16(const WCHAR* text) {
    std::u16string result;
    while (*text) result += (char16_t)*text++;
    return result;
}

#ifndef _WIN32
uint32_t Get32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | (unsigned char)bytes.at(at + i);
    return value;
}

uint16_t Get16(const std::string& bytes, size_t at) {
    return (uint16_t)((unsigned char)bytes.at(at) | ((unsigned char)bytes.at(at + 1) << 8));
}
#endif

}  // namespace

class ShellLinkTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    }
    void TearDown() override {
        CoUninitialize();
        MachineTest::TearDown();
    }

    // A path in wide text, as the program makes it for IPersistFile.
    struct WidePath {
        WCHAR text[MAX_PATH];
    };
    static WidePath Wide(const std::string& path) {
        WidePath wide;
        EXPECT_GT(MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.text, MAX_PATH), 0) << path;
        return wide;
    }

    static IShellLinkA* NewLink() {
        IShellLinkA* link = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void**)&link),
                  S_OK);
        return link;
    }

    // Saves a link the way the program does; the Save result.
    static HRESULT SaveLink(const std::string& path, const char* target, const char* arguments,
                            const char* description) {
        IShellLinkA* link = NewLink();
        if (!link) return E_FAIL;
        if (arguments) link->SetArguments(arguments);
        link->SetPath(target);
        link->SetDescription(description);
        IPersistFile* file = nullptr;
        HRESULT result = link->QueryInterface(IID_IPersistFile, (void**)&file);
        if (SUCCEEDED(result)) {
            result = file->Save(Wide(path).text, TRUE);
            file->Release();
        }
        link->Release();
        return result;
    }

    struct Loaded {
        HRESULT result;
        std::string target, arguments, description;
    };
    static Loaded LoadLink(const std::string& path) {
        Loaded loaded;
        IShellLinkA* link = NewLink();
        IPersistFile* file = nullptr;
        EXPECT_EQ(link->QueryInterface(IID_IPersistFile, (void**)&file), S_OK);
        loaded.result = file->Load(Wide(path).text, STGM_READ);
        char buffer[MAX_PATH];
        link->GetPath(buffer, sizeof buffer, nullptr, 0);
        loaded.target = buffer;
        link->GetArguments(buffer, sizeof buffer);
        loaded.arguments = buffer;
        link->GetDescription(buffer, sizeof buffer);
        loaded.description = buffer;
        file->Release();
        link->Release();
        return loaded;
    }
};

TEST(ComTest, TheLinkObjectNeedsCoInitialize) {
    IShellLinkA* link = reinterpret_cast<IShellLinkA*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void**)&link),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(link, nullptr);

    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void**)&link), S_OK);
    link->Release();
    CoUninitialize();
    EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void**)&link),
              CO_E_NOTINITIALIZED);
}

TEST_F(ShellLinkTest, CreationRefusesOtherClassesInterfacesAndAggregation) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(IID_IPersistFile, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, CLSID_ShellLink, &object),
              E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    IShellLinkA* outer = NewLink();
    ASSERT_NE(outer, nullptr);
    EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, outer, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              CLASS_E_NOAGGREGATION);
    outer->Release();
}

TEST_F(ShellLinkTest, InterfacesShareOneObject) {
    IShellLinkA* link = NewLink();
    ASSERT_NE(link, nullptr);
    IPersistFile* file = nullptr;
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, (void**)&file), S_OK);
    IUnknown* fromLink = nullptr;
    IUnknown* fromFile = nullptr;
    ASSERT_EQ(link->QueryInterface(IID_IUnknown, (void**)&fromLink), S_OK);
    ASSERT_EQ(file->QueryInterface(IID_IUnknown, (void**)&fromFile), S_OK);
    EXPECT_EQ(fromLink, fromFile);  // COM identity
    IShellLinkA* back = nullptr;
    ASSERT_EQ(file->QueryInterface(IID_IShellLinkA, (void**)&back), S_OK);
    EXPECT_EQ(back, link);
    CLSID clsid;
    EXPECT_EQ(file->GetClassID(&clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_ShellLink));
    // The link stays alive while any interface holds it (ASan would see a
    // use after free otherwise).
    EXPECT_EQ(link->Release(), 4u);
    fromLink->Release();
    fromFile->Release();
    back->Release();
    EXPECT_EQ(file->Release(), 0u);
}

TEST_F(ShellLinkTest, SavedLinksReadBack) {
    ASSERT_TRUE(CreateDirectoryA("C:\\Program Files\\表計算", nullptr));
    WriteFile("C:\\Program Files\\表計算\\HYOKEI.EXE", "program");
    ASSERT_TRUE(CreateDirectoryA((std::string(kPrograms) + "\\表計算").c_str(), nullptr));
    struct Case {
        std::string link;
        const char* target;
        const char* arguments;  // null: not set
        const char* description;
    } cases[] = {
        {std::string(kPrograms) + "\\表計算\\表計算.lnk", "C:\\Program Files\\表計算\\HYOKEI.EXE", nullptr, "表計算"},
        {std::string(kPrograms) + "\\表計算\\Tool.lnk", "C:\\Program Files\\表計算\\BIN\\TOOL.EXE", "/quiet",
         "Tool"},
        {"C:\\WINDOWS\\ﾃﾞｽｸﾄｯﾌﾟ\\ソフト.lnk", "C:\\Program Files\\表計算\\README.TXT", "", "ソフト"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(SaveLink(c.link, c.target, c.arguments, c.description), S_OK) << c.link;
        Loaded loaded = LoadLink(c.link);
        EXPECT_EQ(loaded.result, S_OK) << c.link;
        EXPECT_EQ(loaded.target, c.target);
        EXPECT_EQ(loaded.arguments, c.arguments ? c.arguments : "");
        EXPECT_EQ(loaded.description, c.description);
    }
#ifndef _WIN32  // the host's transcript
    EXPECT_EQ(Transcript(),
              u8"link \"C:\\\\WINDOWS\\\\ｽﾀｰﾄ ﾒﾆｭｰ\\\\ﾌﾟﾛｸﾞﾗﾑ\\\\表計算\\\\表計算.lnk\" "
              u8"target=\"C:\\\\Program Files\\\\表計算\\\\HYOKEI.EXE\" arguments=\"\" description=\"表計算\"\n"
              u8"link \"C:\\\\WINDOWS\\\\ｽﾀｰﾄ ﾒﾆｭｰ\\\\ﾌﾟﾛｸﾞﾗﾑ\\\\表計算\\\\Tool.lnk\" "
              u8"target=\"C:\\\\Program Files\\\\表計算\\\\BIN\\\\TOOL.EXE\" arguments=\"/quiet\" "
              u8"description=\"Tool\"\n"
              u8"link \"C:\\\\WINDOWS\\\\ﾃﾞｽｸﾄｯﾌﾟ\\\\ソフト.lnk\" "
              u8"target=\"C:\\\\Program Files\\\\表計算\\\\README.TXT\" arguments=\"\" description=\"ソフト\"\n");
#endif
}

// The host layer writes the least the format allows, ANSI and without an item
// id list; Windows adds one (and writes Unicode strings on NT).
#ifndef _WIN32
TEST_F(ShellLinkTest, TheFileHasTheShellLinkLayout) {
    ASSERT_TRUE(CreateDirectoryA("C:\\Program Files\\Foo", nullptr));
    WriteFile("C:\\Program Files\\Foo\\TOOL.EXE", "12345");
    const char target[] = "C:\\Program Files\\Foo\\TOOL.EXE";
    std::string path = std::string(kPrograms) + "\\Tool.lnk";
    ASSERT_EQ(SaveLink(path, target, "/quiet", "ツール"), S_OK);
    std::string bytes = ReadFile(path);
    ASSERT_GE(bytes.size(), 0x4Cu + 0x1Cu);

    EXPECT_EQ(Get32(bytes, 0), 0x4Cu);  // HeaderSize
    const unsigned char clsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                     0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    EXPECT_EQ(memcmp(bytes.data() + 4, clsid, 16), 0);
    EXPECT_EQ(Get32(bytes, 0x14), 0x02u | 0x04u | 0x20u);  // HasLinkInfo, HasName, HasArguments; ANSI
    EXPECT_EQ(Get32(bytes, 0x18) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(Get32(bytes, 0x34), 5u);             // the target's size
    EXPECT_EQ(Get32(bytes, 0x3C), (uint32_t)SW_SHOWNORMAL);

    const size_t info = 0x4C;
    uint32_t infoSize = Get32(bytes, info);
    EXPECT_EQ(Get32(bytes, info + 4), 0x1Cu);      // LinkInfoHeaderSize
    EXPECT_EQ(Get32(bytes, info + 8), 1u);         // VolumeIDAndLocalBasePath
    uint32_t volume = Get32(bytes, info + 12);
    EXPECT_EQ(Get32(bytes, info + volume + 4), 3u);  // DRIVE_FIXED
    EXPECT_STREQ(bytes.c_str() + info + Get32(bytes, info + 16), target);  // LocalBasePath
    EXPECT_EQ(Get32(bytes, info + 20), 0u);                                // no network link
    EXPECT_STREQ(bytes.c_str() + info + Get32(bytes, info + 24), "");      // CommonPathSuffix

    size_t at = info + infoSize;
    std::string name = "ツール", arguments = "/quiet";
    ASSERT_EQ(Get16(bytes, at), name.size());  // NAME_STRING: count, then the bytes, no terminator
    EXPECT_EQ(bytes.substr(at + 2, name.size()), name);
    at += 2 + name.size();
    ASSERT_EQ(Get16(bytes, at), arguments.size());
    EXPECT_EQ(bytes.substr(at + 2, arguments.size()), arguments);
    at += 2 + arguments.size();
    EXPECT_EQ(bytes.substr(at), std::string(4, '\0'));  // the terminal block ends the file
}

TEST_F(ShellLinkTest, ALinkMayTargetAFileThatDoesNotExistYet) {
    std::string path = std::string(kPrograms) + "\\Later.lnk";
    ASSERT_EQ(SaveLink(path, "C:\\Program Files\\Later\\LATER.EXE", nullptr, "Later"), S_OK);
    std::string bytes = ReadFile(path);
    EXPECT_EQ(Get32(bytes, 0x14), 0x02u | 0x04u);  // no arguments set: no HasArguments
    EXPECT_EQ(Get32(bytes, 0x18), 0u);             // no attributes, size or times of a target
    EXPECT_EQ(Get32(bytes, 0x34), 0u);
    EXPECT_EQ(LoadLink(path).target, "C:\\Program Files\\Later\\LATER.EXE");
}
#endif

TEST_F(ShellLinkTest, SavingFailsWhereNoFileCanBeWritten) {
    ASSERT_TRUE(CreateDirectoryA("C:\\Links", nullptr));
    WriteFile("C:\\Links\\Fixed.lnk", "old");
    SKIP_ON_WINE("Wine leaves the read-only attribute to the host's file permissions, which root passes");
    ASSERT_TRUE(SetFileAttributesA("C:\\Links\\Fixed.lnk", FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CreateDirectoryA("C:\\Links\\Folder.lnk", nullptr));
    const char* paths[] = {
        "C:\\No Such Folder\\X.lnk",  // the folder does not exist
        "C:\\Links\\a?b.lnk",         // a character Windows refuses
        "C:\\Links\\Fixed.lnk",       // read-only
        "C:\\Links\\Folder.lnk",      // a folder of that name
        "Q:\\X.lnk",                  // no such drive
    };
    for (const char* path : paths) {
        EXPECT_TRUE(FAILED(SaveLink(path, "C:\\X.EXE", nullptr, "X"))) << path;
    }
    EXPECT_FALSE(Exists("C:\\No Such Folder"));
    EXPECT_EQ(ReadFile("C:\\Links\\Fixed.lnk"), "old");
#ifndef _WIN32  // the host's transcript
    EXPECT_EQ(Transcript(), "");
#endif
}

TEST_F(ShellLinkTest, SavingRespectsOtherProgramsAndFreeSpace) {
    WriteFile("C:\\Held.lnk", "old");
    ASSERT_TRUE(host::HoldFileOpen("C:\\Held.lnk"));  // another program holds it open
    EXPECT_EQ(SaveLink("C:\\Held.lnk", "C:\\X.EXE", nullptr, "X"), HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(ReadFile("C:\\Held.lnk"), "old");
    ASSERT_TRUE(host::ReleaseHeldFile("C:\\Held.lnk"));
    EXPECT_EQ(SaveLink("C:\\Held.lnk", "C:\\X.EXE", nullptr, "X"), S_OK);

#ifndef _WIN32  // a drive's size is the host machine's setting
    MountDrive('E', 0);
    EXPECT_EQ(SaveLink("E:\\X.lnk", "C:\\X.EXE", nullptr, "X"), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
    EXPECT_FALSE(Exists("E:\\X.lnk"));
#endif
}

TEST_F(ShellLinkTest, SaveRemembersTheFileAndTheDirtyState) {
    SKIP_ON_WINE("Wine saves with no file name and clears the dirty state on a copy");
    IShellLinkA* link = NewLink();
    IPersistFile* file = nullptr;
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, (void**)&file), S_OK);
    EXPECT_EQ(file->IsDirty(), S_FALSE);
    EXPECT_EQ(file->Save(nullptr, TRUE), E_INVALIDARG);  // no file yet
    link->SetPath("C:\\A.EXE");
    EXPECT_EQ(file->IsDirty(), S_OK);
    EXPECT_EQ(file->Save(Wide("C:\\Copy.lnk").text, FALSE), S_OK);
    EXPECT_EQ(file->IsDirty(), S_OK);  // a copy: still unsaved
    EXPECT_EQ(file->Save(Wide("C:\\Main.lnk").text, TRUE), S_OK);
    EXPECT_EQ(file->IsDirty(), S_FALSE);
    LPOLESTR current = nullptr;
    ASSERT_EQ(file->GetCurFile(&current), S_OK);
    EXPECT_EQ(Utf16(current), u"C:\\Main.lnk");
    CoTaskMemFree(current);
    link->SetPath("C:\\B.EXE");
    EXPECT_EQ(file->Save(nullptr, FALSE), S_OK);  // to the remembered file
    file->Release();
    link->Release();
    EXPECT_EQ(LoadLink("C:\\Main.lnk").target, "C:\\B.EXE");
    EXPECT_EQ(LoadLink("C:\\Copy.lnk").target, "C:\\A.EXE");
}

TEST_F(ShellLinkTest, FieldsAreBoundedBothWays) {
    SKIP_ON_WINE("Wine cuts no text to the buffer and takes overlong paths and descriptions");
    IShellLinkA* link = NewLink();
    ASSERT_EQ(link->SetDescription("表計算ソフト"), S_OK);
    char small[6];
    memset(small, 'X', sizeof small);
    EXPECT_EQ(link->GetDescription(small, 5), S_OK);
    EXPECT_STREQ(small, "表計");  // 4 bytes: a double-byte character is never split
    EXPECT_EQ(small[5], 'X');
    EXPECT_EQ(link->GetDescription(small, 4), S_OK);
    EXPECT_STREQ(small, "表");

    std::string overlong(MAX_PATH, 'A');
    EXPECT_EQ(link->SetPath(overlong.c_str()), E_INVALIDARG);
    std::string longText(2000, 'a');
    EXPECT_EQ(link->SetDescription(longText.c_str()), E_INVALIDARG);
    EXPECT_EQ(link->GetDescription(small, sizeof small), S_OK);
    EXPECT_STREQ(small, "表計");  // unchanged by the refused call
    EXPECT_EQ(link->GetPath(small, sizeof small, nullptr, 0), S_FALSE);  // no path set
    EXPECT_STREQ(small, "");
    link->Release();
}

// A link as Windows NT writes it: Unicode strings and an item id list before
// the LinkInfo.
TEST_F(ShellLinkTest, LoadReadsUnicodeLinksWithAnItemIdList) {
    std::string bytes;
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes += (char)((v >> (8 * i)) & 0xFF);
    };
    auto put16 = [&](uint32_t v) {
        bytes += (char)(v & 0xFF);
        bytes += (char)(v >> 8);
    };
    auto putWide = [&](const std::u16string& text) {
        put16((uint32_t)text.size());
        for (char16_t c : text) put16(c);
    };
    put32(0x4C);
    bytes += std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
    put32(0x01 | 0x02 | 0x04 | 0x20 | 0x80);
    bytes += std::string(0x4C - bytes.size(), '\0');
    put16(6);                        // IDListSize
    bytes += std::string(6, '\x11');  // opaque items
    std::string base = "C:\\ﾃｽﾄ\\A.EXE";  // half-width kana: one byte each in ANSI
    put32(0x1C + 0x11 + (uint32_t)base.size() + 1 + 1);
    put32(0x1C);
    put32(1);
    put32(0x1C);
    put32(0x1C + 0x11);
    put32(0);
    put32(0x1C + 0x11 + (uint32_t)base.size() + 1);
    for (uint32_t field : {0x11u, 3u, 0x1234u, 0x10u}) put32(field);  // VolumeID, empty label
    bytes += '\0';
    bytes += base + '\0' + '\0';
    putWide(u"テスト");
    putWide(u"-x \"y\"");
    put32(0);
    WriteFile("C:\\T.lnk", bytes);

    Loaded loaded = LoadLink("C:\\T.lnk");
    EXPECT_EQ(loaded.result, S_OK);
    EXPECT_EQ(loaded.target, base);
    EXPECT_EQ(loaded.description, "テスト");
    EXPECT_EQ(loaded.arguments, "-x \"y\"");

    WriteFile("C:\\Cut.lnk", bytes.substr(0, bytes.size() - 12));
    EXPECT_TRUE(FAILED(LoadLink("C:\\Cut.lnk").result));
    WriteFile("C:\\Text.lnk", "not a link at all, but long enough to hold a header of 76 bytes ......");
    EXPECT_TRUE(FAILED(LoadLink("C:\\Text.lnk").result));
    EXPECT_EQ(LoadLink("C:\\None.lnk").result, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

TEST_F(ShellLinkTest, MultiByteToWideCharServesShortcutPaths) {
    std::string path = std::string(kPrograms) + "\\表計算\\表計算.lnk";
    WCHAR wide[MAX_PATH];
    int count = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    EXPECT_EQ(count, 41);  // 40 characters and the terminator
    EXPECT_EQ(Utf16(wide), u"C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ\\表計算\\表計算.lnk");
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0), count);

    // A path of 260 characters does not fit with its terminator: refused, and
    // nothing is written past the buffer.
    std::string overlong = "C:\\" + std::string(257, 'a');
    WCHAR bounded[MAX_PATH + 1];
    bounded[MAX_PATH] = u'#';
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, overlong.c_str(), -1, bounded, MAX_PATH), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(bounded[MAX_PATH], u'#');
}
