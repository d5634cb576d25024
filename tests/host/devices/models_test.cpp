#include "devices/model.h"
#include "devices/file.h"
#include "picture/page_model.h"

#include <gtest/gtest.h>

using namespace quon::host;

namespace {

// A studio like kivren's: router 3, GPI 1, information device 2.
const char* const studio = "router 3 destinations=16 sources=20 picture-selector=6\n"
                           "state 3 1..16 {n}\n"
                           "name 3 6 1..20 chanimg/src{n}.jpg\n"
                           "name 3 * 1..20 SRC {n}\n"
                           "gpi 1 inputs=16\n"
                           "info 2 slots=40\n"
                           "state 2 1..12 CAM {n}\n";

device_set declared(const char* text = studio) {
    device_set set;
    std::string error;
    EXPECT_TRUE(parse_devices(text, "t.devices", "", set, error)) << error;
    return set;
}

TEST(DeviceModel, RouterAnswersSourceNamesBySelector) {
    device_model d(declared());
    EXPECT_EQ(d.source_name(3, 6, 1), "chanimg/src1.jpg");
    EXPECT_EQ(d.source_name(3, 6, 20), "chanimg/src20.jpg");
    EXPECT_EQ(d.source_name(3, 1, 2), "SRC 2");
    EXPECT_EQ(d.source_name(3, 6, 0), std::nullopt);
    EXPECT_EQ(d.source_name(3, 6, 21), std::nullopt);
    EXPECT_EQ(d.source_name(1, 6, 1), std::nullopt); // the GPI device has no sources
    EXPECT_TRUE(d.set_source_name(3, 6, 4, "chanimg/news.jpg"));
    EXPECT_EQ(d.source_name(3, 6, 4), "chanimg/news.jpg");
    EXPECT_FALSE(d.set_source_name(3, 6, 21, "x"));
    EXPECT_FALSE(d.set_source_name(1, 6, 1, "x"));
}

// A live page is told only the indices set since it was last told.
TEST(DeviceModel, RevisionsSayWhatWasSetSince) {
    device_model d(declared());
    std::optional<status_report> r;
    std::string why;
    const std::uint64_t declaredAt = d.revision();
    EXPECT_EQ(d.state_revision(3, 7), declaredAt);
    ASSERT_TRUE(d.change({3, 7, "2"}, r, why));
    EXPECT_GT(d.state_revision(3, 7), declaredAt);
    EXPECT_EQ(d.state_revision(3, 8), declaredAt);
    EXPECT_EQ(d.state_revision(3, 17), 0u);       // not on the device
    EXPECT_FALSE(d.change({3, 8, "99"}, r, why)); // refused: nothing set
    EXPECT_EQ(d.state_revision(3, 8), declaredAt);
    EXPECT_EQ(d.names_revision(), declaredAt);
    const std::uint64_t beforeName = d.revision();
    ASSERT_TRUE(d.set_source_name(3, 6, 4, "chanimg/news.jpg"));
    EXPECT_GT(d.names_revision(), beforeName);
    EXPECT_EQ(d.revision(), d.names_revision());
}

TEST(DeviceModel, NothingDeclaredMeansNoDevices) {
    device_model d;
    int skipped = 0;
    EXPECT_EQ(d.type_of(3), std::nullopt);
    EXPECT_FALSE(d.register_range(3, 1, 16, false));
    EXPECT_TRUE(d.poll(3, 1, 16, skipped).empty());
    EXPECT_EQ(d.source_name(3, 6, 1), std::nullopt);
}

TEST(DeviceModel, PollsGiveOneReportPerIndexTheDeviceHas) {
    device_model d(declared());
    int skipped = -1;
    auto r = d.poll(2, 1, 40, skipped);
    ASSERT_EQ(r.size(), 40u);
    EXPECT_EQ(skipped, 0);
    EXPECT_EQ(r[0].index, 1);
    EXPECT_EQ(r[39].index, 40);
    EXPECT_EQ(r[2].text, "CAM 3");
    EXPECT_EQ(r[20].text, "0"); // undeclared slots start at "0"
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
    device_model d(declared());
    std::optional<status_report> r;
    std::string why;
    auto change = [&](std::int32_t device, std::int32_t index, const std::string& value) {
        return d.change({device, index, value}, r, why);
    };
    EXPECT_TRUE(change(3, 5, "3"));
    EXPECT_FALSE(r); // nobody registered
    EXPECT_EQ(d.state(3, 5), "3");

    ASSERT_TRUE(d.register_range(3, 1, 4, false));
    EXPECT_TRUE(change(3, 5, "park"));
    EXPECT_FALSE(r);
    ASSERT_TRUE(d.register_range(3, 5, 8, true)); // 'ADD' keeps 1..4
    EXPECT_TRUE(change(3, 5, "park"));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->index, 5);
    EXPECT_EQ(r->state, 0);
    EXPECT_TRUE(change(3, 1, "2"));
    EXPECT_TRUE(r);
    ASSERT_TRUE(d.register_range(3, 16, 16, false)); // without 'ADD' replaces
    EXPECT_TRUE(change(3, 1, "2"));
    EXPECT_FALSE(r);

