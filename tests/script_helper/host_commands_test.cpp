// Host commands: the exact text of every command, how each reply is read and
// handed back, and what happens with no host or a null reply.
#include "test_panel.h"

#include "debug_capture.h"
#include "quon_test_host.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using reply_t = std::optional<std::string>;

std::string str(const quon_string& s) { return std::string(s.c_str(), s.length()); }

struct CommandCase {
    const char* what;
    std::function<void(test_panel&)> call;
    std::string expected;
};

// Commands whose reply is ignored: one kind 0 call with the exact text, and
// a reply, when the host gives one, is never handed back.
TEST(HostCommands, ExactTextsOfCommandsThatIgnoreTheirReply) {
    const std::vector<CommandCase> cases = {
        {"textPut example", [](test_panel& p) { p.textPut("pixmap", "chanimg/parked.jpg", "1", "Mon_5"); },
         "TP 'pixmap=chanimg/parked.jpg' '1' 'Mon_5'"},
        {"textPut empty fields", [](test_panel& p) { p.textPut("", "", "", ""); }, "TP '=' '' ''"},
        {"textPut apostrophes", [](test_panel& p) { p.textPut("it's", "a 'b'=c", "p'1", " c "); },
         "TP 'it's=a 'b'=c' 'p'1' ' c '"},
        {"routerRegister", [](test_panel& p) { p.routerRegister(3, 1, 16, false); }, "RR 3 1 16"},
        {"routerRegister add", [](test_panel& p) { p.routerRegister(3, 1, 16, true); }, "RR 3 1 16 'ADD'"},
        {"infoRegister", [](test_panel& p) { p.infoRegister(2, 1, 40, false); }, "IR 2 1 40"},
        {"infoRegister add", [](test_panel& p) { p.infoRegister(2, 1, 40, true); }, "IR 2 1 40 'ADD'"},
        {"gpiRegister", [](test_panel& p) { p.gpiRegister(1, 1, 16, false); }, "GR 1 1 16"},
        {"gpiRegister add", [](test_panel& p) { p.gpiRegister(1, 1, 16, true); }, "GR 1 1 16 'ADD'"},
        {"routerPoll", [](test_panel& p) { p.routerPoll(3, 1, 16); }, "RP 3 1 16"},
        {"infoPoll", [](test_panel& p) { p.infoPoll(2, 1, 40); }, "IP 2 1 40"},
        {"gpiPoll", [](test_panel& p) { p.gpiPoll(1, 1, 16); }, "GP 1 1 16"},
        {"routerUnregister", [](test_panel& p) { p.routerUnregister(3); }, "RU 3"},
        {"routerUnregister -1", [](test_panel& p) { p.routerUnregister(-1); }, "RU -1"},
        {"infoUnregister", [](test_panel& p) { p.infoUnregister(2); }, "IU 2"},
        {"gpiUnregister", [](test_panel& p) { p.gpiUnregister(1); }, "GU 1"},
        {"timerStop", [](test_panel& p) { p.timerStop(1); }, "ET 1"},
        {"timerStop 0", [](test_panel& p) { p.timerStop(0); }, "ET 0"},
        // Any 32-bit values go out whole, even past 31 characters.
        {"RR INT_MIN add", [](test_panel& p) { p.routerRegister(INT_MIN, INT_MIN, INT_MIN, true); },
         "RR -2147483648 -2147483648 -2147483648 'ADD'"},
        {"IR INT_MIN add", [](test_panel& p) { p.infoRegister(INT_MIN, INT_MIN, INT_MIN, true); },
         "IR -2147483648 -2147483648 -2147483648 'ADD'"},
        {"GR INT_MIN", [](test_panel& p) { p.gpiRegister(INT_MIN, INT_MIN, INT_MIN, false); },
         "GR -2147483648 -2147483648 -2147483648"},
        {"RP INT_MIN", [](test_panel& p) { p.routerPoll(INT_MIN, INT_MIN, INT_MIN); },
         "RP -2147483648 -2147483648 -2147483648"},
        {"IP INT_MAX", [](test_panel& p) { p.infoPoll(INT_MAX, INT_MAX, INT_MAX); },
         "IP 2147483647 2147483647 2147483647"},
        {"GP mixed", [](test_panel& p) { p.gpiPoll(INT_MIN, 0, INT_MAX); }, "GP -2147483648 0 2147483647"},
        {"RU INT_MIN", [](test_panel& p) { p.routerUnregister(INT_MIN); }, "RU -2147483648"},
        {"IU INT_MAX", [](test_panel& p) { p.infoUnregister(INT_MAX); }, "IU 2147483647"},
        {"GU INT_MIN", [](test_panel& p) { p.gpiUnregister(INT_MIN); }, "GU -2147483648"},
        {"ET INT_MIN", [](test_panel& p) { p.timerStop(INT_MIN); }, "ET -2147483648"},
        {"textPut long value", [](test_panel& p) { p.textPut("text", std::string(1000, 'x').c_str(), "1", "UMD_1"); },
         "TP 'text=" + std::string(1000, 'x') + "' '1' 'UMD_1'"},
        {"textPut bytes above 127", [](test_panel& p) { p.textPut("text", "\xC3\xA9t\xC3\xA9", "1", "UMD_\xFF"); },
         "TP 'text=\xC3\xA9t\xC3\xA9' '1' 'UMD_\xFF'"},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.what);
        for (bool hostReplies : {false, true}) {
            quon_test_host host;
            if (hostReplies) host.reply = [](const std::string&) { return reply_t("OK"); };
            test_panel panel(&host, "");
            c.call(panel);
            ASSERT_EQ(host.calls.size(), 1u);
            EXPECT_EQ(host.calls[0].kind, 0u);
            EXPECT_EQ(host.calls[0].text, c.expected);
            EXPECT_EQ(host.outstandingReplies(), hostReplies ? 1u : 0u);
        }
    }
}

