// A file mapped for reading whose pages past a new end of the file (another
// program cut it short) read as zeros instead of ending the program with
// SIGBUS.
#pragma once

#include <cstddef>

namespace pelto {

// The size of the pieces a guarded mapping is handled in (and aligned to):
// one huge page.
inline constexpr size_t kGuardedChunk = size_t(2) << 20;

// length bytes (rounded up to whole pages) of fresh private memory at a
// kGuardedChunk boundary, readable and writable; null when there is none.
// Huge pages can back it, and chunks of it can be moved over a guarded
// mapping with mremap.
char* MapChunkAligned(size_t length);

// Maps length bytes of fd from its start, read-only and private, at a
// kGuardedChunk boundary, and guards them.  Null when it cannot (the caller
// then reads the file instead).
char* MapGuarded(int fd, size_t length);

// The guarded range starting at begin now ends length bytes after it.
void ShrinkGuarded(char* begin, size_t length);

// The range starting at begin is no longer guarded (it is about to be
// unmapped, or holds memory of its own).
void Unguard(char* begin);

}  // namespace pelto