    const std::pair<device_change, const char*> refused[] = {
        {{3, 17, "1"}, "has no index 17 (1..16)"}, {{3, 1, "21"}, "not park or 0..20"},
        {{3, 0, "1"}, "has no index 0"},           {{3, 1, "x"}, "not park or 0..20"},
        {{1, 17, "on"}, "has no index 17"},        {{1, 1, "maybe"}, "neither on nor off"},
        {{2, 41, "a"}, "has no index 41"},         {{4, 1, "1"}, "no device 4"},
    };
    for (const auto& [c, message] : refused) {
        EXPECT_FALSE(d.change(c, r, why)) << message;
        EXPECT_NE(why.find(message), std::string::npos) << why;
    }
    // A step's typed state meets the same rules as the words.
    std::vector<addressed_report> reports;
    EXPECT_FALSE(d.change(device_setting{3, 1, {21, ""}}, reports, why));
    EXPECT_EQ(why, "source \"21\" is not park or 0..20");
    EXPECT_TRUE(d.change(device_setting{1, 2, {1, ""}}, reports, why));
    EXPECT_EQ(d.state(1, 2), "1");

    ASSERT_TRUE(d.register_range(1, 1, 16, false));
    EXPECT_TRUE(change(1, 7, "on"));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->device, 1);
    EXPECT_EQ(r->state, 1);
    EXPECT_EQ(r->text, "1");
    ASSERT_TRUE(d.unregister(1));
    EXPECT_TRUE(change(1, 7, "off"));
    EXPECT_FALSE(r);
    EXPECT_EQ(d.state(1, 7), "0");
    EXPECT_TRUE(change(1, 7, "1")); // a state as the model keeps it (and the pipe carries it) reads back
    EXPECT_EQ(d.state(1, 7), "1");

    ASSERT_TRUE(d.register_range(2, 1, 40, false));
    EXPECT_TRUE(change(2, 21, "3"));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->state, 3);
    EXPECT_TRUE(change(2, 22, "-x"));
    EXPECT_EQ(r->state, 0); // not a number: the text still goes out
    EXPECT_EQ(r->text, "-x");
    EXPECT_FALSE(d.register_range(4, 1, 2, false));
    EXPECT_FALSE(d.unregister(4));
}

// A studio: each script registers for itself; a change reaches every
// script registered for the index, in the order the scripts registered.
TEST(DeviceModel, ChangesReachEveryRegisteredScriptInRegistrationOrder) {
    device_model d(declared());
    std::string why;
    auto told = [&](std::int32_t index) {
        std::vector<addressed_report> reports;
        EXPECT_TRUE(d.change({3, index, "4"}, reports, why)) << why;
        std::vector<int> scripts;
        for (const addressed_report& r : reports) {
            EXPECT_EQ(r.report.index, index);
            EXPECT_EQ(r.report.state, 4);
            scripts.push_back(r.script);
        }
        return scripts;
    };
    ASSERT_TRUE(d.register_range(3, 9, 9, false, 2));
    ASSERT_TRUE(d.register_range(3, 1, 16, false, 0));
    ASSERT_TRUE(d.register_range(3, 5, 5, false, 1));
    EXPECT_EQ(told(9), (std::vector<int>{2, 0}));
    EXPECT_EQ(told(5), (std::vector<int>{0, 1}));
    EXPECT_TRUE(d.is_registered(3, 9, 2));
    EXPECT_FALSE(d.is_registered(3, 9, 1));
    ASSERT_TRUE(d.register_range(3, 9, 9, false, 1)); // replaces 1's range, keeps its place
    EXPECT_EQ(told(9), (std::vector<int>{2, 0, 1}));
    ASSERT_TRUE(d.unregister(3, 2)); // only script 2's registration goes
    EXPECT_EQ(told(9), (std::vector<int>{0, 1}));
    ASSERT_TRUE(d.register_range(3, 9, 9, true, 2)); // registered again: last
    EXPECT_EQ(told(9), (std::vector<int>{0, 1, 2}));
    std::optional<status_report> own; // a host of one script is script 0
    ASSERT_TRUE(d.change({3, 9, "1"}, own, why));
    EXPECT_TRUE(own && own->state == 1);
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

} // namespace
