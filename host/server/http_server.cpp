#include "server/http_server.h"

#include "server/connection.h"
#include "base/json_text.h"
#include "server/page_actions.h"
#include "server/page_html.h" // generated at build time from page.html

#include <atomic>
#include <cctype>
#include <thread>

namespace quon::host {

namespace {

constexpr std::size_t maxBody = 64 * 1024;
constexpr int maxStreams = 8; // open event streams; each holds a server thread
constexpr std::size_t serverThreads = 64;
const std::string tooManyPages =
    "too many live pages open: at most " + std::to_string(maxStreams) + " live pages at once; close one";
constexpr auto keepAliveEvery = std::chrono::seconds(10);
constexpr auto goneCheckEvery = std::chrono::milliseconds(250); // how soon a closed page frees its slot

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

// A step of a paused scenario: the step whose page is shown, of how many.
std::string shown_json(const live_result& r) {
    if (!r.shown) return "";
    return ",\"shown\":" + std::to_string(r.shown->first) + ",\"of\":" + std::to_string(r.shown->second);
}

// The result of an action as its request is answered, or (with the id its
// request was answered with) as a late "result" event.
std::string result_json(const live_result& r, std::uint64_t id = 0) {
    const std::string head = id ? "{\"id\":" + std::to_string(id) + "," : "{";
    if (r.fault)
        return head + "\"ok\":false,\"fault\":true,\"step\":" + json_string(r.step) +
               ",\"error\":" + json_string(r.error) + shown_json(r) + "}";
    if (!r.ok) return head + "\"ok\":false,\"error\":" + json_string(r.error) + "}";
    std::string out = head + "\"ok\":true,\"step\":" + json_string(r.step);
    if (r.property) out += ",\"answer\":" + (r.answer ? json_string(*r.answer) : std::string("null"));
    return out + shown_json(r) + "}";
}

// The answer to a request whose action has not finished within the wait: it
// is carried out all the same, and its result comes as a "result" event.
std::string pending_json(std::uint64_t id, const std::string& step, bool taken, std::chrono::milliseconds wait) {
    const std::string what = taken ? "still running" : "waiting for the actions before it";
    return "{\"ok\":null,\"pending\":true,\"id\":" + std::to_string(id) + ",\"step\":" + json_string(step) +
           ",\"state\":\"" + (taken ? "running" : "queued") + "\",\"note\":" +
           json_string("not finished after " + std::to_string(wait.count()) + " ms: " + what +
                       "; its result will be reported on the event stream (event \"result\", id " + std::to_string(id) +
                       ")") +
           "}";
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The page is only ever 127.0.0.1:PORT or localhost:PORT. Another name in
// Host is a page elsewhere that had its name resolve here; an Origin that is
// not the page's own is another page posting a form or a fetch.
std::string foreign_request(const httplib::Request& req, int port, int& status) {
    const std::string own[] = {"127.0.0.1:" + std::to_string(port), "localhost:" + std::to_string(port)};
    status = 421;
    if (req.get_header_value_count("Host") != 1) return "refused: the request must name this server in one Host";
    const std::string host = lower(req.get_header_value("Host"));
    if (host != own[0] && host != own[1]) return "refused: Host " + json_string(host) + " is not this server";
    status = 403;
    if (req.method == "GET" || !req.has_header("Origin")) return "";
    const std::string origin = lower(req.get_header_value("Origin"));
    if (origin != "http://" + own[0] && origin != "http://" + own[1])
        return "refused: a page from " + json_string(origin) + " may not act here";
    return "";
}

// Ends the connection after this answer: a refused request's body stays unread.
void close_after(httplib::Response& res) {
    res.set_header("Connection", "close");
    if (connection_stream* c = connection_server::current()) c->closeAfter = true;
}

} // namespace

struct live_server::impl {
    impl(action_queue& q, live_feed& f) : queue(q), feed(f) {}
    action_queue& queue;
    live_feed& feed;
    connection_server server;
    std::thread thread;
    std::atomic<int> streams{0};
    std::atomic<std::uint64_t> actions{0}; // numbers the actions, for their late results
    std::chrono::milliseconds answerWait{live_server::defaultAnswerWait};
    int port = 0;

