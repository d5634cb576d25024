#include "serve_server.h"

#include "serve_live.h"
#include "serve_page.h" // generated at build time from serve_page.html

#include <httplib.h>

#include <atomic>
#include <thread>

namespace {

constexpr std::size_t maxBody = 64 * 1024;
constexpr int maxStreams = 8;            // open event streams; each holds a server thread
constexpr std::size_t serverThreads = 16;
constexpr auto actionWait = std::chrono::seconds(30);
constexpr auto keepAliveEvery = std::chrono::seconds(10);

// "METHOD /path" for the log, kept short and printable.
std::string origin_of(const httplib::Request& req) {
    std::string path = req.path.substr(0, 80);
    for (char& c : path)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return (req.method.empty() ? std::string("(no method)") : req.method.substr(0, 10)) + " " +
           (path.empty() ? std::string("(no path)") : path);
}

void answer_json(httplib::Response& res, int status, const std::string& json) {
    res.status = status;
    res.set_header("Cache-Control", "no-store");
    res.set_content(json, "application/json");
}

std::string error_json(const std::string& error) { return "{\"ok\":false,\"error\":" + json_string(error) + "}"; }

std::string result_json(const live_result& r) {
    if (!r.ok) return error_json(r.error);
    std::string out = "{\"ok\":true,\"step\":" + json_string(r.step);
    if (r.property) out += ",\"answer\":" + (r.answer ? json_string(*r.answer) : std::string("null"));
    return out + "}";
}

} // namespace

struct live_server::impl {
    impl(action_queue& q, live_feed& f) : queue(q), feed(f) {}
    action_queue& queue;
    live_feed& feed;
    httplib::Server server;
    std::thread thread;
    std::atomic<int> streams{0};

    void routes();
    void action(const httplib::Request& req, httplib::Response& res);
    void events(httplib::Response& res);
};

void live_server::impl::routes() {
    server.new_task_queue = [] { return new httplib::ThreadPool(serverThreads); };
    server.set_payload_max_length(maxBody);
    server.set_read_timeout(5, 0);
    server.set_write_timeout(5, 0);
    server.set_keep_alive_timeout(2); // an idle connection delays stopping no longer
    server.Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Cache-Control", "no-store");
        res.set_content(serve_page_html, "text/html; charset=utf-8");
    });
    server.Get("/api/events", [this](const httplib::Request&, httplib::Response& res) { events(res); });
    server.Post(R"(/api/([^/]*))", [this](const httplib::Request& req, httplib::Response& res) { action(req, res); });
    // Every refusal the routes above did not answer themselves: no such path,
    // a body too large, a request the library could not read.
    server.set_error_handler(httplib::Server::HandlerWithResponse([this](const httplib::Request& req,
                                                                         httplib::Response& res) {
        if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        std::string why = res.status == 404   ? "no such page; the page is at / and actions are POST /api/ACTION"
                          : res.status == 413 ? "request body too large (at most " + std::to_string(maxBody) + " bytes)"
                          : res.status == 400 ? "malformed request"
                                              : "refused with status " + std::to_string(res.status);
        queue.notice(origin_of(req), why);
        answer_json(res, res.status, error_json(why));
        return httplib::Server::HandlerResponse::Handled;
    }));
}

void live_server::impl::action(const httplib::Request& req, httplib::Response& res) {
    const std::string origin = origin_of(req);
    request_outcome request = step_for_body(req.matches[1], req.body);
    std::optional<std::future<live_result>> result = queue.push(origin, request);
    if (!result) {
        answer_json(res, 503, error_json("the host is busy or stopping; try again"));
        return;
    }
    if (result->wait_for(actionWait) != std::future_status::ready) {
        answer_json(res, 503, error_json("the host did not carry the action out in time"));
        return;
    }
    const live_result r = result->get();
    answer_json(res, r.ok ? 200 : 400, result_json(r));
}

void live_server::impl::events(httplib::Response& res) {
    if (++streams > maxStreams) {
        --streams;
        answer_json(res, 503, error_json("too many live pages open"));
        return;
    }
    res.set_header("Cache-Control", "no-store");
    auto cursor = std::make_shared<feed_cursor>();
    res.set_chunked_content_provider(
        "text/event-stream",
        [this, cursor](std::size_t, httplib::DataSink& sink) {
            std::string news;
            if (!feed.next(*cursor, news, std::chrono::duration_cast<std::chrono::milliseconds>(keepAliveEvery))) {
                sink.done();
                return false;
            }
            return sink.write(news.data(), news.size()); // false once the page has gone
        },
        [this](bool) { --streams; });
}

live_server::live_server(action_queue& queue, live_feed& feed) : impl_(std::make_unique<impl>(queue, feed)) {
    impl_->routes();
}

live_server::~live_server() { stop(); }

bool live_server::bind(int port, std::string& error) {
    // The loopback address only: the page drives a panel and must not be
    // reachable from other machines.
    const char* host = "127.0.0.1";
    if (port == 0) port_ = impl_->server.bind_to_any_port(host);
    else port_ = impl_->server.bind_to_port(host, port) ? port : -1;
    if (port_ <= 0) {
        error = "cannot listen on " + std::string(host) + ":" + std::to_string(port);
        return false;
    }
    return true;
}

void live_server::start() {
    impl_->thread = std::thread([this] { impl_->server.listen_after_bind(); });
}

void live_server::stop() {
    if (!impl_->thread.joinable()) return;
    impl_->server.stop();
    impl_->thread.join();
}
