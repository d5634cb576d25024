#include "server/queue.h"

namespace quon::host {

void action_answer::taken() {
    std::lock_guard<std::mutex> guard(lock_);
    taken_ = true;
}

void action_answer::set_value(live_result result) {
    std::function<void(const live_result&)> late;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (result_) return; // given once
        result_ = std::move(result);
        if (gone_) late.swap(late_);
        given_.notify_all();
    }
    if (late) late(*result_); // result_ no longer changes
}

std::optional<live_result> action_answer::wait_for(std::chrono::milliseconds wait,
                                                   std::function<void(const live_result&)> late, bool& taken) {
    std::unique_lock<std::mutex> guard(lock_);
    if (given_.wait_for(guard, wait, [this] { return result_.has_value(); })) return result_;
    gone_ = true;
    late_ = std::move(late);
    taken = taken_;
    return std::nullopt;
}

std::shared_ptr<action_answer> action_queue::push(const std::string& origin, request_outcome request) {
    std::lock_guard<std::mutex> guard(lock_);
    if (closed_ || actions_.size() >= limit) return nullptr;
    auto done = std::make_shared<action_answer>();
    actions_.push_back({origin, std::move(request), done});
    changed_.notify_one();
    return done;
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
    if (a.done) a.done->taken();
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

bool action_queue::pending_restart(const std::string& script, bool first) {
    std::lock_guard<std::mutex> guard(lock_);
    for (const live_action& a : actions_)
        if (a.request.ok && a.request.host == host_action::restart &&
            (a.request.script == script || (first && a.request.script.empty())))
            return true;
    return false;
}

} // namespace quon::host
