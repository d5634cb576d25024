// The live page's requests: every bad body is refused with a reason, every
// good one becomes a step line that the scenario parser reads back to the
// same fields.
#include "scenario/format.h"
#include "server/page_actions.h"

#include <gtest/gtest.h>

using namespace quon::host;

namespace {

struct body_case {
    const char* action;
    std::string body;
    const char* step;  // expected step line, or nullptr when refused
    const char* error; // part of the reason when refused
};

TEST(ServeRequest, BodiesBecomeStepsOrClearRefusals) {
    const body_case cases[] = {
        {"route", "destination=5&source=3", "route 5 3", ""},
        {"route", "source=park&destination=16", "route 16 park", ""},
        {"route", "destination=-1&source=0", "route -1 park",
         ""}, // ranges are the devices' business; source 0 is parked
        {"gpi", "input=2&state=on", "gpi 2 on", ""},
        {"info", "slot=3&text=", "info 3 \"\"", ""},
        {"info", "slot=3&text=a+%22b%22+c%5C", "info 3 \"a \\\"b\\\" c\\\\\"", ""},
        {"info", "slot=1&text=two%0Alines", "info 1 \"two\\nlines\"", ""},
        {"property", "message=return=all", "property \"return=all\"", ""}, // the first "=" splits
        {"button", "panel=1&control=Mon_3&event=press", "button 1 Mon_3 \"press\"", ""},
        {"button", "panel=1&control=Mon_3&event=ActionAll%3D2", "button 1 Mon_3 \"ActionAll=2\"", ""},
        {"timer", "id=-2147483648", "timer -2147483648", ""},
        {"explode", "x=1", nullptr, "unknown action \"explode\""},
        {"", "", nullptr, "unknown action"},
        {"route", "destination=5", nullptr, "missing field source"},
        {"route", "", nullptr, "missing field destination"},
        {"route", "destination=five&source=3", nullptr, "destination \"five\" is not a number"},
        {"route", "destination=5&source=none", nullptr, "source \"none\" is not a number"},
        {"route", "destination=+5&source=3", nullptr, "destination \" 5\" contains a space"},
        {"route", "destination=5.0&source=3", nullptr, "destination \"5.0\" is not a number"},
        {"route", "destination=&source=3", nullptr, "destination \"\" is empty"},
        {"timer", "id=2147483648", nullptr, "id \"2147483648\" is out of range"},
        {"timer", "id=-", nullptr, "id \"-\" is not a number"},
        {"timer", "id=12345678901", nullptr, "is out of range"},
        {"gpi", "input=1&state=ON", nullptr, "GPI state \"ON\" is neither on nor off (usage: gpi input on|off)"},
        {"gpi", "input=1&input=1&state=on", nullptr, "field input given more than once"},
        {"gpi", "input=1&state=on&extra=1", nullptr, "unknown field \"extra\""},
        {"timer", "id=1&", nullptr, "is not a name=value pair"},
        {"timer", "&id=1", nullptr, "is not a name=value pair"},
        {"timer", "id", nullptr, "is not a name=value pair"},
        {"timer", "=1", nullptr, "is not a name=value pair"},
        {"timer", "id=%2", nullptr, "bad %-escape"},
        {"timer", "id=%G1", nullptr, "bad %-escape"},
        {"timer", std::string("id=1\0", 5), nullptr, "control character"},
        {"info", "slot=1&text=a%00b", nullptr, "contains a control character"},
        {"info", "slot=1&text=a%0Db", nullptr, "contains a control character"},
        {"info", "slot=1&text=" + std::string(maxFieldText + 1, 'x'), nullptr, "4097 bytes long; at most 4096"},
        {"button", "panel=1&control=Mon+3&event=press", nullptr, "control \"Mon 3\" contains a space"},
        {"button", "panel=&control=Mon_3&event=press", nullptr, "panel \"\" is empty"},
        {"button", "panel=1&control=Mon_3&event=", nullptr, "has no event name"},
        {"button", "panel=1&control=Mon_3&event=%3Dx", nullptr, "has no event name"},
        {"button", "panel=1&control=Mon_3&event=a%0Ab", nullptr, "contains a control character"},
        {"button", "panel=1&control=" + std::string(300, 'c') + "&event=press", nullptr, "300 bytes long"},
    };
    for (const body_case& c : cases) {
        SCOPED_TRACE(std::string(c.action) + " " + c.body.substr(0, 80));
        const request_outcome out = step_for_body(c.action, c.body);
        if (c.step) {
            EXPECT_TRUE(out.ok) << out.error;
            EXPECT_EQ(out.step, c.step);
        } else {
            EXPECT_FALSE(out.ok) << out.step;
            EXPECT_NE(out.error.find(c.error), std::string::npos) << out.error;
        }
    }
}

TEST(ServeRequest, StepsReadBackToTheFieldsGiven) {
    const std::string text = "say \"x\" \\\\ \n\t#";
    request_fields fields{{"slot", "7"}, {"text", text}};
    const request_outcome info = step_for_request("info", fields);
    ASSERT_FALSE(info.ok); // the tab is a control character
    fields = {{"slot", "7"}, {"text", "say \"x\" \\\\ \n #"}};
    const request_outcome ok = step_for_request("info", fields);
    ASSERT_TRUE(ok.ok) << ok.error;
    scenario s;
    std::string error;
    ASSERT_TRUE(parse_scenario(ok.step, "page", s, error)) << error;
    const auto& step = std::get<info_step>(s.steps.at(0).action);
    EXPECT_EQ(step.slot, 7);
    EXPECT_EQ(step.text, "say \"x\" \\\\ \n #");

    const request_outcome button =
        step_for_request("button", {{"panel", "2"}, {"control", "A\"b"}, {"event", " v=1 "}});
    ASSERT_TRUE(button.ok) << button.error;
    ASSERT_TRUE(parse_scenario(button.step, "page", s, error)) << error;
    const auto& b = std::get<button_step>(s.steps.at(0).action);
    EXPECT_EQ(b.panel, "2");
    EXPECT_EQ(b.control, "A\"b");
    EXPECT_EQ(b.event, " v=1 ");
}

TEST(ServeRequest, EveryActionIsAStepOfTheParser) {
    for (const std::string& action : serve_actions()) {
        scenario s;
        std::string error;
        parse_scenario(action, "page", s, error); // fields are missing, the step itself is known
        EXPECT_EQ(error.find("unknown step"), std::string::npos) << action << ": " << error;
    }
}

} // namespace

