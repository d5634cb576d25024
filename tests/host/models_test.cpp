#include "device_model.h"
#include "page_model.h"
#include "svg_writer.h"

#include <gtest/gtest.h>

namespace {

TEST(DeviceModel, RouterAnswersSourceNamesBySelector) {
    device_model d;
    EXPECT_EQ(d.source_name(3, 6, 1), "chanimg/src1.jpg");
    EXPECT_EQ(d.source_name(3, 6, 20), "chanimg/src20.jpg");
    EXPECT_EQ(d.source_name(3, 1, 2), "SRC 2");
    EXPECT_EQ(d.source_name(3, 6, 0), std::nullopt);
    EXPECT_EQ(d.source_name(3, 6, 21), std::nullopt);
    EXPECT_EQ(d.source_name(1, 6, 1), std::nullopt); // the GPI device has no sources
    d.set_source_picture(4, "chanimg/news.jpg");
    EXPECT_EQ(d.source_name(3, 6, 4), "chanimg/news.jpg");
}

TEST(DeviceModel, PollsGiveOneReportPerIndexTheDeviceHas) {
    device_model d;
    int skipped = -1;
    auto r = d.poll(2, 1, 40, skipped);
    ASSERT_EQ(r.size(), 40u);
    EXPECT_EQ(skipped, 0);
    EXPECT_EQ(r[0].index, 1);
    EXPECT_EQ(r[39].index, 40);
    EXPECT_EQ(r[2].text, "CAM 3");
    EXPECT_EQ(r[20].text, "0"); // tally slot 21
    EXPECT_EQ(r[20].state, 0);

    r = d.poll(3, 1, 16, skipped);
    ASSERT_EQ(r.size(), 16u);
    EXPECT_EQ(r[4].device, 3);
    EXPECT_EQ(r[4].state, 5); // destination 5 starts on source 5
    EXPECT_EQ(r[4].text, "5");

    r = d.poll(1, 0, 20, skipped); // GPI has inputs 1..16
    EXPECT_EQ(r.size(), 16u);
    EXPECT_EQ(skipped, 5);
    r = d.poll(1, INT32_MIN, INT32_MAX, skipped); // no overflow, no huge loop
    EXPECT_EQ(r.size(), 16u);
    EXPECT_GT(skipped, 0);
    EXPECT_TRUE(d.poll(1, 5, 4, skipped).empty());
    EXPECT_TRUE(d.poll(9, 1, 16, skipped).empty());
}

TEST(DeviceModel, ChangesReportOnlyRegisteredIndices) {
    device_model d;
    std::optional<status_report> r;
    EXPECT_TRUE(d.route(5, 3, r));
    EXPECT_FALSE(r); // nobody registered
    EXPECT_EQ(d.routed_source(5), 3);

    ASSERT_TRUE(d.register_range(3, 1, 4, false));
    EXPECT_TRUE(d.route(5, 0, r));
    EXPECT_FALSE(r);
    ASSERT_TRUE(d.register_range(3, 5, 8, true)); // 'ADD' keeps 1..4
    EXPECT_TRUE(d.route(5, 0, r));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->index, 5);
    EXPECT_EQ(r->state, 0);
    EXPECT_TRUE(d.route(1, 2, r));
    EXPECT_TRUE(r);
    ASSERT_TRUE(d.register_range(3, 16, 16, false)); // without 'ADD' replaces
    EXPECT_TRUE(d.route(1, 2, r));
    EXPECT_FALSE(r);

    EXPECT_FALSE(d.route(17, 1, r));
    EXPECT_FALSE(d.route(1, 21, r));
    EXPECT_FALSE(d.route(0, 1, r));

    ASSERT_TRUE(d.register_range(1, 1, 16, false));
    EXPECT_TRUE(d.set_gpi(7, true, r));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->device, 1);
    EXPECT_EQ(r->state, 1);
    EXPECT_FALSE(d.set_gpi(17, true, r));
    ASSERT_TRUE(d.unregister(1));
    EXPECT_TRUE(d.set_gpi(7, false, r));
    EXPECT_FALSE(r);
    EXPECT_FALSE(d.gpi_on(7));

    ASSERT_TRUE(d.register_range(2, 1, 40, false));
    EXPECT_TRUE(d.set_info(21, "3", r));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->state, 3);
    EXPECT_TRUE(d.set_info(22, "-x", r));
    EXPECT_EQ(r->state, 0); // not a number: the text still goes out
    EXPECT_EQ(r->text, "-x");
    EXPECT_FALSE(d.set_info(41, "a", r));
    EXPECT_FALSE(d.register_range(4, 1, 2, false));
    EXPECT_FALSE(d.unregister(4));
}

