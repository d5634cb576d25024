// test_panel: a small script for the framework's tests. It records which
// handler got what, answers property messages with a text the test sets,
// reports its destruction, and makes the protected host commands public.
#ifndef TEST_PANEL_H
#define TEST_PANEL_H

#include "quon_script_helper.h"
#include "split_message.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

struct handler_call {
    std::string handler; // "button", "revertive", "property", "timer", "kind6", "kind7"
    std::vector<std::string> texts;
    std::vector<long long> numbers;
    const void* record = nullptr;
};

class test_panel : public quon_script_helper {
public:
    test_panel(quon_client_callback* hostLink, const char* path) : quon_script_helper(hostLink, path) {}
    ~test_panel() override {
        if (destroyed) ++*destroyed;
        // A script's own last command, which must precede the framework's "AS".
        if (unregisterOnDestroy) routerUnregister(3);
    }

    using quon_script_helper::ackAlarms;
    using quon_script_helper::alarmHandling;
    using quon_script_helper::basePath;
    using quon_script_helper::debug;
    using quon_script_helper::getIdList;
    using quon_script_helper::gpiPoll;
    using quon_script_helper::gpiRegister;
    using quon_script_helper::gpiUnregister;
    using quon_script_helper::infoPoll;
    using quon_script_helper::infoRegister;
    using quon_script_helper::infoUnregister;
    using quon_script_helper::panelShow;
    using quon_script_helper::routerName;
    using quon_script_helper::routerPoll;
    using quon_script_helper::routerRegister;
    using quon_script_helper::routerUnregister;
    using quon_script_helper::textGet;
    using quon_script_helper::textPut;
    using quon_script_helper::timerStop;

    std::vector<handler_call> calls;
    std::string answer; // what propertyCallback returns
    int* destroyed = nullptr;
    bool unregisterOnDestroy = false;

    // Class allocation functions, so a test can see the deleting destructor free.
    static int deletes;
    static void* operator new(std::size_t size) { return ::operator new(size); }
    static void* operator new(std::size_t, void* at) noexcept { return at; }
    static void operator delete(void* p) noexcept {
        ++deletes;
        ::operator delete(p);
    }

protected:
    void buttonCallback(buttonEvent* e) override {
        calls.push_back({"button", {s(e->panel()), s(e->id()), s(e->event()), s(e->value())}, {}, nullptr});
    }
    int revertiveCallback(revertiveEvent* e) override {
        calls.push_back({"revertive", {s(e->text())}, {e->device(), e->index(), e->state()}, nullptr});
        return 0;
    }
    quon_string propertyCallback(propertyEvent* e) override {
        const paramMessage& m = e->message();
        calls.push_back({"property", {s(e->command()), s(e->value())}, {m.subCount, m.hasValue ? 1 : 0}, &m});
        return quon_string(answer.c_str());
    }
    void kind7Callback(hookEvent* e) override { calls.push_back({"kind7", {}, {}, e->record()}); }
    int timerCallback(int id) override {
        calls.push_back({"timer", {}, {id}, nullptr});
        return 0;
    }
    void kind6Callback(hookEvent* e) override { calls.push_back({"kind6", {}, {}, e->record()}); }

private:
    static std::string s(const quon_string& q) { return std::string(q.c_str(), q.length()); }
};

inline int test_panel::deletes = 0;

// A button record as the host lays it out, over an event message.
struct button_record_holder {
    splitMessage event;
    quon_button_record record;
    button_record_holder(const char* panel, const char* id, const char* eventText)
        : event(eventText), record{{0, 0}, panel, id, &event} {}
};

// Timer ids travel in the pointer itself.
inline void* timer_arg(int id) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(id)); }

#endif
