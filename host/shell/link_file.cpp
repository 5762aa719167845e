#include "shell/link_file.h"

#include "core/codepage.h"
#include "core/drive_files.h"
#include "shell/wide_text.h"

namespace host {

namespace {

// The link object's class, 00021401-0000-0000-C000-000000000046, as stored.
const unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

void Put16(std::string* out, uint32_t value) {
    *out += (char)(value & 0xFF);
    *out += (char)((value >> 8) & 0xFF);
}

void Put32(std::string* out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

void Put64(std::string* out, uint64_t value) {
    Put32(out, (uint32_t)value);
    Put32(out, (uint32_t)(value >> 32));
}

// Cuts a code page 932 text to at most `limit` bytes without splitting a
// double-byte character.
std::string CutText(const std::string& text, size_t limit) {
    if (text.size() <= limit) return text;
    size_t end = 0;
    while (end < text.size()) {
        size_t step = IsLeadByte932((unsigned char)text[end]) ? 2 : 1;
        if (end + step > limit) break;
        end += step;
    }
    return text.substr(0, end);
}

// A StringData entry: the count, then the characters, no terminator.
void PutString(std::string* out, const std::string& text) {
    std::string cut = CutText(text, kMaxLinkString);
    Put16(out, (uint32_t)cut.size());
    *out += cut;
}

std::string EncodeLinkInfo(const LinkFile& link) {
    std::string volume;
    Put32(&volume, 0x10 + (uint32_t)link.volumeLabel.size() + 1);  // VolumeIDSize
    Put32(&volume, kDriveFixed);
    Put32(&volume, link.driveSerial);
    Put32(&volume, 0x10);  // VolumeLabelOffset
    volume += link.volumeLabel;
    volume += '\0';

    uint32_t volumeOffset = kLinkInfoHeaderSize;
    uint32_t basePathOffset = volumeOffset + (uint32_t)volume.size();
    uint32_t suffixOffset = basePathOffset + (uint32_t)link.target.size() + 1;
    uint32_t size = suffixOffset + 1;

    std::string info;
    Put32(&info, size);
    Put32(&info, kLinkInfoHeaderSize);
    Put32(&info, kVolumeIDAndLocalBasePath);
    Put32(&info, volumeOffset);
    Put32(&info, basePathOffset);
    Put32(&info, 0);  // CommonNetworkRelativeLinkOffset: none
    Put32(&info, suffixOffset);
    info += volume;
    info += link.target;
    info += '\0';
    info += '\0';  // CommonPathSuffix: empty
    return info;
}

// Reads little-endian fields out of a byte string; every read is checked
// against the end, and a failed read leaves `ok` false.
class Reader {
  public:
    Reader(const std::string& bytes, size_t begin, size_t end)
        : bytes_(bytes), pos_(begin), end_(end < bytes.size() ? end : bytes.size()) {
        if (pos_ > end_) pos_ = end_, ok_ = false;
    }
    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }
    bool Skip(size_t count) {
        if (!ok_ || count > end_ - pos_) return ok_ = false;
        pos_ += count;
        return true;
    }
    uint32_t Get(int bytes) {
        if (!ok_ || (size_t)bytes > end_ - pos_) {
            ok_ = false;
            return 0;
        }
        uint32_t value = 0;
        for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | (unsigned char)bytes_[pos_ + i];
        pos_ += bytes;
        return value;
    }
    uint64_t Get64() {
        uint64_t low = Get(4);
        return low | ((uint64_t)Get(4) << 32);
    }
    std::string Bytes(size_t count) {
        if (!ok_ || count > end_ - pos_) {
            ok_ = false;
            return "";
        }
        std::string out = bytes_.substr(pos_, count);
        pos_ += count;
        return out;
    }
    // A NUL-terminated ANSI string that starts at an absolute offset.
    bool AnsiAt(size_t offset, std::string* out) const {
        if (offset >= end_) return false;
        size_t nul = bytes_.find('\0', offset);
        if (nul == std::string::npos || nul >= end_) return false;
        *out = bytes_.substr(offset, nul - offset);
        return true;
    }
    // A NUL-terminated UTF-16 string that starts at an absolute offset.
    bool WideAt(size_t offset, std::string* out) const {
        std::u16string wide;
        for (size_t at = offset; at + 1 < end_; at += 2) {
            char16_t unit = (char16_t)((unsigned char)bytes_[at] | ((unsigned char)bytes_[at + 1] << 8));
            if (!unit) return WideToAnsi(wide.data(), wide.size(), out);
            wide += unit;
        }
        return false;
    }

  private:
    const std::string& bytes_;
    size_t pos_;
    size_t end_;
    bool ok_ = true;
};

bool DecodeLinkInfo(const std::string& bytes, size_t start, size_t size, LinkFile* link, std::string* error) {
    Reader info(bytes, start, start + size);
    info.Get(4);  // LinkInfoSize
    uint32_t headerSize = info.Get(4);
    uint32_t flags = info.Get(4);
    uint32_t volumeOffset = info.Get(4);
    uint32_t basePathOffset = info.Get(4);
    info.Get(4);  // CommonNetworkRelativeLinkOffset
    uint32_t suffixOffset = info.Get(4);
    uint32_t basePathOffsetUnicode = 0, suffixOffsetUnicode = 0;
    if (headerSize >= 0x24) {
        basePathOffsetUnicode = info.Get(4);
        suffixOffsetUnicode = info.Get(4);
    }
    if (!info.ok() || headerSize < kLinkInfoHeaderSize) {
        *error = "LinkInfo header is cut short";
        return false;
    }
    if (!(flags & kVolumeIDAndLocalBasePath)) return true;  // a network target: no local path
    std::string base, suffix;
    bool found = basePathOffset ? info.AnsiAt(start + basePathOffset, &base)
                                : basePathOffsetUnicode && info.WideAt(start + basePathOffsetUnicode, &base);
    bool foundSuffix = suffixOffset ? info.AnsiAt(start + suffixOffset, &suffix)
                                    : !suffixOffsetUnicode || info.WideAt(start + suffixOffsetUnicode, &suffix);
    if (!found || !foundSuffix) {
        *error = "LinkInfo path is cut short";
        return false;
    }
    link->target = base + suffix;
    Reader volume(bytes, start + volumeOffset, start + size);
    volume.Get(4);  // VolumeIDSize
    volume.Get(4);  // DriveType
    link->driveSerial = volume.Get(4);
    uint32_t labelOffset = volume.Get(4);
    if (volume.ok() && labelOffset != 0x14) volume.AnsiAt(start + volumeOffset + labelOffset, &link->volumeLabel);
    return true;
}

}  // namespace

std::string EncodeLinkFile(const LinkFile& link) {
    uint32_t flags = 0;
    if (!link.target.empty()) flags |= kHasLinkInfo;
    if (!link.description.empty()) flags |= kHasName;
    if (!link.workingDir.empty()) flags |= kHasWorkingDir;
    if (!link.arguments.empty()) flags |= kHasArguments;
    if (!link.iconPath.empty()) flags |= kHasIconLocation;

    std::string out;
    Put32(&out, kLinkHeaderSize);
    out.append((const char*)kLinkClsid, sizeof kLinkClsid);
    Put32(&out, flags);
    Put32(&out, link.fileAttributes);
    Put64(&out, link.creationTime);
    Put64(&out, link.accessTime);
    Put64(&out, link.writeTime);
    Put32(&out, link.fileSize);
    Put32(&out, (uint32_t)link.iconIndex);
    Put32(&out, link.showCommand);
    Put16(&out, link.hotkey);
    Put16(&out, 0);  // Reserved1
    Put32(&out, 0);  // Reserved2
    Put32(&out, 0);  // Reserved3

    if (flags & kHasLinkInfo) out += EncodeLinkInfo(link);
    if (flags & kHasName) PutString(&out, link.description);
    if (flags & kHasWorkingDir) PutString(&out, link.workingDir);
    if (flags & kHasArguments) PutString(&out, link.arguments);
    if (flags & kHasIconLocation) PutString(&out, link.iconPath);
    Put32(&out, 0);  // terminal block
    return out;
}

bool DecodeLinkFile(const std::string& bytes, LinkFile* link, std::string* error) {
    *link = LinkFile();
    Reader in(bytes, 0, bytes.size());
    uint32_t headerSize = in.Get(4);
    std::string clsid = in.Bytes(16);
    if (!in.ok() || headerSize != kLinkHeaderSize || clsid != std::string((const char*)kLinkClsid, 16)) {
        *error = "not a shell link (header size or class differs)";
        return false;
    }
    uint32_t flags = link->linkFlags = in.Get(4);
    link->fileAttributes = in.Get(4);
    link->creationTime = in.Get64();
    link->accessTime = in.Get64();
    link->writeTime = in.Get64();
    link->fileSize = in.Get(4);
    link->iconIndex = (int32_t)in.Get(4);
    link->showCommand = in.Get(4);
    link->hotkey = (uint16_t)in.Get(2);
    in.Skip(10);  // reserved
    if (!in.ok()) {
        *error = "header is cut short";
        return false;
    }
    if (flags & kHasLinkTargetIDList) in.Skip(in.Get(2));
    if (flags & kHasLinkInfo) {
        size_t start = in.pos();
        uint32_t size = in.Get(4);
        if (!in.ok() || size < 4 || !in.Skip(size - 4)) {
            *error = "LinkInfo is cut short";
            return false;
        }
        if (!DecodeLinkInfo(bytes, start, size, link, error)) return false;
    }
    std::string* strings[] = {&link->description, &link->relativePath, &link->workingDir, &link->arguments,
                              &link->iconPath};
    const uint32_t stringFlags[] = {kHasName, kHasRelativePath, kHasWorkingDir, kHasArguments, kHasIconLocation};
    for (int i = 0; i < 5; ++i) {
        if (!(flags & stringFlags[i])) continue;
        uint32_t count = in.Get(2);
        if (flags & kIsUnicode) {
            std::string units = in.Bytes(count * 2);
            std::u16string wide;
            for (size_t k = 0; k + 1 < units.size(); k += 2)
                wide += (char16_t)((unsigned char)units[k] | ((unsigned char)units[k + 1] << 8));
            if (in.ok() && !WideToAnsi(wide.data(), wide.size(), strings[i])) *strings[i] = "?";
        } else {
            *strings[i] = in.Bytes(count);
        }
    }
    if (!in.ok()) {
        *error = "string data is cut short";
        return false;
    }
    return true;
}

bool ReadLinkFile(const std::string& hostPath, LinkFile* link, std::string* error) {
    std::string bytes;
    if (!ReadDriveFile(hostPath, &bytes)) {
        *error = "cannot read the file";
        return false;
    }
    return DecodeLinkFile(bytes, link, error);
}

}  // namespace host
