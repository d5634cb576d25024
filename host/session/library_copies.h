// library_copies: the fresh copies of the scripts' libraries that a run's
// "restart" steps load. serve restarts a script in a new process, where its
// library's globals start new; in the one process of a run only a library
// loaded from a path of its own has globals of its own. A copy stays loaded
// while a panel of it may live: an abandoned panel is never destroyed, so its
// copy is held to the run's end (at most maxHeld of them); the copy whose
// panels were all destroyed goes at the script's next restart, as a
// process's end takes its library.
#ifndef HOST_SESSION_LIBRARY_COPIES_H
#define HOST_SESSION_LIBRARY_COPIES_H

#include "quon_export.h"
#include "session/panel_library.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace quon::host {

class library_copies {
public:
    // Copies held for abandoned panels: each is a loaded library and a file,
    // so a scenario of endless crashes and restarts stops here.
    static constexpr std::size_t maxHeld = 100;

    // A panel of script `script`'s library loaded last was abandoned: that copy stays loaded.
    void abandoned(std::size_t script);
    // Loads a fresh copy of `path` for script `script`: its factory (the
    // copy loaded before is held or let go, as above), or null with why,
    // nothing changed: the copy loaded before stays, its factory good.
    quon_load_script_fn fresh(std::size_t script, const std::string& path, std::string& error);

private:
    struct script_copy {
        std::unique_ptr<panel_library> library; // null: the run's own, loaded once
        bool holdsAbandoned = false;
    };
    script_copy& of(std::size_t script);

    std::vector<script_copy> scripts_;
    std::vector<std::unique_ptr<panel_library>> held_;
};

} // namespace quon::host

#endif
