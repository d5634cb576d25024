// validate_host: the validator's host double. It answers commands (always
// null, with plausible texts, or with random texts from a seed, null, empty,
// without "=", huge or with many commas) and checks, call by call, what every
// panel script owes the host: each command parses as a known code with its
// fields; each reply to "TG", "RN" or "XI" comes back exactly once with kind
// 5, before the next command; no other reply and nothing unknown is handed
// back; the script calls with kinds 0 and 5 only.
#ifndef HOST_VALIDATE_HOST_H
#define HOST_VALIDATE_HOST_H

#include "quon_client_callback.h"
#include "validate_random.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class validate_host final : public quon_client_callback {
public:
    enum class replies { none, plausible, random };

    explicit validate_host(replies mode, validate_random* random = nullptr) : mode_(mode), random_(random) {}

    void* deletingDestructor(unsigned) override { return this; }
    char* callback(void* arg, unsigned kind) override;

    unsigned long commands() const { return commands_; }
    unsigned long malformed() const { return malformed_; }
    unsigned long repliesOwed() const { return owedGiven_; }
    unsigned long repliesBack() const { return owedBack_; }
    // Replies owed back and not back yet.
    bool outstanding() const { return owed_ != nullptr; }
    const std::string& lastCommand() const { return last_; }
    // Protocol faults, first of each sort, with the command concerned.
    const std::vector<std::string>& faults() const { return faults_; }
    const std::vector<std::string>& malformedCommands() const { return malformedFirst_; }

private:
    std::optional<std::string> answer(const std::string& command);
    void fault(const std::string& what);

    replies mode_;
    validate_random* random_;
    unsigned long commands_ = 0, malformed_ = 0, owedGiven_ = 0, owedBack_ = 0;
    std::string last_;
    std::vector<std::string> faults_, malformedFirst_;
    std::unique_ptr<char[]> reply_; // the reply now out, a block of its own
    const char* owed_ = nullptr;     // reply_ while it is owed back
};

#endif
