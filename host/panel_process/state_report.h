// state_report: the state messages of the panel's process. It keeps
// what it last told the server, so that each message carries only what
// changed since: the groups of the controls that changed rather than the
// whole picture, the device indices that changed, the counts and the devices
// only when they did. Its first message holds everything.
#ifndef HOST_PANEL_PROCESS_STATE_REPORT_H
#define HOST_PANEL_PROCESS_STATE_REPORT_H

#include "picture/page_painter.h"
#include "panel_process/live_panel.h"
#include "protocol/messages.h"

#include <optional>
#include <string>

namespace quon::host {

class state_report {
public:
    // The state message for `live` as it is now.
    std::string next(live_panel& live);

private:
    page_painter painter_;
    std::string summary_, devices_, status_;
    std::optional<std::uint64_t> devicesRevision_; // none: nothing told yet
    std::uint64_t namesRevision_ = 0;
};

} // namespace quon::host

#endif
