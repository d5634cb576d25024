#include "devices/file.h"

#include "base/definition_lines.h"
#include "base/input_file.h"

namespace quon::host {

namespace {

// Bounds that keep a mistyped size, or a file that is no devices file, from
// taking the machine's memory.
constexpr int maxSize = 100000;

const char* usage_line =
    "router NUMBER destinations=N sources=N [picture-selector=S] | gpi NUMBER inputs=N | info NUMBER slots=N | "
    "state DEVICE RANGE VALUE | name DEVICE SELECTOR|* RANGE NAME | alias NAME DEVICE RANGE [+OFFSET] | layout FILE | "
    "command CODE EFFECT | timer ID every MS";

bool size_field(const std::map<std::string, std::string>& fields, const std::string& key, int& out, std::string& why) {
    return number_field(fields, key, 0, maxSize, true, out, why);
}

bool declare(const definition_line& line, device_set& out, declaration_budget& budget, std::string& why) {
    const std::string& type = line.words[0];
    declared_device d;
    std::map<std::string, std::string> fields;
    if (line.words.size() < 2 || !parse_number(line.words[1], d.number)) {
        why = type + " needs a device number";
        return false;
    }
    if (out.find(d.number)) {
        why = "device " + line.words[1] + " is declared twice";
        return false;
    }
    if (type == "router") {
        d.type = device_type::router;
        if (!parse_fields(line, 2, {"destinations", "sources", "picture-selector"}, fields, why) ||
            !size_field(fields, "destinations", d.size, why) || !size_field(fields, "sources", d.sources, why))
            return false;
        if (fields.count("picture-selector") && !parse_number(fields["picture-selector"], d.pictureSelector)) {
            why = "picture-selector= must be a number";
            return false;
        }
    } else {
        d.type = type == "gpi" ? device_type::gpi : device_type::info;
        const std::string key = type == "gpi" ? "inputs" : "slots";
        if (!parse_fields(line, 2, {key}, fields, why) || !size_field(fields, key, d.size, why)) return false;
    }
    // A run keeps a state for every index.
    if (!budget.take(declaration_budget::entryBytes + declaration_budget::indexBytes * (d.size + 1u), why))
        return false;
    out.numbered[d.number] = out.devices.size();
    out.devices.push_back(d);
    return true;
}

declared_device* find_mutable(device_set& set, std::int32_t number) {
    return const_cast<declared_device*>(set.find(number));
}

// A range of one device's indices, checked against its size (or sources).
bool device_range(device_set& set, const std::string& device, const std::string& range, int limit_sources,
                  declared_device*& d, std::int32_t& first, std::int32_t& last, std::string& why) {
    std::int32_t number = 0;
    d = parse_number(device, number) ? find_mutable(set, number) : nullptr;
    if (!d) {
        why = "no device \"" + device + "\" declared above";
        return false;
    }
    const int size = limit_sources ? d->sources : d->size;
    if (!parse_range(range, first, last) || first < 1 || last > size) {
        why = "range \"" + range + "\" is not within 1.." + std::to_string(size);
        return false;
    }
    return true;
}

bool state_line(const definition_line& line, device_set& out, declaration_budget& budget, std::string& why) {
    declared_device* d = nullptr;
    std::int32_t first = 0, last = 0;
    if (line.words.size() < 4) {
        why = "usage: state DEVICE RANGE VALUE";
        return false;
    }
    if (!device_range(out, line.words[1], line.words[2], 0, d, first, last, why)) return false;
    const std::string value = line.rest(3);
    for (std::int32_t n = first; n <= last; ++n) {
        const std::string text = with_index(value, n);
        if (!budget.take_entry(text, why) || !normal_state(*d, text, d->initial[n], why)) return false;
    }
    return true;
}

bool name_line(const definition_line& line, device_set& out, declaration_budget& budget, std::string& why) {
    declared_device* d = nullptr;
    std::int32_t first = 0, last = 0, selector = declared_device::anySelector;
    if (line.words.size() < 5) {
        why = "usage: name DEVICE SELECTOR|* RANGE NAME";
        return false;
    }
    if (line.words[2] != "*" && !parse_number(line.words[2], selector)) {
        why = "selector \"" + line.words[2] + "\" is neither a number nor *";
        return false;
    }
    if (!device_range(out, line.words[1], line.words[3], 1, d, first, last, why)) return false;
    if (d->type != device_type::router) {
        why = "only a router names sources";
        return false;
    }
    const std::string name = line.rest(4);
    for (std::int32_t n = first; n <= last; ++n) {
        std::string text = with_index(name, n);
        if (!budget.take_entry(text, why)) return false;
        d->names[selector][n] = std::move(text);
    }
    return true;
}

bool alias_line(const definition_line& line, device_set& out, declaration_budget& budget, std::string& why) {
    step_alias a;
    std::int32_t first = 0, last = 0;
    if (line.words.size() < 4 || line.words.size() > 5) {
        why = "usage: alias NAME DEVICE RANGE [+OFFSET]";
        return false;
    }
    a.name = line.words[1];
    if (!budget.take_entry(a.name, why)) return false;
    if (out.alias(a.name)) {
        why = "alias \"" + a.name + "\" is defined twice";
        return false;
    }
    declared_device* d = nullptr;
    if (!parse_number(line.words[2], a.device) || !(d = find_mutable(out, a.device))) {
        why = "no device \"" + line.words[2] + "\" declared above";
        return false;
    }
    if (!parse_range(line.words[3], first, last)) {
        why = "range \"" + line.words[3] + "\" is not FIRST..LAST";
        return false;
    }
    std::int32_t offset = 0;
    // Written "+20" or "-3": the sign says which way the index moves.
    const std::string& shift = line.words.size() == 5 ? line.words[4] : std::string();
    if (line.words.size() == 5 &&
        !parse_number(shift.size() > 1 && shift[0] == '+' && shift[1] != '-' ? shift.substr(1) : shift, offset)) {
        why = "offset \"" + line.words[4] + "\" is not a number";
        return false;
    }
    if (static_cast<long long>(first) + offset < 1 || static_cast<long long>(last) + offset > d->size) {
        why = "the alias reaches beyond the device's 1.." + std::to_string(d->size);
        return false;
    }
    a.first = first;
    a.last = last;
    a.offset = offset;
    a.where = line.where;
    out.aliasNamed[a.name] = out.aliases.size();
    out.aliases.push_back(a);
    return true;
}

} // namespace

bool read_gpi_state(const std::string& word, bool& on, std::string& why) {
    on = word == "on" || word == "1";
    if (on || word == "off" || word == "0") return true;
    why = "GPI state \"" + word + "\" is neither on nor off";
    return false;
}

namespace {

std::string not_a_source(const std::string& value, const declared_device& d) {
    return "source \"" + value + "\" is not park or 0.." + std::to_string(d.sources);
}

} // namespace

bool read_state(const declared_device& d, const std::string& words, device_state& out, std::string& why) {
    out = device_state{};
    if (d.type == device_type::info) {
        out.text = words;
        return true;
    }
    if (d.type == device_type::gpi) {
        bool on = false;
        if (!read_gpi_state(words, on, why)) return false;
        out.number = on ? 1 : 0;
        return true;
    }
    if (words == "park" || parse_number(words, out.number)) return true;
    why = not_a_source(words, d);
    return false;
}

bool takes_state(const declared_device& d, const device_state& state, std::string& why) {
    if (d.type != device_type::router || (state.number >= 0 && state.number <= d.sources)) return true;
    why = not_a_source(std::to_string(state.number), d);
    return false;
}

std::string state_text(const declared_device& d, const device_state& state) {
    if (d.type == device_type::info) return state.text;
    if (d.type == device_type::gpi) return state.number ? "1" : "0";
    return std::to_string(state.number);
}

device_state normal_form(const declared_device& d, const device_state& state) {
    if (d.type == device_type::info) return {0, state.text};
    return {d.type == device_type::gpi ? (state.number ? 1 : 0) : state.number, ""};
}

bool normal_state(const declared_device& d, const std::string& value, std::string& out, std::string& why) {
    device_state state;
    if (!read_state(d, value, state, why) || !takes_state(d, state, why)) return false;
    out = state_text(d, state);
    return true;
}

const char* device_type_name(device_type type) {
    switch (type) {
    case device_type::router:
        return "router";
    case device_type::gpi:
        return "GPI";
    case device_type::info:
        return "information";
    }
    return "?";
}

const declared_device* device_set::find(std::int32_t number) const {
    const auto at = numbered.find(number);
    return at == numbered.end() ? nullptr : &devices[at->second];
}

const declared_device* device_set::first(device_type type) const {
    for (const declared_device& d : devices)
        if (d.type == type) return &d;
    return nullptr;
}

const step_alias* device_set::alias(const std::string& name) const {
    const auto at = aliasNamed.find(name);
    return at == aliasNamed.end() ? nullptr : &aliases[at->second];
}

const declared_command* device_set::command(const std::string& code) const {
    for (const declared_command& c : commands)
        if (c.code == code) return &c;
    return nullptr;
}

bool parse_devices(const std::string& text, const std::string& file, const std::string& folder, device_set& out,
                   std::string& error, declaration_budget* budget) {
    declaration_budget own;
    declaration_budget& left = budget ? *budget : own;
    out = device_set{};
    out.file = file;
    return read_definition_lines(
        text, file,
        [&](const definition_line& line, std::string& why) {
            const std::string& what = line.words[0];
            if (what == "router" || what == "gpi" || what == "info") return declare(line, out, left, why);
            if (what == "state") return state_line(line, out, left, why);
            if (what == "name") return name_line(line, out, left, why);
            if (what == "alias") return alias_line(line, out, left, why);
            if (what == "command") {
                declared_command c;
                if (!command_line(line, out.commands, c, why)) return false;
                out.commands.push_back(c);
                return true;
            }
            if (what == "timer") {
                declared_timer t;
                if (!timer_line(line, out.timers, t, why)) return false;
                out.timers.push_back(t);
                return true;
            }
            if (what == "layout") {
                if (line.words.size() != 2 || out.layout) {
                    why = out.layout ? "a second layout" : "usage: layout FILE";
                    return false;
                }
                auto layout = std::make_shared<page_layout>();
                if (read_layout_file(path_in(folder, line.words[1]), *layout, why, &left) != load_result::ok)
                    return false;
                out.layout = layout;
                return true;
            }
            why = "unknown item \"" + what + "\" (" + usage_line + ")";
            return false;
        },
        error);
}

load_result read_devices_file(const std::string& path, device_set& out, std::string& error,
                              declaration_budget* budget) {
    return read_input_file(path, "devices file", maxDevicesFileBytes, error, [&](const std::string& text) {
        return parse_devices(text, path, folder_of(path), out, error, budget);
    });
}

bool expand_alias(const device_set& devices, const std::string& step, const std::vector<std::string>& args,
                  device_change& out, std::string& error) {
    error.clear();
    const step_alias* a = devices.alias(step);
    if (!a) return false;
    std::int32_t n = 0;
    if (args.size() != 2) {
        error = step + " takes an index and a value (alias of " + a->where + ")";
        return false;
    }
    if (!parse_number(args[0], n) || n < a->first || n > a->last) {
        error = step + " index \"" + args[0] + "\" is not within " + std::to_string(a->first) + ".." +
                std::to_string(a->last) + " (alias of " + a->where + ")";
        return false;
    }
    out.device = a->device;
    out.index = n + a->offset;
    out.value = args[1];
    return true;
}

} // namespace quon::host
