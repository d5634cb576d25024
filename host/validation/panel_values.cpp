#include "validation/panel_values.h"

#include "base/definition_lines.h"
#include "scenario/format.h"

#include <filesystem>
#include <algorithm>
#include <variant>

namespace quon::host {

namespace {

void add_once(std::vector<std::string>& list, const std::string& text) {
    if (list.size() < panel_values::maxEntries && std::find(list.begin(), list.end(), text) == list.end())
        list.push_back(text);
}

} // namespace

void panel_values::add_property(const std::string& name, const std::string* value) {
    auto p = std::find_if(properties.begin(), properties.end(), [&](const property& q) { return q.name == name; });
    if (p == properties.end()) {
        if (properties.size() >= maxEntries) return;
        p = properties.insert(properties.end(), property{name, {}});
    }
    if (value) add_once(p->values, *value);
}

void panel_values::add_control(const std::string& panel, const std::string& id, const std::string* event) {
    auto c = std::find_if(controls.begin(), controls.end(),
                          [&](const control& d) { return d.panel == panel && d.id == id; });
    if (c == controls.end()) {
        if (controls.size() >= maxEntries) return;
        c = controls.insert(controls.end(), control{panel, id, {}});
    }
    if (event) add_once(c->events, *event);
}

void panel_values::add_value(const std::string& value) { add_once(values, value); }

std::vector<std::string> values_to_try(const panel_values& v, const panel_values::property& p) {
    std::vector<std::string> out;
    for (const std::string& value : p.values) add_once(out, value);
    for (const std::string& value : v.values) add_once(out, value);
    for (int n = -2; n <= 20; ++n) add_once(out, std::to_string(n));
    return out;
}

bool parse_hints(const std::string& text, const std::string& file, panel_values& out, std::string& error) {
    return read_definition_lines(
        text, file,
        [&](const definition_line& line, std::string& why) {
            const std::vector<std::string>& w = line.words;
            if (w[0] == "property" && w.size() >= 2) {
                out.add_property(w[1], nullptr);
                for (std::size_t i = 2; i < w.size(); ++i) out.add_property(w[1], &w[i]);
                return true;
            }
            if (w[0] == "control" && w.size() >= 3) {
                out.add_control(w[1], w[2], nullptr);
                for (std::size_t i = 3; i < w.size(); ++i) out.add_control(w[1], w[2], &w[i]);
                return true;
            }
            if (w[0] == "value" && w.size() >= 2) {
                for (std::size_t i = 1; i < w.size(); ++i) out.add_value(w[i]);
                return true;
            }
            if (w[0] == "property" || w[0] == "control" || w[0] == "value")
                why = "usage: property NAME [VALUE...] | control PANEL ID [EVENT...] | value VALUE...";
            else
                why = "unknown item \"" + w[0] +
                      "\" (property NAME [VALUE...] | control PANEL ID [EVENT...] | value "
                      "VALUE...)";
            return false;
        },
        error);
}

load_result read_hints_file(const std::string& path, panel_values& out, std::string& error) {
    return read_input_file(path, "hints file", panel_values::maxHintsBytes, error,
                           [&](const std::string& text) { return parse_hints(text, path, out, error); });
}

load_result read_scenario_values(const std::string& path, panel_values& out, std::string& error) {
    scenario plan;
    const load_result read = load_scenario(path, plan, error);
    if (read != load_result::ok) return read;
    for (const scenario_step& step : plan.steps) {
        if (const auto* p = std::get_if<property_step>(&step.action)) {
            const std::size_t eq = p->message.find('=');
            if (eq == std::string::npos) continue; // a query ("_events") the checks send anyway
            const std::string value = p->message.substr(eq + 1);
            out.add_property(p->message.substr(0, eq), &value);
        } else if (const auto* b = std::get_if<button_step>(&step.action)) {
            out.add_control(b->panel, b->control, &b->event);
        }
    }
    return load_result::ok;
}

load_result read_panel_values(const std::string& hintsFile, const std::vector<std::string>& scenarios,
                              panel_values& out, std::string& error) {
    for (const std::string& file : scenarios)
        if (const load_result read = read_scenario_values(file, out, error); read != load_result::ok) return read;
    return hintsFile.empty() ? load_result::ok : read_hints_file(hintsFile, out, error);
}

values_beside panel_values_beside(const std::string& devicesFile) {
    values_beside found;
    std::error_code ignored;
    const std::filesystem::path devices(devicesFile);
    std::filesystem::path hints = devices;
    hints.replace_extension(".hints");
    if (std::filesystem::is_regular_file(hints, ignored)) found.hintsFile = hints.string();
    for (const auto& entry : std::filesystem::directory_iterator(devices.parent_path() / "scenarios", ignored))
        if (entry.path().extension() == ".scn" && found.scenarios.size() < panel_values::maxEntries)
            found.scenarios.push_back(entry.path().string());
    std::sort(found.scenarios.begin(), found.scenarios.end()); // the same order on every machine
    return found;
}

} // namespace quon::host
