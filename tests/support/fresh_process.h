// Runs a test body in a new process of this test program that runs only the
// current test, so the body sees the process-wide state (the initial live
// view, built display lists, first-frame flags) as a fresh start leaves it,
// whatever the tests before it in this process did. GoogleTest's threadsafe
// death-test style starts the program anew with a filter for the current
// test; the body's failures come back through the child's error output.
// Header only: it serves the native and the Windows tests.
#pragma once
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace vt {

template <class Body>
[[noreturn]] void RunAndExit(Body body)
{
    ::testing::TestPartResultArray results;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
        body();
    }
    int nFailed = 0;
    for (int i = 0; i < results.size(); ++i) {
        const ::testing::TestPartResult& result = results.GetTestPartResult(i);
        if (!result.failed())
            continue;
        ++nFailed;
        std::fprintf(stderr, "%s:%d: %s\n", result.file_name() ? result.file_name() : "?",
                     result.line_number(), result.message());
    }
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(nFailed == 0 ? 0 : 1);  // no teardown of the child's windows and context
}

}  // namespace vt

#define EXPECT_IN_FRESH_PROCESS(...)                                                       \
    do {                                                                                   \
        GTEST_FLAG_SET(death_test_style, "threadsafe");                                    \
        auto freshBody = __VA_ARGS__;                                                      \
        EXPECT_EXIT(vt::RunAndExit(freshBody), ::testing::ExitedWithCode(0), "");          \
    } while (0)
