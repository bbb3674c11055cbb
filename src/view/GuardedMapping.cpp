#include "view/GuardedMapping.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>

namespace pelto {

namespace {

// The guarded ranges, read by the signal handler without a lock: an entry
// is taken by setting its begin, and its end is set after.
struct Range {
    std::atomic<uintptr_t> begin{0};
    std::atomic<uintptr_t> end{0};
};
constexpr int kRanges = 64;
Range ranges[kRanges];

struct sigaction previousAction {};
const uintptr_t pageSize = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));

void OnBusError(int signal, siginfo_t* info, void* context)
{
    const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
    for (Range& range : ranges) {
        const uintptr_t begin = range.begin.load(std::memory_order_acquire);
        const uintptr_t end = range.end.load(std::memory_order_acquire);
        if (begin == 0 || address < begin || address >= end)
            continue;
        // The file ends before this page now: the rest of the chunk becomes
        // zeros, and the read that faulted is tried again.
        const uintptr_t from = address & ~(pageSize - 1);
        const uintptr_t to = std::min<uintptr_t>(end, (address | (kGuardedChunk - 1)) + 1);
        if (::mmap(reinterpret_cast<void*>(from), to - from, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1,
                   0)
            != MAP_FAILED)
            return;
        break;
    }
    // Not ours: as before this handler.
    if ((previousAction.sa_flags & SA_SIGINFO) != 0 && previousAction.sa_sigaction) {
        previousAction.sa_sigaction(signal, info, context);
    } else if (previousAction.sa_handler != SIG_DFL && previousAction.sa_handler != SIG_IGN) {
        previousAction.sa_handler(signal);
    } else {
        // The fault comes again when this returns, and ends the program.
        ::signal(SIGBUS, SIG_DFL);
    }
}

void InstallHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previousAction);
    });
}

Range* Find(char* begin)
{
    for (Range& range : ranges) {
        if (range.begin.load(std::memory_order_acquire) == reinterpret_cast<uintptr_t>(begin))
            return &range;
    }
    return nullptr;
}

}  // namespace

char* MapChunkAligned(size_t length)
{
    const size_t size = (length + pageSize - 1) & ~(pageSize - 1);
    const size_t reserve = size + kGuardedChunk;
    void* room = ::mmap(nullptr, reserve, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (room == MAP_FAILED)
        return nullptr;
    // Keep the aligned part; the slack on either side goes back.
    const auto roomBegin = reinterpret_cast<uintptr_t>(room);
    const uintptr_t aligned = (roomBegin + kGuardedChunk - 1) & ~(uintptr_t(kGuardedChunk) - 1);
    if (aligned > roomBegin)
        ::munmap(room, aligned - roomBegin);
    const uintptr_t roomEnd = roomBegin + reserve;
    if (roomEnd > aligned + size)
        ::munmap(reinterpret_cast<void*>(aligned + size), roomEnd - (aligned + size));
    return reinterpret_cast<char*>(aligned);
}

char* MapGuarded(int fd, size_t length)
{
    if (length == 0)
        return nullptr;
    InstallHandler();
    Range* slot = nullptr;
    for (Range& range : ranges) {
        uintptr_t expected = 0;
        // A placeholder begin takes the entry until the address is known.
        if (range.begin.compare_exchange_strong(expected, 1, std::memory_order_acq_rel)) {
            slot = &range;
            break;
        }
    }
    if (!slot)
        return nullptr;
    // Mapped over chunk-aligned room: chunks can then be replaced by huge
    // pages one by one.
    char* room = MapChunkAligned(length);
    void* mapped = room ? ::mmap(room, length, PROT_READ, MAP_PRIVATE | MAP_FIXED, fd, 0) : MAP_FAILED;
    if (mapped == MAP_FAILED) {
        if (room)
            ::munmap(room, length);
        slot->begin.store(0, std::memory_order_release);
        return nullptr;
    }
    const auto aligned = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t mappedEnd = aligned + ((length + pageSize - 1) & ~(pageSize - 1));
    slot->end.store(0, std::memory_order_release);
    slot->begin.store(aligned, std::memory_order_release);
    slot->end.store(mappedEnd, std::memory_order_release);
    return static_cast<char*>(mapped);
}

void ShrinkGuarded(char* begin, size_t length)
{
    if (Range* range = Find(begin)) {
        const uintptr_t end = reinterpret_cast<uintptr_t>(begin) + length;
        if (end < range->end.load(std::memory_order_acquire))
            range->end.store(end, std::memory_order_release);
    }
}

void Unguard(char* begin)
{
    if (Range* range = Find(begin)) {
        range->end.store(0, std::memory_order_release);
        range->begin.store(0, std::memory_order_release);
    }
}

}  // namespace pelto
