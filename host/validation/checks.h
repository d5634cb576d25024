// The validator's checks: what every panel script owes its host, tried on a
// library's factory without knowing the panel. Each check returns whether it
// held and a one-line account; protocol findings (command grammar, replies
// owed back, answers taken back, the shut-down notice) are gathered over all
// checks in validate_totals and judged at the end.
#ifndef HOST_VALIDATION_CHECKS_H
#define HOST_VALIDATION_CHECKS_H

#include "quon_export.h"
#include "validation/events.h"
#include "validation/host_double.h"
#include "validation/panel_values.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quon::host {

class failure_recorder;

struct check_result {
    bool ok = true;
    std::string detail;
};

// What the scripts did across every check; one per thread, merged at the end.
struct validate_totals {
    unsigned long commands = 0, malformed = 0, owedGiven = 0, owedBack = 0;
    unsigned long answers = 0, destroyed = 0;
    std::vector<std::string> malformedFirst, protocolFaults, answerFaults, resultFaults, shutdownFaults;
    // Controls the scripts put a property on, for the check that presses them.
    std::vector<std::pair<std::string, std::string>> controls;

    void add(const validate_host& host);
    void merge(const validate_totals& other);
};

// Adds a finding to a list, keeping the first few.
void note(std::vector<std::string>& list, const std::string& what);

struct validate_options {
    quon_load_script_fn factory = nullptr;
    std::uint64_t seed = 0;
    long events = 20000;
    // The devices file played (validate --devices): its commands are
    // accepted as the table's are, its timers tick while controls are pressed.
    const device_set* declared = nullptr;
    // validate --save-failures: keeps each script's life and saves its faults.
    failure_recorder* recorder = nullptr;
    // validate --hints, --scenario: what the random and controls checks draw from.
    const panel_values* values = nullptr;
};

// One script with its own host, driven as the host drives it.
class script_under_test {
public:
    script_under_test(const validate_options& o, validate_host::replies mode, validate_random* random,
                      validate_totals& totals);
    ~script_under_test() { destroy(); }
    script_under_test(const script_under_test&) = delete;
    script_under_test& operator=(const script_under_test&) = delete;

    bool created() const { return script_ != nullptr; }
    // Delivers the event. A kind 3 answer is handed back with kind 5 at once,
    // or kept to be handed back later (`keep`); any other kind must answer null.
    void deliver(validate_event& event, bool keep = false);
    // Hands back the kept answers, newest first.
    void hand_back_kept();
    // Hands back what is kept, then destroys the script (slot 0, flags 1).
    void destroy();
    validate_host& host() { return host_; }

private:
    // The faults of each kind so far, to name to the recorder the ones
    // that are new.
    struct fault_counts {
        std::size_t malformed = 0, protocol = 0, afterSignOff = 0, results = 0, answers = 0;
    };
    fault_counts counts() const;
    // Judges what the script answered `event` (given `arg`) with.
    void deliver_result(validate_event& event, void* arg, char* result, bool keep);
    // Tells the recorder of the faults made since the last look.
    void look_for_faults();

    validate_host host_;
    validate_totals& totals_;
    failure_recorder* recorder_;
    int life_ = 0;
    fault_counts seen_;
    std::size_t results_ = 0, answers_ = 0;
    std::string lastFinding_;
    quon_client_callback* script_;
    std::vector<char*> kept_;
};

check_result check_create(const validate_options& o, validate_totals& t);
check_result check_null_host(const validate_options& o, validate_totals& t);
check_result check_repeat(const validate_options& o, validate_totals& t);
check_result check_together(const validate_options& o, validate_totals& t);
check_result check_threads(const validate_options& o, validate_totals& t);
check_result check_kinds(const validate_options& o, validate_totals& t);
check_result check_null_records(const validate_options& o, validate_totals& t);
check_result check_random(const validate_options& o, validate_totals& t);
// Presses every control the panel has put a property on, with the events a
// page sends (validate/controls.cpp).
check_result check_controls(const validate_options& o, validate_totals& t);

} // namespace quon::host

#endif
