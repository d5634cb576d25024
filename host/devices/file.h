// devices file (file.h): the devices a run plays, as a devices file declares them: each
// device's type, number and size, its state when the run begins, the names a
// router gives its sources ("RN"), step aliases for scenarios, and the
// panel's preview layout for the picture. The emulator itself knows no panel;
// see the README's panel_host section for the format. Example:
//
//   router 3 destinations=16 sources=20 picture-selector=6
//   gpi 1 inputs=16
//   info 2 slots=40
//   state 3 1..16 {n}              # destination n shows source n
//   state 2 1..12 CAM {n}
//   name 3 6 1..20 chanimg/src{n}.jpg
//   name 3 * 1..20 SRC {n}
//   alias tally 2 1..12 +20        # "tally N STATE" sets slot N+20 of device 2
//   layout kivren.layout
//   command XQ route               # the panel's own host command (declared_commands.h)
//   timer 3 every 500
#ifndef HOST_DEVICES_FILE_H
#define HOST_DEVICES_FILE_H

#include "devices/declared_commands.h"
#include "base/definition_lines.h"
#include "base/input_file.h"
#include "picture/page_layout.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quon::host {

enum class device_type { router, gpi, info };

// "router", "GPI", "information": for messages.
const char* device_type_name(device_type type);

// One declared device.
struct declared_device {
    device_type type = device_type::router;
    std::int32_t number = 0;
    int size = 0;            // destinations, inputs or slots, numbered from 1
    int sources = 0;         // router: sources 1..sources (0 is parked)
    int pictureSelector = 0; // router: the RN selector the "source" step renames; 0: none
    // Index -> state text when the run begins; indices not listed start at
    // "0" (a router destination: parked; a GPI input: off; a slot: "0").
    std::map<int, std::string> initial;
    // Source names RN gives, by selector; anySelector applies to the others.
    static constexpr std::int32_t anySelector = INT32_MIN;
    std::map<std::int32_t, std::map<int, std::string>> names;
};

// A step name that stands for a device change: "NAME N VALUE" sets index
// N + offset of the device to VALUE, for N from first to last.
struct step_alias {
    std::string name;
    std::int32_t device = 0;
    int first = 1, last = 1, offset = 0;
    std::string where; // "file:line" of its declaration
};

// The devices a run plays, as a devices file declares them.
struct device_set {
    std::vector<declared_device> devices; // in the order declared
    std::vector<step_alias> aliases;
    std::vector<declared_command> commands;    // besides the command table's
    std::vector<declared_timer> timers;        // running from the panel's start
    std::shared_ptr<const page_layout> layout; // null: the default grid
    std::string file;                          // the file read, for messages
    // Positions in `devices` by number and in `aliases` by name, kept by the
    // reader: a file may declare hundreds of thousands, and every line and
    // command looks one up.
    std::map<std::int32_t, std::size_t> numbered;
    std::map<std::string, std::size_t> aliasNamed;

    const declared_device* find(std::int32_t number) const;
    // The first device of the type, which steps that name no device use.
    const declared_device* first(device_type type) const;
    const step_alias* alias(const std::string& name) const;
    const declared_command* command(const std::string& code) const;
};

constexpr std::size_t maxDevicesFileBytes = 1u << 20;

// Reads a devices file (at most maxDevicesFileBytes) with read_input_file;
// on failure "file:line: why" or the system's reason in error. Files it names
// (layout) are read relative to its folder. What its declarations expand to
// is counted against `budget`, which a run shares among all the files it
// reads; null: a budget of the file's own.
load_result read_devices_file(const std::string& path, device_set& out, std::string& error,
                              declaration_budget* budget = nullptr);
// The same from text; `file` names it in messages and `folder` resolves the files it names.
bool parse_devices(const std::string& text, const std::string& file, const std::string& folder, device_set& out,
                   std::string& error, declaration_budget* budget = nullptr);

// A state of one index of a device, in the words of a devices file's
// "state" lines: a router destination's source number or "park" (0 parks),
// a GPI input's "on" or "1", "off" or "0", a slot's any text. A scenario's
// steps, the host's declared commands and the pipe between serve's
// processes all give a device its state in these words; the state a device
// keeps and reports is its normal form (normal_state), which they read back
// as it is.
struct device_change {
    std::int32_t device = 0;
    std::int32_t index = 0;
    std::string value;
};

// A state of one index as a step gives it, typed: a router destination's
// source (0 parks) or a GPI input's 1 (on) or 0 (off) in `number`, a slot's
// text in `text`.
struct device_state {
    std::int32_t number = 0;
    std::string text;
};

// A GPI state in those words; false with why.
bool read_gpi_state(const std::string& word, bool& on, std::string& why);
// A state in those words, typed for device `d`; false with why when they are
// none of its kind (the range is takes_state's).
bool read_state(const declared_device& d, const std::string& words, device_state& out, std::string& why);
// Whether device `d` takes `state`: a router's source within 0..sources.
bool takes_state(const declared_device& d, const device_state& state, std::string& why);
// The state text device `d` keeps for `state` (its normal form: a source
// number, "1" or "0", the text).
std::string state_text(const declared_device& d, const device_state& state);
// The typed normal form of `state` for device `d`: what state_text writes
// (a GPI input's 1 or 0, a slot's text alone, a router's source alone).
device_state normal_form(const declared_device& d, const device_state& state);
// All three: the normal form of `value` for device `d`, or false with why.
bool normal_state(const declared_device& d, const std::string& value, std::string& out, std::string& why);

// Expands a scenario step whose name is an alias of `devices` ("tally 3 2").
// `args` are the step's fields after its name: the index, then the value as
// one text (already unquoted). Returns false when `step` is no alias, leaving
// error empty; false with error set when it is one but the fields do not fit
// (wrong count, index not a number or out of the alias's range).
bool expand_alias(const device_set& devices, const std::string& step, const std::vector<std::string>& args,
                  device_change& out, std::string& error);

} // namespace quon::host

#endif
