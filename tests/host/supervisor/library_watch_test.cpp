#include "supervisor/library_watch.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace quon::host;

namespace {

file_identity build(std::uint64_t size, std::int64_t written) { return {true, 1, 7, size, written}; }

// One poll of the watch: the file as it is then, whether the watch offers
// it, and when it does, whether it loads (and if not, what the watch says).
struct poll {
    int ms;
    file_identity file;
    bool offered;
    bool loads = true;
    library_watch::verdict verdict = library_watch::verdict::try_again;
};

void play(const char* what, const std::vector<poll>& polls) {
    file_identity file = build(50, 1); // the build serve started with
    library_watch watch([&file] { return file; });
    const auto start = library_watch::clock::now();
    for (const poll& p : polls) {
        file = p.file;
        const auto now = start + std::chrono::milliseconds(p.ms);
        ASSERT_EQ(watch.ready(now), p.offered) << what << " at " << p.ms << " ms";
        if (!p.offered) continue;
        watch.taken(file);
        if (!p.loads) {
            EXPECT_EQ(watch.failed(file, now), p.verdict) << what << " at " << p.ms << " ms";
        }
    }
}

using v = library_watch::verdict;

TEST(LibraryWatch, ALibraryStillBeingWrittenIsTriedAgainNotReported) {
    // The linker pauses past the settle time: the half-written file does
    // not load, is quietly let go, and the whole one is offered once written.
    play("a linker that pauses", {
                                     {0, build(100, 2), false},
                                     {200, build(100, 2), false},
                                     {400, build(100, 2), true, false, v::try_again},
                                     {500, build(200, 3), false},
                                     {900, build(200, 3), true, true},
                                     {2000, build(200, 3), false},
                                 });
    // The unchanged half-written file is offered again only after a pause.
    play("a half-written file that stays", {
                                               {0, build(100, 2), false},
                                               {400, build(100, 2), true, false, v::try_again},
                                               {600, build(100, 2), false},
                                               {1100, build(100, 2), true, true},
                                           });
}

TEST(LibraryWatch, ABuildThatNeverLoadsIsReportedOnceAfterItsTries) {
    play("a bad build, then a good one", {
                                             {0, build(100, 2), false},
                                             {400, build(100, 2), true, false, v::try_again},
                                             {1100, build(100, 2), true, false, v::try_again},
                                             {1500, build(100, 2), false},
                                             {1800, build(100, 2), true, false, v::not_ready},
                                             {3000, build(100, 2), false},
                                             {9000, build(100, 2), false},
                                             {9100, build(120, 4), false},
                                             {9400, build(120, 4), true, true},
                                         });
    // A file that changes between tries is a new build with tries of its own.
    play("each build its own tries", {
                                         {0, build(100, 2), false},
                                         {400, build(100, 2), true, false, v::try_again},
                                         {1100, build(100, 2), true, false, v::try_again},
                                         {1200, build(101, 3), false},
                                         {1500, build(101, 3), true, false, v::try_again},
                                         {2200, build(101, 3), true, false, v::try_again},
                                         {2900, build(101, 3), true, false, v::not_ready},
                                     });
}

TEST(LibraryWatch, TheBuildItStartedWithAndAGoneFileAreNotOffered) {
    play("unchanged, then gone", {
                                     {0, build(50, 1), false},
                                     {1000, build(50, 1), false},
                                     {1100, file_identity{}, false},
                                     {2000, file_identity{}, false},
                                 });
}

} // namespace
