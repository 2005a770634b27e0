// The exception guard hands every exception to the system's filter, also after
// an exception during which the system's filter met the guard again (it calls
// the process's top-level filter itself) and then let the program go on.
#include "win32/host.h"

#include <gtest/gtest.h>

namespace {

int g_nTopFilterCalls = 0;
LONG g_nNestedDecision = 0;

// Stands in the top-level slot while the guard is called as the outer filter:
// the system's UnhandledExceptionFilter calls it, it meets the guard again,
// and it lets the program continue.
LONG WINAPI ReenteringTopFilter(EXCEPTION_POINTERS* pInfo)
{
    ++g_nTopFilterCalls;
    g_nNestedDecision = GuardExceptionFilter(pInfo);
    return EXCEPTION_CONTINUE_EXECUTION;
}

TEST(ExceptionGuard, EveryExceptionReachesTheSystemFilter)
{
    EXCEPTION_RECORD record = {};
    record.ExceptionCode = 0xE0564C54;  // a software exception of our own
    CONTEXT context = {};
    RtlCaptureContext(&context);
    EXCEPTION_POINTERS info = {&record, &context};
    LPTOP_LEVEL_EXCEPTION_FILTER pfnPrevious = SetUnhandledExceptionFilter(ReenteringTopFilter);
    for (int n = 1; n <= 3; ++n) {
        SCOPED_TRACE(n);
        g_nNestedDecision = 0;
        EXPECT_EQ(GuardExceptionFilter(&info), EXCEPTION_CONTINUE_EXECUTION);
        EXPECT_EQ(g_nTopFilterCalls, n);
        EXPECT_EQ(g_nNestedDecision, EXCEPTION_CONTINUE_SEARCH);  // the nested call falls through
    }
    SetUnhandledExceptionFilter(pfnPrevious);
}

}  // namespace
