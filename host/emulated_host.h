// emulated_host: this program's side of the boundary, the object a script
// calls with kind 0 (commands) and kind 5 (hand-backs). It executes each
// command against the device and page models, keeps every reply alive until
// the script hands it back, and queues the status reports that polls ask for;
// they are delivered once the script has returned to the host.
#ifndef HOST_EMULATED_HOST_H
#define HOST_EMULATED_HOST_H

#include "command_parser.h"
#include "conversation_log.h"
#include "device_model.h"
#include "page_model.h"
#include "quon_client_callback.h"

#include <list>
#include <optional>
#include <string>
#include <vector>

class emulated_host final : public quon_client_callback {
public:
    emulated_host(device_model& devices, page_model& page, conversation_log& log)
        : devices_(devices), page_(page), log_(log) {}
    ~emulated_host() = default;
    emulated_host(const emulated_host&) = delete;
    emulated_host& operator=(const emulated_host&) = delete;

    // This object belongs to the program; a script never destroys it.
    void* deletingDestructor(unsigned) override;
    char* callback(void* arg, unsigned kind) override;

    // Reports asked for by polls and not delivered yet, oldest first.
    std::vector<status_report> take_pending();
    // Command texts received since the last clear (malformed ones included).
    const std::vector<std::string>& commands() const { return commands_; }
    void clear_commands() { commands_.clear(); }
    // Replies that the script must hand back and has not yet.
    int outstanding() const;
    bool shut_down() const { return shutDown_; }

private:
    std::optional<std::string> execute(const host_command& c, bool& mustHandBack);
    bool check_device(const host_command& c, device_type expected);
    char* keep(std::string text, bool mustHandBack);

    struct reply {
        std::string text;
        bool mustHandBack;
    };
    device_model& devices_;
    page_model& page_;
    conversation_log& log_;
    std::list<reply> live_; // stable addresses while the script holds them
    std::vector<status_report> pending_;
    std::vector<std::string> commands_;
    bool shutDown_ = false;
};

#endif
