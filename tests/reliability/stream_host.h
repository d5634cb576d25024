// stream_host: a host double for long event streams. It answers "RN" with a
// picture name (null for every fifth source), "TG" and "XI" with short texts,
// and everything else with null; it holds the script to the boundary's reply
// rule (quon_hand_back_ledger.h): each owed reply, null included, comes back
// exactly once and before the next command, and nothing else comes back. It keeps either the whole
// conversation (to compare runs) or only a digest, so that a run of any
// length uses constant memory. One stream_host serves one panel on one
// thread; there is nothing shared between instances.
#ifndef STREAM_HOST_H
#define STREAM_HOST_H

#include "quon_hand_back_ledger.h"
#include "quon_client_callback.h"

#include <cstdint>
#include <string>
#include <vector>

class stream_host final : public quon_client_callback {
public:
    explicit stream_host(bool keepLog) : keepLog_(keepLog) {}

    void* deletingDestructor(unsigned) override { return this; }
    char* callback(void* arg, unsigned kind) override;

    // Adds an entry of the caller's own (a property answer) to the record.
    void note(const std::string& entry);

    const std::vector<std::string>& log() const { return log_; }
    std::uint64_t digest() const { return digest_; }
    unsigned long long entries() const { return entries_; }
    unsigned long long commands() const { return commands_; }
    // Protocol faults seen so far, each described once; empty when clean.
    const std::vector<std::string>& faults() const { return faults_; }
    bool replyOutstanding() const { return ledger_.owing(); }

private:
    char* answer(const std::string& text);
    void record(const std::string& entry);
    void fault(const std::string& what);

    bool keepLog_;
    std::vector<std::string> log_;
    std::uint64_t digest_ = 14695981039346656037ull; // FNV-1a over every entry
    unsigned long long entries_ = 0;
    unsigned long long commands_ = 0;
    std::vector<std::string> faults_;
    std::string reply_; // the one reply out at a time
    quon_hand_back_ledger ledger_;
};

#endif
