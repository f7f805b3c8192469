#pragma once
// Byte counts. A file's size is 64 bits; a sum of sizes is 128, so no total of any tree can wrap
// (it would take 2^64 files of 2^64 bytes each). Doubles appear only where geometry needs them.

namespace gauzel {

__extension__ typedef unsigned __int128 ByteCount;  // __extension__: a GNU type, kept from -Wpedantic

}  // namespace gauzel