TEST(HostCommands, PanelShowTextsAndResult) {
    struct Case {
        const char* base;
        const char* extra;
        std::string expected;
    };
    const std::string longBase(400, 'b');
    const std::vector<Case> cases = {
        {"kivren", "", "PS '1' 'kivren/panel1024.quon_ui'"},
        {"", "", "PS '1' 'panel1024.quon_ui'"},
        {"kivren", "x", "PS '1' 'kivren/panel1024.quon_ui' 'x'"},
        {"", "x y", "PS '1' 'panel1024.quon_ui' 'x y'"},
        {"C:\\pan'els", "", "PS '1' 'C:\\pan'els/panel1024.quon_ui'"},
        {longBase.c_str(), "", "PS '1' '" + longBase + "/panel1024.quon_ui'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.substr(0, 40));
        // The reply is only tested: false for null, true for any text, never handed back.
        for (const reply_t& reply : {reply_t(), reply_t(""), reply_t("shown")}) {
            quon_test_host host;
            host.reply = [&](const std::string&) { return reply; };
            test_panel panel(&host, c.base);
            EXPECT_EQ(panel.panelShow("1", "panel1024.quon_ui", c.extra), reply.has_value());
            EXPECT_EQ(host.commands(), std::vector<std::string>{c.expected});
            EXPECT_EQ(host.calls.size(), 1u);
            EXPECT_EQ(host.outstandingReplies(), reply ? 1u : 0u);
        }
    }
}

struct TextGetCase {
    const char* name;
    reply_t reply;
    std::string result;
    std::optional<std::string> warning;
};

TEST(HostCommands, TextGetReadsTheReply) {
    const char* mismatch = "textGet: value returned \"%1\" was not the value requested \"%2\" (value returned was "
                           "\"%3\" from control \"alm_3\", on panel \"1\")";
    auto warning = [&](const std::string& before, const std::string& name, const std::string& whole) {
        return str(quon_string(mismatch).arg(before.c_str()).arg(name.c_str()).arg(whole.c_str()));
    };
    const std::vector<TextGetCase> cases = {
        {"value", reply_t("value=3"), "3", std::nullopt},
        {"value", reply_t("value="), "", std::nullopt},
        {"value", reply_t("value=a=b"), "a=b", std::nullopt},
        {"value", reply_t("colour=3"), "",
         std::string("textGet: value returned \"colour\" was not the value requested \"value\" (value returned was "
                     "\"colour=3\" from control \"alm_3\", on panel \"1\")")},
        {"value", reply_t("Value=3"), "", warning("Value", "value", "Value=3")},
        {"all", reply_t("value=3"), "value=3", std::nullopt},
        {"all", reply_t("a=b=c"), "a=b=c", std::nullopt},
        {"all", reply_t(""), "", std::nullopt},
        // No "=": the whole reply is the part before it.
        {"value", reply_t("value"), "", std::nullopt},
        {"value", reply_t("3"), "", warning("3", "value", "3")},
        {"value", reply_t(""), "", warning("", "value", "")},
        {"value", reply_t(), "", std::nullopt},
        // Markers in the host's reply reach the debugger as the host sent them.
        {"value", reply_t("%5x=1"), "",
         std::string("textGet: value returned \"%5x\" was not the value requested \"value\" (value returned was "
                     "\"%5x=1\" from control \"alm_3\", on panel \"1\")")},
        {"value", reply_t("%1%2=%3"), "",
         std::string("textGet: value returned \"%1%2\" was not the value requested \"value\" (value returned was "
                     "\"%1%2=%3\" from control \"alm_3\", on panel \"1\")")},
    };
    for (const TextGetCase& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " <- " + c.reply.value_or("<null>"));
        quon_test_host host;
        host.reply = [&](const std::string&) { return c.reply; };
        debug_capture debug;
        test_panel panel(&host, "");
        quon_string result("previous");
        panel.textGet(c.name, "1", "alm_3", result);
        EXPECT_EQ(str(result), c.result);

        ASSERT_GE(host.calls.size(), 1u);
        EXPECT_EQ(host.calls[0].kind, 0u);
        EXPECT_EQ(host.calls[0].text, "TG '1' 'alm_3' '" + std::string(c.name) + "'");
        if (c.reply) {
            // Handed back once, right after it came.
            ASSERT_EQ(host.calls.size(), 2u);
            EXPECT_EQ(host.calls[1].kind, 5u);
            EXPECT_EQ(host.calls[1].text, *c.reply);
        } else {
            EXPECT_EQ(host.calls.size(), 1u);
        }
        EXPECT_EQ(host.outstandingReplies(), 0u);
        EXPECT_EQ(host.unknownHandBacks, 0);
        EXPECT_EQ(debug.texts, c.warning ? std::vector<std::string>{*c.warning} : std::vector<std::string>{});
    }
}

