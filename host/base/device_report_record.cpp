#include "base/device_report_record.h"

#include "quon_revertive_record.h"

#include <cstring>

namespace quon::host {

std::vector<char> device_report_record(std::int32_t device, std::int32_t index, std::int32_t state,
                                       const std::string& text, std::int32_t reserved) {
    const std::int32_t header[4] = {device, reserved, index, state};
    static_assert(sizeof header == offsetof(quon_revertive_record, text), "the text follows the header");
    std::vector<char> bytes(sizeof header + text.size() + 1);
    std::memcpy(bytes.data(), header, sizeof header);
    std::memcpy(bytes.data() + sizeof header, text.c_str(), text.size() + 1);
    return bytes;
}

} // namespace quon::host
