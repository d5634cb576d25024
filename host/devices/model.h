// device_model (model.h): the devices this host plays for a panel, as a devices file
// declares them (devices/file.h): routers (crosspoints and source names),
// GPI devices and information devices with text slots. It keeps each
// device's registrations, per script (a studio hosts several scripts on the
// same devices), and turns changes and polls into status reports for the
// scripts. With nothing declared there are no devices.
#ifndef HOST_DEVICES_MODEL_H
#define HOST_DEVICES_MODEL_H

#include "devices/file.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quon::host {

// One status report, as it goes into a kind 1 record.
struct status_report {
    std::int32_t device = 0;
    std::int32_t index = 0;
    std::int32_t state = 0;
    std::string text;
};

// A report and the script it goes to (the id the host gave the script).
struct addressed_report {
    int script = 0;
    status_report report;
};

// A change as a scenario step gives it: an index of a device and the typed
// state it takes.
struct device_setting {
    std::int32_t device = 0;
    std::int32_t index = 0;
    device_state state;
};

class device_model {
public:
    device_model() = default;
    explicit device_model(device_set declared) { declare(std::move(declared)); }
    // Its devices point into the declaration it keeps.
    device_model(const device_model&) = delete;
    device_model& operator=(const device_model&) = delete;

    // Replaces every device with the declared ones in their initial state;
    // registrations are dropped.
    void declare(device_set declared);
    const device_set& declared() const { return declared_; }

    // The type of a device number, if this host has such a device.
    std::optional<device_type> type_of(std::int32_t device) const;

    // Answer to "RN device selector index": the source's name for that
    // selector (or for any selector); nothing for an unknown source or name.
    std::optional<std::string> source_name(std::int32_t device, std::int32_t selector, std::int32_t index) const;
    // The name RN gives from now on; false for an unknown router or source.
    bool set_source_name(std::int32_t device, std::int32_t selector, std::int32_t source, const std::string& name);

    // Registrations of one script (a host of one script: 0); false when the
    // device is not one of ours. A script's first registration on a device
    // places it after those that registered before; unregistering removes it.
    bool register_range(std::int32_t device, std::int32_t first, std::int32_t last, bool add, int script = 0);
    bool unregister(std::int32_t device, int script = 0);
    bool is_registered(std::int32_t device, std::int32_t index, int script = 0) const;

    // One report per index of first..last that the device has; `skipped` gets
    // the number of indices outside the device. Empty for an unknown device.
    std::vector<status_report> poll(std::int32_t device, std::int32_t first, std::int32_t last, int& skipped) const;

    // Sets one index of a device to a state. `reports` gets one report for
    // each script registered for the index, in the order the scripts
    // registered. False with why when the device, index or state does not
    // exist (accepts).
    bool change(const device_setting& c, std::vector<addressed_report>& reports, std::string& why);
    // The same from a state in a devices file's words (device_change): the
    // host's declared commands, a scenario's aliases, another script's
    // process.
    bool change(const device_change& c, std::vector<addressed_report>& reports, std::string& why);
    // The same for a host of one script (0): its report, if registered.
    bool change(const device_change& c, std::optional<status_report>& report, std::string& why);
    // Told each change as change() makes it, typed, in the order made (serve's
    // process passes them to the other scripts of a studio); none: none told.
    using change_watch = std::function<void(const device_setting&)>;
    void watch(change_watch w) { watch_ = std::move(w); }
    // Whether change() would take `c`; false with why, as change() says it.
    bool accepts(const device_setting& c, std::string& why) const;

    // The state text of an index ("" outside the device).
    std::string state(std::int32_t device, std::int32_t index) const;
    // Moves on with every declaration, change and source name: states and
    // names read at the same revision are still the devices'.
    std::uint64_t revision() const { return revision_; }
    // The revision at which an index's state was last set (0 outside the device).
    std::uint64_t state_revision(std::int32_t device, std::int32_t index) const;
    // The revision at which a source name was last set or the devices declared.
    std::uint64_t names_revision() const { return namesRevision_; }

private:
    struct registration {
        std::int32_t first = 0;
        std::int32_t last = -1;
    };
    // One script's ranges on a device.
    struct script_registrations {
        int script = 0;
        std::vector<registration> ranges;
        bool covers(std::int32_t index) const;
    };
    struct device {
        const declared_device* declared = nullptr;
        std::vector<std::string> states;  // index -> state text
        std::vector<std::uint64_t> setAt; // index -> the revision its state was set at
        std::map<std::int32_t, std::map<int, std::string>> names;
        std::vector<script_registrations> registrations; // in the order the scripts registered
    };
    device* find(std::int32_t number);
    const device* find(std::int32_t number) const;
    // The device that has index `index`, or null with why.
    const device* find(std::int32_t number, std::int32_t index, std::string& why) const;
    status_report report(const device& d, int index) const;

    device_set declared_;
    std::vector<device> devices_;
    change_watch watch_;
    std::uint64_t revision_ = 0, namesRevision_ = 0;
};

} // namespace quon::host

#endif
