// Files held open: by another program (a lock, kept in the machine so that
// every process sees it, as `winbox lock` sets it) or by this process's old
// style file handles. The file calls ask here before they open, overwrite or
// delete a file, and fail with ERROR_SHARING_VIOLATION when refused.
#pragma once

#include <string>

namespace host {

// Another program holds the file at a Windows path open without sharing.
// False when there is no such file (HoldFileOpen) or it is not held (ReleaseHeldFile).
bool HoldFileOpen(const std::string& windowsPath);
bool ReleaseHeldFile(const std::string& windowsPath);
bool IsFileHeldOpen(const std::string& windowsPath);
// Every held file is let go: the programs that held them have ended (a restart).
void ReleaseAllHeldFiles();

// What an open asks for, and what it lets others do (CreateFile's terms).
enum FileAccess { kAccessRead = 1, kAccessWrite = 2, kAccessDelete = 4 };
enum FileShare { kShareRead = 1, kShareWrite = 2, kShareDelete = 4 };

// True when the host file can be opened with this access and sharing, given
// what holds it open now.
bool MayOpen(const std::string& hostPath, int access, int share);
// Records an open of this process (see MayOpen) until ForgetOpen.
int NoteOpen(const std::string& hostPath, int access, int share);
void ForgetOpen(int id);

}  // namespace host
