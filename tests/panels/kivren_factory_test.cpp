// The built library as a host meets it: loaded at run time, the factory
// looked up by its plain name, the script destroyed through slot 0.
#include "quon_export.h"
#include "recording_host.h"

#include <gtest/gtest.h>

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
    loaded_library library(KIVREN_LIBRARY);
    ASSERT_TRUE(library.loaded()) << KIVREN_LIBRARY;
    EXPECT_NE(factory(library), nullptr);
    // Framework and panel symbols stay inside the library.
    EXPECT_EQ(library.symbol("quon_script_helper_signature"), nullptr);
    EXPECT_EQ(library.symbol("_load_quon_client_script"), nullptr);
}

TEST(KivrenLibrary, FactoryMakesAPanelThatTheHostDrivesAndDeletes) {
    loaded_library library(KIVREN_LIBRARY);
    ASSERT_TRUE(library.loaded()) << KIVREN_LIBRARY;
    quon_load_script_fn load = factory(library);
    ASSERT_NE(load, nullptr);

    recording_host host;
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

    EXPECT_EQ(host.commands(), (std::vector<std::string>{"TP 'pixmap=pictures/two.png' '1' 'Mon_9'", "ET 4",
                                                         "RU 3", "GU 1", "IU 2", "AS"}));
}

TEST(KivrenLibrary, FactoryWithoutHostMakesAWorkingPanel) {
    loaded_library library(KIVREN_LIBRARY);
    ASSERT_TRUE(library.loaded()) << KIVREN_LIBRARY;
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

} // namespace
