// quon_test_host: a host double for a panel's unit tests. It plays the host's
// side of the boundary: it records every call the panel makes (commands with
// kind 0, hand-backs with kind 5, anything else), answers commands from a
// reply function, and delivers every event kind to the panel through its one
// entry point, building the records as the host does. It holds the panel to
// the boundary's reply rule (quon_hand_back_ledger.h): a command sent while a
// reply is owed, a hand-back of a reply to be ignored, of a null not owed or
// of a text never given (or given back already), and a reply still owed when
// the panel is destroyed each fail the running GoogleTest test (or go to
// onFault, for a program that is no GoogleTest test: a fuzz target). While it
// lives it gathers the panel's debugger texts (debug(), quon_debug.h) in
// place of the platform output, and gives the previous output back after.
//
//   quon_test_host host;
//   host.start(load_quon_client_script, "zed");
//   EXPECT_EQ(host.button("1", "Take", "press"), std::vector<std::string>{"TP 'text=taken' '1' 'Status'"});
//   EXPECT_TRUE(host.wrote_debug("zed: taken")); // written by that press
//
// One host serves one panel on one thread; one host gathers texts at a time.
#ifndef QUON_TEST_HOST_H
#define QUON_TEST_HOST_H

#include "quon_button_record.h"
#include "quon_client_callback.h"
#include "quon_debug.h"
#include "quon_export.h"
#include "quon_hand_back_ledger.h"
#include "quon_revertive_record.h"
#include "split_message.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <list>
#include <optional>
#include <string>
#include <vector>

// A device report (quon_revertive_record) as the host builds one: the four
// numbers in whole 32-bit words, the text inline after them.
class quon_test_report {
public:
    // The report of `device`: `index` now has `state`, shown as `text`.
    quon_test_report(int device, int index, int state, const std::string& text = "")
        : words_(4 + (text.size() + 1 + 3) / 4, 0) {
        words_[0] = device;
        words_[2] = index;
        words_[3] = state;
        std::memcpy(words_.data() + 4, text.c_str(), text.size() + 1);
    }
    // The record, for callback(data(), quon_kind_revertive).
    void* data() { return words_.data(); }

private:
    std::vector<std::int32_t> words_; // keeps the numbers aligned
};

// One call a panel made on its host.
struct quon_host_call {
    unsigned kind;    // quon_event_kind: 0 a command, 5 a hand-back, others as sent
    std::string text; // the command; for a hand-back, the reply text, "<null>" or "<unknown>"
};

class quon_test_host final : public quon_client_callback {
public:
    // Answers a command; std::nullopt answers null.
    using reply_fn = std::function<std::optional<std::string>(const std::string& command)>;
    // Takes a fault of the reply protocol, named.
    using fault_fn = std::function<void(const std::string& fault)>;

    reply_fn reply;                    // unset: every command is answered with null
    fault_fn onFault;                  // unset: a fault fails the running GoogleTest test
    std::vector<quon_host_call> calls; // every call, in order
    int unknownHandBacks = 0;          // hand-backs of pointers this host never gave

    // Gathers the debugger texts from now on.
    quon_test_host() { savedSink_ = quon_get_debug_sink(&savedContext_), quon_set_debug_sink(&take_debug, this); }
    quon_test_host(const quon_test_host&) = delete;
    quon_test_host& operator=(const quon_test_host&) = delete;
    // Destroys a panel still running (see stop()), then gives the debugger
    // output back to whoever had it.
    ~quon_test_host() {
        stop();
        quon_set_debug_sink(savedSink_, savedContext_);
    }

    // Creates a panel through its library's factory, bound to this host with
    // base path `path`, as a host loads one; its start-up commands are recorded.
    void start(quon_load_script_fn factory, const char* path) {
        stop();
        stepDebug_ = debugTexts_.size();
        panel_ = factory(this, path);
        if (!panel_) ADD_FAILURE() << "the factory returned null";
    }

