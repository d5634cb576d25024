#include "validation/checks.h"

#include "session/step_guard.h"
#include "validation/failure_recorder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace quon::host {

namespace {

using clock_type = std::chrono::steady_clock;

double ms_since(clock_type::time_point start) {
    return std::chrono::duration<double, std::milli>(clock_type::now() - start).count();
}

std::string ms(double value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f ms", value);
    return buf;
}

// Kinds a host sends, then kinds no script knows.
const unsigned everyKind[] = {1, 2, 3, 4, 5, 6, 7, 0, 8, 9, 64, 0x80000000u, 0xffffffffu};

constexpr double createLimitMs = 1000;

} // namespace

void note(std::vector<std::string>& list, const std::string& what) {
    if (list.size() < 5) list.push_back(what);
}

namespace {
void learn_controls(std::vector<std::pair<std::string, std::string>>& into,
                    const std::vector<std::pair<std::string, std::string>>& seen) {
    for (const auto& c : seen)
        if (into.size() < validate_host::maxControls && std::find(into.begin(), into.end(), c) == into.end())
            into.push_back(c);
}
} // namespace

void validate_totals::add(const validate_host& host) {
    commands += host.commands();
    malformed += host.malformed();
    owedGiven += host.replies_owed();
    owedBack += host.replies_back();
    for (const std::string& m : host.malformed_commands()) note(malformedFirst, m);
    for (const std::string& f : host.faults()) note(protocolFaults, f);
    for (const std::string& c : host.after_sign_off())
        note(shutdownFaults, "command after the panel signed off: \"" + c + "\"");
    learn_controls(controls, host.controls());
}

void validate_totals::merge(const validate_totals& o) {
    commands += o.commands;
    malformed += o.malformed;
    owedGiven += o.owedGiven;
    owedBack += o.owedBack;
    answers += o.answers;
    destroyed += o.destroyed;
    for (const std::string& s : o.malformedFirst) note(malformedFirst, s);
    for (const std::string& s : o.protocolFaults) note(protocolFaults, s);
    for (const std::string& s : o.answerFaults) note(answerFaults, s);
    for (const std::string& s : o.resultFaults) note(resultFaults, s);
    for (const std::string& s : o.shutdownFaults) note(shutdownFaults, s);
    learn_controls(controls, o.controls);
}

script_under_test::script_under_test(const validate_options& o, validate_host::replies mode, validate_random* random,
                                     validate_totals& totals)
    : host_(mode, random, o.declared), totals_(totals), recorder_(o.recorder),
      life_(recorder_ ? recorder_->new_life() : 0), script_(o.factory(&host_, "validate")) {
    look_for_faults();
}

script_under_test::fault_counts script_under_test::counts() const {
    return {host_.malformed(), host_.fault_count() - host_.malformed(), host_.after_sign_off().size(), results_,
            answers_};
}

void script_under_test::look_for_faults() {
    if (!recorder_) return;
    const fault_counts now = counts();
    if (now.malformed > seen_.malformed) recorder_->fault(life_, "malformed-command", host_.last_fault());
    if (now.protocol > seen_.protocol) recorder_->fault(life_, "reply", "the script " + host_.last_fault());
    if (now.afterSignOff > seen_.afterSignOff)
        recorder_->fault(life_, "after-sign-off",
                         "command after the panel signed off: \"" + host_.after_sign_off().back() + "\"");
    if (now.results > seen_.results) recorder_->fault(life_, "answer-not-owed", lastFinding_);
    if (now.answers > seen_.answers) recorder_->fault(life_, "answer", lastFinding_);
    seen_ = now;
}

void script_under_test::deliver(validate_event& event, bool keep) {
    if (!script_) return;
    look_for_faults(); // those found since (a reply not handed back) belong to the events before
    if (recorder_) recorder_->event(life_, event);
    void* arg = event.arg();
    char* result = script_->callback(arg, event.kind());
    deliver_result(event, arg, result, keep);
    look_for_faults();
}

