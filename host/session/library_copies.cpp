#include "session/library_copies.h"

namespace quon::host {

library_copies::script_copy& library_copies::of(std::size_t script) {
    if (scripts_.size() <= script) scripts_.resize(script + 1);
    return scripts_[script];
}

void library_copies::abandoned(std::size_t script) { of(script).holdsAbandoned = true; }

quon_load_script_fn library_copies::fresh(std::size_t script, const std::string& path, std::string& error) {
    script_copy& last = of(script);
    const bool holds = last.library && last.holdsAbandoned;
    if (holds && held_.size() >= maxHeld) {
        error = "more than " + std::to_string(maxHeld) +
                " copies of the libraries are held for abandoned panels: this run loads no more";
        return nullptr;
    }
    auto library = std::make_unique<panel_library>();
    if (!library->open_copy(path, error)) return nullptr; // the last copy stays: its factory is still good
    if (holds) held_.push_back(std::move(last.library));
    last.library = std::move(library); // the one before, if not held, is unloaded: none of its panels lives
    last.holdsAbandoned = false;
    return last.library->factory();
}

} // namespace quon::host