TEST(HostCommands, TextGetFieldsAreSentUnescaped) {
    quon_test_host host;
    test_panel panel(&host, "");
    quon_string result;
    panel.textGet("it's", "p'1", "a b", result);
    EXPECT_EQ(host.commands(), std::vector<std::string>{"TG 'p'1' 'a b' 'it's'"});
}

TEST(HostCommands, RouterNameCopiesAndAlwaysHandsBack) {
    for (const reply_t& reply : {reply_t("chanimg/cam1.jpg"), reply_t(""), reply_t()}) {
        SCOPED_TRACE(reply.value_or("<null>"));
        quon_test_host host;
        host.reply = [&](const std::string&) { return reply; };
        test_panel panel(&host, "");
        quon_string result("keep");
        panel.routerName(3, 6, 12, result);
        EXPECT_EQ(str(result), reply ? *reply : "keep");
        ASSERT_EQ(host.calls.size(), 2u);
        EXPECT_EQ(host.calls[0].kind, 0u);
        EXPECT_EQ(host.calls[0].text, "RN 3 6 12");
        EXPECT_EQ(host.calls[1].kind, 5u); // the null is handed back too
        EXPECT_EQ(host.calls[1].text, reply ? *reply : "<null>");
        EXPECT_EQ(host.outstandingReplies(), 0u);
        EXPECT_EQ(host.unknownHandBacks, 0);
    }
}

TEST(HostCommands, RouterNameNumbers) {
    quon_test_host host;
    test_panel panel(&host, "");
    quon_string result;
    panel.routerName(INT_MIN, -1, INT_MAX, result);
    panel.routerName(0, 0, 0, result);
    EXPECT_EQ(host.commands(), (std::vector<std::string>{"RN -2147483648 -1 2147483647", "RN 0 0 0"}));
}

