// Start-up and shut-down of the panel: the commands it sends when created and
// deleted, the hand-back of every name reply, and life without a host.
#include "debug_capture.h"
#include "panel_harness.h"

#include <gtest/gtest.h>

namespace {

std::vector<quon_host_call> startupCalls(const std::vector<std::string>& names) {
    std::vector<quon_host_call> calls;
    for (int n = 1; n <= 16; ++n) {
        calls.push_back({quon_kind_command, "RN 3 6 " + std::to_string(n)});
        calls.push_back({quon_kind_release, names[n - 1]});
    }
    for (const char* text : {"PS '1' 'kivren/panel1024.quon_ui'", "RR 3 1 16", "GR 1 1 16", "IR 2 1 40", "RP 3 1 16",
                             "GP 1 1 16", "IP 2 1 40"})
        calls.push_back({quon_kind_command, text});
    return calls;
}

void expectCalls(const std::vector<quon_host_call>& got, const std::vector<quon_host_call>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].kind, want[i].kind) << "call " << i;
        EXPECT_EQ(got[i].text, want[i].text) << "call " << i;
    }
}

TEST(KivrenStartup, SendsTwentyThreeCommandsHandingBackEachNameBeforeTheNext) {
    quon_test_host host;
    host.reply = name_every_source;
    kivren panel(&host, "kivren");

    std::vector<std::string> names;
    for (int n = 1; n <= 16; ++n) names.push_back(picture(n));
    expectCalls(host.calls, startupCalls(names));
    EXPECT_EQ(host.commands().size(), 23u);
    EXPECT_EQ(host.outstandingReplies(), 0u);
    EXPECT_EQ(host.unknownHandBacks, 0);
}

TEST(KivrenStartup, NullNameRepliesAreStillHandedBackAndLeaveEmptyPictures) {
    quon_test_host host; // answers every command with null
    kivren panel(&host, "kivren");
    expectCalls(host.calls, startupCalls(std::vector<std::string>(16, "<null>")));

    host.calls.clear();
    quon_test_report named(3, 4, 9, "");
    panel.callback(named.data(), quon_kind_revertive);
    quon_test_report parked(3, 5, 0, "");
    panel.callback(parked.data(), quon_kind_revertive);
    EXPECT_EQ(host.commands(),
              (std::vector<std::string>{"TP 'pixmap=' '1' 'Mon_4'", "TP 'pixmap=chanimg/parked.jpg' '1' 'Mon_5'"}));
}

TEST(KivrenStartup, EachSourceKeepsTheNameTheHostGaveForIt) {
    quon_test_host host;
    host.reply = [](const std::string& command) -> std::optional<std::string> {
        if (command == "RN 3 6 5") return std::string("cams/five's = 5.jpg");
        return std::nullopt;
    };
    kivren panel(&host, "kivren");
    host.calls.clear();
    for (int destination : {1, 16}) {
        quon_test_report record(3, destination, 5, "");
        panel.callback(record.data(), quon_kind_revertive);
    }
    EXPECT_EQ(host.commands(), (std::vector<std::string>{"TP 'pixmap=cams/five's = 5.jpg' '1' 'Mon_1'",
                                                         "TP 'pixmap=cams/five's = 5.jpg' '1' 'Mon_16'"}));
}

TEST(KivrenStartup, EmptyBasePathShowsThePanelFileAlone) {
    quon_test_host host;
    kivren panel(&host, "");
    EXPECT_EQ(host.commands().at(16), "PS '1' 'panel1024.quon_ui'");
}

TEST(KivrenStartup, WritesTheFirstSourcePictureToTheDebugger) {
    quon_test_host host;
    debug_capture capture; // over the host's own gathering, which leaves empty texts out
    host.reply = name_every_source;
    kivren panel(&host, "kivren");
    EXPECT_EQ(capture.texts, std::vector<std::string>{picture(1)});
}

TEST(KivrenStartup, WritesAnEmptyDebugTextWhenSourceOneHasNoName) {
    quon_test_host host;
    debug_capture capture;
    kivren panel(&host, "kivren");
    EXPECT_EQ(capture.texts, std::vector<std::string>{""});
}

TEST(KivrenShutdown, UnregistersRouterGpiInfoThenSignsOff) {
    quon_test_host host;
    host.reply = name_every_source;
    auto panel = std::make_unique<kivren>(&host, "kivren");
    host.calls.clear();
    panel.reset();
    expectCalls(host.calls, {{quon_kind_command, "RU 3"},
                             {quon_kind_command, "GU 1"},
                             {quon_kind_command, "IU 2"},
                             {quon_kind_command, "AS"}});
}

TEST(KivrenShutdown, HostDeletesThroughSlotZero) {
    quon_test_host host;
    quon_client_callback* script = new kivren(&host, "kivren");
    host.calls.clear();
    EXPECT_EQ(script->deletingDestructor(1), static_cast<void*>(script));
    EXPECT_EQ(host.commands(), (std::vector<std::string>{"RU 3", "GU 1", "IU 2", "AS"}));
}

TEST(KivrenNoHost, LivesAndDiesWithoutAHost) {
    debug_capture capture;
    auto panel = std::make_unique<kivren>(nullptr, "kivren");
    EXPECT_EQ(capture.texts, std::vector<std::string>{""});

    // Every kind of event is taken without a host to send to.
    quon_test_report router(3, 1, 0, "");
    quon_test_report tally(2, 21, 0, "3");
    EXPECT_EQ(panel->callback(router.data(), quon_kind_revertive), nullptr);
    EXPECT_EQ(panel->callback(tally.data(), quon_kind_revertive), nullptr);
    EXPECT_EQ(panel->callback(reinterpret_cast<void*>(std::intptr_t{7}), quon_kind_timer), nullptr);

    // Properties need no host.
    char set[] = "myParam=x";
    EXPECT_EQ(panel->callback(set, quon_kind_property), nullptr);
    char query[] = "return=all";
    char* answer = panel->callback(query, quon_kind_property);
    ASSERT_NE(answer, nullptr);
    EXPECT_STREQ(answer, "myParam=x");
    panel->callback(answer, quon_kind_release);
    panel.reset();
    EXPECT_EQ(capture.texts.size(), 1u); // nothing more was written
}

} // namespace
