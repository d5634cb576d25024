// panel_harness: drives a kivren object the way the host does, through its
// one entry point callback(arg, kind), and builds the records the host passes.
#ifndef PANEL_HARNESS_H
#define PANEL_HARNESS_H

#include "kivren.h"
#include "recording_host.h"
#include "revertive_bytes.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The picture name a test host gives for router source n.
inline std::string picture(int source) { return "pictures/source" + std::to_string(source) + ".png"; }

// Answers "RN 3 6 n" with picture(n) and every other command with null.
inline std::optional<std::string> name_every_source(const std::string& command) {
    const std::string prefix = "RN 3 6 ";
    if (command.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
    return picture(std::stoi(command.substr(prefix.size())));
}

// A kivren made with a recording host that names every source.
struct panel_under_test {
    recording_host host;
    std::unique_ptr<kivren> panel;

    explicit panel_under_test(const char* path = "kivren") {
        host.reply = name_every_source;
        panel = std::make_unique<kivren>(&host, path);
        host.calls.clear(); // start-up is checked on its own
    }

    // Delivers a revertive and gives the commands it caused.
    std::vector<std::string> report(int device, int index, int state, const std::string& text = "") {
        host.calls.clear();
        revertive_bytes record(device, index, state, text);
        panel->callback(record.data(), quon_kind_revertive);
        return host.commands();
    }

    // Sends a property message; a non-null answer is copied and then handed
    // back with kind 5, as the host does.
    std::optional<std::string> ask(const char* message) {
        std::string text = message ? message : "";
        char* answer = panel->callback(message ? &text[0] : nullptr, quon_kind_property);
        if (!answer) return std::nullopt;
        std::string copy = answer;
        panel->callback(answer, quon_kind_release);
        return copy;
    }
};

#endif