// The host's own actions are no steps: restart takes only the script, step one number.
TEST(ServeRequest, HostActionsTakeTheirOwnFields) {
    struct row {
        const char* action;
        std::string body;
        host_action host; // when taken
        std::uint64_t to;
        const char* error; // part of the reason when refused, else nullptr
    };
    const row rows[] = {
        {"step", "to=4", host_action::step, 4, nullptr},
        {"step", "to=0", host_action::step, 0, nullptr},
        {"step", "to=2147483647", host_action::step, 2147483647, nullptr},
        {"restart", "", host_action::restart, 0, nullptr},
        {"restart", "script=watch", host_action::restart, 0, nullptr},
        {"step", "script=relay&to=3", host_action::step, 3, nullptr},
        {"restart", "to=1", host_action::none, 0, "restart: unknown field \"to\""},
        {"restart", "to=%zz&junk", host_action::none, 0, "bad %-escape"},
        {"restart", "script=a&script=b", host_action::none, 0, "restart: field script given more than once"},
        {"step", "to=x", host_action::none, 0, "step: to \"x\" is not a number"},
        {"step", "to=-1", host_action::none, 0, "step: to \"-1\" is not a number"},
        {"step", "to=2147483648", host_action::none, 0, "step: to \"2147483648\" is out of range"},
        {"step", "to=", host_action::none, 0, "step: to \"\" is not a number"},
        {"step", "", host_action::none, 0, "step: missing field to"},
        {"step", "to=1&to=2", host_action::none, 0, "step: field to given more than once"},
        {"step", "to=1&from=0", host_action::none, 0, "step: unknown field \"from\""},
        {"step", "to=%zz", host_action::none, 0, "bad %-escape"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(std::string(r.action) + " " + r.body);
        const request_outcome out = step_for_body(r.action, r.body);
        if (r.error) {
            EXPECT_FALSE(out.ok);
            EXPECT_NE(out.error.find(r.error), std::string::npos) << out.error;
            EXPECT_EQ(out.error.find('\n'), std::string::npos) << out.error;
            continue;
        }
        ASSERT_TRUE(out.ok) << out.error;
        EXPECT_EQ(out.host, r.host);
        EXPECT_EQ(out.to, r.to);
    }
    // A step action is the panel's, never the host's.
    EXPECT_EQ(step_for_body("route", "destination=1&source=2").host, host_action::none);
}

// Every action names the script of a studio it goes to, or none (the first).
TEST(ServeRequest, EveryActionTakesTheScript) {
    struct row {
        const char* action;
        std::string body;
        const char* script; // when taken
        const char* error;  // part of the reason when refused
    };
    const row rows[] = {
        {"route", "destination=1&source=2&script=watch", "watch", nullptr},
        {"button", "script=relay&panel=1&control=Take&event=press", "relay", nullptr},
        {"property", "message=x", "", nullptr},
        {"timer", "id=1&script=", nullptr, "timer: script \"\" is empty"},
        {"gpi", "input=1&state=on&script=a+b", nullptr, "gpi: script \"a b\" contains a space"},
        {"info", "slot=1&text=x&script=a&script=b", nullptr, "info: field script given more than once"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(std::string(r.action) + " " + r.body);
        const request_outcome out = step_for_body(r.action, r.body);
        ASSERT_EQ(out.ok, r.error == nullptr) << out.error;
        if (r.error) {
            EXPECT_NE(out.error.find(r.error), std::string::npos) << out.error;
        } else {
            EXPECT_EQ(out.script, r.script);
        }
        EXPECT_EQ(out.step.find("script"), std::string::npos) << out.step; // never a part of the step
    }
}
