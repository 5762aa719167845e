#include "kernel/disk_space.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <map>
#include <optional>

#include "core/machine.h"
#include "kernel/state_file.h"

namespace host {

namespace {

const char kBalanceFile[] = "disk-space";

// A drive's balance, and the setup it was counted from: a drive set up again
// (another size or folder) starts over from its new size.
struct Balance {
    unsigned long long setupMb = 0;    // DriveInfo::freeMb when counting began
    unsigned long long freeBytes = 0;  // what is free now
    std::string hostDir;               // DriveInfo::hostDir when counting began
};

using Balances = std::map<char, Balance>;

// A whole decimal number without a sign that fits.
bool ReadNumber(const std::string& text, unsigned long long* number) {
    if (text.empty()) return false;
    unsigned long long n = 0;
    for (char c : text) {
        unsigned digit = (unsigned)(c - '0');
        if (c < '0' || c > '9' || n > (ULLONG_MAX - digit) / 10) return false;
        n = n * 10 + digit;
    }
    *number = n;
    return true;
}

// One drive's line: "C 512000 536870912000 /host/dir" (the folder may hold blanks).
bool ReadBalance(const std::string& line, Balances* balances) {
    if (line.size() < 2 || line[0] < 'A' || line[0] > 'Z' || line[1] != ' ') return false;
    size_t second = line.find(' ', 2);
    size_t third = second == std::string::npos ? second : line.find(' ', second + 1);
    if (third == std::string::npos) return false;
    Balance balance;
    if (!ReadNumber(line.substr(2, second - 2), &balance.setupMb) ||
        !ReadNumber(line.substr(second + 1, third - second - 1), &balance.freeBytes))
        return false;
    balance.hostDir = line.substr(third + 1);
    (*balances)[line[0]] = balance;
    return true;
}

// The file: one line a drive, each ending in a line feed. False, with the
// line (counted from 1) and what is wrong, for anything else.
bool Parse(const std::string& text, Balances* balances, size_t* line, std::string* what) {
    balances->clear();
    for (size_t start = 0, number = 1; start < text.size(); ++number) {
        size_t end = text.find('\n', start);
        *line = number;
        if (end == std::string::npos) {
            *what = "the file ends inside it";
            return false;
        }
        if (!ReadBalance(text.substr(start, end - start), balances)) {
            *what = "not a drive's balance";
            return false;
        }
        start = end + 1;
    }
    return true;
}

std::string Format(const Balances& balances) {
    std::string out;
    for (const auto& entry : balances) {
        out += entry.first;
        out += ' ' + std::to_string(entry.second.setupMb) + ' ' + std::to_string(entry.second.freeBytes) + ' ';
        out += entry.second.hostDir;
        out += '\n';
    }
    return out;
}

// The drive's balance, started from its setup when there is none yet.
Balance* BalanceOf(Balances& balances, char drive) {
    auto info = Config().drives.find(drive);
    if (info == Config().drives.end()) return nullptr;
    Balance& balance = balances[drive];
    if (balance.setupMb != info->second.freeMb || balance.hostDir != info->second.hostDir) {
        const unsigned long long maxMb = ULLONG_MAX / (1024ULL * 1024ULL);
        balance.setupMb = info->second.freeMb;
        balance.hostDir = info->second.hostDir;
        balance.freeBytes = (balance.setupMb < maxMb ? balance.setupMb : maxMb) * 1024ULL * 1024ULL;
    }
    return &balance;
}

// The balance file, kept open and mapped between calls (every copy charges
// its drive). Through the shared mapping a charge reads and writes the
// file's pages without a read or write call, which would each also stamp
// the file's times.
constexpr size_t kMapBytes = 4096;  // the part of the file that is mapped
struct BalanceFile {
    std::string path;
    int fd = -1;
    pid_t owner = 0;         // a child process opens its own, so that its locks are its own
    char* map = nullptr;     // the file's first kMapBytes, shared with every process; null when not mapped
    std::string text;        // the file's text as last read or written here
    Balances balances;       // that text parsed
};
BalanceFile gFile;

void CloseBalanceFile() {
    if (gFile.map) munmap(gFile.map, kMapBytes);
    gFile.map = nullptr;
    if (gFile.fd >= 0) close(gFile.fd);
    gFile.fd = -1;
}

int BalanceFd() {
    std::string path = StatePath(kBalanceFile);
    if (gFile.fd >= 0 && (gFile.path != path || gFile.owner != getpid()))
        CloseBalanceFile();  // another machine, or a child process's copies of the parent's
    if (gFile.fd < 0) {
        // The machine's own file: a link in its place is never written through.
        gFile.fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        gFile.path = path;
        gFile.owner = getpid();
    }
    return gFile.fd;
}

// Opens and locks the balance file (shared for a reader); false when it
// cannot be opened. *st is the locked file's status.
bool LockBalanceFile(bool writer, std::optional<StateLock>* lock, struct stat* st) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        int fd = BalanceFd();
        if (fd < 0) return false;
        lock->emplace(fd, writer ? StateLock::kExclusive : StateLock::kShared);
        if (fstat(fd, st) == 0 && st->st_nlink > 0) return true;
        lock->reset();
        CloseBalanceFile();  // the file was removed with its machine: open the new one
    }
    return false;
}

