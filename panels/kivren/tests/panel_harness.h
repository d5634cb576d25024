// panel_harness: a kivren driven by the test host (quon_test_host.h), which
// delivers events through its one entry point callback(arg, kind).
#ifndef PANEL_HARNESS_H
#define PANEL_HARNESS_H

#include "kivren.h"
#include "quon_test_host.h"

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

// A kivren started by a test host that names every source.
struct panel_under_test {
    quon_test_host host;
    kivren* panel;

    explicit panel_under_test(const char* path = "kivren") {
        host.reply = name_every_source;
        panel = &host.start<kivren>(path);
        host.calls.clear(); // start-up is checked on its own
    }

    // Delivers a revertive and gives the commands it caused.
    std::vector<std::string> report(int device, int index, int state, const std::string& text = "") {
        host.calls.clear();
        return host.report(device, index, state, text);
    }

    // Sends a property message; a non-null answer is copied and handed back.
    std::optional<std::string> ask(const char* message) { return host.property(message); }
};

#endif
