#include "session/step_guard.h"

#include "process/crash_handlers.h"
#include "process/this_process.h"
#include "session/debug_capture.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>

namespace quon::host {

namespace {

step_guard_record localRecord{"(before the first step)", 0, 0, 0};
step_guard_record* volatile record = &localRecord;
// Never destroyed: the watchdog still waits on them while the process exits,
// and destroying a condition variable with a waiter blocks.
std::mutex& lock = *new std::mutex;
std::condition_variable& changed = *new std::condition_variable;
unsigned long long generation = 0; // counts every change below
bool inStep = false;
int timeout = 0;
int emulatorDepth = 0; // open step_guard_emulator_time scopes
// The watchdog waits with no deadline (no step, or the emulator's time):
// only then must a change wake it. Otherwise it waits for the step's
// deadline, which a change only moves later, and looks again when it comes.
bool watchdogIdle = false;
unsigned long long wakes = 0; // times the watchdog was woken
bool watchdogOnDeadline = false;
using steady = std::chrono::steady_clock;
steady::duration budget{};  // the panel's time left in this step, as of `resumed`
steady::time_point resumed; // when the panel's clock last started

// Only async-signal-safe calls here: the process is going down. The
// panel's debugger texts of the step that were not shown yet come first.
void say(const char* a, const char* b) {
    debug_capture::write_untaken(write_standard_error);
    const char* parts[] = {"panel_host: ", a, " during ", b, "\n"};
    for (const char* p : parts) write_standard_error(p, std::strlen(p));
}

std::atomic<guard_reporter> reporter{nullptr};

// The fault as a value to whoever listens, then in words on standard error.
void tell(guard_fault fault, unsigned long code, const char* words) {
    if (const guard_reporter r = reporter.load()) r(fault, code, record->step);
    say(words, record->step);
}

// One report and one end: a second crash on another thread, or the watchdog
// firing meanwhile, waits for the first to end the process rather than run
// over the state it is ending with.
std::atomic_flag ending = ATOMIC_FLAG_INIT;

void claim_the_end() {
    if (!ending.test_and_set()) return;
    wait_forever();
}

// Ends the process at once, without exit handlers or library detach code,
// which would run over whatever state a crash or a hung panel left.
[[noreturn]] void end_now(int status) {
    step_guard_ending(status);
    end_process_now(status);
}

void on_crash(crash_kind kind, unsigned long code) {
    claim_the_end();
    char words[64];
    tell(kind == crash_kind::signal ? guard_fault::signal : guard_fault::exception, code,
         crash_words(kind, code, words, sizeof words));
    end_now(exitPanelCrashed);
}

// Under `lock`: wakes the watchdog if it waits with no deadline.
void wake_if_idle() {
    if (!watchdogIdle) return;
    ++wakes;
    changed.notify_all();
}

void watch() {
    std::unique_lock<std::mutex> guard(lock);
    for (;;) {
        watchdogIdle = true;
        changed.wait(guard, [] { return inStep && emulatorDepth == 0; });
        watchdogIdle = false;
        const unsigned long long mine = generation;
        watchdogOnDeadline = true;
        const bool moved = changed.wait_until(guard, resumed + budget, [mine] { return generation != mine; });
        watchdogOnDeadline = false;
        if (moved) continue;
        claim_the_end();
        const std::string what = guard_fault_words(guard_fault::hung, static_cast<unsigned long>(timeout));
        std::fflush(stdout);
        tell(guard_fault::hung, static_cast<unsigned long>(timeout), what.c_str());
        end_now(exitPanelHung);
    }
}

unsigned long memoryLimit = 0; // megabytes

const char* memory_words(unsigned long megabytes, char* words, std::size_t room) {
    std::snprintf(words, room, "the panel used more memory than it is allowed (%lu MB)", megabytes);
    return words;
}

// Nothing here allocates: there is no memory to be had.
void on_out_of_memory() {
    bool panels;
    {
        std::lock_guard<std::mutex> guard(lock);
        panels = inStep && emulatorDepth == 0;
    }
    if (!panels) throw std::bad_alloc();
    claim_the_end();
    char words[80];
    memory_words(memoryLimit, words, sizeof words);
    std::fflush(stdout);
    tell(guard_fault::memory, memoryLimit, words);
    end_now(exitPanelCrashed);
}

} // namespace

void step_guard_memory_limit(unsigned long megabytes) {
    memoryLimit = megabytes;
    std::set_new_handler(megabytes > 0 ? on_out_of_memory : nullptr);
}

std::string guard_fault_words(guard_fault fault, unsigned long code) {
    char words[64];
    switch (fault) {
    case guard_fault::signal:
        return crash_words(crash_kind::signal, code, words, sizeof words);
    case guard_fault::exception:
        return crash_words(crash_kind::exception, code, words, sizeof words);
    case guard_fault::memory:
        return memory_words(code, words, sizeof words);
    case guard_fault::hung:
        break;
    }
    std::snprintf(words, sizeof words, "the panel did not return within %lu s", code);
    return words;
}

void step_guard_report_to(guard_reporter r) { reporter.store(r); }

void step_guard_install(int timeoutSeconds) {
    install_crash_handlers(on_crash);
    timeout = timeoutSeconds;
    if (timeout > 0) std::thread(watch).detach();
}

void step_guard_share(step_guard_record* shared) {
    std::lock_guard<std::mutex> guard(lock);
    *shared = *record;
    record = shared;
}

void step_guard_ending(int status) {
    record->status = status;
    record->ending = 1;
}

namespace {
std::string stepText, scriptName; // what record->step is made of (under `lock`)

void write_step_text() {
    if (scriptName.empty()) std::snprintf(record->step, sizeof record->step, "%s", stepText.c_str());
    else std::snprintf(record->step, sizeof record->step, "%s (script %s)", stepText.c_str(), scriptName.c_str());
}
} // namespace

void step_guard_script(const std::string& name) {
    std::lock_guard<std::mutex> guard(lock);
    if (name == scriptName) return; // the record says it already: once per event, a rewrite costs
    scriptName = name;
    if (!stepText.empty()) write_step_text();
}

std::atomic<step_announcer> announcer{nullptr};

void step_guard_announce_to(step_announcer a) { announcer.store(a); }

void step_guard_enter(const std::string& description) {
    std::string announced;
    const step_announcer announce = announcer.load();
    {
        std::lock_guard<std::mutex> guard(lock);
        stepText = description;
        write_step_text();
        record->state = 1;
        ++generation;
        inStep = true;
        budget = std::chrono::seconds(timeout);
        resumed = steady::now();
        wake_if_idle();
        if (announce) announced.assign(record->step, strnlen(record->step, sizeof record->step));
    }
    if (announce) announce(announced);
}

step_guard_emulator_time::step_guard_emulator_time() {
    std::lock_guard<std::mutex> guard(lock);
    if (emulatorDepth++ == 0) budget -= steady::now() - resumed;
    ++generation;
}

step_guard_emulator_time::~step_guard_emulator_time() {
    std::lock_guard<std::mutex> guard(lock);
    if (--emulatorDepth == 0) resumed = steady::now();
    ++generation;
    wake_if_idle();
}

void step_guard_leave() {
    std::lock_guard<std::mutex> guard(lock);
    if (record->state == 1) record->state = 2;
    ++generation;
    inStep = false;
}

step_guard_watch step_guard_watch_state() {
    std::lock_guard<std::mutex> guard(lock);
    return {wakes, watchdogOnDeadline};
}

} // namespace quon::host
