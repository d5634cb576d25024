// The validator's checks against scripts whose faults are known: each fault
// must be found by the check meant for it, and a sound script must pass.
#include "validation/checks.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace quon::host;

namespace {

// A script that keeps every rule but the one its mode breaks.
enum class fault { none, null_factory, text_for_report, answer_is_argument, no_shutdown_notice, silent };

fault chosen = fault::none;

class faulty_script final : public quon_client_callback {
public:
    explicit faulty_script(quon_client_callback* host) : host_(host) {
        if (!host_) return;
        // Asks for a reply and hands it back; puts a property on one control.
        if (char* reply = host_->callback(const_cast<char*>("RN 3 6 1"), quon_kind_command))
            host_->callback(reply, quon_kind_release);
        host_->callback(const_cast<char*>("TP 'text=a' '1' 'Take'"), quon_kind_command);
    }
    void* deletingDestructor(unsigned flags) override {
        if (host_ && chosen != fault::no_shutdown_notice) host_->callback(const_cast<char*>("AS"), 0);
        if (flags & 1) delete this;
        return this;
    }
    char* callback(void* arg, unsigned kind) override {
        // Not the script's to give, so never handed back: a text of its own that lives on.
        static char reportText[] = "x";
        if (kind == quon_kind_revertive && chosen == fault::text_for_report) return reportText;
        if (kind == quon_kind_property && arg) {
            if (chosen == fault::answer_is_argument) return static_cast<char*>(arg);
            if (chosen != fault::silent) return answer("ok");
        }
        if (kind == quon_kind_release) delete[] static_cast<char*>(arg);
        return nullptr;
    }

private:
    static char* answer(const char* text) {
        char* copy = new char[std::strlen(text) + 1];
        std::strcpy(copy, text);
        return copy;
    }
    quon_client_callback* host_;
};

quon_client_callback* make_faulty(quon_client_callback* host, const char*) {
    return chosen == fault::null_factory ? nullptr : new faulty_script(host);
}

using check_fn = check_result (*)(const validate_options&, validate_totals&);
using findings = std::vector<std::string> validate_totals::*;

struct case_row {
    const char* name;
    fault mode;
    check_fn check;
    bool ok;            // what the check itself says
    findings found;     // the list its finding lands in, or null when none may
    const char* detail; // a part of the check's account
};

const case_row rows[] = {
    {"null factory fails create", fault::null_factory, check_create, false, nullptr, "factory returned null"},
    {"null factory fails repeat", fault::null_factory, check_repeat, false, nullptr, "at creation 1"},
    {"null factory fails kinds", fault::null_factory, check_kinds, false, nullptr, "factory returned null"},
    {"text answering a report", fault::text_for_report, check_kinds, true, &validate_totals::resultFaults,
     "twenty times"},
    {"answer that is the message", fault::answer_is_argument, check_kinds, true, &validate_totals::answerFaults, ""},
    {"no shut-down notice", fault::no_shutdown_notice, check_create, true, &validate_totals::shutdownFaults, ""},
    {"a sound script", fault::silent, check_null_records, true, nullptr, "null argument for every kind"},
    {"a sound script, random events", fault::none, check_random, true, nullptr, "300 events"},
};

} // namespace

TEST(ValidateChecks, EachFaultIsFoundByItsCheck) {
    for (const case_row& row : rows) {
        SCOPED_TRACE(row.name);
        chosen = row.mode;
        validate_totals totals;
        validate_options options;
        options.factory = make_faulty;
        options.seed = 7;
        options.events = 300;
        const check_result r = row.check(options, totals);
        EXPECT_EQ(r.ok, row.ok) << r.detail;
        EXPECT_NE(r.detail.find(row.detail), std::string::npos) << r.detail;
        for (findings list : {&validate_totals::resultFaults, &validate_totals::answerFaults,
                              &validate_totals::shutdownFaults, &validate_totals::protocolFaults}) {
            const bool expected = list == row.found;
            EXPECT_EQ(!(totals.*list).empty(), expected) << (totals.*list).size();
        }
    }
    chosen = fault::none;
}

TEST(ValidateChecks, TotalsCountRepliesAndLearnControlsOnce) {
    validate_totals totals;
    validate_options options;
    options.factory = make_faulty;
    options.seed = 3;
    options.events = 2000;
    chosen = fault::none;
    EXPECT_TRUE(check_random(options, totals).ok);
    EXPECT_EQ(totals.controls.size(), 1u);
    // The script asks for a source name at start and hands the reply back.
    EXPECT_GT(totals.owedGiven, 0u);
    EXPECT_EQ(totals.owedGiven, totals.owedBack);
    EXPECT_EQ(totals.destroyed, 1u);
    EXPECT_TRUE(totals.protocolFaults.empty()) << totals.protocolFaults.front();

    validate_totals merged;
    merged.merge(totals);
    merged.merge(totals);
    EXPECT_EQ(merged.commands, 2 * totals.commands);
    EXPECT_EQ(merged.controls, totals.controls); // a control is learnt once
}

TEST(ValidateChecks, NoteKeepsTheFirstFew) {
    std::vector<std::string> list;
    for (int i = 0; i < 20; ++i) note(list, std::to_string(i));
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list.front(), "0");
    EXPECT_EQ(list.back(), "4");
}