TEST(HostCommands, GetIdListSplitsAndHandsBack) {
    struct Case {
        reply_t reply;
        std::vector<std::string> ids;
    };
    const std::vector<Case> cases = {
        {reply_t("alm_1,alm_2"), {"alm_1", "alm_2"}},
        {reply_t("alm_1"), {"alm_1"}},
        {reply_t("alm_1,,alm_3,"), {"alm_1", "", "alm_3", ""}},
        {reply_t(""), {}},
        {reply_t(), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply.value_or("<null>"));
        quon_test_host host;
        host.reply = [&](const std::string&) { return c.reply; };
        test_panel panel(&host, "");
        quon_stringlist list = panel.getIdList("1", "alm_");
        std::vector<std::string> ids;
        for (quon_stringlistIterator it = list.begin(); it != list.end(); ++it) ids.push_back(str(*it));
        EXPECT_EQ(ids, c.ids);
        ASSERT_EQ(host.calls.size(), c.reply ? 2u : 1u);
        EXPECT_EQ(host.calls[0].text, "XI '1' 'alm_'");
        if (c.reply) {
            EXPECT_EQ(host.calls[1].kind, 5u);
            EXPECT_EQ(host.calls[1].text, *c.reply);
        }
        EXPECT_EQ(host.outstandingReplies(), 0u);
        EXPECT_EQ(host.unknownHandBacks, 0);
    }
}

TEST(HostCommands, GetIdListFieldsAreSentUnescaped) {
    quon_test_host host;
    test_panel panel(&host, "");
    panel.getIdList("it's", "a'b");
    EXPECT_EQ(host.commands(), std::vector<std::string>{"XI 'it's' 'a'b'"});
}

TEST(HostCommands, WithoutAHostNothingIsSentAndResultsAreDefaults) {
    debug_capture debug;
    test_panel panel(nullptr, "kivren");
    EXPECT_TRUE(panel.panelShow("1", "panel1024.quon_ui", "x"));
    quon_string got("previous");
    panel.textGet("value", "1", "alm_3", got);
    EXPECT_EQ(str(got), "");
    quon_string name("keep");
    panel.routerName(3, 6, 1, name);
    EXPECT_EQ(str(name), "keep");
    EXPECT_EQ(panel.getIdList("1", "alm_").count(), 0u);
    panel.textPut("a", "b", "1", "c");
    panel.routerRegister(3, 1, 16, true);
    panel.infoPoll(2, 1, 40);
    panel.gpiUnregister(1);
    panel.timerStop(1);
    panel.ackAlarms("ack");
    EXPECT_TRUE(debug.texts.empty());
}

TEST(HostCommands, ShutDownNoticeFollowsTheScriptsOwnCommands) {
    quon_test_host host;
    {
        test_panel panel(&host, "kivren");
        panel.unregisterOnDestroy = true;
        panel.routerPoll(3, 1, 16);
    }
    EXPECT_EQ(host.commands(), (std::vector<std::string>{"RP 3 1 16", "RU 3", "AS"}));
}

TEST(HostCommands, DebugWritesTextsUnchanged) {
    debug_capture debug;
    test_panel panel(nullptr, "");
    panel.debug("chanimg/cam1.jpg");
    panel.debug("");
    panel.debug("line\n");
    const quon_string none;
    panel.debug("%2-%1 %3", "x", "y", "z", "unused", none, none, none, none, none);
    panel.debug("no markers", "a", "b", "c", "d", "e", "f", "g", "h", "i");
    // Equal markers in text order; texts filled in are not searched again.
    panel.debug("%1,%0,%1 %9", "a", "%1", "c", "%0", none, none, none, none, none);
    panel.debug("50%% %2 %x%", "%1", "%2", none, none, none, none, none, none, none);
    // Arguments not given are empty: a marker left without one is emptied.
    panel.debug("one %1", "x");
    panel.debug("%1+%2=%3", "1", "2");
    EXPECT_EQ(debug.texts, (std::vector<std::string>{"chanimg/cam1.jpg", "", "line\n", "y-x z", "no markers",
                                                     "%1,a,c %0", "50%% %1 %x%", "one x", "1+2="}));
}

} // namespace
