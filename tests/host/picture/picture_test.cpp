#include "base/input_file.h"
#include "picture/page_layout.h"
#include "picture/page_model.h"
#include "picture/svg_shapes.h"
#include "picture/svg_writer.h"
#include "base/utf8_text.h"
#include "xml_check.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace quon::host;

namespace {

std::size_t at(const std::string& text, const std::string& part) { return text.find(part); }

TEST(Picture, EscapesAndColours) {
    EXPECT_EQ(xml_escape("a<b>&\"c'\x01"), "a&lt;b&gt;&amp;&quot;c&apos;?");
    for (const char* good : {"#000000", "#E00000", "#abc"}) EXPECT_TRUE(is_colour(good)) << good;
    for (const char* bad : {"", "#", "red", "#12345", "#12345g", "000000", "#0000000", "\"/><script"})
        EXPECT_FALSE(is_colour(bad)) << bad;
}

TEST(Picture, TextsBecomeValidUtf8WithOtherBytesAsLatin1) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "plain"},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xa5", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xa5"}, // kept
        {"Caf\xe9", "Caf\xc3\xa9"},                                                                 // Latin-1 e acute
        {"\xc3", "\xc3\x83"}, // a sequence cut short
        {"\xc3(", "\xc3\x83("},
        {"\xc0\xaf", "\xc3\x80\xc2\xaf"},                         // overlong "/"
        {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xc2\x80"},             // a surrogate
        {"\xef\xbf\xbe", "\xc3\xaf\xc2\xbf\xc2\xbe"},             // U+FFFE, not allowed in XML
        {"\xf4\x90\x80\x80", "\xc3\xb4\xc2\x90\xc2\x80\xc2\x80"}, // beyond U+10FFFF
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(valid_utf8(in), out) << in;
}

TEST(Picture, ShortensOnCharacterBoundaries) {
    std::string e40;
    for (int i = 0; i < 40; ++i) e40 += "\xc3\xa9";
    EXPECT_EQ(utf8_length(e40), 40u);
    const std::string cut = utf8_shorten(e40, 10);
    EXPECT_EQ(utf8_length(cut), 10u);
    EXPECT_EQ(cut.substr(cut.size() - 3), "\xc3\xa9~");
    EXPECT_EQ(valid_utf8(cut), cut);
    EXPECT_EQ(utf8_shorten(e40, 40), e40);
    EXPECT_EQ(utf8_shorten("abc", 2), "a~");
}

TEST(Picture, NonAsciiTextsMakeWellFormedXml) {
    page_model p;
    p.show("1", "caf\xe9.ui");
    std::string e40;
    for (int i = 0; i < 40; ++i) e40 += "\xc3\xa9";
    p.set("1", "UMD_1", "text", e40);                     // shortened: must not end in half a character
    p.set("1", "UMD_2", "text", "Studio \xe9t\xe9 \xc3"); // Latin-1 and a cut sequence
    p.set("1", "Mon_\xe9", "pixmap", "chanimg/\xff\xfe.jpg");
    p.set("1", "x", "\xc3\xa9t\xc3\xa9", "\x01<\"&'>");
    page_layout layout;
    std::string error;
    ASSERT_TRUE(parse_layout("canvas 600 200\nplace UMD_{1..2} display x=20 y=80 w=100 h=30 columns=2 dx=120\n",
                             "t.layout", layout, error))
        << error;
    const page_layout* layouts[] = {nullptr, &layout};
    for (const page_layout* l : layouts) {
        const std::string svg = render_page_svg(p, l);
        EXPECT_EQ(valid_utf8(svg), svg);
        EXPECT_NE(at(svg, "Studio \xc3\xa9t\xc3\xa9 \xc3\x83"), std::string::npos);
        expect_well_formed_xml(svg, l ? "non_ascii_layout" : "non_ascii_grid");
    }
}

