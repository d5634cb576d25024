#include "picture/page_painter.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace quon::host;

namespace {

// After each change of the page the painter's picture must be the page's
// picture drawn from scratch, and it must say what it drew again.
TEST(PagePainter, KeepsThePictureOfThePageDrawingOnlyWhatChanged) {
    auto layout = std::make_shared<page_layout>();
    std::string error;
    ASSERT_TRUE(parse_layout("canvas 600 200\nplace Mon_{1..3} picture x=20 y=60 w=100 h=60 columns=3 dx=120\n",
                             "t.layout", *layout, error))
        << error;
    auto other = std::make_shared<page_layout>(*layout);
    other->width = 1200;
    page_model page;
    std::shared_ptr<const page_layout> shown = layout;
    const std::vector<std::size_t> none, whole = {~std::size_t{0}};
    const struct {
        const char* what;
        std::function<void()> change;
        std::vector<std::size_t> redrawn; // places, or `whole`
    } steps[] = {
        {"first picture", [&] { page.show("1", "a.ui"); }, whole},
        {"nothing", [] {}, none},
        // A control the script never wrote is not drawn: its first value is a new group.
        {"a placed control appears", [&] { page.set("1", "Mon_2", "pixmap", "cam.jpg"); }, whole},
        {"its new value", [&] { page.set("1", "Mon_2", "pixmap", "cam2.jpg"); }, {0}},
        {"the same value again", [&] { page.set("1", "Mon_2", "pixmap", "cam2.jpg"); }, none},
        {"a control the layout does not place", [&] { page.set("1", "Gpi_1", "text", "on"); }, whole},
        {"its value, same height", [&] { page.set("1", "Gpi_1", "text", "off"); }, {1}},
        {"a second line: its row grows", [&] { page.set("1", "Gpi_1", "colour", "red"); }, whole},
        {"two placed controls appear",
         [&] { page.set("1", "Mon_1", "pixmap", "x.jpg"), page.set("1", "Mon_3", "pixmap", "y.jpg"); }, whole},
        {"two placed controls change",
         [&] { page.set("1", "Mon_1", "pixmap", "x2.jpg"), page.set("1", "Mon_3", "pixmap", "y2.jpg"); },
         {0, 2}},
        {"another panel", [&] { page.set("2", "A", "text", "t"); }, whole},
        {"another layout", [&] { shown = other; }, whole},
        {"no layout", [&] { shown = nullptr; }, whole},
    };
    page_painter painter;
    for (const auto& step : steps) {
        step.change();
        const page_painter::change c = painter.draw(page, shown);
        EXPECT_EQ(painter.picture().whole(), render_page_svg(page, shown.get())) << step.what;
        EXPECT_EQ(c.whole ? whole : c.controls, step.redrawn) << step.what;
    }
}

} // namespace
