// failure_recorder: the worker's side of validate --save-failures. It keeps
// the life of each script as scenario steps (the events a scenario can say;
// the others counted and left out). A fault the run goes on from (a
// malformed command, a reply not handed back, ...) is saved at once as a
// case; the history of the script being called is also written, line by
// line, to a journal, so that the watching process can save a crash, a hang
// or an end of the process that no code of the worker outlives.
#ifndef HOST_VALIDATION_FAILURE_RECORDER_H
#define HOST_VALIDATION_FAILURE_RECORDER_H

#include "process/files.h"
#include "validation/events.h"
#include "validation/saved_case.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace quon::host {

// Where the recorder writes: the cases' folder, the journal (made by the
// watcher), the library and the devices file as validate was given them.
struct recorder_setup {
    std::string dir, journal, library, devicesFile;
};

class failure_recorder {
public:
    explicit failure_recorder(recorder_setup setup);
    ~failure_recorder();
    failure_recorder(const failure_recorder&) = delete;
    failure_recorder& operator=(const failure_recorder&) = delete;

    // A check begins: the journal starts again. A check whose scripts a
    // scenario cannot play (no host, several threads) records nothing.
    void begin_check(const std::string& check);
    // A script is created; its number for the calls below (0: not recorded).
    int new_life();
    // The script gets `event` now.
    void event(int life, const validate_event& e);
    // The script made a fault of `kind`: saved with its life so far, the
    // first of each kind (later checks find the same again).
    void fault(int life, const std::string& kind, const std::string& what);
    // A finding of the check that no case was saved for (a check whose
    // scripts a scenario cannot play): saved as far as it can be.
    void finding(const std::string& kind, const std::string& what);
    void end_life(int life);

private:
    struct life {
        std::vector<std::string> steps;
        std::size_t leftOut = 0;
        std::string firstLeftOut;
    };
    void journal(const std::string& line);
    bool save(const std::string& kind, const std::string& what, const life* history);

    recorder_setup setup_;
    native_file journal_ = noFile;
    std::size_t journalBytes_ = 0;
    std::string check_, unsaid_; // unsaid_: why the check's scripts cannot be played
    int lives_ = 0;
    std::map<int, life> alive_;
    std::set<std::string> saved_; // kinds saved
};

// The case the journal of a worker that ended in a fault leaves: the life of
// the script called last. `kind` "crash" or "hang".
saved_case case_from_journal(const std::string& journal, const std::string& kind, const std::string& devicesFile);
// The devices step of a case (the file by its full name), or empty.
std::string devices_step_for(const std::string& devicesFile);
// Why a check's scripts cannot be played by a scenario; empty when they can.
std::string unsayable_check(const std::string& check);
// Notes that a case's life leaves out `leftOut` events.
void note_left_out(saved_case& c, std::size_t leftOut, const std::string& first);

} // namespace quon::host

#endif