TEST(Picture, DefaultGridDrawsEveryControlWithItsProperties) {
    page_model p;
    p.show("1", "studio.ui");
    p.set("1", "Dst_10", "text", "SRC 10");
    p.set("1", "Dst_2", "text", "SRC <2>");
    p.set("1", "Lamp_1", "colour.background", "#20c020");
    p.set("1", "Lamp_1", "colour.text", "#ffffff");
    p.set("1", "Take", "pixmap", "pictures/take.png");
    p.set("1", "Take", "state", "armed");
    p.set("1", "Bad", "colour.background", "\"/><evil a=\"");
    p.set("2", "Other", "value", "7"); // a panel written to but never shown
    const std::string svg = render_page_svg(p, nullptr);
    expect_well_formed_xml(svg, "grid");
    EXPECT_LT(at(svg, "data-panel=\"1\""), at(svg, "data-panel=\"2\""));
    for (const char* id : {"Dst_2", "Dst_10", "Lamp_1", "Take", "Bad", "Other"})
        EXPECT_NE(at(svg, std::string("data-control=\"") + id + "\""), std::string::npos) << id;
    EXPECT_LT(at(svg, "data-control=\"Dst_2\""), at(svg, "data-control=\"Dst_10\"")); // natural order
    EXPECT_NE(at(svg, ">SRC &lt;2&gt;<"), std::string::npos);
    EXPECT_NE(at(svg, "fill=\"#20c020\""), std::string::npos);
    EXPECT_NE(at(svg, "fill=\"#ffffff\""), std::string::npos);
    EXPECT_NE(at(svg, ">picture pictures/take.png<"), std::string::npos);
    EXPECT_NE(at(svg, ">state=armed<"), std::string::npos);
    EXPECT_NE(at(svg, ">value=7<"), std::string::npos);
    EXPECT_EQ(at(svg, "<evil"), std::string::npos); // a bad colour is a text, never an attribute
    EXPECT_NE(at(svg, "studio.ui"), std::string::npos);
    EXPECT_EQ(at(svg, "href"), std::string::npos); // self-contained: nothing linked
}

TEST(Picture, LayoutPlacesItsControlsAndTheRestStillAppear) {
    page_layout layout;
    std::string error;
    ASSERT_TRUE(parse_layout("canvas 1036 400\n"
                             "label 20 64 MONITORS\n"
                             "place Mon_{1..3} picture x=20 y=74 w=240 h=135 columns=2 dx=252 dy=147 hatch=parked\n"
                             "place Tal_{1..2} tally x=20 y=300 w=20 h=36 dx=30\n"
                             "place Lamp lamp x=100 y=300 w=100 h=40 panel=1\n"
                             "place Name display x=300 y=300 w=200 h=36 panel=9\n",
                             "t.layout", layout, error))
        << error;
    const auto third = layout.find("1", "Mon_3");
    ASSERT_TRUE(third);
    EXPECT_EQ(third->box.x, 20);
    EXPECT_EQ(third->box.y, 74 + 147);
    EXPECT_FALSE(layout.find("1", "Name")); // placed on panel 9 only
    EXPECT_TRUE(layout.find("9", "Name"));

    page_model p;
    p.show("1", "x.ui");
    p.set("1", "Mon_1", "pixmap", "chanimg/src7.jpg");
    p.set("1", "Mon_2", "pixmap", "chanimg/parked.jpg");
    p.set("1", "Tal_1", "colour.background", "#E00000");
    p.set("1", "Lamp", "colour.background", "#c0c000");
    p.set("1", "Name", "text", "elsewhere");
    p.set("1", "Extra", "text", "here too");
    const std::string svg = render_page_svg(p, &layout);
    expect_well_formed_xml(svg, "layout");
    EXPECT_NE(at(svg, ">src7<"), std::string::npos);
    EXPECT_NE(at(svg, ">PARKED<"), std::string::npos);
    EXPECT_NE(at(svg, "url(#hatched)"), std::string::npos);
    // Placed but never written: not drawn at all (Mon_3, Tal_2), on no panel.
    for (const char* unwritten : {"data-control=\"Mon_3\"", "data-control=\"Tal_2\"", "no picture set"})
        EXPECT_EQ(at(svg, unwritten), std::string::npos) << unwritten;
    EXPECT_NE(at(svg, "fill=\"#E00000\""), std::string::npos);
    EXPECT_NE(at(svg, ">MONITORS<"), std::string::npos);
    EXPECT_NE(at(svg, "CONTROLS THE LAYOUT DOES NOT PLACE"), std::string::npos);
    EXPECT_NE(at(svg, ">elsewhere<"), std::string::npos);
    EXPECT_NE(at(svg, ">here too<"), std::string::npos);
}

