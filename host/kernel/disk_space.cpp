#include "kernel/disk_space.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <map>
#include <sstream>

#include "core/machine.h"

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

// One line a drive: "C 512000 536870912000 /host/dir".
Balances Parse(const std::string& text) {
    Balances balances;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        char drive = 0;
        Balance balance;
        if (!(fields >> drive >> balance.setupMb >> balance.freeBytes)) continue;
        fields.get();
        std::getline(fields, balance.hostDir);
        balances[drive] = balance;
    }
    return balances;
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
bool LockBalanceFile(bool writer, struct stat* st) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        int fd = BalanceFd();
        if (fd < 0) return false;
        flock(fd, writer ? LOCK_EX : LOCK_SH);
        if (fstat(fd, st) == 0 && st->st_nlink > 0) return true;
        flock(fd, LOCK_UN);
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

std::string ReadText(int fd) {
    std::string text;
    char chunk[4096];
    ssize_t got;
    while ((got = pread(fd, chunk, sizeof chunk, (off_t)text.size())) > 0) {
        text.append(chunk, (size_t)got);
        if ((size_t)got < sizeof chunk) break;
    }
    return text;
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
// reader), and writes them back when it reports a change.
template <class Change>
bool WithBalances(bool writer, Change change) {
    struct stat st;
    if (!LockBalanceFile(writer, &st)) {
        Balances none;  // no state to keep: count from the setup alone
        return change(none);
    }
    int fd = gFile.fd;
    char* map = MappedText(st);
    std::string text = map ? std::string(map, (size_t)st.st_size) : ReadText(fd);
    // Mostly the text this process wrote last: it needs no parsing again.
    if (text != gFile.text) {
        gFile.balances = Parse(text);
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
    flock(fd, LOCK_UN);
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
