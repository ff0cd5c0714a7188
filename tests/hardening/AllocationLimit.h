#pragma once

#include <cstddef>

namespace hardening {

// While an object of this class lives, operator new refuses every single request larger than
// the limit with std::bad_alloc and remembers the largest request it refused. A reader that
// checks its sizes before allocating never comes near the limit. Not thread-safe; the tests
// that use it run on one thread.
class CAllocationLimit {
public:
    explicit CAllocationLimit(std::size_t bytes);
    ~CAllocationLimit();
    CAllocationLimit(const CAllocationLimit&) = delete;
    CAllocationLimit& operator=(const CAllocationLimit&) = delete;

    // The largest request refused so far, 0 when none was.
    std::size_t LargestRefused() const;
};

}  // namespace hardening