TEST(PageModel, PutGetAndIds) {
    page_model p;
    EXPECT_TRUE(p.put("pixmap=chanimg/src1.jpg", "1", "Mon_1"));
    EXPECT_TRUE(p.put("text=a=b", "1", "UMD_1")); // only the first "=" splits
    EXPECT_TRUE(p.put("colour.background=#000000", "1", "UMDL_1"));
    EXPECT_TRUE(p.put("colour.text=", "1", "UMDL_1"));
    EXPECT_FALSE(p.put("novalue", "1", "Mon_2"));
    EXPECT_EQ(p.control("1", "Mon_2"), nullptr);

    EXPECT_EQ(p.get("1", "Mon_1", "pixmap"), "pixmap=chanimg/src1.jpg");
    EXPECT_EQ(p.get("1", "UMD_1", "text"), "text=a=b");
    EXPECT_EQ(p.get("1", "Mon_1", "colour"), "colour=");
    EXPECT_EQ(p.get("1", "Mon_9", "pixmap"), std::nullopt);
    EXPECT_EQ(p.get("2", "Mon_1", "pixmap"), std::nullopt);
    EXPECT_EQ(p.get("1", "UMDL_1", "all"), "colour.background=#000000,colour.text=");

    EXPECT_EQ(p.ids("1", "UMD"), "UMDL_1,UMD_1");
    EXPECT_EQ(p.ids("1", "Mon_"), "Mon_1");
    EXPECT_EQ(p.ids("1", "alm_"), "");
    EXPECT_EQ(p.ids("1", ""), "Mon_1,UMDL_1,UMD_1");
    EXPECT_EQ(p.ids("7", ""), "");

    EXPECT_EQ(p.value("1", "UMD_1", "text"), "a=b");
    EXPECT_EQ(p.value("1", "UMD_1", "colour"), std::nullopt);
    EXPECT_EQ(p.main_panel(), "1");
    p.show("2", "x.ui");
    p.show("1", "y.ui");
    EXPECT_EQ(p.main_panel(), "2");
}

TEST(SvgWriter, EscapesAndColours) {
    EXPECT_EQ(xml_escape("a<b>&\"c'\x01"), "a&lt;b&gt;&amp;&quot;c&apos;?");
    for (const char* good : {"#000000", "#E00000", "#abc"}) EXPECT_TRUE(is_colour(good)) << good;
    for (const char* bad : {"", "#", "red", "#12345", "#12345g", "000000", "#0000000", "\"/><script"})
        EXPECT_FALSE(is_colour(bad)) << bad;
}

TEST(SvgWriter, DrawsWhatThePageHolds) {
    page_model p;
    p.show("1", "kivren/panel1024.quon_ui");
    p.set("1", "Mon_1", "pixmap", "chanimg/src7.jpg");
    p.set("1", "Mon_2", "pixmap", "chanimg/parked.jpg");
    p.set("1", "UMD_3", "text", "<Studio & \"A\">");
    p.set("1", "UMDL_3", "colour.background", "#E00000");
    p.set("1", "UMDR_3", "colour.background", "#000000");
    p.set("1", "GPI_4", "colour.background", "#c0c000");
    p.set("1", "GPI_4", "colour.text", "#ffffff");
    p.set("1", "GPI_5", "colour.background", "\"/><evil a=\"");
    const std::string svg = render_page_svg(p, "1");
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("</svg>"), std::string::npos);
    EXPECT_NE(svg.find("kivren/panel1024.quon_ui"), std::string::npos);
    EXPECT_NE(svg.find(">src7<"), std::string::npos);
    EXPECT_NE(svg.find(">PARKED<"), std::string::npos);
    EXPECT_NE(svg.find("&lt;Studio &amp; &quot;A&quot;&gt;"), std::string::npos);
    EXPECT_EQ(svg.find("<Studio"), std::string::npos);
    EXPECT_NE(svg.find("fill=\"#E00000\""), std::string::npos);
    EXPECT_NE(svg.find("fill=\"#c0c000\""), std::string::npos);
    EXPECT_EQ(svg.find("<evil"), std::string::npos); // a bad colour never reaches an attribute
    EXPECT_NE(svg.find("no picture set"), std::string::npos); // Mon_3..16 were never set
    EXPECT_EQ(svg.find("href"), std::string::npos);           // self-contained: nothing linked
}

} // namespace
