#include "device_model.h"

#include <cerrno>
#include <cstdlib>

namespace {
int slot_of(device_type type) { return static_cast<int>(type); }
} // namespace

const char* device_type_name(device_type type) {
    switch (type) {
    case device_type::router: return "router";
    case device_type::gpi: return "GPI";
    case device_type::info: return "information";
    }
    return "?";
}

device_model::device_model(std::int32_t router, std::int32_t gpi, std::int32_t info)
    : numbers_{router, gpi, info}, crosspoints_(destinations + 1), pictures_(sources + 1), names_(sources + 1),
      gpi_(gpiInputs + 1, false), info_(infoSlots + 1) {
    // A studio that has just been switched on: destination n shows source n.
    for (int d = 1; d <= destinations; ++d) crosspoints_[d] = d;
    for (int s = 1; s <= sources; ++s) {
        pictures_[s] = "chanimg/src" + std::to_string(s) + ".jpg";
        names_[s] = "SRC " + std::to_string(s);
    }
    for (int s = 1; s <= 12; ++s) {
        info_[s] = "CAM " + std::to_string(s);
        info_[20 + s] = "0";
    }
}

std::int32_t device_model::number(device_type type) const { return numbers_[slot_of(type)]; }

std::optional<device_type> device_model::type_of(std::int32_t device) const {
    for (device_type t : {device_type::router, device_type::gpi, device_type::info})
        if (numbers_[slot_of(t)] == device) return t;
    return std::nullopt;
}

int device_model::size(device_type type) const {
    switch (type) {
    case device_type::router: return destinations;
    case device_type::gpi: return gpiInputs;
    case device_type::info: return infoSlots;
    }
    return 0;
}

std::optional<std::string> device_model::source_name(std::int32_t device, std::int32_t selector,
                                                     std::int32_t index) const {
    if (type_of(device) != device_type::router || index < 1 || index > sources) return std::nullopt;
    return selector == pictureSelector ? pictures_[index] : names_[index];
}

void device_model::set_source_picture(int source, const std::string& picture) {
    if (source >= 1 && source <= sources) pictures_[source] = picture;
}

bool device_model::register_range(std::int32_t device, std::int32_t first, std::int32_t last, bool add) {
    std::optional<device_type> t = type_of(device);
    if (!t) return false;
    auto& list = registrations_[slot_of(*t)];
    if (!add) list.clear();
    list.push_back({first, last});
    return true;
}

bool device_model::unregister(std::int32_t device) {
    std::optional<device_type> t = type_of(device);
    if (!t) return false;
    registrations_[slot_of(*t)].clear();
    return true;
}

bool device_model::is_registered(device_type type, std::int32_t index) const {
    for (const registration& r : registrations_[slot_of(type)])
        if (index >= r.first && index <= r.last) return true;
    return false;
}

status_report device_model::report(device_type type, int index) const {
    status_report r;
    r.device = number(type);
    r.index = index;
    switch (type) {
    case device_type::router:
        r.state = crosspoints_[index];
        r.text = std::to_string(r.state);
        break;
    case device_type::gpi:
        r.state = gpi_[index] ? 1 : 0;
        r.text = gpi_[index] ? "1" : "0";
        break;
    case device_type::info: {
        r.text = info_[index];
        errno = 0;
        char* end = nullptr;
        long v = std::strtol(r.text.c_str(), &end, 10);
        r.state = (!r.text.empty() && *end == '\0' && errno == 0 && v >= INT32_MIN && v <= INT32_MAX)
                      ? static_cast<std::int32_t>(v)
                      : 0;
        break;
    }
    }
    return r;
}

std::vector<status_report> device_model::poll(std::int32_t device, std::int32_t first, std::int32_t last,
                                              int& skipped) const {
    std::vector<status_report> out;
    skipped = 0;
    std::optional<device_type> t = type_of(device);
    if (!t || last < first) return out;
    const int n = size(*t);
    // Count in 64 bits: a range such as INT32_MIN..INT32_MAX must not overflow.
    const long long lo = first, hi = last;
    const long long inLo = lo < 1 ? 1 : lo, inHi = hi > n ? n : hi;
    for (long long i = inLo; i <= inHi; ++i) out.push_back(report(*t, static_cast<int>(i)));
    const long long inside = inHi >= inLo ? inHi - inLo + 1 : 0;
    const long long outside = (hi - lo + 1) - inside;
    skipped = outside > 1000000000 ? 1000000000 : static_cast<int>(outside);
    return out;
}

bool device_model::route(int destination, int source, std::optional<status_report>& r) {
    r.reset();
    if (destination < 1 || destination > destinations || source < 0 || source > sources) return false;
    crosspoints_[destination] = source;
    if (is_registered(device_type::router, destination)) r = report(device_type::router, destination);
    return true;
}

bool device_model::set_gpi(int input, bool on, std::optional<status_report>& r) {
    r.reset();
    if (input < 1 || input > gpiInputs) return false;
    gpi_[input] = on;
    if (is_registered(device_type::gpi, input)) r = report(device_type::gpi, input);
    return true;
}

bool device_model::set_info(int slot, const std::string& text, std::optional<status_report>& r) {
    r.reset();
    if (slot < 1 || slot > infoSlots) return false;
    info_[slot] = text;
    if (is_registered(device_type::info, slot)) r = report(device_type::info, slot);
    return true;
}

int device_model::routed_source(int destination) const {
    return destination >= 1 && destination <= destinations ? crosspoints_[destination] : 0;
}

bool device_model::gpi_on(int input) const { return input >= 1 && input <= gpiInputs && gpi_[input]; }

const std::string& device_model::info_text(int slot) const {
    static const std::string none;
    return slot >= 1 && slot <= infoSlots ? info_[slot] : none;
}
