#include "soak/report.h"

#include "base/json_text.h"
#include "base/output_file.h"
#include "picture/svg_shapes.h"
#include "soak/chart.h"
#include "process/process_probe.h"

#include <cstdio>

namespace quon::host {

namespace {

std::string num(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

std::string json_kinds(const soak_tally& tally) {
    std::string s = "{";
    for (std::size_t k = 0; k < eventKinds; ++k) {
        const kind_tally& t = tally.kinds()[k];
        s += std::string(k ? "," : "") + "\"" + event_kind_name(static_cast<event_kind>(k)) +
             "\":{\"events\":" + std::to_string(t.events) + ",\"commands\":" + std::to_string(t.commands) +
             ",\"cpu_ns\":" + std::to_string(t.cpuNs) + ",\"max_ns\":" + std::to_string(t.maxNs) +
             ",\"over_budget\":" + std::to_string(t.overBudget) + ",\"p50_ns\":" + num(t.percentile_ns(0.5)) +
             ",\"p90_ns\":" + num(t.percentile_ns(0.9)) + ",\"p99_ns\":" + num(t.percentile_ns(0.99)) +
             ",\"histogram\":[";
        bool first = true;
        for (std::size_t b = 0; b < cpuBuckets; ++b)
            if (t.histogram[b] > 0) {
                s += std::string(first ? "" : ",") + "[" + num(cpu_bucket_floor(b)) + "," +
                     std::to_string(t.histogram[b]) + "]";
                first = false;
            }
        s += "]}";
    }
    return s + "}";
}

std::string json_windows(const soak_tally& tally) {
    std::string s = "[";
    for (std::size_t i = 0; i < tally.windows().size(); ++i) {
        const soak_window& w = tally.windows()[i];
        s += std::string(i ? "," : "") + "{\"end_ms\":" + std::to_string(w.endMs) +
             ",\"heap_bytes\":" + std::to_string(w.process.heapBytes) +
             ",\"descriptors\":" + std::to_string(w.process.descriptors) +
             ",\"threads\":" + std::to_string(w.process.threads) +
             ",\"resident_kib\":" + std::to_string(w.process.residentKiB) +
             ",\"commands\":" + std::to_string(w.commands) + ",\"events\":[";
        for (std::size_t k = 0; k < eventKinds; ++k) s += std::string(k ? "," : "") + std::to_string(w.events[k]);
        s += "]}";
    }
    return s + "]";
}

std::string json_findings(const soak_report_input& in) {
    std::string s = "[";
    bool first = true;
    const auto add = [&](const std::string& line) {
        s += std::string(first ? "" : ",");
        append_json_string(s, line);
        first = false;
    };
    if (!in.faults.startFailure.empty()) add(in.faults.startFailure);
    for (const std::string& f : in.faults.first) add(f);
    for (const soak_finding& f : in.findings) add(f.line);
    return s + "]";
}

// Per virtual hour (six windows): the events and commands in it.
void per_hour(const soak_tally& tally, std::vector<double>& events, std::vector<double>& commands) {
    const std::vector<soak_window>& w = tally.windows();
    std::int64_t lastEvents = 0, lastCommands = 0;
    for (std::size_t i = 5; i < w.size(); i += 6) {
        std::int64_t e = 0;
        for (std::int64_t n : w[i].events) e += n;
        events.push_back(static_cast<double>(e - lastEvents));
        commands.push_back(static_cast<double>(w[i].commands - lastCommands));
        lastEvents = e, lastCommands = w[i].commands;
    }
}

std::string resource_charts(const soak_tally& tally) {
    std::vector<double> hours, heap, fds, threads;
    for (const soak_window& w : tally.windows()) {
        hours.push_back(static_cast<double>(w.endMs) / 3600000.0);
        heap.push_back(static_cast<double>(w.process.heapBytes) / 1024.0);
        fds.push_back(static_cast<double>(w.process.descriptors));
        threads.push_back(static_cast<double>(w.process.threads));
    }
    return "<h2>Heap and handles over virtual time</h2>" +
           line_chart("heap in use (KiB)", "virtual hours", hours, {{"heap KiB", heap}}) +
           line_chart("open descriptors and threads", "virtual hours", hours,
                      {{"descriptors", fds}, {"threads", threads}});
}

std::string cpu_charts(const soak_tally& tally) {
    std::string s = "<h2>CPU per event, by kind</h2>";
    for (std::size_t k = 0; k < eventKinds; ++k) {
        const kind_tally& t = tally.kinds()[k];
        if (t.events == 0) continue;
        std::size_t lo = cpuBuckets, hi = 0;
        for (std::size_t b = 0; b < cpuBuckets; ++b)
            if (t.histogram[b] > 0) lo = std::min(lo, b), hi = b;
        std::vector<std::string> labels;
        std::vector<double> values;
        for (std::size_t b = lo; b <= hi; ++b) {
            char label[32];
            std::snprintf(label, sizeof label, "%.3g µs", cpu_bucket_floor(b) / 1000);
            labels.push_back(label);
            values.push_back(static_cast<double>(t.histogram[b]));
        }
        s +=
            bar_chart(std::string(event_kind_name(static_cast<event_kind>(k))) + " events by CPU time", labels, values);
    }
    return s;
}

std::string slowest_table(const soak_tally& tally) {
    std::string s = "<h2>The slowest events</h2><table><tr><th>CPU</th><th>event</th><th>virtual time</th>"
                    "<th>kind</th><th>step</th></tr>";
    for (const slow_event& e : tally.slowest())
        s += "<tr><td>" + num(static_cast<double>(e.cpuNs) / 1000) + " µs</td><td>" + std::to_string(e.number) +
             "</td><td>" + num(static_cast<double>(e.atMs) / 3600000.0) + " h</td><td>" + event_kind_name(e.kind) +
             "</td><td><code>" + xml_escape(e.step) + "</code></td></tr>";
    return s + "</table>";
}

} // namespace

std::string soak_json(const soak_report_input& in) {
    std::string s = "{\"verdict\":\"";
    s += in.findings.empty() && in.faults.count == 0 && in.faults.startFailure.empty() ? "clean" : "fail";
    s += "\",\"seed\":" + std::to_string(in.plan.seed) + ",\"virtual_ms\":" + std::to_string(in.plan.durationMs) +
         ",\"seconds\":" + num(in.seconds) + ",\"events\":" + std::to_string(in.tally.events()) +
         ",\"commands\":" + std::to_string(in.tally.commands()) + ",\"budget_ns\":" + std::to_string(in.plan.budgetNs) +
         ",\"faults\":" + std::to_string(in.faults.count) + ",\"heap_source\":";
    append_json_string(s, process_probe::heap_source());
    s += ",\"findings\":" + json_findings(in) + ",\"kinds\":" + json_kinds(in.tally) +
         ",\"windows\":" + json_windows(in.tally) + ",\"slowest\":[";
    for (std::size_t i = 0; i < in.tally.slowest().size(); ++i) {
        const slow_event& e = in.tally.slowest()[i];
        s += std::string(i ? "," : "") + "{\"cpu_ns\":" + std::to_string(e.cpuNs) +
             ",\"event\":" + std::to_string(e.number) + ",\"at_ms\":" + std::to_string(e.atMs) + ",\"kind\":\"" +
             event_kind_name(e.kind) + "\",\"step\":";
        append_json_string(s, e.step);
        s += "}";
    }
    return s + "]}\n";
}

std::string soak_html(const soak_report_input& in) {
    std::string s = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>panel_host soak</title><style>"
                    "body{font-family:sans-serif;margin:2em}svg{margin:4px}td,th{padding:2px 8px;text-align:left}"
                    ".fail{color:#b22222}.pass{color:#2e8b57}</style></head><body><h1>panel_host soak</h1>";
    std::string scripts;
    for (const script_entry& e : in.plan.scripts) scripts += (scripts.empty() ? "" : ", ") + e.name;
    s += "<p>Scripts: " + xml_escape(scripts) + ". " + num(static_cast<double>(in.plan.durationMs) / 86400000.0) +
         " virtual days, seed " + std::to_string(in.plan.seed) + ", " + std::to_string(in.tally.events()) +
         " events in " + num(in.seconds) + " s. Heap: " + xml_escape(process_probe::heap_source()) + ".</p>";
    s += "<h2>Verdict</h2><ul>";
    std::string lines;
    if (!in.faults.startFailure.empty())
        lines += "<li class=\"fail\">FAIL " + xml_escape(in.faults.startFailure) + "</li>";
    for (const std::string& f : in.faults.first) lines += "<li class=\"fail\">FAIL " + xml_escape(f) + "</li>";
    for (const soak_finding& f : in.findings) lines += "<li class=\"fail\">FAIL " + xml_escape(f.line) + "</li>";
    s += lines.empty() ? "<li class=\"pass\">clean: no growth, no event over the budget, no fault</li>" : lines;
    s += "</ul>" + resource_charts(in.tally);
    std::vector<double> events, commands;
    per_hour(in.tally, events, commands);
    std::vector<std::string> hours;
    for (std::size_t i = 0; i < events.size(); ++i) hours.push_back(std::to_string(i + 1) + " h");
    s += "<h2>Events and commands per virtual hour</h2>" + bar_chart("events per virtual hour", hours, events) +
         bar_chart("commands per virtual hour", hours, commands);
    return s + cpu_charts(in.tally) + slowest_table(in.tally) + "</body></html>\n";
}

bool write_soak_report(const std::string& dir, const soak_report_input& in, std::string& error) {
    return make_directories(dir, error) && write_output_file(dir + "/soak.json", soak_json(in), error) &&
           write_output_file(dir + "/index.html", soak_html(in), error);
}

} // namespace quon::host
