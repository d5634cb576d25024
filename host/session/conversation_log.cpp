#include "session/conversation_log.h"

#include "base/utf8_text.h"

#include <cstdio>

namespace quon::host {

namespace {
const char* kind_name(unsigned kind) {
    switch (kind) {
    case 0:
        return "command";
    case 1:
        return "revertive";
    case 2:
        return "button";
    case 3:
        return "property";
    case 4:
        return "timer";
    case 5:
        return "hand-back";
    case 6:
        return "hook 6";
    case 7:
        return "hook 7";
    }
    return "unknown";
}
} // namespace

void conversation_log::step(const std::string& where, const std::string& what) {
    if (faultsOnly_) return;
    out_ << "\n";
    line() << "[" << where << "] " << printable(what) << std::endl;
}

void conversation_log::event(unsigned kind, const std::string& what) {
    ++events_[kind];
    if (faultsOnly_) return;
    line() << "  > kind " << kind << " " << kind_name(kind) << ": " << printable(what) << std::endl;
}

void conversation_log::lifecycle(const std::string& what) {
    if (!faultsOnly_) line() << "  > " << printable(what) << std::endl;
}

void conversation_log::answer(const std::string* text) {
    ++answers_;
    if (!text) ++nullAnswers_;
    if (faultsOnly_) return;
    line() << "  < answer: " << (text ? "\"" + printable(*text) + "\"" : std::string("null")) << std::endl;
}

void conversation_log::command(const char* text, const std::string& code) {
    ++commands_[code.empty() ? std::string("??") : code];
    if (faultsOnly_) return;
    const std::string t = text ? text : "";
    line() << "  < kind 0 " << (text ? printable(t) : std::string("(null)")) << std::endl;
}

void conversation_log::reply(const std::string* text) {
    if (text && !faultsOnly_) line() << "    reply \"" << printable(*text) << "\"" << std::endl;
}

void conversation_log::malformed(const std::string& why) {
    ++malformed_;
    line() << "    ! malformed command, skipped: " << why << std::endl;
    if (faultListener_) faultListener_("malformed command, skipped: " + why);
}

void conversation_log::hand_back(const std::string* text) {
    ++handBacks_;
    if (!text) ++nullHandBacks_;
    if (faultsOnly_) return;
    line() << "  < kind 5 hand-back " << (text ? "\"" + printable(*text) + "\"" : std::string("null")) << std::endl;
}

void conversation_log::unexpected(unsigned kind) {
    problem("script called the host with kind " + std::to_string(kind) + " (" + kind_name(kind) + ")");
}

void conversation_log::note(const std::string& text) {
    if (!faultsOnly_) line() << "    " << printable(text) << std::endl;
}

void conversation_log::debug_text(const std::string& text) {
    // The same line as the Windows demo shows for wine's debugger channel.
    if (!faultsOnly_) line() << "  debug text: " << printable(text) << std::endl;
}

void conversation_log::problem(const std::string& text) {
    ++problems_;
    line() << "    ! " << printable(text) << std::endl;
    if (faultListener_) faultListener_(text);
}

void conversation_log::expectation(bool passed, const std::string& what, const std::string& detail) {
    line();
    if (earlierBuild_) out_ << "  " << (passed ? "ok" : "differs") << " (an earlier build's, not counted): ";
    else {
        (passed ? passed_ : failed_) += 1;
        out_ << "  " << (passed ? "ok: " : "FAILED: ");
    }
    out_ << printable(what) << std::endl;
    if (!detail.empty()) out_ << detail << (detail.back() == '\n' ? "" : "\n");
    out_.flush();
}

std::string conversation_log::summary_text(int outstandingReplies) const {
    // Built by appends: a live page asks for it after every action.
    std::string out = "\n== summary\ncommands:";
    const auto number = [&out](long long n) -> std::string& { return out.append(std::to_string(n)); };
    int total = 0;
    for (const auto& [code, n] : commands_) {
        out.append(" ").append(code).append(" ");
        number(n);
        total += n;
    }
    out += " (";
    number(total).append(" in all)\nevents to the script:");
    for (const auto& [kind, n] : events_) {
        out += " kind ";
        number(kind).append(" ").append(kind_name(kind)).append(" ");
        number(n).append(";");
    }
    out += "\nproperty answers: ";
    number(answers_).append(" (");
    number(nullAnswers_).append(" null)\nhand-backs from the script: ");
    number(handBacks_).append(" (");
    number(nullHandBacks_).append(" null), replies never handed back: ");
    number(outstandingReplies).append("\nmalformed commands: ");
    number(malformed_).append(", other problems: ");
    number(problems_).append("\nexpectations: ");
    number(passed_).append(" passed, ");
    return number(failed_).append(" failed\n");
}

} // namespace quon::host
