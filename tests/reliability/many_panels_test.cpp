// Many panels on many threads. Each panel has its own host and its own long
// mixed event stream; the panels are created, driven and destroyed on several
// threads at once. Each panel's conversation must equal that of the same
// stream played alone, which it can only fail to do if panels share state.
// Built under ThreadSanitizer (the tsan preset), any unsynchronised access
// that two panels make to the same memory is reported.
#include "event_stream.h"
#include "panel_factory.h"
#include "quon_debug.h"
#include "stream_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int threadCount = 4;
constexpr int panelsPerThread = 3;

int streamLength() {
    const char* v = std::getenv("QUON_STREAM_EVENTS");
    return v ? std::atoi(v) : 50000;
}

void silent(void*, const char*) {}

// The debugger output is a process-wide setting: set before the threads
// start, cleared after they end.
class quiet_debug {
public:
    quiet_debug() { quon_set_debug_sink(&silent, nullptr); }
    ~quiet_debug() { quon_set_debug_sink(nullptr, nullptr); }
    quiet_debug(const quiet_debug&) = delete;
    quiet_debug& operator=(const quiet_debug&) = delete;
};

struct panel_run {
    explicit panel_run(std::uint64_t seed, bool keepLog) : stream(seed), host(keepLog) {}
    event_stream stream;
    stream_host host;
    quon_client_callback* script = nullptr;
};

// One panel's whole life on the calling thread, alone.
std::unique_ptr<panel_run> play_alone(std::uint64_t seed, int events, bool keepLog) {
    auto run = std::make_unique<panel_run>(seed, keepLog);
    run->script = load_quon_client_script(&run->host, "kivren");
    for (int e = 0; e < events; ++e) run->stream.deliver(run->script, run->host);
    run->script->deletingDestructor(1);
    return run;
}

// Where two conversations first differ, for a readable failure.
std::string first_difference(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    if (i == a.size() && i == b.size()) return "";
    return "entry " + std::to_string(i) + ": \"" + (i < a.size() ? a[i] : "<end>") + "\" against \"" +
           (i < b.size() ? b[i] : "<end>") + "\"";
}

// Starts `body(t)` on threadCount threads at the same moment and joins them.
template <typename F>
void on_threads_at_once(F body) {
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back([&go, &body, t] {
            while (!go.load()) std::this_thread::yield();
            body(t);
        });
    go = true;
    for (std::thread& th : threads) th.join();
}

TEST(ManyPanels, ConcurrentStreamsMatchTheSameStreamsPlayedAlone) {
    const int events = streamLength();
    quiet_debug quiet;
    std::vector<std::unique_ptr<panel_run>> runs;
    for (int p = 0; p < threadCount * panelsPerThread; ++p)
        runs.push_back(std::make_unique<panel_run>(1000 + static_cast<std::uint64_t>(p), true));

    // Each thread creates its panels, then feeds them in turn, one event each,
    // then destroys them: every panel lives through the others' traffic.
    on_threads_at_once([&runs, events](int t) {
        std::vector<panel_run*> mine;
        for (int k = 0; k < panelsPerThread; ++k)
            mine.push_back(runs[static_cast<std::size_t>(t * panelsPerThread + k)].get());
        for (panel_run* r : mine) r->script = load_quon_client_script(&r->host, "kivren");
        for (int e = 0; e < events; ++e)
            for (panel_run* r : mine) r->stream.deliver(r->script, r->host);
        for (panel_run* r : mine) r->script->deletingDestructor(1);
    });

    for (std::size_t p = 0; p < runs.size(); ++p) {
        const stream_host& together = runs[p]->host;
        EXPECT_TRUE(together.faults().empty()) << "panel " << p << ": " << together.faults().front();
        EXPECT_FALSE(together.replyOutstanding()) << "panel " << p;
        std::unique_ptr<panel_run> alone = play_alone(1000 + p, events, true);
        EXPECT_GT(together.commands(), static_cast<unsigned long long>(events) / 5) << "panel " << p;
        EXPECT_EQ(together.log().size(), alone->host.log().size()) << "panel " << p;
        EXPECT_EQ(first_difference(together.log(), alone->host.log()), "") << "panel " << p;
    }
}

TEST(ManyPanels, CreatedAndDestroyedOnManyThreadsAtOnce) {
    constexpr int cycles = 150;
    constexpr int events = 40;
    quiet_debug quiet;
    // digests[t][c]: the conversation of thread t's panel number c.
    std::vector<std::vector<std::uint64_t>> digests(threadCount, std::vector<std::uint64_t>(cycles));
    std::vector<int> faults(threadCount, 0);
    on_threads_at_once([&](int t) {
        for (int c = 0; c < cycles; ++c) {
            std::unique_ptr<panel_run> run = play_alone(static_cast<std::uint64_t>(t * cycles + c), events, false);
            digests[static_cast<std::size_t>(t)][static_cast<std::size_t>(c)] = run->host.digest();
            faults[static_cast<std::size_t>(t)] += static_cast<int>(run->host.faults().size());
        }
    });
    for (int t = 0; t < threadCount; ++t) {
        EXPECT_EQ(faults[static_cast<std::size_t>(t)], 0) << "thread " << t;
        for (int c = 0; c < cycles; c += 7) {
            std::unique_ptr<panel_run> alone = play_alone(static_cast<std::uint64_t>(t * cycles + c), events, false);
            EXPECT_EQ(digests[static_cast<std::size_t>(t)][static_cast<std::size_t>(c)], alone->host.digest())
                << "thread " << t << ", panel " << c;
        }
    }
}

} // namespace
