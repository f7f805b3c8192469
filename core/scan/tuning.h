#pragma once
// The scan's tuning: when it judges that reads wait, how many reads it keeps in flight, and how
// far ahead of the walk they run.

#include <algorithm>
#include <cstddef>

#include "platform/file_system.h"

namespace gauzel {

// How many threads may read one filesystem side by side while its reads wait, when nobody set a
// number: a network share serves many requests at once; a local disk's queue takes fewer (more
// readers only make a cold disk seek); memory needs no more than the cores.
inline constexpr int kShareReaders = 64;
inline int LocalDiskReaders() { return std::min(16, 4 * Cores()); }
inline int ReadersThatFit(Medium medium) {
    switch (medium) {
        case Medium::kLocalDisk: return LocalDiskReaders();
        case Medium::kMemory: return 1;
        case Medium::kShare: break;
    }
    return kShareReaders;
}

// How far, in directories, the threads may read ahead of the walk: while reads come from memory,
// and while they wait (a share: each directory then takes a while, and many must be in flight).
// Each directory read ahead holds at most one descriptor, so this bounds the descriptors and the
// memory of the read-ahead.
inline constexpr std::size_t kReadAheadWindow = 64;
inline constexpr std::size_t kWaitingReadAheadWindow = 512;
// Idle readers are woken when the walk has moved on this many directories.
inline constexpr std::size_t kWakeAfterSteps = kReadAheadWindow / 4;

// A recorded rescan keeps at most this many files of a directory between its read and its visit
// (about 100 bytes each; its subdirectories all, as the walk keeps their names anyway); a
// directory of more files is listed again as it is written, so that a directory of a million
// files costs the export no more memory than a small one.
inline constexpr std::size_t kKeptEntries = 4096;

}  // namespace gauzel
