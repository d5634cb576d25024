#include "validation/panel_values.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quon::host;

namespace {

bool has(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

TEST(PanelValues, AHintsFileNamesPropertiesControlsAndValuesOnceEach) {
    panel_values v;
    std::string error;
    ASSERT_TRUE(parse_hints("# a countdown\nproperty seconds 5 7\nproperty mode\nproperty seconds 5 9\n"
                            "control 1 Stop press\ncontrol 1 Stop press value=3\nvalue STOP 59\n",
                            "c.hints", v, error))
        << error;
    ASSERT_EQ(v.properties.size(), 2u);
    EXPECT_EQ(v.properties[0].values, (std::vector<std::string>{"5", "7", "9"}));
    EXPECT_TRUE(v.properties[1].values.empty());
    ASSERT_EQ(v.controls.size(), 1u);
    EXPECT_EQ(v.controls[0].events, (std::vector<std::string>{"press", "value=3"}));
    EXPECT_EQ(v.values, (std::vector<std::string>{"STOP", "59"}));
    // Tried with "mode": the common values, then small numbers, each once.
    const std::vector<std::string> mode = values_to_try(v, v.properties[1]);
    EXPECT_EQ(mode.front(), "STOP");
    EXPECT_TRUE(has(mode, "-2") && has(mode, "7") && has(mode, "20") && !has(mode, "21"));
    EXPECT_EQ(values_to_try(v, v.properties[0]).size(), 3u + 2u + 23u - 3u); // 5, 7, 9 are small numbers too
}

TEST(PanelValues, HintErrorsNameFileLineAndUsage) {
    const std::pair<const char*, const char*> cases[] = {
        {"property\n", "h:1: usage: property NAME [VALUE...] | control PANEL ID [EVENT...] | value VALUE..."},
        {"\ncontrol 1\n", "h:2: usage: property NAME"},
        {"value\n", "h:1: usage: property NAME"},
        {"button 1 Take\n", "h:1: unknown item \"button\" (property NAME"},
    };
    for (const auto& [text, why] : cases) {
        panel_values v;
        std::string error;
        EXPECT_FALSE(parse_hints(text, "h", v, error)) << text;
        EXPECT_EQ(error.rfind(why, 0), 0u) << "error was: " << error;
    }
}

TEST(PanelValues, ListsStayBoundedWhateverTheFileHolds) {
    std::string text;
    for (std::size_t i = 0; i < panel_values::maxEntries + 50; ++i)
        text += "property p" + std::to_string(i) + " v" + std::to_string(i) + " w\ncontrol 1 c" + std::to_string(i) +
                "\nvalue x" + std::to_string(i) + "\nproperty p0 y" + std::to_string(i) + "\n";
    panel_values v;
    std::string error;
    ASSERT_TRUE(parse_hints(text, "h", v, error)) << error;
    EXPECT_EQ(v.properties.size(), panel_values::maxEntries);
    EXPECT_EQ(v.controls.size(), panel_values::maxEntries);
    EXPECT_EQ(v.values.size(), panel_values::maxEntries);
    EXPECT_EQ(v.properties[0].values.size(), panel_values::maxEntries);
}

} // namespace
