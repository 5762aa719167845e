// Profile (INI) files: the input is a file in the Windows directory, read
// through every reading call with buffers large and small, then changed
// through WritePrivateProfileStringA. A value just written reads back, and
// the sections listed are the ones the file holds.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_machine.h"
#include "profile/profile_text.h"
#include "windows_host.h"

namespace {

const char kFile[] = "FUZZ.INI";
const DWORD kBufferSizes[] = {1, 2, 3, 16, 65536};

// The strings of a list as the reading calls return it (each ends in a null).
std::vector<std::string> SplitList(const char* list, DWORD length) {
    std::vector<std::string> items;
    for (DWORD at = 0; at < length;) {
        std::string item(list + at);
        at += (DWORD)item.size() + 1;
        items.push_back(item);
    }
    return items;
}

// One buffer for every read, with a mark after the size a call is given.
char gBuffer[65536 + 1];
const char kMark = '\xEE';

std::string ReadString(const char* section, const char* key, DWORD size) {
    gBuffer[size] = kMark;
    DWORD length = GetPrivateProfileStringA(section, key, "default", gBuffer, size, kFile);
    fuzz::Check(length < size && gBuffer[size] == kMark, "a read stays inside its buffer");
    return std::string(gBuffer, length);
}

// The section names of the text, as the file parser finds them.
std::vector<std::string> ParsedSections(const std::string& text) {
    std::vector<std::string> names;
    for (const host::ProfileLine& line : host::ParseProfileLines(text)) {
        fuzz::Check(line.start <= line.contentEnd && line.contentEnd <= line.end && line.end <= text.size(),
                    "a line lies inside the text");
        if (line.kind == host::ProfileLineKind::kSection && line.name.size)
            names.emplace_back(host::SpanText(text, line.name));
    }
    return names;
}

void ReadEverything(const std::vector<std::string>& sections) {
    for (DWORD size : kBufferSizes) ReadString(nullptr, nullptr, size);
    for (const std::string& section : sections) {
        for (DWORD size : kBufferSizes) {
            ReadString(section.c_str(), nullptr, size);
            gBuffer[size] = kMark;
            DWORD length = GetPrivateProfileSectionA(section.c_str(), gBuffer, size, kFile);
            fuzz::Check(length < size && gBuffer[size] == kMark, "a section read stays inside its buffer");
        }
        std::string keys = ReadString(section.c_str(), nullptr, 65536);
        for (const std::string& key : SplitList(keys.c_str(), (DWORD)keys.size())) {
            for (DWORD size : kBufferSizes) ReadString(section.c_str(), key.c_str(), size);
            GetPrivateProfileIntA(section.c_str(), key.c_str(), 7, kFile);
        }
    }
}

// A name a caller can pass and find again: no null inside, no blank at
// either end (the file's names have none), no lead byte without its trail.
bool IsWholeName(const std::string& name) {
    if (name.find('\0') != std::string::npos) return false;
    const char* blanks = " \t\v";
    if (!name.empty() && (strchr(blanks, name.front()) || strchr(blanks, name.back()))) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (IsDBCSLeadByte((BYTE)name[i]) && ++i == name.size()) return false;
    return true;
}

// Sets a key (the section's first, or a new one) and reads it back.
void WriteAndReadBack(const std::string& section) {
    if (!IsWholeName(section)) return;
    std::string keys = ReadString(section.c_str(), nullptr, 65536);
    std::vector<std::string> names = SplitList(keys.c_str(), (DWORD)keys.size());
    std::string key = names.empty() || !IsWholeName(names[0]) ? "FuzzKey" : names[0];
    if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), "written=1", kFile)) return;
    fuzz::Check(ReadString(section.c_str(), key.c_str(), 65536) == "written=1", "a value written reads back");
    if (!WritePrivateProfileStringA(section.c_str(), "NewKey", "new", kFile)) return;
    fuzz::Check(ReadString(section.c_str(), "NewKey", 65536) == "new", "a key added reads back");
    WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, kFile);
    WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, kFile);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::UseMachine();
    static const std::string hostPath = fuzz::HostPath("C:\\WINDOWS\\FUZZ.INI");
    std::string text((const char*)data, size);
    fuzz::WriteHostFile(hostPath, text);

    std::vector<std::string> sections = ParsedSections(text);
    std::string expected;  // each name followed by a null, as the list is returned
    for (const std::string& name : sections) expected.append(name).push_back('\0');
    std::string listed = ReadString(nullptr, nullptr, 65536);
    if (expected.size() < 65535) fuzz::Check(listed == expected, "the sections listed are the file's");
    ReadEverything(sections);
    WriteAndReadBack(sections.empty() ? std::string("FuzzSection") : sections[0]);
    return 0;
}