void script_under_test::deliver_result(validate_event& event, void* arg, char* result, bool keep) {
    if (event.kind() != quon_kind_property) {
        if (result) {
            ++results_;
            lastFinding_ = event.describe() + " was answered with a text, not null";
            note(totals_.resultFaults, lastFinding_);
        }
        return;
    }
    if (!result) return;
    ++totals_.answers;
    // An answer is a block of the script's own: not the message, not a reply
    // of the host's, not an answer still out.
    bool fresh = result != arg;
    for (char* k : kept_) fresh = fresh && k != result;
    if (!fresh) {
        ++answers_;
        lastFinding_ = event.describe() + " was answered with a text the script does not own";
        note(totals_.answerFaults, lastFinding_);
        return; // handing it back would free what is not the script's
    }
    if (keep) kept_.push_back(result);
    else script_->callback(result, quon_kind_release);
}

void script_under_test::hand_back_kept() {
    while (!kept_.empty()) {
        script_->callback(kept_.back(), quon_kind_release);
        kept_.pop_back();
    }
}

void script_under_test::destroy() {
    if (!script_) return;
    hand_back_kept();
    script_->deletingDestructor(1);
    script_ = nullptr;
    ++totals_.destroyed;
    const bool signedOff = host_.signed_off() || host_.last_command() == quon_command_code(quon_command_sign_off);
    const std::string lastWas =
        "the last command before destruction ended was \"" + host_.last_command() + "\", not \"AS\"";
    if (!signedOff) note(totals_.shutdownFaults, lastWas);
    if (host_.outstanding()) note(totals_.protocolFaults, "a reply was still out after destruction");
    look_for_faults();
    if (recorder_ && !signedOff) recorder_->fault(life_, "shut-down", lastWas);
    if (recorder_ && host_.outstanding()) recorder_->fault(life_, "reply", "a reply was still out after destruction");
    if (recorder_) recorder_->end_life(life_);
    totals_.add(host_);
}

check_result check_create(const validate_options& o, validate_totals& t) {
    validate_host host(validate_host::replies::plausible, nullptr, o.declared);
    const clock_type::time_point start = clock_type::now();
    quon_client_callback* script = o.factory(&host, "validate");
    const double created = ms_since(start);
    if (!script) return {false, "the factory returned null"};
    const unsigned long startup = host.commands();
    const clock_type::time_point stop = clock_type::now();
    script->deletingDestructor(1);
    const double destroyed = ms_since(stop);
    ++t.destroyed;
    if (!host.signed_off() && host.last_command() != quon_command_code(quon_command_sign_off))
        note(t.shutdownFaults, "the last command at destruction was \"" + host.last_command() + "\", not \"AS\"");
    t.add(host);
    check_result r{created <= createLimitMs, "created in " + ms(created) + " (limit " + ms(createLimitMs) + ") with " +
                                                 std::to_string(startup) + " start-up commands, destroyed in " +
                                                 ms(destroyed)};
    return r;
}

check_result check_null_host(const validate_options& o, validate_totals& t) {
    quon_client_callback* script = o.factory(nullptr, "validate");
    if (!script) return {false, "the factory returned null for a null host"};
    validate_random r(o.seed ^ 0x11);
    for (unsigned kind : everyKind) {
        std::unique_ptr<validate_event> e = validate_event::of_kind(kind, r);
        char* result = script->callback(e->arg(), kind);
        if (result && kind == quon_kind_property) script->callback(result, quon_kind_release);
        else if (result) note(t.resultFaults, e->describe() + " (null host) was answered with a text, not null");
    }
    script->deletingDestructor(1);
    return {true, "created, took every kind of event and was destroyed with no host"};
}

check_result check_repeat(const validate_options& o, validate_totals& t) {
    constexpr int cycles = 1000;
    const clock_type::time_point start = clock_type::now();
    for (int i = 0; i < cycles; ++i) {
        script_under_test s(o, validate_host::replies::plausible, nullptr, t);
        if (!s.created()) return {false, "the factory returned null at creation " + std::to_string(i + 1)};
    }
    return {true, std::to_string(cycles) + " created and destroyed in a row in " + ms(ms_since(start))};
}

