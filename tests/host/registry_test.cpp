// The registry of the host machine: keys, values, handles, NT deletion, the
// machine's file shared between processes, and REGEDIT4 import and export.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstring>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform.h"
#ifndef _WIN32
#include "registry/registry_text.h"
#endif
#include "support/machine_fixture.h"

namespace {

const LONG kBadPathname = 161;  // ERROR_BAD_PATHNAME

const char kTestKey[] = "Software\\Test";

std::string Bytes(const char* text, size_t size) { return std::string(text, size); }
// A string with its terminating zero, as REG_SZ stores it.
std::string Sz(const char* text) { return std::string(text, strlen(text) + 1); }

#ifndef _WIN32
// Runs `work` in a child process of the same machine; true when it returned true.
bool InOtherProcess(const std::function<bool()>& work) {
    pid_t child = fork();
    if (child == 0) _exit(work() ? 0 : 1);
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}
#endif

}  // namespace

class RegistryTest : public MachineTest {
  protected:
    HKEY Create(const char* subKey, HKEY parent = HKEY_CURRENT_USER, REGSAM access = KEY_ALL_ACCESS) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(parent, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS)
            << subKey;
        return key;
    }
    LONG Open(const char* subKey, HKEY* key, REGSAM access = KEY_ALL_ACCESS) {
        return RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, access, key);
    }
    void Set(HKEY key, const char* name, DWORD type, const std::string& data) {
        EXPECT_EQ(RegSetValueExA(key, name, 0, type, (const BYTE*)data.data(), (DWORD)data.size()),
                  ERROR_SUCCESS)
            << name;
    }
    void SetString(HKEY key, const char* name, const char* text) { Set(key, name, REG_SZ, Sz(text)); }
    // The exact bytes of a value, and its type.
    std::string Query(HKEY key, const char* name, DWORD* type = nullptr) {
        BYTE buffer[512];
        DWORD size = sizeof buffer, kind = 0;
        LONG error = RegQueryValueExA(key, name, nullptr, &kind, buffer, &size);
        EXPECT_EQ(error, ERROR_SUCCESS) << (name ? name : "(default)");
        if (type) *type = kind;
        return error == ERROR_SUCCESS ? std::string((const char*)buffer, size) : std::string();
    }
    std::vector<std::string> SubkeyNames(HKEY key) {
        std::vector<std::string> names;
        char name[256];
        LONG error;
        for (DWORD i = 0; (error = RegEnumKeyA(key, i, name, sizeof name)) == ERROR_SUCCESS; ++i)
            names.push_back(name);
        EXPECT_EQ(error, ERROR_NO_MORE_ITEMS);
        return names;
    }
#ifndef _WIN32
    std::string Export(const std::string& path) {
        std::string text;
        EXPECT_TRUE(host::ExportRegistryKey(path, &text)) << path;
        return text;
    }
    void Import(const std::string& text) {
        std::string error;
        EXPECT_TRUE(host::ImportRegistryText(text, &error)) << error;
    }
#endif
};

// The host layer's own fresh machine.
#ifndef _WIN32
TEST_F(RegistryTest, MachineStartsWithTheUsersShellFolders) {
    HKEY key;
    ASSERT_EQ(Open("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", &key, KEY_READ),
              ERROR_SUCCESS);
    EXPECT_EQ(Query(key, "Programs"), Sz("C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ"));
    RegCloseKey(key);
}
#endif

TEST_F(RegistryTest, ValuesKeepTheirTypeAndExactBytes) {
    DWORD disposition = 0;
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\A\\B\\C", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, (DWORD)REG_CREATED_NEW_KEY);
    struct Case {
        const char* name;
        DWORD type;
        std::string data;
    } cases[] = {
        {"Text", REG_SZ, Sz("abc")},
        {"Unterminated", REG_SZ, Bytes("abc", 3)},  // stored as given, without its zero
        {"Path", REG_EXPAND_SZ, Sz("%WINDIR%\\x")},
        {"List", REG_MULTI_SZ, Bytes("a\0bc\0\0", 6)},
        {"Number", REG_DWORD, Bytes("\x78\x56\x34\x12", 4)},
        {"Blob", REG_BINARY, Bytes("\0\x01\xff\0", 4)},
        {"Empty", REG_BINARY, ""},
        {"", REG_SZ, Sz("default")},
    };
    for (const Case& c : cases) Set(key, c.name, c.type, c.data);
    RegCloseKey(key);

    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\A\\B\\C", 0, KEY_READ, &key), ERROR_SUCCESS);
    for (const Case& c : cases) {
        DWORD type;
        // Wine gives a string stored without its zero back with one.
        if (RunningOnWine() && c.data == Bytes("abc", 3)) continue;
        EXPECT_EQ(Query(key, c.name, &type), c.data) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
    }
    EXPECT_EQ(Query(key, nullptr), Sz("default"));  // NULL and "" both name the default
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);

    // The intermediate keys were made; a second create opens.
    HKEY middle;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\A\\B", 0, KEY_READ, &middle), ERROR_SUCCESS);
    RegCloseKey(middle);
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\A\\B\\C\\", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, (DWORD)REG_OPENED_EXISTING_KEY);
    RegCloseKey(key);
}

