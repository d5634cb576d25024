// The copies a run's restarts load: each a library of its own, held while
// an abandoned panel of it lives, up to the bound.
#include "session/library_copies.h"
#include "session/panel_session.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

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
    quon_load_script_fn last = nullptr;
    for (int restart = 0; restart < 3; ++restart) {
        last = copies.fresh(1, HOST_FAKE_PANEL, error);
        EXPECT_NE(last, nullptr) << restart << ": " << error;
    }
    EXPECT_EQ(copies.fresh(1, "no_such_panel.so", error), nullptr);
    EXPECT_NE(error.find("no_such_panel.so"), std::string::npos) << error;
    // The copy loaded before a restart that failed is still loaded: a "start" creates its panel.
    std::ostringstream out;
    conversation_log log(out);
    device_model devices{device_set{}};
    page_model page;
    panel_session session(devices, page, log);
    EXPECT_TRUE(session.start(last, "fake"));
    session.stop();
}
