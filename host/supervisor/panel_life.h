// panel_life: the coming and going of one script's panel process, apart
// from what the panel does in it: a process started on the library (with
// --watch on a private copy, the build it copied noted), a rebuilt library
// tried in a candidate process of its own, the link that is current, and how
// the last process ended. panel_supervisor drives it and tells the pages.
#ifndef HOST_SUPERVISOR_PANEL_LIFE_H
#define HOST_SUPERVISOR_PANEL_LIFE_H

#include "scenario/run_setup.h"
#include "supervisor/script_pages.h"

#include <chrono>
#include "supervisor/library_watch.h"
#include "supervisor/panel_link.h"

#include <memory>
#include <string>

namespace quon::host {

// A rebuilt library tried in a candidate process: loaded, or not, and then
// either tried again while the watch lets it (a linker may still be writing
// it) or not ready.
enum class rebuilt_load { loaded, try_again, not_ready };

// What the process is started with: serve's command line for one script.
struct process_inputs {
    std::string program; // what runs the panel: this program, or one given for tests
    run_request request; // as serve's command line gives it, `library` this script's path
    serve_script script;
    std::string recordFile; // checked by the first process against the inputs
    bool watch = false;     // reload when the library file is replaced
};

class panel_life {
public:
    using steady = std::chrono::steady_clock;
    enum class start_result { loaded, not_started, lost };

    // `makeLink` makes the link to each new process; none: a process of the program.
    panel_life(process_inputs inputs, link_maker makeLink);

    // The current process; none while it is down.
    panel_link* link() const { return link_.get(); }
    // Starts a process and waits for it to load the library (`first`: with
    // the scenario and recording checks). `lost`: it ended meanwhile, and
    // lose() says how; `not_started`: `why` says why.
    start_result start(bool first, panel_link::listener& told, std::string& why);
    // The current process is gone: how it ended.
    const link_loss& lose();
    // The current process is let go (it was ended, or is to be).
    void drop() { link_.reset(); }
    // How the last process ended (reset when one starts).
    const link_loss& last_loss() const { return lastLoss_; }

    // --watch: a replaced library file has settled (as of `now`).
    bool rebuilt(steady::time_point now = steady::now()) const;
    // Loads the rebuilt library in a candidate process; when it does not
    // load, why, and whether the watch offers the same file again.
    rebuilt_load try_rebuilt(bool first, panel_link::listener& told, std::string& why);
    // The candidate becomes the current process.
    void take_rebuilt();

private:
    bool launch(const std::string& library, bool first, panel_link::listener& told, std::string& why);

    const process_inputs inputs_;
    link_maker makeLink_;
    std::unique_ptr<panel_link> link_;
    std::unique_ptr<panel_link> candidate_; // a rebuilt library's, loaded
    std::unique_ptr<library_watch> watch_;  // --watch
    std::unique_ptr<private_copy> copy_;    // the library the current process loaded, with --watch
    std::unique_ptr<private_copy> candidateCopy_;
    link_loss lastLoss_;
};

} // namespace quon::host

#endif