TEST_F(RegistryTest, SubkeyPathsAndHandles) {
    HKEY test = Create(kTestKey);
    SetString(test, "V", "1");
    struct Case {
        HKEY parent;
        const char* subKey;
        LONG open;
    } cases[] = {
        {HKEY_CURRENT_USER, "SOFTWARE\\TEST", ERROR_SUCCESS},    // ASCII case does not matter
        {HKEY_CURRENT_USER, "Software\\Test\\", ERROR_SUCCESS},  // a trailing backslash is allowed
        {test, nullptr, ERROR_SUCCESS},                          // the same key again
        {test, "", ERROR_SUCCESS},
        {HKEY_CURRENT_USER, "\\Software\\Test", kBadPathname},
        {HKEY_CURRENT_USER, "Software\\\\Test", kBadPathname},
        {HKEY_CURRENT_USER, "Software\\Test\\None", ERROR_FILE_NOT_FOUND},
        {HKEY_LOCAL_MACHINE, kTestKey, ERROR_FILE_NOT_FOUND},  // the roots are separate trees
        {(HKEY)(ULONG_PTR)0x4321, "", ERROR_INVALID_HANDLE},
    };
    for (const Case& c : cases) {
        HKEY key = nullptr;
        // Wine takes a doubled backslash as one.
        if (RunningOnWine() && c.subKey && strstr(c.subKey, "\\\\")) continue;
        EXPECT_EQ(RegOpenKeyExA(c.parent, c.subKey, 0, KEY_READ, &key), c.open) << (c.subKey ? c.subKey : "NULL");
        if (key) {
            EXPECT_EQ(Query(key, "v"), Sz("1"));
            EXPECT_NE(key, test);  // a new handle
            EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        }
    }
    EXPECT_EQ(RegCloseKey(test), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(test), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);

    SKIP_ON_WINE("Wine makes keys with names longer than 255 characters");
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, std::string(256, 'k').c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    key = Create(std::string(255, 'k').c_str());
    RegCloseKey(key);
}

