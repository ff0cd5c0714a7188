// Work spread over threads: each call made once whatever the number of threads, and a call's
// exception brought back to the caller rather than ending the process.

#include "WorkThreads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace {

TEST(WorkThreads, EveryCallOnceAndFailuresBroughtBack)
{
    for (unsigned threads : {0U, 1U, 3U, 64U}) {
        SCOPED_TRACE(threads);
        std::vector<int> calls(100, 0);
        std::vector<unsigned> by(calls.size(), 0);
        ForEachOnThreads(threads, calls.size(), [&](std::size_t k, unsigned t) {
            ++calls[k];
            by[k] = t;
        });
        for (std::size_t k = 0; k < calls.size(); ++k) {
            EXPECT_EQ(calls[k], 1) << k;
            EXPECT_LT(by[k], threads == 0 ? 1024U : threads);
        }
        int none = 0;
        ForEachOnThreads(threads, 0, [&](std::size_t, unsigned) { ++none; });
        EXPECT_EQ(none, 0);

        std::atomic<int> made{0};
        EXPECT_THROW(ForEachOnThreads(threads, 50,
                                      [&](std::size_t k, unsigned) {
                                          if (k == 7)
                                              throw std::runtime_error("call 7 failed");
                                          ++made;
                                      }),
                     std::runtime_error);
        EXPECT_LE(made.load(), 49);
    }
}

}  // namespace
