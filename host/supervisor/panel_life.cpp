#include "supervisor/panel_life.h"

#include "supervisor/process_link.h"

namespace quon::host {

panel_life::panel_life(process_inputs inputs, link_maker makeLink)
    : inputs_(std::move(inputs)), makeLink_(std::move(makeLink)) {
    if (inputs_.watch) watch_ = std::make_unique<library_watch>(inputs_.request.library);
    if (!makeLink_) makeLink_ = [](std::int64_t timeout) { return std::make_unique<process_link>(timeout); };
}

bool panel_life::launch(const std::string& library, bool first, panel_link::listener& told, std::string& why) {
    const run_request& r = inputs_.request;
    // A studio's process names its script as serve does: its "start NAME" and "stop NAME" are the recording's.
    const std::string named = inputs_.script.studio() ? inputs_.script.name + "=" + library : library;
    std::vector<std::string> args = {
        inputs_.program, "serve-panel", named, "--base", r.options.basePath, "--timeout", std::to_string(r.timeout)};
    if (inputs_.script.studio()) args.push_back("--one-of-several");
    if (!r.devicesFile.empty()) args.insert(args.end(), {"--devices", r.devicesFile});
    if (first && !r.scenarioFile.empty()) args.insert(args.end(), {"--scenario", r.scenarioFile});
    if (first && !inputs_.recordFile.empty()) args.insert(args.end(), {"--record", inputs_.recordFile});
    link_ = makeLink_(r.timeout);
    lastLoss_ = {};
    if (!link_->start(args, why)) {
        link_.reset();
        return false;
    }
    return link_->exchange("", "ready", nullptr, told);
}

panel_life::start_result panel_life::start(bool first, panel_link::listener& told, std::string& why) {
    std::string library = inputs_.request.library;
    if (watch_) { // the process loads a copy: the build may replace the file while it runs
        copy_ = std::make_unique<private_copy>();
        if (copy_->make(library, why)) library = copy_->path();
        else told.say("\n[" + why + "]\n");
        watch_->taken(copy_->identity().exists ? copy_->identity() : identity_of(library));
    }
    if (launch(library, first, told, why)) return start_result::loaded;
    return link_ ? start_result::lost : start_result::not_started;
}

const link_loss& panel_life::lose() {
    lastLoss_ = link_->loss();
    link_.reset();
    return lastLoss_;
}

bool panel_life::rebuilt(steady::time_point now) const { return watch_ && watch_->ready(now); }

rebuilt_load panel_life::try_rebuilt(bool first, panel_link::listener& told, std::string& why) {
    auto copy = std::make_unique<private_copy>();
    const bool copied = copy->make(inputs_.request.library, why);
    const file_identity build = copied ? copy->identity() : identity_of(inputs_.request.library);
    watch_->taken(build);
    const auto refused = [&] {
        return watch_->failed(build) == library_watch::verdict::not_ready ? rebuilt_load::not_ready
                                                                          : rebuilt_load::try_again;
    };
    if (!copied) return refused();
    std::unique_ptr<panel_link> running = std::move(link_);
    const bool loaded = launch(copy->path(), first, told, why);
    candidate_ = std::move(link_);
    link_ = std::move(running);
    if (loaded) {
        candidateCopy_ = std::move(copy);
        return rebuilt_load::loaded;
    }
    if (candidate_) { // a rebuilt library that does not load is only not ready
        lastLoss_ = candidate_->loss();
        why = lastLoss_.fault;
    }
    candidate_.reset();
    return refused();
}

void panel_life::take_rebuilt() {
    link_ = std::move(candidate_);
    copy_ = std::move(candidateCopy_);
    lastLoss_ = {};
}

} // namespace quon::host
