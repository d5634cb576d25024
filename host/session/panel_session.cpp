#include "session/panel_session.h"

#include "session/text_bounds.h"

#include "base/device_report_record.h"
#include "base/exit_status.h"
#include "process/this_process.h"
#include "session/event_message.h"
#include "quon_button_record.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace quon::host {

namespace {
// Pending reports a script may trigger by polling from its own handlers are
// bounded, so a script that polls on every report cannot keep the host busy.
constexpr std::size_t maxReportsPerDelivery = 100000;
constexpr std::size_t maxKeptDebugTexts = 10000;
} // namespace

panel_session::panel_session(device_model& devices, page_model& page, conversation_log& log)
    : log_(log), host_(devices, page, log), process_(own_process_id()) {
    flush_output_at_fork(); // a child the panel forks and that exits writes nothing twice
    host_.on_call([this] {
        end_if_forked();
        show_debug();
    });
}

void panel_session::end_if_forked() const {
    if (own_process_id() != process_) end_process_now(exitAllHeld);
}

void panel_session::show_debug() {
    for (std::string& text : debug_.take()) {
        log_.debug_text(text);
        // Kept for expect-debug, bounded in count and in bytes (each text is
        // cut already): a flood costs the step nothing beyond these.
        if (debugTexts_.size() >= maxKeptDebugTexts || debugTextsBytes_ + text.size() > debugHeldBytes) continue;
        debugTextsBytes_ += text.size();
        debugTexts_.push_back(std::move(text));
    }
}

bool panel_session::start(quon_load_script_fn factory, const std::string& basePath) {
    stop();
    log_.lifecycle("factory: load_quon_client_script(host, \"" + basePath + "\")");
    host_.start_declared_timers();
    host_.new_script();
    {
        script_call call(*this);
        script_ = factory(&host_, basePath.c_str());
    }
    if (!script_) {
        host_.timers().stop_all();
        log_.problem("the factory returned null");
        return false;
    }
    deliver_pending();
    return true;
}

void panel_session::stop() {
    if (!script_) return;
    quon_client_callback* script = script_;
    script_ = nullptr;
    log_.lifecycle("destroy: slot 0, deleting destructor with flags 1");
    {
        script_call call(*this);
        script->deletingDestructor(1);
    }
    if (!host_.take_pending().empty()) log_.note("reports polled during shut-down dropped");
    host_.timers().stop_all();
}

// Abandoned panels are held, never destroyed, for the process's life: a
// thread of theirs may still call their host, and nothing of theirs is lost.
static std::vector<quon_client_callback*>& abandoned_panels() {
    static auto* held = new std::vector<quon_client_callback*>;
    return *held;
}

void panel_session::abandon() {
    if (!script_) return;
    abandoned_panels().push_back(script_);
    script_ = nullptr;
    log_.lifecycle("abandoned: left as it is, never destroyed");
    host_.take_pending();
    host_.timers().stop_all();
}

void panel_session::report(const status_report& r) {
    if (!script_) return;
    std::vector<char> record = device_report_record(r.device, r.index, r.state, r.text);
    log_.event_said(quon_kind_revertive, [&] {
        return "device " + std::to_string(r.device) + " index " + std::to_string(r.index) + " state " +
               std::to_string(r.state) + " text \"" + r.text + "\"";
    });
    script_call call(*this);
    script_->callback(record.data(), quon_kind_revertive);
}

void panel_session::deliver_pending() {
    std::size_t delivered = 0;
    for (;;) {
        std::vector<status_report> batch = host_.take_pending();
        if (batch.empty() || !script_) return;
        for (const status_report& r : batch) {
            if (delivered++ == maxReportsPerDelivery) {
                log_.problem("script keeps polling; the remaining reports are dropped");
                host_.take_pending();
                return;
            }
            report(r);
        }
    }
}

void panel_session::button(const std::string& panel, const std::string& id, const std::string& event) {
    if (!script_) return;
    event_message message(event); // split by this host's own code
    quon_button_record record{};
    record.panel = panel.c_str();
    record.id = id.c_str();
    record.event = message.get();
    log_.event_said(quon_kind_button, [&] { return "panel " + panel + " control " + id + " event \"" + event + "\""; });
    {
        script_call call(*this);
        script_->callback(&record, quon_kind_button);
    }
    deliver_pending();
}

std::optional<std::string> panel_session::property(const std::string& message) {
    if (!script_) return std::nullopt;
    std::vector<char> text(message.begin(), message.end()); // a writable copy, as the host's own
    text.push_back('\0');
    log_.event_said(quon_kind_property, [&] { return "\"" + message + "\""; });
    char* answer = nullptr;
    {
        script_call call(*this);
        answer = script_->callback(text.data(), quon_kind_property);
    }
    std::optional<std::string> copy;
    if (answer) copy = std::string(answer);
    log_.answer(copy ? &*copy : nullptr);
    if (answer) {
        log_.event_said(quon_kind_release, [&] { return "\"" + *copy + "\""; });
        script_call call(*this);
        script_->callback(answer, quon_kind_release);
    }
    deliver_pending();
    return copy;
}

void panel_session::timer(std::int32_t id) {
    if (!script_) return;
    log_.event_said(quon_kind_timer, [&] { return "timer " + std::to_string(id); });
    {
        script_call call(*this);
        script_->callback(reinterpret_cast<void*>(static_cast<std::intptr_t>(id)), quon_kind_timer);
    }
    deliver_pending();
}

} // namespace quon::host
