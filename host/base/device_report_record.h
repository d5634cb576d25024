// device_report_record: a device's status report laid out as the host hands
// it to a script with kind 1 (quon_revertive_record): the four header fields,
// then the text inline with its NUL. The block is exactly as long as that, so
// a script that reads past the text leaves it (the sanitizers see it), and
// comes from operator new, aligned for the script's integer reads. Every host
// side that sends reports (the emulator, the validator, fuzz targets, load
// tests) builds them here.
#ifndef HOST_BASE_DEVICE_REPORT_RECORD_H
#define HOST_BASE_DEVICE_REPORT_RECORD_H

#include <cstdint>
#include <string>
#include <vector>

namespace quon::host {

// `reserved` is 0 from a real host; tests pass others, which the script must ignore.
std::vector<char> device_report_record(std::int32_t device, std::int32_t index, std::int32_t state,
                                       const std::string& text, std::int32_t reserved = 0);

} // namespace quon::host

#endif
