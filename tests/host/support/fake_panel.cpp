// The fake panel. Start-up: asks for source 1's name, shows panel "1",
// registers for and polls router destinations 1 and 2. Reports become "TP"
// commands; button events, timers and property messages are echoed in ways
// a test can check (see the comments in callback()).
#include "fake_panel.h"

#include "split_message.h"
#include "quon_button_record.h"
#include "quon_revertive_record.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <string>

namespace {

class fake_panel final : public quon_client_callback {
public:
    fake_panel(quon_client_callback* host, const char* path) : host_(host) {
        ask("RN 3 6 1");
        send("PS '1' 'fake.ui'");
        send("RR 3 1 16");
        send("RP 3 1 2");
        if (path && std::strcmp(path, "malformed") == 0) {
            // Broken texts a buggy panel might send; the host must go on.
            for (const char* bad : {"ZZ 1", "RR 3 x 16", "TP 'a=b' '1", "", "RP 3 1", "ET 007", "AS x"}) send(bad);
            send(nullptr);
        }
    }

    void* deletingDestructor(unsigned flags) override {
        send("AS");
        if (flags & 1) delete this;
        return this;
    }

    char* callback(void* arg, unsigned kind) override {
        switch (kind) {
        case 1: { // report: TP 'pixmap=<state>:<text>' '1' 'Mon_<index>'
            const auto* r = static_cast<const quon_revertive_record*>(arg);
            send(("TP 'pixmap=" + std::to_string(r->state) + ":" + r->text + "' '1' 'Mon_" + std::to_string(r->index) +
                  "'")
                     .c_str());
            return nullptr;
        }
        case 2: { // button: TP 'event=<name>:<value>' '<panel>' '<id>'
            const auto* b = static_cast<const quon_button_record*>(arg);
            send(("TP 'event=" + std::string(b->event->name) + ":" + b->event->value + "' '" + b->panel + "' '" +
                  b->id + "'")
                     .c_str());
            return nullptr;
        }
        case 3:
            return property(static_cast<const char*>(arg));
        case 4: // timer: ET <id>
            send(("ET " + std::to_string(static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(arg)))).c_str());
            return nullptr;
        case 5: // an answer of ours handed back; a wrong pointer shows up as a double free
            delete[] static_cast<char*>(arg);
            return nullptr;
        default:
            return nullptr;
        }
    }

private:
    // "crash", "hang" and "hoard" (16 MB blocks kept, up to 4 GB) misbehave; "get P" answers TG '1' 'Mon_1' 'P';
    // "ids F" answers XI '1' 'F'; "separators N" puts a text holding N
    // field separators on UMD_1; anything else is answered with itself.
    char* property(const char* message) {
        const std::string m = message ? message : "";
        std::string answer = m;
        if (m == "crash") {
            int* volatile nowhere = nullptr;
            *nowhere = 1;
        } else if (m == "hang") {
            for (volatile bool forever = true; forever;) {}
        } else if (m == "hoard") {
            static std::vector<char*> kept;
            for (int n = 0; n < 256; ++n)
                kept.push_back(static_cast<char*>(std::memset(new char[16 << 20], 1, 16 << 20)));
        } else if (m.compare(0, 4, "get ") == 0) {
            answer = ask(("TG '1' 'Mon_1' '" + m.substr(4) + "'").c_str());
        } else if (m.compare(0, 11, "separators ") == 0) {
            std::string text = "TP 'text=";
            for (long n = std::strtol(m.c_str() + 11, nullptr, 10); n > 0; --n) text += "' '";
            send((text + "' '1' 'UMD_1'").c_str());
        } else if (m.compare(0, 4, "ids ") == 0) {
            answer = ask(("XI '1' '" + m.substr(4) + "'").c_str());
        }
        if (answer.empty()) return nullptr;
        char* copy = new char[answer.size() + 1];
        std::memcpy(copy, answer.c_str(), answer.size() + 1);
        return copy;
    }

    void send(const char* text) { host_->callback(const_cast<char*>(text), 0); }

    // Sends a command whose reply it reads: copies it, then hands it back.
    std::string ask(const char* text) {
        char* reply = host_->callback(const_cast<char*>(text), 0);
        std::string copy = reply ? reply : "";
        if (reply) host_->callback(reply, 5);
        return copy;
    }

    quon_client_callback* host_;
};

} // namespace

quon_client_callback* fake_panel_create(quon_client_callback* host, const char* path) {
    return new fake_panel(host, path);
}