// The mapping of the locked file, when its text fits in it; null otherwise.
char* MappedText(const struct stat& st) {
    if (st.st_size <= 0 || (size_t)st.st_size > kMapBytes) return nullptr;
    if (!gFile.map) {
        void* map = mmap(nullptr, kMapBytes, PROT_READ | PROT_WRITE, MAP_SHARED, gFile.fd, 0);
        if (map == MAP_FAILED) return nullptr;
        gFile.map = static_cast<char*>(map);
    }
    return gFile.map;
}

// Replaces the locked file's text, whose size was `oldSize`.
bool WriteText(int fd, char* map, const std::string& out, size_t oldSize) {
    if (map && !out.empty() && out.size() <= kMapBytes) {
        // Bytes past the end of a file are not kept: the size is set first.
        if (out.size() != oldSize && ftruncate(fd, (off_t)out.size()) != 0) return false;
        memcpy(map, out.data(), out.size());
        return true;
    }
    return pwrite(fd, out.data(), out.size(), 0) == (ssize_t)out.size() &&
           (out.size() >= oldSize || ftruncate(fd, (off_t)out.size()) == 0);
}

// Runs `change` over the balances with the state file locked (shared for a
// reader), and writes them back when it reports a change. A file that cannot
// be read whole is recorded as damaged, and fails every call.
template <class Change>
bool WithBalances(bool writer, Change change) {
    std::optional<StateLock> lock;
    struct stat st;
    if (!LockBalanceFile(writer, &lock, &st)) {
        Balances none;  // no state to keep: count from the setup alone
        return change(none);
    }
    int fd = gFile.fd;
    char* map = MappedText(st);
    std::string text;
    if (map) text.assign(map, (size_t)st.st_size);
    else if (int error = ReadFromStart(fd, &text)) {
        NoteDamagedStateFile(gFile.path, 0, strerror(error));
        return false;
    }
    // Mostly the text this process wrote last: it needs no parsing again.
    if (text != gFile.text) {
        size_t line;
        std::string what;
        if (!Parse(text, &gFile.balances, &line, &what)) {
            NoteDamagedStateFile(gFile.path, line, what);
            gFile.text.clear();
            gFile.balances.clear();
            return false;
        }
        gFile.text = text;
    }
    Balances balances = gFile.balances;
    bool ok = change(balances);
    if (ok && writer) {
        std::string out = Format(balances);
        ok = WriteText(fd, map, out, text.size());
        if (ok) {
            gFile.text = std::move(out);
            gFile.balances = std::move(balances);
        }
    }
    return ok;
}

}  // namespace

unsigned long long ClusterBytes(unsigned long long fileSize) {
    return (fileSize + kClusterBytes - 1) / kClusterBytes * kClusterBytes;
}

bool DriveFreeBytes(char drive, unsigned long long* freeBytes) {
    return WithBalances(false, [&](Balances& balances) {
        Balance* balance = BalanceOf(balances, drive);
        if (balance) *freeBytes = balance->freeBytes;
        return balance != nullptr;
    });
}

bool ChargeDrive(char drive, long long bytes) {
    if (bytes == 0) return Config().drives.count(drive) != 0;
    return WithBalances(true, [&](Balances& balances) {
        Balance* balance = BalanceOf(balances, drive);
        if (!balance) return false;
        if (bytes > 0) {
            if (balance->freeBytes < (unsigned long long)bytes) return false;
            balance->freeBytes -= (unsigned long long)bytes;
        } else {
            unsigned long long back = 0ULL - (unsigned long long)bytes;
            balance->freeBytes = ULLONG_MAX - balance->freeBytes < back ? ULLONG_MAX : balance->freeBytes + back;
        }
        return true;
    });
}

bool ChargeFileSize(char drive, unsigned long long oldSize, unsigned long long newSize) {
    unsigned long long before = ClusterBytes(oldSize), after = ClusterBytes(newSize);
    return ChargeDrive(drive, after >= before ? (long long)(after - before) : -(long long)(before - after));
}

}  // namespace host
