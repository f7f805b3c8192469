#pragma once

#include <cstdint>
#include <string>

// Makes a deterministic test tree at `root` (which must not exist): `directories` directories
// and `files` files, with skewed sizes, dot-directories, symbolic links (some looping), hard
// links and sparse files. Returns the sum of the apparent sizes of every non-directory entry,
// each counted once per directory entry: what a rescan of `root` must report.
std::uint64_t MakeTree(const std::string& root, int directories, int files, std::uint32_t seed);

// Makes `root` holding `directories` subdirectories and nothing else, each with one file of a
// few hundred bytes. Returns the sum of their sizes.
std::uint64_t MakeWideTree(const std::string& root, int directories);
