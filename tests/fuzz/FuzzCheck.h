#pragma once

#include <cstdio>
#include <cstdlib>

namespace fuzzing {

// Reports a property that the input broke and aborts, which a fuzzer records as a crash.
[[noreturn]] inline void Fail(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: fuzz property broken: %s\n", file, line, condition);
    std::abort();
}

}  // namespace fuzzing

// Checks a property in every build type; assert() would vanish from a release build.
#define FUZZ_CHECK(condition) ((condition) ? static_cast<void>(0) : ::fuzzing::Fail(#condition, __FILE__, __LINE__))
