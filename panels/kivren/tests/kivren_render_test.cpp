// Status rendering: which reports become which property updates, at every
// edge of the router, GPI and information ranges.
#include "panel_harness.h"

#include <gtest/gtest.h>

namespace {

using commands = std::vector<std::string>;

struct report_case {
    const char* what;
    int device, index, state;
    std::string text;
    commands want;
};

std::string tp(const std::string& property, const std::string& control) {
    return "TP '" + property + "' '1' '" + control + "'";
}

commands lamp(const std::string& control, const char* background, const char* text) {
    return {tp(std::string("colour.background=") + background, control),
            tp(std::string("colour.text=") + text, control)};
}

commands tallies(int display, const char* left, const char* right) {
    return {tp(std::string("colour.background=") + left, "UMDL_" + std::to_string(display)),
            tp(std::string("colour.background=") + right, "UMDR_" + std::to_string(display))};
}

void runCases(const std::vector<report_case>& cases) {
    panel_under_test t;
    for (const report_case& c : cases) EXPECT_EQ(t.report(c.device, c.index, c.state, c.text), c.want) << c.what;
}

TEST(KivrenRenderRouter, ShowsThePictureOfTheRoutedSource) {
    runCases({
        {"parked", 3, 5, 0, "", {tp("pixmap=chanimg/parked.jpg", "Mon_5")}},
        {"first source", 3, 1, 1, "", {tp("pixmap=" + picture(1), "Mon_1")}},
        {"last source", 3, 16, 16, "", {tp("pixmap=" + picture(16), "Mon_16")}},
        {"destination outside the registered range", 3, 40, 2, "", {tp("pixmap=" + picture(2), "Mon_40")}},
        {"negative destination", 3, -1, 3, "", {tp("pixmap=" + picture(3), "Mon_-1")}},
        {"text is not read", 3, 2, 4, "99", {tp("pixmap=" + picture(4), "Mon_2")}},
    });
}

TEST(KivrenRenderRouter, IgnoresSourcesWithoutAPicture) {
    runCases({
        {"source 17", 3, 5, 17, "", {}},
        {"source -1", 3, 5, -1, "", {}},
        {"huge source", 3, 5, 2147483647, "", {}},
        {"most negative source", 3, 5, -2147483647 - 1, "", {}},
    });
}

TEST(KivrenRenderGpi, LampTakesItsOwnColoursWhenOnAndEntryZeroWhenOff) {
    runCases({
        {"lamp 7 off", 1, 7, 0, "", lamp("GPI_7", "#000000", "#ffffff")},
        {"lamp 7 on", 1, 7, 1, "", lamp("GPI_7", "#d1d810", "#000000")},
        {"lamp 7 any non-zero state", 1, 7, 5, "", lamp("GPI_7", "#d1d810", "#000000")},
        {"lamp 7 negative state is on", 1, 7, -2, "", lamp("GPI_7", "#d1d810", "#000000")},
        {"lamp 1 on", 1, 1, 1, "", lamp("GPI_1", "#ff0000", "#ffffff")},
        {"lamp 2 on", 1, 2, 1, "", lamp("GPI_2", "#00ff00", "#000000")},
        {"lamp 3 on", 1, 3, 1, "", lamp("GPI_3", "#2020ff", "#ffffff")},
        {"lamp 9 on", 1, 9, 1, "", lamp("GPI_9", "#ffffdc", "#000000")},
        {"lamp 12 on", 1, 12, 1, "", lamp("GPI_12", "#3a30ff", "#ffffff")},
        {"lamp 16 on", 1, 16, 1, "", lamp("GPI_16", "#e6e9ff", "#000000")},
        {"lamp 16 off", 1, 16, 0, "", lamp("GPI_16", "#000000", "#ffffff")},
        {"lamp 0 on uses entry 0", 1, 0, 1, "", lamp("GPI_0", "#000000", "#ffffff")},
        {"lamp 0 off", 1, 0, 0, "", lamp("GPI_0", "#000000", "#ffffff")},
        {"negative lamp off", 1, -1, 0, "", lamp("GPI_-1", "#000000", "#ffffff")},
    });
}

TEST(KivrenRenderGpi, IgnoresLampsWithoutColours) {
    runCases({
        {"lamp 17 on", 1, 17, 1, "", {}},
        {"lamp 17 off", 1, 17, 0, "", {}},
        {"negative lamp on", 1, -1, 1, "", {}},
        {"most negative lamp on", 1, -2147483647 - 1, 3, "", {}},
    });
}

TEST(KivrenRenderInfo, DisplaysOneToTwelveShowTheReportText) {
    const std::string awkward = "it's = 'on' . air \xC3\xA9\x01";
    const std::string longText(600, 'x');
    runCases({
        {"slot 0", 2, 0, 0, "zero", {}},
        {"slot 1", 2, 1, 0, "Camera 1", {tp("text=Camera 1", "UMD_1")}},
        {"slot 3 state not read", 2, 3, 77, "VT", {tp("text=VT", "UMD_3")}},
        {"slot 12", 2, 12, 0, "Graphics", {tp("text=Graphics", "UMD_12")}},
        {"empty text", 2, 4, 0, "", {tp("text=", "UMD_4")}},
        {"text unchanged", 2, 5, 0, awkward, {tp("text=" + awkward, "UMD_5")}},
        {"long text unchanged", 2, 6, 0, longText, {tp("text=" + longText, "UMD_6")}},
        {"slot 13", 2, 13, 0, "1", {}},
        {"slot 20", 2, 20, 0, "1", {}},
        {"slot 33", 2, 33, 0, "1", {}},
        {"slot 40", 2, 40, 0, "1", {}},
        {"negative slot", 2, -21, 0, "1", {}},
    });
}

TEST(KivrenRenderInfo, SlotsTwentyOneToThirtyTwoLightTheTallies) {
    runCases({
        {"slot 21 state 2", 2, 21, 0, "2", tallies(1, "#000000", "#E00000")},
        {"slot 32 state 3", 2, 32, 0, "3", tallies(12, "#E00000", "#E00000")},
        {"state 0", 2, 25, 0, "0", tallies(5, "#000000", "#000000")},
        {"state 1", 2, 25, 0, "1", tallies(5, "#E00000", "#000000")},
        {"state 2", 2, 25, 0, "2", tallies(5, "#000000", "#E00000")},
        {"state 3", 2, 25, 0, "3", tallies(5, "#E00000", "#E00000")},
        {"integer state not read", 2, 25, 3, "0", tallies(5, "#000000", "#000000")},
    });
}

TEST(KivrenRenderInfo, IgnoresTallyTextsThatAreNoState) {
    runCases({
        {"4", 2, 25, 0, "4", {}},
        {"-1", 2, 25, 0, "-1", {}},
        {"abc", 2, 25, 3, "abc", {}},
        {"empty", 2, 25, 3, "", {}},
        {"number with trailing text", 2, 25, 0, "1x", {}},
        {"too large for 32 bits", 2, 25, 0, "4294967297", {}},
    });
}

TEST(KivrenRenderOtherDevices, SendNothing) {
    runCases({
        {"device 0", 0, 1, 1, "1", {}},
        {"device 4", 4, 5, 3, "3", {}},
        {"negative device", -3, 1, 1, "1", {}},
    });
}

TEST(KivrenRender, NullRecordIsIgnored) {
    panel_under_test t;
    EXPECT_EQ(t.panel->callback(nullptr, quon_kind_revertive), nullptr);
    EXPECT_TRUE(t.host.calls.empty());
}

} // namespace
