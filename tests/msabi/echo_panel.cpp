// echo_panel: a panel script for testing the framework boundary without any
// panel logic. It shows "echo.quon_ui", fetches one router name, and turns
// every event it receives into a command that tells the host what arrived.
#include "quon_script_helper.h"

#ifdef _WIN32
#define ECHO_EXPORT __declspec(dllexport)
#else
#define ECHO_EXPORT __attribute__((visibility("default")))
#endif

namespace {

class echo_panel : public quon_script_helper {
public:
    echo_panel(quon_client_callback* hostLink, const char* path) : quon_script_helper(hostLink, path) {
        panelShow("echo", "echo.quon_ui", quon_string());
        routerName(9, 1, 2, name);
    }
    ~echo_panel() override { textPut("bye", "1", "echo", "x"); }

protected:
    int revertiveCallback(revertiveEvent* event) override {
        quon_string text = quon_string("%1,%2,%3,%4").arg(event->device()).arg(event->index()).arg(event->state());
        textPut("rev", text.arg(event->text()), "echo", "r");
        return 0;
    }
    void buttonCallback(buttonEvent* event) override {
        textPut("btn", event->panel() + "|" + event->id() + "|" + event->event() + "|" + event->value(), "echo", "b");
    }
    quon_string propertyCallback(propertyEvent* event) override {
        const quon_string command = event->command();
        if (command == "name") return name;
        if (command == "quiet") return quon_string();
        return "echo:" + command + "=" + event->value();
    }
    int timerCallback(int id) override {
        timerStop(id);
        return 0;
    }
    void kind6Callback(hookEvent*) override { textPut("hook", "6", "echo", "h"); }
    void kind7Callback(hookEvent*) override { textPut("hook", "7", "echo", "h"); }

private:
    quon_string name;
};

} // namespace

extern "C" ECHO_EXPORT quon_client_callback* load_quon_client_script(quon_client_callback* host, const char* path) {
    return new echo_panel(host, path);
}