check_result check_together(const validate_options& o, validate_totals& t) {
    constexpr int count = 16, rounds = 200;
    validate_random r(o.seed ^ 0x22);
    std::vector<std::unique_ptr<script_under_test>> scripts;
    for (int i = 0; i < count; ++i) {
        scripts.emplace_back(new script_under_test(o, validate_host::replies::random, &r, t));
        if (!scripts.back()->created()) return {false, "the factory returned null for script " + std::to_string(i + 1)};
    }
    for (int round = 0; round < rounds; ++round)
        for (auto& s : scripts) {
            std::unique_ptr<validate_event> e = validate_event::random(r);
            s->deliver(*e, true);
        }
    // Destroyed in an order unlike that of creation.
    while (!scripts.empty())
        scripts.erase(scripts.begin() +
                      static_cast<std::ptrdiff_t>(r.below(static_cast<std::uint32_t>(scripts.size()))));
    return {true, std::to_string(count) + " alive at once, " + std::to_string(count * rounds) +
                      " events among them, destroyed in random order"};
}

check_result check_threads(const validate_options& o, validate_totals& t) {
    constexpr int threads = 4, perThread = 4, events = 500;
    std::vector<validate_totals> mine(threads);
    std::vector<std::thread> running;
    for (int i = 0; i < threads; ++i)
        running.emplace_back([&o, &mine, i] {
            validate_random r(o.seed ^ (0x100u + static_cast<unsigned>(i)));
            std::vector<std::unique_ptr<script_under_test>> scripts;
            for (int k = 0; k < perThread; ++k)
                scripts.emplace_back(
                    new script_under_test(o, validate_host::replies::random, &r, mine[static_cast<std::size_t>(i)]));
            for (int e = 0; e < events; ++e)
                for (auto& s : scripts) {
                    std::unique_ptr<validate_event> ev = validate_event::random(r);
                    s->deliver(*ev);
                }
        });
    for (std::thread& th : running) th.join();
    for (const validate_totals& m : mine) t.merge(m);
    return {true, std::to_string(threads) + " threads, each with " + std::to_string(perThread) + " scripts and " +
                      std::to_string(perThread * events) + " events"};
}

check_result check_kinds(const validate_options& o, validate_totals& t) {
    validate_random r(o.seed ^ 0x33);
    script_under_test s(o, validate_host::replies::plausible, nullptr, t);
    if (!s.created()) return {false, "the factory returned null"};
    for (int pass = 0; pass < 20; ++pass)
        for (unsigned kind : everyKind) {
            std::unique_ptr<validate_event> e = validate_event::of_kind(kind, r);
            step_guard_enter("check kinds: " + e->describe());
            s.deliver(*e);
        }
    return {true, "kinds 1 to 7 and 0, 8, 9, 64, 2^31, 2^32-1, twenty times each"};
}

check_result check_null_records(const validate_options& o, validate_totals& t) {
    script_under_test s(o, validate_host::replies::plausible, nullptr, t);
    if (!s.created()) return {false, "the factory returned null"};
    for (unsigned kind : everyKind) {
        std::unique_ptr<validate_event> e = validate_event::null_record(kind);
        step_guard_enter("check null records: " + e->describe());
        s.deliver(*e);
    }
    std::unique_ptr<validate_event> empty = validate_event::empty_button();
    step_guard_enter("check null records: " + empty->describe());
    s.deliver(*empty);
    return {true, "a null argument for every kind, and a button record of null texts"};
}

check_result check_random(const validate_options& o, validate_totals& t) {
    validate_random r(o.seed);
    script_under_test s(o, validate_host::replies::random, &r, t);
    if (!s.created()) return {false, "the factory returned null"};
    const clock_type::time_point start = clock_type::now();
    for (long i = 0; i < o.events; ++i) {
        std::unique_ptr<validate_event> e = validate_event::random(r, o.values);
        // Named by the block of events: a description of each costs more
        // than most events do. --seed replays the very run.
        if (i % 64 == 0)
            step_guard_enter("check random events, events " + std::to_string(i + 1) + " to " +
                             std::to_string(std::min(i + 64, o.events)) + " of " + std::to_string(o.events));
        s.deliver(*e, r.one_in(4));
        if (r.one_in(8)) s.hand_back_kept();
    }
    const double took = ms_since(start);
    return {true, std::to_string(o.events) + " events with random records, texts and replies in " + ms(took)};
}

} // namespace quon::host
