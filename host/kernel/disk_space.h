// Free space of the machine's drives: the machine's own state, not the host's.
// Each drive starts with the space it was set up with (DriveInfo::freeMb);
// writes take whole clusters from it and deletions give them back. The
// balance lives in a state file, so every process of the machine sees it.
#pragma once

#include <string>

namespace host {

// Geometry every drive reports: a FAT16 drive of the period, 512 x 64.
constexpr unsigned long long kBytesPerSector = 512;
constexpr unsigned long long kSectorsPerCluster = 64;
constexpr unsigned long long kClusterBytes = kBytesPerSector * kSectorsPerCluster;

// Bytes a file of this size occupies: whole clusters.
unsigned long long ClusterBytes(unsigned long long fileSize);

// Free bytes of a drive (upper-case letter); false when it is not mapped.
bool DriveFreeBytes(char drive, unsigned long long* freeBytes);
// Takes bytes (a multiple of the cluster size) from a drive's free space,
// or gives them back when negative. False, and nothing taken, when they do
// not fit or the drive is not mapped.
bool ChargeDrive(char drive, long long bytes);
// Charges the change of a file from oldSize to newSize bytes.
bool ChargeFileSize(char drive, unsigned long long oldSize, unsigned long long newSize);

}  // namespace host
