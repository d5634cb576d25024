#include "server/queue.h"

namespace quon::host {

std::optional<std::future<live_result>> action_queue::push(const std::string& origin, request_outcome request) {
    std::lock_guard<std::mutex> guard(lock_);
    if (closed_ || actions_.size() >= limit) return std::nullopt;
    auto done = std::make_shared<std::promise<live_result>>();
    std::future<live_result> result = done->get_future();
    actions_.push_back({origin, std::move(request), std::move(done)});
    changed_.notify_one();
    return result;
}

void action_queue::notice(const std::string& origin, const std::string& error) {
    std::lock_guard<std::mutex> guard(lock_);
    if (closed_ || actions_.size() >= limit) return; // a flood of bad requests is not all logged
    request_outcome refused;
    refused.error = error;
    actions_.push_back({origin, std::move(refused), nullptr});
    changed_.notify_one();
}

std::optional<live_action> action_queue::pop(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> guard(lock_);
    if (!changed_.wait_for(guard, wait, [this] { return !actions_.empty(); })) return std::nullopt;
    live_action a = std::move(actions_.front());
    actions_.pop_front();
    return a;
}

void action_queue::close() {
    std::lock_guard<std::mutex> guard(lock_);
    closed_ = true;
    for (live_action& a : actions_) {
        if (!a.done) continue;
        live_result r;
        r.error = "the server is stopping";
        a.done->set_value(r);
    }
    actions_.clear();
}

} // namespace quon::host
