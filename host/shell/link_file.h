// The Shell Link binary file format (.lnk), as the host's link object writes
// it and winbox reads it: the header, a LinkInfo that holds the target's local
// path, the string data in the ANSI code page, and the terminal block.
#pragma once

#include <cstdint>
#include <string>

namespace host {

// Sizes and flags of the format.
constexpr uint32_t kLinkHeaderSize = 0x4C;
constexpr uint32_t kLinkInfoHeaderSize = 0x1C;
constexpr uint32_t kHasLinkTargetIDList = 0x01;
constexpr uint32_t kHasLinkInfo = 0x02;
constexpr uint32_t kHasName = 0x04;
constexpr uint32_t kHasRelativePath = 0x08;
constexpr uint32_t kHasWorkingDir = 0x10;
constexpr uint32_t kHasArguments = 0x20;
constexpr uint32_t kHasIconLocation = 0x40;
constexpr uint32_t kIsUnicode = 0x80;
constexpr uint32_t kVolumeIDAndLocalBasePath = 0x01;
constexpr uint32_t kDriveFixed = 3;

// What a link holds. Texts are code page 932.
struct LinkFile {
    std::string target;         // full Windows path of the target
    std::string description;    // NAME_STRING
    std::string relativePath;   // RELATIVE_PATH (read only; the host writes none)
    std::string workingDir;     // WORKING_DIR
    std::string arguments;      // COMMAND_LINE_ARGUMENTS
    std::string iconPath;       // ICON_LOCATION
    int32_t iconIndex = 0;      // index of the icon in iconPath
    uint32_t showCommand = 1;   // SW_SHOWNORMAL
    uint16_t hotkey = 0;        // low byte virtual key, high byte modifiers
    // The target as it was when the link was saved.
    uint32_t fileAttributes = 0;  // FILE_ATTRIBUTE_ bits, 0 when it did not exist
    uint64_t creationTime = 0;    // FILETIME values, 100 ns since 1601
    uint64_t accessTime = 0;
    uint64_t writeTime = 0;
    uint32_t fileSize = 0;        // low 32 bits of the size
    uint32_t driveSerial = 0;     // serial number of the target's volume
    std::string volumeLabel;      // label of the target's volume
    // Read back only: the header's flags.
    uint32_t linkFlags = 0;
};

// Longest text a string of the string data can carry: its count is 16 bits.
constexpr size_t kMaxLinkString = 0xFFFF;

// The bytes of a .lnk file. Strings longer than kMaxLinkString are cut.
std::string EncodeLinkFile(const LinkFile& link);
// Parses a .lnk file, also one in Unicode or with an item id list (which is
// skipped). The target is the LinkInfo's local path; empty when it has none.
bool DecodeLinkFile(const std::string& bytes, LinkFile* link, std::string* error);
// Reads and parses the .lnk file at a host path.
bool ReadLinkFile(const std::string& hostPath, LinkFile* link, std::string* error);

}  // namespace host
