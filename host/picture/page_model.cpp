#include "picture/page_model.h"

namespace quon::host {

bool page_model::put(const std::string& assignment, const std::string& panel, const std::string& control) {
    const std::size_t eq = assignment.find('=');
    if (eq == std::string::npos) return false;
    set(panel, control, assignment.substr(0, eq), assignment.substr(eq + 1));
    return true;
}

void page_model::set(const std::string& panel, const std::string& control, const std::string& property,
                     const std::string& value) {
    auto [panelAt, newPanel] = panels_.try_emplace(panel);
    auto [controlAt, newControl] = panelAt->second.try_emplace(control);
    auto [valueAt, newValue] = controlAt->second.values.try_emplace(property, value);
    if (!newValue && valueAt->second == value) return; // the picture stays as it is
    if (!newValue) valueAt->second = value;
    controlAt->second.revision = ++revision_;
    if (newPanel || newControl) structure_ = revision_;
}

const page_model::properties* page_model::control(const std::string& panel, const std::string& id) const {
    auto p = panels_.find(panel);
    if (p == panels_.end()) return nullptr;
    auto c = p->second.find(id);
    return c == p->second.end() ? nullptr : &c->second.values;
}

bool page_model::accepts_press(const std::string& panel, const std::string& id, std::string& why) const {
    if (control(panel, id)) return true;
    why = "unknown control " + id + " on panel " + panel;
    return false;
}

std::optional<std::string> page_model::get(const std::string& panel, const std::string& id,
                                           const std::string& name) const {
    const properties* c = control(panel, id);
    if (!c) return std::nullopt;
    if (name == "all") {
        std::string all;
        for (const auto& [property, value] : *c) {
            if (!all.empty()) all += ',';
            all += property + "=" + value;
        }
        return all;
    }
    auto v = c->find(name);
    return name + "=" + (v == c->end() ? std::string() : v->second);
}

std::string page_model::ids(const std::string& panel, const std::string& filter) const {
    std::string out;
    auto p = panels_.find(panel);
    if (p == panels_.end()) return out;
    for (const auto& entry : p->second) {
        if (entry.first.compare(0, filter.size(), filter) != 0) continue;
        if (!out.empty()) out += ',';
        out += entry.first;
    }
    return out;
}

std::optional<std::string> page_model::value(const std::string& panel, const std::string& id,
                                             const std::string& property) const {
    const properties* c = control(panel, id);
    if (!c) return std::nullopt;
    auto v = c->find(property);
    if (v == c->end()) return std::nullopt;
    return v->second;
}

void page_model::show(const std::string& panel, const std::string& file) {
    shown_.emplace_back(panel, file);
    panels_[panel]; // a shown panel exists even before its first control is set
    structure_ = ++revision_;
}

std::string page_model::main_panel() const { return shown_.empty() ? "1" : shown_.front().first; }

} // namespace quon::host
