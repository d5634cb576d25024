// validate_event (events.h): one host event and the record it carries, built as a host
// builds them (a revertive record with its text inline and exactly as long as
// it needs; a button record over a split event message; a property text; a
// timer id in place of a pointer) and kept alive while the script handles it.
#ifndef HOST_VALIDATION_EVENTS_H
#define HOST_VALIDATION_EVENTS_H

#include "session/event_message.h"
#include "quon_button_record.h"
#include "scenario/format.h"
#include "validation/panel_values.h"
#include "validation/random.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quon::host {

class validate_event {
public:
    // An event of any kind, beyond 7 included, with random contents; with
    // `values`, half the property messages and control events are made of
    // the names and values the panel cares about.
    static std::unique_ptr<validate_event> random(validate_random& r, const panel_values* values = nullptr);
    // A well-formed event of the given kind with random contents; for kind 0
    // and kinds beyond 7, a record of random bytes.
    static std::unique_ptr<validate_event> of_kind(unsigned kind, validate_random& r,
                                                   const panel_values* values = nullptr);
    // The kind with a null argument (a timer id of 0 for kind 4).
    static std::unique_ptr<validate_event> null_record(unsigned kind);
    // A status report with its text inline.
    static std::unique_ptr<validate_event> report(std::int32_t device, std::int32_t index, std::int32_t state,
                                                  const std::string& text);
    // A control's event as a page sends it.
    static std::unique_ptr<validate_event> button(const std::string& panel, const std::string& id,
                                                  const std::string& event);
    // A property message ("name=value", "_events").
    static std::unique_ptr<validate_event> property(const std::string& message);
    // A tick of timer `id`.
    static std::unique_ptr<validate_event> timer(std::int32_t id);
    // A button record whose panel, id and event are all null.
    static std::unique_ptr<validate_event> empty_button();

    unsigned kind() const { return kind_; }
    void* arg();
    // A short description for messages: "kind 1 (device 3, index 5, ...)".
    std::string describe() const;
    // The scenario step that gives the script this very event, if one can:
    // its canonical line, which the scenario parser reads back the same.
    std::optional<std::string> as_step() const;

    validate_event(const validate_event&) = delete;
    validate_event& operator=(const validate_event&) = delete;

private:
    explicit validate_event(unsigned kind) : kind_(kind) {}

    unsigned kind_;
    bool null_ = false;
    std::vector<char> bytes_; // revertive record, property text or raw record
    std::int32_t timer_ = 0;
    std::string panel_, id_, eventText_;
    std::unique_ptr<event_message> message_;
    quon_button_record button_{};
};

} // namespace quon::host

#endif
