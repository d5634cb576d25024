// Fuzz target: the alarm acknowledgement. A test script turns alarmHandling
// on; the input becomes a run of control events ("ActionAll" with any event
// name and value, "AckAll", other controls, records with null parts) and the
// host's replies to every command. The commands and hand-backs the host sees
// must be exactly those a plain model of the acknowledgement predicts, every
// reply must come back exactly once, and events the acknowledgement does not
// take must reach buttonCallback.
#include "fuzz_check.h"
#include "fuzz_host.h"
#include "fuzz_input.h"
#include "split_message.h"
#include "quon_debug.h"
#include "quon_script_helper.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

class alarm_panel final : public quon_script_helper {
public:
    explicit alarm_panel(quon_client_callback* hostLink) : quon_script_helper(hostLink, "") { alarmHandling = true; }
    int buttons = 0;

protected:
    void buttonCallback(buttonEvent*) override { ++buttons; }
    int revertiveCallback(revertiveEvent*) override { return 0; }
    quon_string propertyCallback(propertyEvent*) override { return quon_string(); }
    int timerCallback(int) override { return 0; }
};

struct button {
    bool nullId = false;
    bool nullEvent = false;
    std::string id;
    std::string eventText; // the control's event as the host splits it
};

// The acknowledgement written out plainly, against the answers the host gave.
class model {
public:
    explicit model(const std::vector<std::optional<std::string>>& answers) : answers_(answers) {}
    std::vector<std::string> log;
    int buttons = 0;
    int warnings = 0;

    void press(const button& b) {
        std::string id = b.nullId ? "" : b.id;
        splitMessage event(b.eventText.c_str());
        std::string name = b.nullEvent ? "" : event.name;
        std::string value = b.nullEvent ? "" : event.value;
        if (id == "ActionAll" && name == "alarm") ack(value);
        else if (id == "AckAll") ack("4");
        else ++buttons;
    }

private:
    // Mirrors the string component's toInt: an optional sign and decimal
    // digits making up the whole text, within 32 bits; anything else is 0.
    static long long toInt(const std::string& s) {
        std::size_t i = (!s.empty() && (s[0] == '-' || s[0] == '+')) ? 1 : 0;
        if (i == s.size()) return 0;
        long long v = 0;
        for (; i < s.size(); ++i) {
            if (s[i] < '0' || s[i] > '9') return 0;
            v = v * 10 + (s[i] - '0');
            if (v > 2147483648LL) return 0;
        }
        if (s[0] == '-') v = -v;
        return v > 2147483647LL ? 0 : v;
    }

    std::optional<std::string> send(const std::string& text) {
        log.push_back("C " + text);
        FUZZ_CHECK(next_ < answers_.size(), "the script sent fewer commands than the model");
        std::optional<std::string> a = answers_[next_++];
        if (a && quon_reply_handed_back(text.c_str(), a->c_str())) replyNumber_ = given_++;
        return a;
    }
    void handBack() { log.push_back("R " + std::to_string(replyNumber_)); }

    void ack(const std::string& arg) {
        long long mode = -1;
        if (arg == "ack") mode = 4;
        else if (arg.size() == 1 && arg[0] >= '0' && arg[0] <= '9') mode = arg[0] - '0'; // any other character: no mode
        std::optional<std::string> list = send("XI '1' 'alm_'");
        if (!list) return;
        handBack();
        std::vector<std::string> ids;
        if (!list->empty()) {
            ids.emplace_back();
            for (char c : *list) {
                if (c == ',') ids.emplace_back();
                else ids.back() += c;
            }
        }
        for (const std::string& id : ids) {
            send("TP 'alarm=" + arg + "' '1' '" + id + "'");
            if (mode == 4) {
                std::string value;
                if (std::optional<std::string> r = send("TG '1' '" + id + "' 'value'")) {
                    handBack();
                    std::size_t eq = r->find('=');
                    std::string before = r->substr(0, eq);
                    if (before == "value") value = r->substr(eq + 1);
                    else ++warnings;
                }
                long long v = toInt(value);
                if (!(v == 0 || (v >= 2 && v <= 5))) send("TP 'value=4' '1' '" + id + "'");
            } else if (mode != -1) {
                send("TP 'value=" + std::to_string(mode) + "' '1' '" + id + "'");
            }
        }
    }

    const std::vector<std::optional<std::string>>& answers_;
    std::size_t next_ = 0;
    unsigned long given_ = 0;
    unsigned long replyNumber_ = 0;
};

int warnings = 0;
void countWarning(void*, const char*) { ++warnings; }

button draw_button(FuzzedDataProvider& in) {
    button b;
    switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0:
    case 1:
        b.id = "ActionAll";
        break;
    case 2:
        b.id = "AckAll";
        break;
    case 3:
        b.id = draw_text(in, 12);
        break;
    default:
        b.nullId = true;
    }
    switch (in.ConsumeIntegralInRange(0, 5)) {
    case 0:
        b.eventText = "alarm=ack";
        break;
    case 1:
        b.eventText = "alarm=" + std::to_string(in.ConsumeIntegralInRange(-1, 9));
        break;
    case 2:
        b.eventText = "alarm=" + draw_text(in, 8);
        break;
    case 3:
        b.nullEvent = true;
        break;
    default:
        b.eventText = draw_text(in, 24);
    }
    return b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    warnings = 0;
    quon_set_debug_sink(&countWarning, nullptr);

    fuzz_host host;
    host.reply = [&in](const std::string&) { return draw_reply(in); };
    auto* panel = new alarm_panel(&host);
    quon_client_callback* script = panel;

    std::vector<button> pressed;
    while (in.remaining_bytes() > 0 && pressed.size() < 64) {
        pressed.push_back(draw_button(in));
        const button& b = pressed.back();
        splitMessage event(b.eventText.c_str());
        quon_button_record record{{0, 0}, "1", b.nullId ? nullptr : b.id.c_str(), b.nullEvent ? nullptr : &event};
        FUZZ_CHECK(script->callback(&record, quon_kind_button) == nullptr, "a control event is answered with null");
    }
    const int buttons = panel->buttons;
    script->deletingDestructor(1);
    host.finish();

    model m(host.answers);
    for (const button& b : pressed) m.press(b);
    m.log.push_back("C AS");
    FUZZ_CHECK(host.log == m.log, "commands and hand-backs as the acknowledgement prescribes");
    FUZZ_CHECK(buttons == m.buttons, "the other control events reach buttonCallback");
    FUZZ_CHECK(warnings == m.warnings, "one warning per reply for another property");
    quon_set_debug_sink(nullptr, nullptr);
    return 0;
}
