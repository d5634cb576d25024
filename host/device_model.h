// device_model: the three devices this host plays for a panel: a video router
// (crosspoints and source names), a GPI device and an information device with
// text slots. It keeps each device's registrations and turns changes and polls
// into status reports for the script.
#ifndef HOST_DEVICE_MODEL_H
#define HOST_DEVICE_MODEL_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One status report, as it goes into a kind 1 record.
struct status_report {
    std::int32_t device = 0;
    std::int32_t index = 0;
    std::int32_t state = 0;
    std::string text;
};

enum class device_type { router, gpi, info };

const char* device_type_name(device_type type);

class device_model {
public:
    static constexpr int destinations = 16;
    static constexpr int sources = 20;
    static constexpr int gpiInputs = 16;
    static constexpr int infoSlots = 40;
    static constexpr int pictureSelector = 6; // "RN d 6 n" asks for the source's picture

    // Device numbers of the router, the GPI device and the information device.
    device_model(std::int32_t router = 3, std::int32_t gpi = 1, std::int32_t info = 2);

    std::int32_t number(device_type type) const;
    // The type of a device number, if this host has such a device.
    std::optional<device_type> type_of(std::int32_t device) const;

    // Answer to "RN device selector index": the source's picture name for the
    // picture selector, its name for any other; nothing for an unknown source.
    std::optional<std::string> source_name(std::int32_t device, std::int32_t selector, std::int32_t index) const;
    void set_source_picture(int source, const std::string& picture);

    // Registrations; false when the device is not one of ours.
    bool register_range(std::int32_t device, std::int32_t first, std::int32_t last, bool add);
    bool unregister(std::int32_t device);
    bool is_registered(device_type type, std::int32_t index) const;

    // One report per index of first..last that the device has; `skipped` gets
    // the number of indices outside the device. Empty for an unknown device.
    std::vector<status_report> poll(std::int32_t device, std::int32_t first, std::int32_t last, int& skipped) const;

    // Changes. Each returns the report to deliver when the index is registered;
    // false from the bool forms means the index is outside the device.
    bool route(int destination, int source, std::optional<status_report>& report);
    bool set_gpi(int input, bool on, std::optional<status_report>& report);
    bool set_info(int slot, const std::string& text, std::optional<status_report>& report);

    int routed_source(int destination) const;
    bool gpi_on(int input) const;
    const std::string& info_text(int slot) const;

private:
    struct registration {
        std::int32_t first = 0;
        std::int32_t last = -1;
    };
    status_report report(device_type type, int index) const;
    int size(device_type type) const;

    std::int32_t numbers_[3];
    std::vector<registration> registrations_[3];
    std::vector<int> crosspoints_;     // destination -> source, 0 = parked
    std::vector<std::string> pictures_; // source -> picture name
    std::vector<std::string> names_;    // source -> source name
    std::vector<bool> gpi_;
    std::vector<std::string> info_;
};

#endif
