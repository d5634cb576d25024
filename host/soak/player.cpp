#include "soak/player.h"

#include "base/utf8_text.h"
#include "process/process_probe.h"
#include "scenario/format.h"
#include "session/step_guard.h"

#include <deque>
#include <functional>
#include <optional>
#include <ostream>

namespace quon::host {

namespace {

constexpr std::size_t maxControls = 256;
// A panel whose timers tick without end in one gap between events (a 1 ms
// timer restarted from its own tick) is still bounded.
constexpr std::int64_t maxTicksPerGap = 1000000;

struct control_ref {
    std::size_t script;
    std::string panel, id;
};

// A change as a scenario step says it where one can (the first device of
// its type), else in words.
said_step describe_change(const declared_device& d, bool first, const device_change& c) {
    if (first && d.type == device_type::router)
        return {"", write_step(route_step{c.index, c.value == "park" ? 0 : std::stoi(c.value)})};
    if (first && d.type == device_type::gpi) return {"", write_step(gpi_step{c.index, c.value == "on"})};
    if (first && d.type == device_type::info) return {"", write_step(info_step{c.index, c.value})};
    return {"",
            std::string(device_type_name(d.type)) + " device " + std::to_string(d.number) + " index " +
                std::to_string(c.index) + " takes " + quote_step_text(c.value),
            false};
}

// An information slot's new text: a studio's words, a tally state, or a
// line of letters with a character beyond ASCII now and then.
std::string info_text(validate_random& random) {
    static const char* const words[] = {"ON AIR", "PREVIEW", "REC", "0", "1", "2", "3", ""};
    const std::uint32_t roll = random.below(10);
    if (roll < 4) return words[random.below(8)];
    if (roll < 7) return "CAM " + std::to_string(1 + random.below(99));
    std::string text(1 + random.below(24), ' ');
    for (char& c : text) c = static_cast<char>('A' + random.below(26));
    if (random.one_in(4)) text += "\xc3\xa9"; // é
    return text;
}

class soak_game {
public:
    soak_game(const soak_plan& plan, soak_tally& tally, soak_faults& faults)
        : plan_(plan), tally_(tally), faults_(faults), out_(nullptr), log_(out_), devices_(plan.devices),
          studio_(plan.scripts, devices_, log_), random_(plan.seed) {
        log_.set_faults_only(true);
        log_.set_fault_listener([this](const std::string& fault) {
            if (heard_.size() < keptFaults) heard_.push_back(fault.substr(0, longestFault));
        });
        for (const declared_device& d : devices_.declared().devices)
            if (d.size > 0) byType_[static_cast<std::size_t>(d.type)].push_back(&d);
    }

    void play();

private:
    bool start_scripts();
    std::array<bool, eventKinds> enabled() const;
    void refresh_controls();
    // Measures one event: `deliver` gives it; `describe` names it if it is among the slowest.
    void measure(event_kind kind, std::int64_t atMs, const std::function<void()>& deliver,
                 const std::function<said_step()>& describe);
    // Keeps the event's step for --save-failures.
    void keep_step(event_kind kind, const said_step& said, std::int64_t cpuNs, bool firstFault);
    void ticks_until(std::int64_t untilMs);
    void scheduled(event_kind kind, std::int64_t atMs, traffic_schedule& schedule);
    void change(event_kind kind, std::int64_t atMs);
    void press(std::int64_t atMs, traffic_schedule& schedule);
    void release(std::int64_t atMs);
    void property(std::int64_t atMs);
    void enter_stretch(std::int64_t startMs);

