// conversation_log: prints the conversation between this host and a script as
// it happens (">" host to script, "<" script to host), counts what passed, and
// prints the closing summary.
#ifndef HOST_SESSION_CONVERSATION_LOG_H
#define HOST_SESSION_CONVERSATION_LOG_H

#include <functional>
#include <map>
#include <ostream>
#include <string>

namespace quon::host {

class conversation_log {
public:
    explicit conversation_log(std::ostream& out) : out_(out) {}

    void step(const std::string& where, const std::string& what);
    void event(unsigned kind, const std::string& what); // host to script
    void lifecycle(const std::string& what);            // factory call or destruction
    void answer(const std::string* text);               // the script's kind 3 answer, null if none
    // Script to host, kind 0, counted under `code` (a code this host knows;
    // empty: counted as "??").
    void command(const char* text, const std::string& code);
    void reply(const std::string* text);     // this host's reply, null if none
    void malformed(const std::string& why);  // the command just logged is skipped
    void hand_back(const std::string* text); // script hands a reply back (kind 5)
    void unexpected(unsigned kind);          // script called with a kind a host never takes
    void note(const std::string& text);
    void debug_text(const std::string& text); // what the script wrote to its debugger
    void problem(const std::string& text);    // a fault of the script that the run goes on from
    void expectation(bool passed, const std::string& what, const std::string& detail);
    // While set, expectations are shown but not counted: they were made by
    // an earlier build of the library than the one being played.
    void set_earlier_build(bool earlier) { earlierBuild_ = earlier; }
    // Where several scripts share the run, the one each line is about: its
    // lines begin "[NAME] " (empty: no tag).
    void set_script(const std::string& name) { tag_ = name.empty() ? name : "[" + name + "] "; }
    // Only the lines naming a fault of the script (problems, malformed
    // commands) are written; the rest is only counted: a soak plays millions
    // of events whose conversation nobody reads.
    void set_faults_only(bool faultsOnly) { faultsOnly_ = faultsOnly; }
    // An event whose words `words()` makes only when they are written.
    template <typename make_words>
    void event_said(unsigned kind, const make_words& words) {
        event(kind, faultsOnly_ ? std::string() : words());
    }

    // Hears each fault of the script (a problem, a malformed command) as it
    // is logged, as the text it is, before the log escapes it: a soak keeps
    // the first few without writing the conversation anywhere.
    void set_fault_listener(std::function<void(const std::string&)> listener) { faultListener_ = std::move(listener); }

    int failed() const { return failed_; }
    int problems() const { return problems_; }
    int malformed() const { return malformed_; }
    void summary(int outstandingReplies) { out_ << summary_text(outstandingReplies) << std::flush; }
    // The counts so far, as the summary prints them.
    std::string summary_text(int outstandingReplies) const;

private:
    std::ostream& line() { return out_ << tag_; } // a new line of the conversation
    std::ostream& out_;
    std::string tag_;
    std::map<std::string, int> commands_;
    std::map<unsigned, int> events_;
    int answers_ = 0, nullAnswers_ = 0, handBacks_ = 0, nullHandBacks_ = 0;
    int malformed_ = 0, problems_ = 0, passed_ = 0, failed_ = 0;
    bool earlierBuild_ = false;
    bool faultsOnly_ = false;
    std::function<void(const std::string&)> faultListener_;
};

} // namespace quon::host

#endif