    // Creates a panel of class `Panel` directly and gives access to it.
    template <class Panel>
    Panel& start(const char* path) {
        stop();
        stepDebug_ = debugTexts_.size();
        Panel* panel = new Panel(this, path);
        panel_ = panel;
        return *panel;
    }

    // Destroys the panel as the host does, through slot 0 with flags 1; its
    // closing commands are recorded. A reply still owed back then is a fault.
    void stop() {
        if (!panel_) return;
        stepDebug_ = debugTexts_.size();
        quon_client_callback* panel = panel_;
        panel_ = nullptr;
        panel->deletingDestructor(1);
        if (ledger_.owing()) protocol_fault("a reply was never handed back");
    }

    // Delivers a device report (kind 1); returns the commands it caused.
    std::vector<std::string> report(int device, int index, int state, const std::string& text = "") {
        quon_test_report record(device, index, state, text);
        return deliver(record.data(), quon_kind_revertive);
    }

    // Delivers a control's event (kind 2), split as the host splits it:
    // "press" is a bare name, "name=value" has both.
    std::vector<std::string> button(const char* panelName, const char* id, const char* event) {
        splitMessage split(event);
        quon_button_record record{{0, 0}, panelName, id, &split};
        return deliver(&record, quon_kind_button);
    }

    // Sends a property message (kind 3). A non-null answer is copied and
    // handed back with kind 5, as the host does; null gives std::nullopt.
    std::optional<std::string> property(const char* message) {
        std::string text = message ? message : "";
        stepDebug_ = debugTexts_.size();
        char* answer = panelOrFail()->callback(message ? &text[0] : nullptr, quon_kind_property);
        if (!answer) return std::nullopt;
        std::string copy = answer;
        panel_->callback(answer, quon_kind_release);
        return copy;
    }

    // Delivers a tick of timer `id` (kind 4); returns the commands it caused.
    std::vector<std::string> timer(int id) {
        return deliver(reinterpret_cast<void*>(static_cast<std::intptr_t>(id)), quon_kind_timer);
    }

    // Delivers a host record of kind 6 or 7; returns the commands it caused.
    std::vector<std::string> hook(unsigned kind, void* record) { return deliver(record, kind); }

    // The panel's side of the boundary, or null before start() and after stop().
    quon_client_callback* panel() const { return panel_; }

    // The host's side: slot 0 of the host object is never called by a panel.
    void* deletingDestructor(unsigned) override { return this; }

    // The host's side: a panel's command (kind 0) or hand-back (kind 5).
    char* callback(void* arg, unsigned kind) override {
        if (kind == quon_kind_release) {
            handBack(static_cast<char*>(arg));
            return nullptr;
        }
        std::string text = arg ? static_cast<const char*>(arg) : "<null>";
        calls.push_back({kind, text});
        if (kind != quon_kind_command) return nullptr;
        std::optional<std::string> answer = reply ? reply(text) : std::nullopt;
        char* given = nullptr;
        if (answer) {
            live_.push_back(*answer);
            given = live_.back().data();
        }
        protocol_fault(ledger_.command(text.c_str(), given));
        return given;
    }

    // The texts of the commands (kind 0) since `from` calls, in order.
    std::vector<std::string> commands(std::size_t from = 0) const {
        std::vector<std::string> out;
        for (std::size_t i = from; i < calls.size(); ++i)
            if (calls[i].kind == quon_kind_command) out.push_back(calls[i].text);
        return out;
    }

    // Replies given and not handed back yet.
    std::size_t outstandingReplies() const { return live_.size(); }

    // Whether a reply, null included, is owed back now.
    bool owing() const { return ledger_.owing(); }

