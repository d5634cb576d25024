#include "validation/save_failures.h"

#include "base/exit_status.h"
#include "base/input_file.h"
#include "base/output_file.h"
#include "base/private_file.h"
#include "process/this_process.h"
#include "scenario/format.h"
#include "validation/failure_recorder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace quon::host {

namespace {

const char journalVariable[] = "QUON_VALIDATE_JOURNAL";
// A hang costs a candidate this long, or validate's own --timeout when shorter.
constexpr int candidateTimeout = 10;

void set_journal_variable(const std::string& value) { set_environment_variable(journalVariable, value); }

std::set<std::string> cases_in(const std::string& dir) {
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error))
        if (entry.path().extension() == ".scn" && entry.is_regular_file(error)) names.insert(entry.path().string());
    return names;
}

// Validate's own --timeout when shorter than a candidate's.
int candidate_timeout(const validate_request& request) {
    return request.timeout > 0 && request.timeout < candidateTimeout ? static_cast<int>(request.timeout)
                                                                     : candidateTimeout;
}

} // namespace

std::string worker_journal() {
    const char* value = std::getenv(journalVariable);
    return value ? value : "";
}

bool failure_saving::prepare(const validate_request& request, std::string& error) {
    request_ = request;
    watcher_ = own_process_id();
    request_.library = full_path(request.library);
    request_.saveDir = full_path(request.saveDir);
    if (!make_directories(request_.saveDir, error)) return false;
    before_ = cases_in(request_.saveDir);
    journal_ = (std::filesystem::path(request_.saveDir) / (".journal-" + std::to_string(own_process_id()))).string();
    const native_file f = create_private_file(journal_, error);
    if (f == noFile) return false;
    close_file(f);
    set_journal_variable(journal_);
    return true;
}

failure_saving::~failure_saving() {
    if (journal_.empty() || own_process_id() != watcher_) return;
    std::remove(journal_.c_str());
    set_journal_variable("");
}

bool failure_saving::save_from_journal(int status) {
    std::string text, error;
    if (read_input_file(journal_, "journal", 8 * maxScenarioBytes, text, error) != load_result::ok) {
        std::fprintf(stderr, "panel_host: --save-failures: %s\n", error.c_str());
        return false;
    }
    saved_case c = case_from_journal(text, status == exitPanelHung ? hangCase : crashCase, request_.devicesFile);
    c.fault = status == exitPanelHung ? "the panel did not return in time" : "the panel crashed or ended the process";
    if (status == exitPanelHung) c.timeout = candidate_timeout(request_);
    const std::string file = reserve_case_file(request_.saveDir, c, error);
    if (file.empty()) std::fprintf(stderr, "panel_host: --save-failures: %s\n", error.c_str());
    return !file.empty() && write_saved_case(c, request_.library, file);
}

int failure_saving::finish(int status) {
    if (own_process_id() != watcher_) return status; // the worker, forked, returns here too
    bool written = true;
    if (status == exitPanelCrashed || status == exitPanelHung) written = save_from_journal(status);
    std::remove(journal_.c_str());
    std::vector<std::string> made;
    for (const std::string& file : cases_in(request_.saveDir))
        if (!before_.count(file)) made.push_back(file);
    for (const std::string& file : made) {
        std::string replay; // the case's header gives it
        const cut_outcome cut = cut_saved_case(request_.library, file, candidate_timeout(request_), replay);
        written = cut != cut_outcome::not_written && written;
    }
    if (!made.empty())
        std::printf("%zu fault%s saved as scenarios in %s\n", made.size(), made.size() == 1 ? "" : "s",
                    request_.saveDir.c_str());
    for (const std::string& file : made) std::printf("  %s\n", file.c_str());
    std::fflush(stdout);
    return written ? status : exitEmulatorFault;
}

} // namespace quon::host
