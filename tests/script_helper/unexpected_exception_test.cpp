// The end of a panel whose runtime meets an exception nothing catches. A panel
// DLL's runtime has quon_unexpected_exception as its terminate handler; here
// the test installs it, as the host's runtime is left alone natively.
#include "quon_debug.h"

#include <gtest/gtest.h>

#include <exception>
#include <new>

#ifndef _WIN32
namespace {
[[gnu::noinline]] void failingAllocation() { throw std::bad_alloc(); }
void scriptFrame() noexcept { failingAllocation(); }
} // namespace
#endif

TEST(UnexpectedException, WritesOneLineAndEndsTheProcess) {
#ifdef _WIN32
    GTEST_SKIP() << "the debugger line goes to OutputDebugStringA: msabi_host_unexpected_exception checks the DLL";
#else
    EXPECT_EXIT(
        {
            std::set_terminate(quon_unexpected_exception);
            scriptFrame();
        },
        ::testing::ExitedWithCode(quon_unexpected_exception_status),
        "^quon_script_helper: unexpected exception from the runtime, the process ends\n$");
#endif
}