TEST_F(RegistryTest, CaseIsIgnoredForAsciiLettersOnly) {
    HKEY key = Create("Software\\Test\\MixedCase");
    SetString(key, "Name", "first");
    SetString(key, "NAME", "second");  // the same value
    RegCloseKey(key);
    // A trail byte is never a letter or a separator: 0x83 0x61 is not
    // 0x83 0x41, and 0x95 0x5C is one character.
    RegCloseKey(Create("Software\\Test\\\x83\x61"));
    RegCloseKey(Create("Software\\Test\\表"));
    RegCloseKey(Create("Software\\Test\\micro"));

    ASSERT_EQ(Open("software\\test\\mixedcase", &key), ERROR_SUCCESS);
    EXPECT_EQ(Query(key, "name"), Sz("second"));
    char name[16];
    DWORD nameSize = sizeof name;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Name");  // the first spelling stays
    EXPECT_EQ(RegEnumValueA(key, 1, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);
    EXPECT_EQ(Open("Software\\Test\\\x83\x41", &key), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(Open("SOFTWARE\\TEST", &key), ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(key), (std::vector<std::string>{"micro", "MixedCase", "\x83\x61", "表"}));
    RegCloseKey(key);
}

TEST_F(RegistryTest, SmallBuffersGetMoreDataAndTheSizeNeeded) {
    HKEY key = Create(kTestKey);
    SetString(key, "LongName", "0123456789");
    RegCloseKey(Create("Software\\Test\\Subkey"));

    char buffer[8] = "xxxxxxx";
    DWORD size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExA(key, "LongName", nullptr, nullptr, (LPBYTE)buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 11u);
    EXPECT_STREQ(buffer, "xxxxxxx");  // nothing written past what fits
    size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "LongName", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 11u);

    EXPECT_EQ(RegEnumKeyA(key, 0, buffer, 6), ERROR_MORE_DATA);  // "Subkey" needs 7
    EXPECT_EQ(RegEnumKeyA(key, 0, buffer, 7), ERROR_SUCCESS);
    EXPECT_STREQ(buffer, "Subkey");

    DWORD nameSize = 8;  // "LongName" needs 9
    EXPECT_EQ(RegEnumValueA(key, 0, buffer, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    char name[16], data[4];
    DWORD dataSize = sizeof data;
    nameSize = sizeof name;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, (LPBYTE)data, &dataSize), ERROR_MORE_DATA);
    EXPECT_EQ(dataSize, 11u);
    RegCloseKey(key);
}

TEST_F(RegistryTest, EnumerationListsSubkeysSortedAndValuesInCreationOrder) {
    HKEY key = Create(kTestKey);
    for (const char* name : {"b", "C", "a"}) RegCloseKey(Create(name, key));
    SetString(key, "z", "1");
    Set(key, "y", REG_DWORD, Bytes("\x02\0\0\0", 4));
    SetString(key, "x", "3");
    EXPECT_EQ(SubkeyNames(key), (std::vector<std::string>{"a", "b", "C"}));
    // Windows documents no order of values; it keeps the order of creation.
    SKIP_ON_WINE("Wine lists values sorted by name");

    std::vector<std::string> seen;
    char name[8];
    BYTE data[8];
    DWORD nameSize, dataSize, type;
    for (DWORD i = 0;; ++i) {
        nameSize = sizeof name;
        dataSize = sizeof data;
        LONG error = RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize);
        if (error == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(error, ERROR_SUCCESS);
        EXPECT_EQ(nameSize, 1u);
        seen.push_back(std::string(name) + ":" + std::to_string(type) + ":" + std::to_string(dataSize));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"z:1:2", "y:4:4", "x:1:2"}));
    RegCloseKey(key);
}