// A lamp without its colour is drawn dashed with its text as it is, no
// mark the page does not explain; a panel whose placed controls are all
// unwritten says that nothing is set.
TEST(Picture, UnsetLooksAreDashedAndUnwrittenPanelsSaySo) {
    page_layout layout;
    std::string error;
    ASSERT_TRUE(parse_layout("canvas 600 200\nlabel 20 64 LAMPS\nplace L_{1..2} lamp x=20 y=74 w=120 h=40 dx=130\n",
                             "t.layout", layout, error))
        << error;
    page_model p;
    p.show("1", "a.ui");
    p.show("2", "b.ui");
    p.set("1", "L_1", "text", "START");
    const std::string svg = render_page_svg(p, &layout);
    expect_well_formed_xml(svg, "unset looks");
    EXPECT_NE(at(svg, ">START<"), std::string::npos);
    EXPECT_EQ(at(svg, "?<"), std::string::npos);
    EXPECT_NE(at(svg, "stroke-dasharray"), std::string::npos);
    EXPECT_EQ(at(svg, "data-control=\"L_2\""), std::string::npos);
    // Panel 2: shown, the layout serves it, the script wrote nothing there.
    const std::size_t second = at(svg, "data-panel=\"2\"");
    ASSERT_NE(second, std::string::npos);
    EXPECT_NE(svg.find(">(no control has a property yet)<", second), std::string::npos);
}

// A press reaches only a control the script wrote to: one the page draws.
TEST(PageModel, APressGoesOnlyToAControlTheScriptWrote) {
    page_model p;
    p.show("1", "a.ui");
    p.set("1", "Take", "text", "TAKE");
    const struct {
        const char *panel, *control;
        bool accepted;
    } cases[] = {{"1", "Take", true}, {"1", "alm_1", false}, {"2", "Take", false}, {"1", "take", false}};
    for (const auto& c : cases) {
        std::string why;
        EXPECT_EQ(p.accepts_press(c.panel, c.control, why), c.accepted) << c.panel << "/" << c.control;
        if (c.accepted) EXPECT_EQ(why, "");
        else EXPECT_EQ(why, std::string("unknown control ") + c.control + " on panel " + c.panel);
    }
}

