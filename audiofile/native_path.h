#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace korvalest::plugins {

// Paths travel as wide strings; the file system boundary takes them here.
// Windows uses them as they are, Linux encodes them as UTF-8.
std::filesystem::path nativePath(const std::wstring& path);

// Creates a new file (never opens an existing one) for reading and writing,
// others may read but not write it, and wraps it in an unbuffered "w+b" stream.
// Returns null if the file cannot be created or wrapped.
std::FILE* createExclusiveFile(const std::wstring& path);

// Size of the file behind an open stream, or -1.
int64_t streamFileSize(std::FILE* file);

// Cuts the file behind an open stream to size bytes.
bool truncateStreamFile(std::FILE* file, uint64_t size);

// Hints that a large, not yet touched buffer should be backed by huge pages:
// first-touch page faults otherwise dominate loading a big clip.
void adviseLargeBuffer(void* data, size_t bytes);

} // namespace korvalest::plugins