    // Every debugger text the panel wrote while this host lived, in order,
    // each without its line end; empty texts are left out. A panel that
    // writes without end costs at most maxDebugBytes: later texts are only
    // counted (debug_texts_dropped).
    const std::vector<std::string>& debug_texts() const { return debugTexts_; }
    // The texts left out past maxDebugBytes.
    std::size_t debug_texts_dropped() const { return debugDropped_; }
    // The bytes of debugger text a host keeps.
    static constexpr std::size_t maxDebugBytes = 1u << 20;
    // The texts written by the last step: the last start(), stop() or
    // event delivered (as expect-debug counts them in a scenario).
    std::vector<std::string> step_debug_texts() const {
        return std::vector<std::string>(debugTexts_.begin() + stepDebug_, debugTexts_.end());
    }
    // Whether the last step wrote `text` (whole, without its line end); the
    // failure names what it wrote. EXPECT_TRUE(host.wrote_debug("...")).
    ::testing::AssertionResult wrote_debug(const std::string& text) const {
        const std::vector<std::string> step = step_debug_texts();
        for (const std::string& written : step)
            if (written == text) return ::testing::AssertionSuccess();
        ::testing::AssertionResult failure = ::testing::AssertionFailure();
        failure << "the last step did not write the debugger text \"" << text << "\"; it wrote "
                << (step.empty() ? "none" : std::to_string(step.size()) + ":");
        for (const std::string& written : step) failure << "\n  " << written;
        if (debugDropped_ > 0)
            failure << "\n(" << debugDropped_ << " texts past " << maxDebugBytes << " bytes left out)";
        return failure;
    }

private:
    quon_client_callback* panelOrFail() {
        if (!panel_) ADD_FAILURE() << "no panel: call start() first";
        return panel_ ? panel_ : &none_;
    }

    std::vector<std::string> deliver(void* arg, unsigned kind) {
        const std::size_t from = calls.size();
        stepDebug_ = debugTexts_.size();
        panelOrFail()->callback(arg, kind);
        return commands(from);
    }

    void handBack(char* p) {
        protocol_fault(ledger_.handBack(p));
        if (!p) {
            calls.push_back({quon_kind_release, "<null>"});
            return;
        }
        for (auto it = live_.begin(); it != live_.end(); ++it) {
            if (it->data() == p) {
                calls.push_back({quon_kind_release, *it});
                live_.erase(it);
                return;
            }
        }
        ++unknownHandBacks;
        calls.push_back({quon_kind_release, "<unknown>"});
    }

    // The debug sink: a text as the host shows it, without its line end.
    static void take_debug(void* self, const char* text) {
        std::string kept = text ? text : "";
        if (!kept.empty() && kept.back() == '\n') kept.pop_back();
        if (!kept.empty() && kept.back() == '\r') kept.pop_back();
        if (kept.empty()) return;
        quon_test_host& host = *static_cast<quon_test_host*>(self);
        if (host.debugBytes_ + kept.size() > maxDebugBytes) {
            ++host.debugDropped_;
            return;
        }
        host.debugBytes_ += kept.size();
        host.debugTexts_.push_back(std::move(kept));
    }

    void protocol_fault(const std::string& fault) const {
        if (fault.empty()) return;
        if (onFault) onFault("reply protocol: " + fault);
        else ADD_FAILURE() << "reply protocol: " << fault;
    }

    // Stands in for a missing panel, so that a misuse fails the test only.
    struct no_panel final : quon_client_callback {
        void* deletingDestructor(unsigned) override { return this; }
        char* callback(void*, unsigned) override { return nullptr; }
    };

    quon_client_callback* panel_ = nullptr;
    no_panel none_;
    std::list<std::string> live_; // stable addresses while handed out
    quon_hand_back_ledger ledger_;
    std::vector<std::string> debugTexts_;
    std::size_t stepDebug_ = 0; // where the last step's texts begin
    std::size_t debugBytes_ = 0, debugDropped_ = 0;
    quon_debug_sink savedSink_ = nullptr;
    void* savedContext_ = nullptr;
};

#endif
