// The soak's verdict rules on figures whose shape is known: a growth is laid
// at the kind that makes it, a flat, noisy or saturating resource is none,
// a CPU per event that rises with the count is found, an event over the
// budget is named; and the report escapes what the panel wrote.
#include "soak/report.h"
#include "soak/verdict.h"
#include "validation/random.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <functional>

using namespace quon::host;

namespace {

// What a window's sample is, given the counts so far and the window's number.
using shape = std::function<process_sample(const std::array<std::int64_t, eventKinds>&, std::size_t)>;
// The CPU of an event of a kind, given that kind's count so far.
using cost = std::function<std::int64_t(event_kind, std::int64_t)>;

soak_tally soak_of(std::size_t windows, const shape& sample, const cost& cpu) {
    soak_tally tally(16000000);
    validate_random random(7);
    std::array<std::int64_t, eventKinds> counts{};
    for (std::size_t w = 0; w < windows; ++w) {
        for (std::size_t k = 0; k < eventKinds; ++k) {
            // Rates vary from window to window, as the traffic's do; timers tick twice.
            const std::int64_t n = k == index_of(event_kind::timer) ? 2 : 50 + random.below(100);
            for (std::int64_t i = 0; i < n; ++i)
                tally.count(static_cast<event_kind>(k), cpu(static_cast<event_kind>(k), counts[k]++), 1);
        }
        tally.close_window(static_cast<std::int64_t>(w + 1) * stretchMs, sample(counts, w));
    }
    return tally;
}

process_sample flat(std::int64_t heap, std::int64_t fds) {
    process_sample s;
    s.heapBytes = heap, s.descriptors = fds, s.threads = 2, s.residentKiB = 1000;
    return s;
}

std::int64_t steady_cpu(event_kind, std::int64_t) { return 3000; }

struct growth_case {
    const char* name;
    shape sample;
    bool found;
    soak_resource resource;
    event_kind kind;
};

TEST(SoakVerdict, GrowthIsFoundAndLaidAtItsKind) {
    validate_random noise(3);
    const growth_case cases[] = {
        {"flat with noise", [&](const auto&, std::size_t) { return flat(400000 + noise.range(-20000, 20000), 5); },
         false, soak_resource::heap, event_kind::route},
        {"48 bytes per GPI change", [](const auto& c, std::size_t) { return flat(400000 + 48 * c[1], 5); }, true,
         soak_resource::heap, event_kind::gpi},
        {"a cache that fills in the first hours",
         [](const auto&, std::size_t w) {
             return flat(400000 + 4000000 * static_cast<std::int64_t>(std::min<std::size_t>(w, 30)), 5);
         },
         false, soak_resource::heap, event_kind::route},
        {"a descriptor per timer tick",
         [](const auto& c, std::size_t) { return flat(400000, 5 + c[index_of(event_kind::timer)]); }, true,
         soak_resource::descriptors, event_kind::timer},
    };
    for (const growth_case& g : cases) {
        const std::vector<soak_finding> found = judge(soak_of(144, g.sample, steady_cpu));
        ASSERT_EQ(found.size(), g.found ? 1u : 0u) << g.name << (found.empty() ? "" : ": " + found[0].line);
        if (!g.found) continue;
        EXPECT_EQ(found[0].type, finding_type::growth) << g.name;
        EXPECT_EQ(found[0].resource, g.resource) << g.name;
        EXPECT_TRUE(found[0].kindKnown) << g.name;
        EXPECT_EQ(found[0].kind, g.kind) << g.name << ": " << found[0].line;
    }
}

TEST(SoakVerdict, CpuThatRisesWithItsCountIsFoundOnlyThen) {
    const auto still = [](const auto&, std::size_t) { return flat(400000, 5); };
    const cost linearPress = [](event_kind k, std::int64_t n) { return k == event_kind::press ? 1000 + 5 * n : 3000; };
    std::vector<soak_finding> found = judge(soak_of(144, still, linearPress));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].type, finding_type::cpu_growth);
    EXPECT_EQ(found[0].kind, event_kind::press);
    // A few microseconds of jitter, on every kind, is no growth.
    validate_random jitter(5);
    found = judge(soak_of(144, still, [&](event_kind, std::int64_t) { return 2000 + jitter.range(0, 4000); }));
    EXPECT_TRUE(found.empty()) << found[0].line;
    // Too short a soak to judge a growth: only the budget is.
    EXPECT_TRUE(judge(soak_of(warm_up_windows(10) + minJudgedWindows - 1, still, linearPress)).empty());
}

// One event a little over the budget may be time the machine charged to the
// thread (a busy CI runner); a few, or one far over it, are the panel's.
TEST(SoakVerdict, AnEventKindOverTheBudgetIsNamedButNotOneOutlier) {
    const auto still = [](const auto&, std::size_t) { return flat(400000, 5); };
    struct row {
        const char* name;
        std::vector<std::int64_t> slow; // the info events (by number) that take 17 ms
        std::int64_t ns;
        bool fails;
    };
    const row rows[] = {
        {"one a little over", {17}, 17000000, false},
        {"three a little over", {17, 40, 90}, 17000000, true},
        {"one ten times over", {17}, 170000000, true},
    };
    for (const row& r : rows) {
        const std::vector<soak_finding> found = judge(soak_of(20, still, [&](event_kind k, std::int64_t n) {
            const bool slow = k == event_kind::info && std::find(r.slow.begin(), r.slow.end(), n) != r.slow.end();
            return slow ? r.ns : 3000;
        }));
        ASSERT_EQ(found.size(), r.fails ? 1u : 0u) << r.name;
        if (!r.fails) continue;
        EXPECT_EQ(found[0].type, finding_type::over_budget) << r.name;
        EXPECT_EQ(found[0].kind, event_kind::info) << r.name;
    }
}

TEST(SoakReport, PanelTextsAreEscaped) {
    soak_tally tally(16000000);
    tally.count(event_kind::property, 5000, 0);
    tally.name_slowest(1, 10, event_kind::property, 5000, "property \"<img src=x onerror=alert(1)>&\"");
    tally.close_window(stretchMs, flat(1, 1));
    soak_plan plan;
    plan.scripts.push_back({"<b>name</b>", nullptr, ""});
    const std::vector<soak_finding> none;
    const soak_faults faults;
    const soak_report_input in{plan, tally, none, faults, 1.0};
    const std::string html = soak_html(in);
    EXPECT_EQ(html.find("<img"), std::string::npos);
    EXPECT_EQ(html.find("<b>name"), std::string::npos);
    EXPECT_NE(html.find("&lt;img src=x onerror=alert(1)&gt;&amp;"), std::string::npos);
    EXPECT_NE(soak_json(in).find("\"step\":\"property \\\"<img"), std::string::npos);
}

} // namespace