TEST_F(RegistryTest, DeletingFollowsNtRules) {
    HKEY test = Create(kTestKey);
    RegCloseKey(Create("Parent\\Child", test));
    EXPECT_EQ(RegDeleteKeyA(test, "Parent"), ERROR_ACCESS_DENIED);  // it has a subkey
    EXPECT_EQ(RegDeleteKeyA(test, "PARENT\\child"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(test, "Parent\\Child"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(test, "Parent"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);  // a root

    SetString(test, "V", "1");
    EXPECT_EQ(RegDeleteValueA(test, "v"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(test, "v"), ERROR_FILE_NOT_FOUND);

#ifndef _WIN32  // the host layer's own test machine
    // An undeletable key stays, and so does everything above it.
    RegCloseKey(Create("Held\\Inner", test));
    ASSERT_TRUE(host::SetKeyUndeletable("HKEY_CURRENT_USER\\Software\\Test\\Held\\Inner", true));
    // Kept with the machine: it holds after another process rewrote the file.
    EXPECT_TRUE(InOtherProcess([test] { return RegSetValueExA(test, "W", 0, REG_SZ, (const BYTE*)"", 1) == 0; }));
    EXPECT_EQ(RegDeleteKeyA(test, "Held\\Inner"), ERROR_ACCESS_DENIED);
    Import("REGEDIT4\n\n[-HKEY_CURRENT_USER\\Software\\Test\\Held]\n");
    HKEY key;
    EXPECT_EQ(Open("Software\\Test\\Held\\Inner", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_TRUE(host::SetKeyUndeletable("HKCU\\Software\\Test\\Held\\Inner", false));
    EXPECT_EQ(RegDeleteKeyA(test, "Held\\Inner"), ERROR_SUCCESS);
    EXPECT_FALSE(host::SetKeyUndeletable("HKEY_CURRENT_USER\\Software\\Test\\None", true));
#endif
    RegCloseKey(test);
}

TEST_F(RegistryTest, HandleOfADeletedKeyStaysDeleted) {
    HKEY doomed = Create("Software\\Test\\Doomed");
    HKEY child;
    EXPECT_EQ(RegDeleteKeyA(doomed, "Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Test\\Doomed"), ERROR_SUCCESS);
    RegCloseKey(Create("Software\\Test\\Doomed"));  // a new key of the same name
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(doomed, "V", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegSetValueExA(doomed, "V", 0, REG_SZ, (const BYTE*)"", 1), ERROR_KEY_DELETED);
    EXPECT_EQ(RegOpenKeyExA(doomed, "", 0, KEY_READ, &child), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(doomed), ERROR_SUCCESS);
}

TEST_F(RegistryTest, AccessRightsOfTheHandleAreChecked) {
    RegCloseKey(Create(kTestKey));
    HKEY reader, writer;
    ASSERT_EQ(Open(kTestKey, &reader, KEY_READ), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(reader, "V", 0, REG_SZ, (const BYTE*)"x", 2), ERROR_ACCESS_DENIED);
    ASSERT_EQ(Open(kTestKey, &writer, KEY_WRITE), ERROR_SUCCESS);
    SetString(writer, "V", "x");
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(writer, "V", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(reader, "V"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Query(reader, "V"), Sz("x"));
    RegCloseKey(reader);
    RegCloseKey(writer);
}

// The host layer's own: processes of one machine, REGEDIT4 import and export.
#ifndef _WIN32
TEST_F(RegistryTest, OtherProcessesShareTheMachinesRegistry) {
    HKEY key = Create(kTestKey);
    SetString(key, "Before", "parent");
    // Two processes write at once: the lock and the reread keep every value.
    const int kEach = 40;
    auto writeValues = [key](const char* prefix) {
        bool ok = true;
        for (int i = 0; i < kEach; ++i) {
            std::string name = prefix + std::to_string(i);
            ok = ok && RegSetValueExA(key, name.c_str(), 0, REG_DWORD, (const BYTE*)&i, 4) == ERROR_SUCCESS;
        }
        return ok;
    };
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(writeValues("child") ? 0 : 1);
    EXPECT_TRUE(writeValues("parent"));
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    DWORD count = 0;
    char name[16];
    DWORD nameSize = sizeof name;
    while (RegEnumValueA(key, count, name, &nameSize, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        ++count;
        nameSize = sizeof name;
    }
    EXPECT_EQ(count, 1u + 2 * kEach);
    EXPECT_EQ(Query(key, "child39"), Bytes("\x27\0\0\0", 4));
    RegCloseKey(key);

    // The machine keeps it as REGEDIT4 text.
    std::ifstream in(host::StatePath("registry.reg"), std::ios::binary);
    std::stringstream file;
    file << in.rdbuf();
    EXPECT_EQ(file.str().compare(0, 10, "REGEDIT4\n\n"), 0);
    EXPECT_NE(file.str().find("[HKEY_CURRENT_USER\\Software\\Test]\n\"Before\"=\"parent\"\n"), std::string::npos);
}

TEST_F(RegistryTest, ExportAndImportRoundTripWithEscapesAndJapanese) {
    HKEY key = Create("Software\\表示");
    SetString(key, "名前", "C:\\Program Files\\ソフト \"x\"");
    SetString(key, "", "既定");
    Set(key, "Count", REG_DWORD, Bytes("\x0a\0\0\x80", 4));
    Set(key, "Raw", REG_SZ, Bytes("no zero", 7));
    Set(key, "List", REG_MULTI_SZ, Bytes("a\0b\0\0", 5));
    Set(key, "Expand", REG_EXPAND_SZ, Bytes("%A%\0", 4));
    Set(key, "Odd", 0x20, Bytes("\x01", 1));
    std::string blob;
    for (int i = 0; i < 30; ++i) blob += (char)(i * 9);
    Set(key, "Blob", REG_BINARY, blob);
    RegCloseKey(Create("Software\\表示\\Sub"));
    RegCloseKey(key);

    std::string text = Export("hkey_current_user\\software\\表示");
    EXPECT_EQ(text,
              "REGEDIT4\n\n"
              "[HKEY_CURRENT_USER\\Software\\表示]\n"
              R"("名前"="C:\\Program Files\\ソフト \"x\"")" "\n"
              "@=\"既定\"\n"
              "\"Count\"=dword:8000000a\n"
              "\"Raw\"=hex(1):6e,6f,20,7a,65,72,6f\n"
              "\"List\"=hex(7):61,00,62,00,00\n"
              "\"Expand\"=hex(2):25,41,25,00\n"
              "\"Odd\"=hex(20):01\n"
              "\"Blob\"=hex:00,09,12,1b,24,2d,36,3f,48,51,5a,63,6c,75,7e,87,90,99,a2,ab,b4,bd,\\\n"
              "  c6,cf,d8,e1,ea,f3,fc,05\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\表示\\Sub]\n"
              "\n");

    Import("REGEDIT4\n\n[-HKEY_CURRENT_USER\\Software\\表示]\n");
    EXPECT_EQ(Open("Software\\表示", &key), ERROR_FILE_NOT_FOUND);
    Import(text);
    EXPECT_EQ(Export("HKEY_CURRENT_USER\\Software\\表示"), text);
    ASSERT_EQ(Open("Software\\表示", &key), ERROR_SUCCESS);
    EXPECT_EQ(Query(key, "名前"), Sz("C:\\Program Files\\ソフト \"x\""));
    EXPECT_EQ(Query(key, "Blob"), blob);
    RegCloseKey(key);
}

// Windows keeps keys at most 512 levels below their root; deeper ones are
// never made, by a call or by an import.
TEST_F(RegistryTest, KeysDeeperThanWindowsKeepsAreRefused) {
    auto path = [](const char* name, size_t levels) {
        std::string text = name;
        for (size_t level = 1; level < levels; ++level) text += std::string("\\") + name;
        return text;
    };
    HKEY deepest = Create(path("k", 512).c_str());
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(deepest, "more", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    RegCloseKey(deepest);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path("n", 513).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Open("n", &key), ERROR_FILE_NOT_FOUND);

    struct Case {
        size_t levels;
        bool imported;
    } cases[] = {{512, true}, {513, false}, {30000, false}};
    for (const Case& c : cases) {
        std::string error;
        EXPECT_EQ(host::ImportRegistryText("REGEDIT4\n\n[HKEY_CURRENT_USER\\" + path("i", c.levels) + "]\n", &error),
                  c.imported)
            << c.levels;
        EXPECT_EQ(error, c.imported ? "" : "line 3: a key more than 512 levels deep") << c.levels;
        EXPECT_EQ(Open(path("i", c.levels).c_str(), &key), c.imported ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND)
            << c.levels;
        if (c.imported) RegCloseKey(key);
    }
    EXPECT_NE(Export("HKEY_CURRENT_USER").find("[HKEY_CURRENT_USER\\" + path("i", 512) + "]\n"), std::string::npos);
}

TEST_F(RegistryTest, ImportReadsRegeditText) {
    RegCloseKey(Create("Software\\Old\\Deep"));
    HKEY key = Create(kTestKey);
    SetString(key, "Gone", "x");
    RegCloseKey(key);
    Import("REGEDIT4\r\n"
           "\r\n"
           "; a comment\r\n"
           "[-HKEY_CURRENT_USER\\Software\\Old]\r\n"
           "\"Ignored\"=\"x\"\r\n"
           "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
           "\"Gone\"=-\r\n"
           "\"Path\"=\"C:\\WINDOWS\"\r\n"
           "\"Bin\" = hex:01,02,\\\r\n"
           "    03,\\\r\n"
           "  04\r\n"
           "[HKEY_CLASSES_ROOT\\.txt]\r\n"
           "@=\"txtfile\"\r\n");
    EXPECT_EQ(Open("Software\\Old", &key), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(Open(kTestKey, &key), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Gone", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Query(key, "Path"), Sz("C:\\WINDOWS"));  // a lone backslash is kept
    EXPECT_EQ(Query(key, "Bin"), Bytes("\x01\x02\x03\x04", 4));
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, ".TXT", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(Query(key, ""), Sz("txtfile"));
    RegCloseKey(key);

    std::string all = Export("");
    EXPECT_NE(all.find("\n[HKEY_LOCAL_MACHINE]\n"), std::string::npos);
    EXPECT_NE(all.find("\n[HKEY_CLASSES_ROOT\\.txt]\n@=\"txtfile\"\n"), std::string::npos);
    std::string text;
    EXPECT_FALSE(host::ExportRegistryKey("HKEY_CURRENT_USER\\None", &text));
    EXPECT_FALSE(host::ExportRegistryKey("HKEY_USERS", &text));

    std::string error;
    EXPECT_FALSE(host::ImportRegistryText("[HKEY_CURRENT_USER\\X]\n", &error));
    EXPECT_FALSE(host::ImportRegistryText("REGEDIT4\n[HKEY_USERS\\X]\n[HKEY_CURRENT_USER\\Y]\n", &error));
    EXPECT_EQ(error.compare(0, 7, "line 2:"), 0) << error;
    EXPECT_EQ(Open("Y", &key), ERROR_SUCCESS);  // the good lines still count
    RegCloseKey(key);
}
#endif
