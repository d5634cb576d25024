// The built library as a host meets it: loaded at run time, the factory
// looked up by its plain name, the script destroyed through slot 0.
#include "quon_button_record.h"
#include "quon_export.h"
#include "split_message.h"
#include "quon_test_host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

class loaded_library {
public:
    explicit loaded_library(const char* path) {
#ifdef _WIN32
        handle_ = LoadLibraryA(path);
#else
        handle_ = dlopen(path, RTLD_NOW | RTLD_LOCAL);
#endif
    }
    ~loaded_library() {
#ifdef _WIN32
        if (handle_) FreeLibrary(handle_);
#else
        if (handle_) dlclose(handle_);
#endif
    }
    loaded_library(const loaded_library&) = delete;
    loaded_library& operator=(const loaded_library&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    void* symbol(const char* name) const {
#ifdef _WIN32
        return reinterpret_cast<void*>(GetProcAddress(handle_, name));
#else
        return dlsym(handle_, name);
#endif
    }

private:
#ifdef _WIN32
    HMODULE handle_;
#else
    void* handle_;
#endif
};

quon_load_script_fn factory(const loaded_library& library) {
    return reinterpret_cast<quon_load_script_fn>(library.symbol("load_quon_client_script"));
}

TEST(KivrenLibrary, ExportsTheFactoryUnderItsPlainName) {
    loaded_library library(PANEL_LIBRARY);
    ASSERT_TRUE(library.loaded()) << PANEL_LIBRARY;
    EXPECT_NE(factory(library), nullptr);
    // Framework and panel symbols stay inside the library.
    EXPECT_EQ(library.symbol("quon_script_helper_signature"), nullptr);
    EXPECT_EQ(library.symbol("_load_quon_client_script"), nullptr);
}

TEST(KivrenLibrary, FactoryMakesAPanelThatTheHostDrivesAndDeletes) {
    loaded_library library(PANEL_LIBRARY);
    ASSERT_TRUE(library.loaded()) << PANEL_LIBRARY;
    quon_load_script_fn load = factory(library);
    ASSERT_NE(load, nullptr);

    quon_test_host host;
    host.reply = [](const std::string& command) -> std::optional<std::string> {
        if (command == "RN 3 6 2") return std::string("pictures/two.png");
        return std::nullopt;
    };
    quon_client_callback* script = load(&host, "base");
    ASSERT_NE(script, nullptr);
    std::vector<std::string> sent = host.commands();
    ASSERT_EQ(sent.size(), 23u);
    EXPECT_EQ(sent[16], "PS '1' 'base/panel1024.quon_ui'");
    EXPECT_EQ(host.outstandingReplies(), 0u);

    host.calls.clear();
    struct {
        std::int32_t device, reserved, index, state;
        char text[4];
    } report{3, 0, 9, 2, ""};
    EXPECT_EQ(script->callback(&report, quon_kind_revertive), nullptr);
    char query[] = "return=all";
    char* answer = script->callback(query, quon_kind_property);
    ASSERT_NE(answer, nullptr);
    EXPECT_STREQ(answer, "myParam=");
    script->callback(answer, quon_kind_release);
    script->callback(reinterpret_cast<void*>(std::intptr_t{4}), quon_kind_timer);
    script->deletingDestructor(1);

    EXPECT_EQ(host.commands(), (std::vector<std::string>{"TP 'pixmap=pictures/two.png' '1' 'Mon_9'", "ET 4", "RU 3",
                                                         "GU 1", "IU 2", "AS"}));
}

TEST(KivrenLibrary, FactoryWithoutHostMakesAWorkingPanel) {
    loaded_library library(PANEL_LIBRARY);
    ASSERT_TRUE(library.loaded()) << PANEL_LIBRARY;
    quon_load_script_fn load = factory(library);
    ASSERT_NE(load, nullptr);
    quon_client_callback* script = load(nullptr, nullptr);
    ASSERT_NE(script, nullptr);
    char query[] = "_commands";
    char* answer = script->callback(query, quon_kind_property);
    ASSERT_NE(answer, nullptr);
    EXPECT_STREQ(answer, "myParam=[value]");
    script->callback(answer, quon_kind_release);
    script->deletingDestructor(1);
}

// A host may deliver events while it handles any of the commands the panel
// sends on its way out. Up to "AS" the panel is whole and handles them; "AS"
// comes from the framework after the panel's part of the object is gone, so
// there every event is answered with null and reaches no handler, while a
// hand-back still frees the answer it names.
TEST(KivrenLibrary, HostDeliveringEventsDuringEachClosingCommand) {
    loaded_library library(PANEL_LIBRARY);
    ASSERT_TRUE(library.loaded()) << PANEL_LIBRARY;
    quon_load_script_fn load = factory(library);
    ASSERT_NE(load, nullptr);
    const std::vector<std::string> closing = {"RU 3", "GU 1", "IU 2", "AS"};

    for (const std::string& during : closing) {
        SCOPED_TRACE("events during " + during);
        const bool panelGone = during == "AS";
        quon_test_host host;
        quon_client_callback* script = nullptr;
        std::vector<std::string> answers; // what each re-entry returned, in order
        char* earlierAnswer = nullptr;
        auto deliver = [&](void* arg, unsigned kind) {
            char* answer = script->callback(arg, kind);
            answers.push_back(answer ? answer : "<null>");
            if (answer) script->callback(answer, quon_kind_release);
        };
        host.reply = [&](const std::string& command) -> std::optional<std::string> {
            if (command == "RN 3 6 2") return std::string("pictures/two.png");
            if (command != during) return std::nullopt;
            struct {
                std::int32_t device, reserved, index, state;
                char text[4];
            } report{3, 0, 9, 2, ""};
            splitMessage event("click=1");
            quon_button_record button{{0, 0}, "1", "AckAll", &event};
            char query[] = "return=all";
            char hook[32] = {};
            deliver(&report, quon_kind_revertive);
            deliver(&button, quon_kind_button);
            deliver(query, quon_kind_property);
            deliver(reinterpret_cast<void*>(std::intptr_t{4}), quon_kind_timer);
            deliver(hook, quon_kind_hook6);
            deliver(hook, quon_kind_hook7);
            // An answer given before the delete comes back now.
            script->callback(earlierAnswer, quon_kind_release);
            return std::nullopt;
        };
        script = load(&host, "base");
        ASSERT_NE(script, nullptr);
        char query[] = "myParam=x";
        script->callback(query, quon_kind_property);
        char all[] = "return=all";
        earlierAnswer = script->callback(all, quon_kind_property);
        ASSERT_NE(earlierAnswer, nullptr);
        host.calls.clear();
        script->deletingDestructor(1);

        std::vector<std::string> wantCommands;
        for (const std::string& command : closing) {
            wantCommands.push_back(command);
            if (command == during && !panelGone) {
                wantCommands.push_back("TP 'pixmap=pictures/two.png' '1' 'Mon_9'");
                wantCommands.push_back("ET 4");
            }
        }
        EXPECT_EQ(host.commands(), wantCommands);
        const std::string property = panelGone ? "<null>" : "myParam=x";
        EXPECT_EQ(answers, (std::vector<std::string>{"<null>", "<null>", property, "<null>", "<null>", "<null>"}));
        EXPECT_EQ(host.outstandingReplies(), 0u);
    }
}

} // namespace
