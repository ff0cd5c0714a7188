// The libFuzzer entry of one target; FUZZ_BODY names its body in FuzzTargets.h.
#include "FuzzTargets.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzing::FUZZ_BODY(std::span<const std::uint8_t>(data, size));
    return 0;
}
