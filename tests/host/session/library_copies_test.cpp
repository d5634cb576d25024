// The copies a run's restarts load: each a library of its own, held while
// an abandoned panel of it lives, up to the bound.
#include "session/library_copies.h"

#include <gtest/gtest.h>

#include <set>

using namespace quon::host;

// A copy loaded is a library of its own (the loader would give the library
// loaded for the same path again); one is held for each abandoned panel, up
// to the bound: past it a restart that would hold one more is refused, and
// one whose panels were all destroyed still loads, its last copy let go.
TEST(LibraryCopies, EachIsALibraryOfItsOwnHeldForAbandonedPanelsUpToTheBound) {
    library_copies copies;
    std::string error;
    std::set<quon_load_script_fn> factories; // all loaded at once: each copy's own code
    for (std::size_t held = 0; held <= library_copies::maxHeld; ++held) {
        const quon_load_script_fn factory = copies.fresh(0, HOST_FAKE_PANEL, error);
        ASSERT_NE(factory, nullptr) << held << " held: " << error;
        factories.insert(factory);
        copies.abandoned(0);
    }
    EXPECT_EQ(factories.size(), library_copies::maxHeld + 1);
    EXPECT_EQ(copies.fresh(0, HOST_FAKE_PANEL, error), nullptr);
    EXPECT_NE(error.find("more than 100 copies"), std::string::npos) << error;
    for (int restart = 0; restart < 3; ++restart)
        EXPECT_NE(copies.fresh(1, HOST_FAKE_PANEL, error), nullptr) << restart << ": " << error;
    EXPECT_EQ(copies.fresh(1, "no_such_panel.so", error), nullptr);
    EXPECT_NE(error.find("no_such_panel.so"), std::string::npos) << error;
}
