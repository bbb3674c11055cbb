// One libFuzzer target; PELTO_FUZZ_ENTRY names the entry function it drives.
#include <cstdio>
#include <cstdlib>

#include "FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        pelto::fuzz::PELTO_FUZZ_ENTRY(data, size);
    } catch (const pelto::fuzz::FuzzFailure& failure) {
        std::fprintf(stderr, "check failed: %s\n", failure.what());
        std::abort();
    }
    return 0;
}
