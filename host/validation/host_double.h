// host_double: the validator's host double. It answers commands (always
// null, with plausible texts, or with random texts from a seed, null, empty,
// without "=", huge or with many commas) and checks, call by call, what every
// panel script owes the host: each command parses as a known code with its
// fields; each reply to "TG", "RN" or "XI" comes back exactly once with kind
// 5, before the next command; no other reply and nothing unknown is handed
// back; the script calls with kinds 0 and 5 only.
#ifndef HOST_VALIDATION_HOST_DOUBLE_H
#define HOST_VALIDATION_HOST_DOUBLE_H

#include "quon_client_callback.h"
#include "session/command_parser.h"
#include "devices/file.h"
#include "validation/random.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quon::host {

class validate_host final : public quon_client_callback {
public:
    enum class replies { none, plausible, random };

    // `declared`: a devices file's commands and timers, accepted besides the table's.
    explicit validate_host(replies mode, validate_random* random = nullptr, const device_set* declared = nullptr)
        : mode_(mode), random_(random), declared_(declared) {}

    void* deletingDestructor(unsigned) override { return this; }
    char* callback(void* arg, unsigned kind) override;

    unsigned long commands() const { return commands_; }
    unsigned long malformed() const { return malformed_; }
    unsigned long replies_owed() const { return owedGiven_; }
    unsigned long replies_back() const { return owedBack_; }
    // Replies owed back and not back yet.
    bool outstanding() const { return owed_ != nullptr; }
    const std::string& last_command() const { return last_; }
    // Whether the script signed off ("AS"), and the commands it sent after
    // that (the first few): a script that signed off is gone for its host.
    bool signed_off() const { return signedOff_; }
    const std::vector<std::string>& after_sign_off() const { return afterSignOff_; }
    // Protocol faults, first of each sort, with the command concerned.
    const std::vector<std::string>& faults() const { return faults_; }
    const std::vector<std::string>& malformed_commands() const { return malformedFirst_; }

    // What the script is being given now ("control 1/Take, event \"press\""),
    // named in every fault found until the next call; empty for none.
    void set_context(const std::string& context) { context_ = context; }
    // After an event: a reply still owed is a fault now, not at the next command.
    void settle();
    // Faults found since the count was taken: the check that caused them
    // can name its event.
    std::size_t fault_count() const { return faultCount_; }
    const std::string& last_fault() const { return lastFault_; }

    // The controls the script has put a property on ("TP"), in the order
    // first seen, at most `maxControls` of them.
    static constexpr std::size_t maxControls = 256;
    const std::vector<std::pair<std::string, std::string>>& controls() const { return controls_; }
    // Polls the script made: device, first and last index.
    struct poll_request {
        std::int32_t device, first, last;
    };
    const std::vector<poll_request>& polls() const { return polls_; }

private:
    std::optional<std::string> answer(const std::string& command, const quon_command* known);
    void fault(const std::string& what);
    void learn(const host_command& c);

    replies mode_;
    validate_random* random_;
    const device_set* declared_;
    unsigned long commands_ = 0, malformed_ = 0, owedGiven_ = 0, owedBack_ = 0;
    std::string last_;
    std::vector<std::string> faults_, malformedFirst_, afterSignOff_;
    bool signedOff_ = false;
    std::string context_, lastFault_;
    std::size_t faultCount_ = 0;
    std::vector<std::pair<std::string, std::string>> controls_;
    std::vector<poll_request> polls_;
    std::unique_ptr<char[]> reply_; // the reply now out, a block of its own
    const char* owed_ = nullptr;    // reply_ while it is owed back
};

} // namespace quon::host

#endif