    const soak_plan& plan_;
    soak_tally& tally_;
    soak_faults& faults_;
    static constexpr std::size_t keptFaults = 5, longestFault = 300;
    std::vector<std::string> heard_; // the faults of the event being measured, the first few
    std::ostream out_;               // writes nowhere: the faults are heard as values
    conversation_log log_;
    device_model devices_;
    studio studio_;
    validate_random random_;
    process_probe probe_;
    std::array<std::vector<const declared_device*>, 3> byType_;
    std::vector<control_ref> controls_;
    std::deque<control_ref> releases_; // the controls pressed, each owed its release, in order
    std::int64_t number_ = 0;
};

bool soak_game::start_scripts() {
    for (std::size_t i = 0; i < studio_.size(); ++i) {
        step_guard_enter("soak: start " + studio_.at(i).entry.name);
        studio_.speak_for(i);
        if (!studio_.start(i)) {
            faults_.startFailure = studio_.at(i).entry.name + ": the factory returned null";
            return false;
        }
    }
    studio_.clear_step();
    return true;
}

std::array<bool, eventKinds> soak_game::enabled() const {
    std::array<bool, eventKinds> on{};
    on[index_of(event_kind::route)] = !byType_[static_cast<std::size_t>(device_type::router)].empty();
    on[index_of(event_kind::gpi)] = !byType_[static_cast<std::size_t>(device_type::gpi)].empty();
    on[index_of(event_kind::info)] = !byType_[static_cast<std::size_t>(device_type::info)].empty();
    on[index_of(event_kind::press)] = true; // the controls may come later
    on[index_of(event_kind::property)] = !plan_.properties.empty();
    return on;
}

void soak_game::refresh_controls() {
    controls_.clear();
    for (std::size_t i = 0; i < studio_.size(); ++i)
        for (const auto& [panel, controls] : studio_.at(i).page.panels())
            for (const auto& entry : controls) {
                if (controls_.size() == maxControls) return;
                controls_.push_back({i, panel, entry.first});
            }
}

void soak_game::measure(event_kind kind, std::int64_t atMs, const std::function<void()>& deliver,
                        const std::function<said_step()>& describe) {
    ++number_;
    std::optional<said_step> said; // named once, only when needed
    const auto step = [&]() -> const said_step& {
        if (!said) said = describe();
        return *said;
    };
    if (plan_.journal) plan_.journal->put(step(), number_, atMs);
    const int problemsBefore = log_.problems() + log_.malformed();
    const std::int64_t before = thread_cpu_ns();
    deliver();
    const std::int64_t cpu = thread_cpu_ns() - before;
    std::int64_t commands = 0;
    for (std::size_t i = 0; i < studio_.size(); ++i)
        commands += static_cast<std::int64_t>(studio_.at(i).session.host().commands().size());
    studio_.clear_step();
    const int problems = log_.problems() + log_.malformed() - problemsBefore;
    if (plan_.stretches) keep_step(kind, step(), cpu, problems > 0 && faults_.count == 0);
    if (tally_.count(kind, cpu, commands)) tally_.name_slowest(number_, atMs, kind, cpu, step().text());
    if (problems == 0) return;
    faults_.count += problems;
    for (const std::string& fault : heard_)
        if (faults_.first.size() < keptFaults)
            faults_.first.push_back("event " + std::to_string(number_) + " at " + virtual_time_text(atMs) + " (" +
                                    step().text() + "): " + printable(fault));
    heard_.clear();
}

void soak_game::keep_step(event_kind kind, const said_step& said, std::int64_t cpuNs, bool firstFault) {
    soak_stretches& s = *plan_.stretches;
    s.rings.add(kind, said);
    if (firstFault) s.beforeFault = s.rings.last();
    if (cpuNs > plan_.budgetNs && cpuNs > s.slowestNs) {
        s.slowestNs = cpuNs;
        s.beforeSlowest = s.rings.last();
    }
}

void soak_game::ticks_until(std::int64_t untilMs) {
    for (std::int64_t n = 0; n < maxTicksPerGap; ++n) {
        std::size_t due = studio_.size();
        std::int64_t dueMs = untilMs + 1;
        for (std::size_t i = 0; i < studio_.size(); ++i)
            for (const timer_clock::timer& t : studio_.at(i).session.host().timers().running())
                if (t.dueMs < dueMs) dueMs = t.dueMs, due = i;
        if (due == studio_.size()) break;
        for (std::size_t i = 0; i < studio_.size(); ++i) studio_.at(i).session.host().timers().advance_to(dueMs);
        const std::int32_t id = *studio_.at(due).session.host().timers().next_tick(untilMs);
        measure(
            event_kind::timer, dueMs,
            [&] {
                studio_.speak_for(due);
                studio_.at(due).session.timer(id);
                studio_.deliver_queued();
            },
            [&] {
                return said_step{studio_.at(due).entry.name, write_step(timer_step{id})};
            });
    }
    for (std::size_t i = 0; i < studio_.size(); ++i) studio_.at(i).session.host().timers().advance_to(untilMs);
}

void soak_game::enter_stretch(std::int64_t startMs) {
    step_guard_enter("soak: the stretch from " + virtual_time_text(startMs) + " to " +
                     virtual_time_text(startMs + stretchMs) + " of virtual time (events from " +
                     std::to_string(number_ + 1) + ")");
    refresh_controls();
}

void soak_game::play() {
    tally_.reserve_windows(static_cast<std::size_t>(plan_.durationMs / stretchMs + 1));
    if (!start_scripts()) return;
    traffic_schedule schedule(plan_.rates, enabled(), random_);
    std::int64_t stretchEnd = stretchMs;
    enter_stretch(0);
    for (;;) {
        const std::int64_t next = std::min(schedule.next_time(), std::min(stretchEnd, plan_.durationMs));
        ticks_until(next);
        if (next == stretchEnd || next == plan_.durationMs) {
            tally_.close_window(next, probe_.sample());
            if (next == plan_.durationMs) break;
            enter_stretch(stretchEnd);
            stretchEnd = std::min(stretchEnd + stretchMs, plan_.durationMs);
            continue;
        }
        const event_kind kind = schedule.next_kind();
        schedule.take();
        scheduled(kind, next, schedule);
    }
    step_guard_enter("soak: stop the scripts");
    for (std::size_t i = 0; i < studio_.size(); ++i) studio_.at(i).session.stop();
    step_guard_leave();
}

void soak_game::scheduled(event_kind kind, std::int64_t atMs, traffic_schedule& schedule) {
    switch (kind) {
    case event_kind::route:
    case event_kind::gpi:
    case event_kind::info:
        return change(kind, atMs);
    case event_kind::press:
        return press(atMs, schedule);
    case event_kind::release:
        return release(atMs);
    case event_kind::property:
        return property(atMs);
    case event_kind::timer:
        return;
    }
}

void soak_game::change(event_kind kind, std::int64_t atMs) {
    const device_type type = kind == event_kind::route ? device_type::router
                             : kind == event_kind::gpi ? device_type::gpi
                                                       : device_type::info;
    const auto& candidates = byType_[static_cast<std::size_t>(type)];
    const std::size_t which = random_.below(static_cast<std::uint32_t>(candidates.size()));
    const declared_device& d = *candidates[which];
    device_change c{d.number, random_.range(1, d.size), ""};
    if (type == device_type::router) {
        const std::int32_t source = random_.range(0, d.sources);
        c.value = source == 0 ? "park" : std::to_string(source);
    } else if (type == device_type::gpi) {
        c.value = devices_.state(d.number, c.index) == "1" ? "off" : "on";
    } else {
        c.value = info_text(random_);
    }
    measure(
        kind, atMs,
        [&] {
            std::vector<addressed_report> reports;
            std::string why;
            if (devices_.change(c, reports, why)) studio_.deliver(std::move(reports));
        },
        [&] { return describe_change(d, which == 0, c); });
}

void soak_game::press(std::int64_t atMs, traffic_schedule& schedule) {
    if (controls_.empty()) return;
    const std::size_t which = random_.below(static_cast<std::uint32_t>(controls_.size()));
    const control_ref& c = controls_[which];
    measure(
        event_kind::press, atMs,
        [&] {
            studio_.speak_for(c.script);
            studio_.at(c.script).session.button(c.panel, c.id, "press");
            studio_.deliver_queued();
        },
        [&] {
            return said_step{studio_.at(c.script).entry.name, write_step(button_step{c.panel, c.id, "press"})};
        });
    releases_.push_back(c);
    schedule.owe_release(atMs);
}

void soak_game::release(std::int64_t atMs) {
    const control_ref c = releases_.front();
    releases_.pop_front();
    measure(
        event_kind::release, atMs,
        [&] {
            studio_.speak_for(c.script);
            studio_.at(c.script).session.button(c.panel, c.id, "release");
            studio_.deliver_queued();
        },
        [&] {
            return said_step{studio_.at(c.script).entry.name, write_step(button_step{c.panel, c.id, "release"})};
        });
}

void soak_game::property(std::int64_t atMs) {
    const std::string& message = plan_.properties[random_.below(static_cast<std::uint32_t>(plan_.properties.size()))];
    const std::size_t script = random_.below(static_cast<std::uint32_t>(studio_.size()));
    measure(
        event_kind::property, atMs,
        [&] {
            studio_.speak_for(script);
            studio_.at(script).session.property(message);
            studio_.deliver_queued();
        },
        [&] {
            return said_step{studio_.at(script).entry.name, write_step(property_step{message})};
        });
}

} // namespace

void play_soak(const soak_plan& plan, soak_tally& tally, soak_faults& faults) {
    soak_game game(plan, tally, faults);
    game.play();
}

} // namespace quon::host