TEST(Picture, LayoutErrorsNameFileLineAndWhy) {
    std::string many_places; // 10,000 ids a line: the 98th passes the bound
    for (int i = 0; i < 200; ++i) many_places += "place M{1..10000} box x=1 y=1 w=1 h=1\n";
    const std::pair<std::string, std::string> cases[] = {
        {"canvas 10\n", "t.layout:1: usage: canvas WIDTH HEIGHT"},
        {"\nplace Mon_1 round x=1 y=1 w=1 h=1\n", "t.layout:2: usage: place PATTERN"},
        {"place Mon_{1..} box x=1 y=1 w=1 h=1\n", "pattern \"Mon_{1..}\" is not"},
        {"place Mon_{5..1} box x=1 y=1 w=1 h=1\n", "pattern"},
        {"place Mon_{1..99999} box x=1 y=1 w=1 h=1\n", "at most 10000 ids"},
        {"place A box x=1 y=1 w=1\n", "h= must be a number"},
        {"place A box x=1 y=1 w=0 h=1\n", "w= and h= must be at least 1"},
        {"place A box x=1 y=1 w=1 h=1 colour=red\n", "unexpected \"colour=red\""},
        {"label 1 2\n", "usage: label X Y TEXT"},
        {"draw it\n", "unknown item \"draw\""},
        {"place M{1..2}} box x=1 y=1 w=1 h=1\n", "pattern \"M{1..2}}\" is not"},
        {"place M{1..2}{3..4} box x=1 y=1 w=1 h=1\n", "pattern"},
        {"\xEF\xBB\xBF\xEF\xBB\xBF"
         "canvas 1 1\n",
         "t.layout:1: unknown item \"\xEF\xBB\xBF"
         "canvas\""},
        {many_places, "t.layout:98: the declarations pass the run's bound"},
    };
    page_layout bom;
    std::string bomError;
    EXPECT_TRUE(parse_layout("\xEF\xBB\xBF"
                             "canvas 10 10\n",
                             "t.layout", bom, bomError))
        << bomError;
    for (const auto& [text, why] : cases) {
        page_layout layout;
        std::string error;
        EXPECT_FALSE(parse_layout(text, "t.layout", layout, error)) << text;
        EXPECT_NE(error.find(why), std::string::npos) << "error was: " << error;
    }
}

} // namespace

// The whole picture of a page with every kind of control, byte for byte: a
// change to how it is drawn must be deliberate. A differing picture is
// written to rich_page.actual.svg beside the test, to compare or adopt.
TEST(Picture, RichPageIsDrawnAsBefore) {
    page_layout layout;
    std::string error;
    ASSERT_TRUE(parse_layout("canvas 1036 420\nlabel 20 64 MONITORS & <more>\n"
                             "place Mon_{1..4} picture x=20 y=74 w=240 h=135 columns=2 dx=252 dy=147 hatch=parked\n"
                             "place UMD_{1..3} display x=540 y=74 w=194 h=36 dy=44\n"
                             "place Tal_{1..3} tally x=740 y=74 w=20 h=36 dy=44\n"
                             "place GPI_{1..3} lamp x=540 y=220 w=114 h=44 dx=126 panel=1\n",
                             "t.layout", layout, error))
        << error;
    page_model p;
    p.show("1", "studio \xe9.ui");
    p.set("1", "Mon_1", "pixmap", "chanimg/src7.jpg");
    p.set("1", "Mon_2", "pixmap", "chanimg/Parked.jpg");
    p.set("1", "Mon_3", "pixmap", "");
    p.set("1", "UMD_1", "text", "CAM 1 <A> & \"B\"");
    p.set("1", "UMD_2", "text", std::string(60, 'W'));
    p.set("1", "UMD_2", "colour.text", "#ff0");
    p.set("1", "Tal_1", "colour.background", "#E00000");
    p.set("1", "Tal_2", "colour.background", "#000");
    p.set("1", "GPI_1", "colour.background", "#d1d810");
    p.set("1", "GPI_1", "colour.text", "#000000");
    p.set("1", "GPI_2", "text", "ON AIR");
    p.set("1", "Take", "colour.background", "#f0f0f0");
    p.set("1", "Take", "state", "armed \x01");
    p.set("1", "Dst_10", "pixmap", "x/y.png");
    p.set("2", "Other", "text", "caf\xc3\xa9");
    p.show("3", "empty.ui");
    const std::string svg = render_page_svg(p, &layout);
    const std::string golden = PICTURE_TEST_DIR "/rich_page.svg";
    std::string expected;
    ASSERT_EQ(read_input_file(golden, "picture", 1 << 20, expected, error), load_result::ok) << error;
    if (svg != expected) std::ofstream("rich_page.actual.svg", std::ios::binary) << svg;
    EXPECT_TRUE(svg == expected) << "the picture differs from " << golden;
}
