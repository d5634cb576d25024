#include "stream_host.h"

namespace {
bool starts(const std::string& s, const char* prefix) { return s.compare(0, 3, prefix) == 0; }
} // namespace

char* stream_host::callback(void* arg, unsigned kind) {
    if (kind == quon_kind_release) {
        const std::string problem = ledger_.handBack(static_cast<const char*>(arg));
        if (!problem.empty()) fault(problem);
        else record(arg ? "R " + reply_ : std::string("R null"));
        return nullptr;
    }
    if (kind != quon_kind_command || !arg) {
        fault("call with kind " + std::to_string(kind) + (arg ? "" : " and a null text"));
        return nullptr;
    }
    ++commands_;
    const std::string text(static_cast<const char*>(arg));
    record("C " + text);
    char* reply = answer(text);
    const std::string problem = ledger_.command(text.c_str(), reply);
    if (!problem.empty()) fault(problem.substr(0, problem.find('"')) + "sent before the previous reply came back");
    return reply;
}

char* stream_host::answer(const std::string& text) {
    if (starts(text, "RN ")) {
        const int source = std::stoi(text.substr(text.rfind(' ') + 1));
        if (source % 5 == 0) return nullptr;
        reply_ = "chanimg/source_" + std::to_string(source) + ".jpg";
    } else if (starts(text, "TG ")) {
        reply_ = "value=1";
    } else if (starts(text, "XI ")) {
        reply_ = "alm_1,alm_2";
    } else {
        return nullptr;
    }
    return &reply_[0];
}

void stream_host::note(const std::string& entry) { record(entry); }

void stream_host::record(const std::string& entry) {
    ++entries_;
    for (char c : entry) digest_ = (digest_ ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    digest_ = (digest_ ^ 0xffu) * 1099511628211ull; // entry boundary
    if (keepLog_) log_.push_back(entry);
}

void stream_host::fault(const std::string& what) {
    for (const std::string& f : faults_)
        if (f == what) return;
    faults_.push_back(what);
}