    void routes();
    void action(const httplib::Request& req, const httplib::ContentReader& reader, httplib::Response& res);
    void events(httplib::Response& res);
    void refuse(const httplib::Request& req, httplib::Response& res, int status, const std::string& why) {
        queue.notice(origin_of(req), why);
        close_after(res);
        answer_json(res, status, error_json(why));
    }
};

void live_server::impl::routes() {
    server.new_task_queue = [] { return new httplib::ThreadPool(serverThreads); };
    server.set_socket_options(listener_options); // no SO_REUSEPORT: a port in use is an error
    server.set_tcp_nodelay(true);
    server.set_payload_max_length(maxBody);
    server.set_keep_alive_max_count(1000000); // a page's whole session on its connections
    server.set_keep_alive_timeout(
        static_cast<time_t>(std::chrono::duration_cast<std::chrono::seconds>(server.limits.idle).count()));
    server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        int status = 0;
        const std::string why = foreign_request(req, port, status);
        if (why.empty()) return httplib::Server::HandlerResponse::Unhandled;
        refuse(req, res, status, why);
        return httplib::Server::HandlerResponse::Handled;
    });
    server.Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Cache-Control", "no-store");
        res.set_content(serve_page_html, "text/html; charset=utf-8");
    });
    // A browser asks for an icon at every load: there is none, and that is no refusal.
    server.Get("/favicon.ico", [](const httplib::Request&, httplib::Response& res) { res.status = 204; });
    server.Get("/api/events", [this](const httplib::Request&, httplib::Response& res) { events(res); });
    server.Post(R"(/api/([^/]*))", [this](const httplib::Request& req, httplib::Response& res,
                                          const httplib::ContentReader& reader) { action(req, reader, res); });
    // Every refusal the routes above did not answer themselves: no such path,
    // a body too large, a request the library could not read.
    server.set_error_handler(httplib::Server::HandlerWithResponse([this](const httplib::Request& req,
                                                                         httplib::Response& res) {
        if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        std::string why = res.status == 404   ? "no such page; the page is at / and actions are POST /api/ACTION"
                          : res.status == 413 ? "request body too large (at most " + std::to_string(maxBody) + " bytes)"
                          : res.status == 400 ? "malformed request"
                                              : "refused with status " + std::to_string(res.status);
        if (res.status != 404) close_after(res);
        queue.notice(origin_of(req), why);
        answer_json(res, res.status, error_json(why));
        return httplib::Server::HandlerResponse::Handled;
    }));
}

void live_server::impl::action(const httplib::Request& req, const httplib::ContentReader& reader,
                               httplib::Response& res) {
    // Read here, piece by piece, so that no body grows past the limit in
    // memory: the library bounds a body of a given length (on every route),
    // not a chunked one, which this reader bounds with the same limit. A request with neither a length nor
    // chunks has no body (HTTP/1.1): nothing to wait for.
    std::string body;
    bool tooLarge = false, read = true;
    if (req.has_header("Content-Length") || req.has_header("Transfer-Encoding"))
        read = reader([&](const char* data, std::size_t size) {
            tooLarge = body.size() + size > maxBody;
            if (!tooLarge) body.append(data, size);
            return !tooLarge;
        });
    if (tooLarge || res.status == 413)
        return refuse(req, res, 413, "request body too large (at most " + std::to_string(maxBody) + " bytes)");
    if (!read) return refuse(req, res, 400, "malformed request: the body could not be read");
    const std::string origin = origin_of(req);
    const request_outcome request = step_for_body(req.matches[1], body);
    const std::shared_ptr<action_answer> answer = queue.push(origin, request);
    if (!answer) {
        answer_json(res, 503, error_json("the host is busy or stopping; try again"));
        return;
    }
    // A step that outlives the wait is still carried out: the request is
    // answered that it runs, and the pages get its result when it comes.
    const std::uint64_t id = ++actions;
    live_feed& pages = feed;
    bool taken = false;
    const std::optional<live_result> r = answer->wait_for(
        answerWait, [&pages, id](const live_result& late) { pages.late_result(result_json(late, id)); }, taken);
    if (!r) return answer_json(res, 202, pending_json(id, request.step, taken, answerWait));
    answer_json(res, r->ok ? 200 : r->fault ? 500 : 400, result_json(*r));
}

void live_server::impl::events(httplib::Response& res) {
    if (++streams > maxStreams) {
        --streams;
        answer_json(res, 503, error_json(tooManyPages));
        return;
    }
    res.set_header("Cache-Control", "no-store");
    auto cursor = std::make_shared<feed_cursor>();
    auto lastWrite = std::make_shared<std::chrono::steady_clock::time_point>(std::chrono::steady_clock::now());
    res.set_chunked_content_provider(
        "text/event-stream",
        [this, cursor, lastWrite](std::size_t, httplib::DataSink& sink) {
            std::string news;
            for (;;) {
                if (!feed.next(*cursor, news, goneCheckEvery)) {
                    sink.done();
                    return false;
                }
                if (!news.empty()) break;
                // Nothing new: a page that has gone frees its slot now, not at the next write.
                const connection_stream* c = connection_server::current();
                if (c && c->peer_gone()) return false;
                if (std::chrono::steady_clock::now() - *lastWrite < keepAliveEvery) continue;
                news = ": still here\n\n";
                break;
            }
            *lastWrite = std::chrono::steady_clock::now();
            return sink.write(news.data(), news.size()); // false once the page has gone
        },
        [this](bool) { --streams; });
}

live_server::live_server(action_queue& queue, live_feed& feed) : impl_(std::make_unique<impl>(queue, feed)) {
    impl_->routes();
}

live_server::~live_server() { stop(); }

void live_server::set_answer_wait(std::chrono::milliseconds wait) { impl_->answerWait = wait; }

bool live_server::bind(int port, std::string& error) {
    // The loopback address only: the page drives a panel and must not be
    // reachable from other machines.
    const char* host = "127.0.0.1";
    if (port == 0) port_ = impl_->server.bind_to_any_port(host);
    else port_ = impl_->server.bind_to_port(host, port) ? port : -1;
    if (port_ <= 0) {
        error = "cannot listen on " + std::string(host) + ":" + std::to_string(port) + ": " + bind_failure(port);
        return false;
    }
    impl_->port = port_;
    return true;
}

void live_server::start() {
    impl_->thread = std::thread([this] { impl_->server.listen_after_bind(); });
}

void live_server::stop() {
    if (!impl_->thread.joinable()) return;
    impl_->server.stopping = true;
    impl_->server.stop();
    impl_->thread.join();
}

} // namespace quon::host
