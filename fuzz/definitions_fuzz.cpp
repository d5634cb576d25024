// Fuzz target: the devices file and the preview layout on arbitrary bytes.
// Neither reader may crash, hang or take more than its budget; an error
// names "file:line". A file either accepts is written back in one canonical
// form (one state or name per index, fields in one order), and that form must
// read back to the same declarations.
#include "devices/file.h"
#include "fuzz_check.h"
#include "picture/page_layout.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <tuple>

using namespace quon::host;

namespace {

// Small, so that an input that fills it costs milliseconds, not seconds.
constexpr std::size_t fuzzBudget = 1u << 20;

std::string number(long long n) { return std::to_string(n); }

std::string canonical(const device_set& set) {
    std::string out;
    for (const declared_device& d : set.devices) {
        if (d.type == device_type::router)
            out += "router " + number(d.number) + " destinations=" + number(d.size) + " sources=" + number(d.sources) +
                   " picture-selector=" + number(d.pictureSelector) + "\n";
        else if (d.type == device_type::gpi) out += "gpi " + number(d.number) + " inputs=" + number(d.size) + "\n";
        else out += "info " + number(d.number) + " slots=" + number(d.size) + "\n";
        for (const auto& [index, text] : d.initial)
            out += "state " + number(d.number) + " " + number(index) + " " + text + "\n";
        for (const auto& [selector, names] : d.names)
            for (const auto& [index, text] : names)
                out += "name " + number(d.number) + " " +
                       (selector == declared_device::anySelector ? std::string("*") : number(selector)) + " " +
                       number(index) + " " + text + "\n";
    }
    for (const step_alias& a : set.aliases)
        out += "alias " + a.name + " " + number(a.device) + " " + number(a.first) + ".." + number(a.last) + " " +
               (a.offset < 0 ? "" : "+") + number(a.offset) + "\n";
    return out;
}

std::string canonical(const page_layout& layout) {
    std::string out;
    if (layout.width > 0) out += "canvas " + number(layout.width) + " " + number(layout.height) + "\n";
    for (const layout_label& l : layout.labels) out += "label " + number(l.x) + " " + number(l.y) + " " + l.text + "\n";
    static const char* const kinds[] = {"box", "picture", "display", "lamp", "tally"};
    for (const layout_place& p : layout.places) {
        out += "place " + p.pattern + " " + kinds[static_cast<int>(p.kind)] + " x=" + number(p.first.x) +
               " y=" + number(p.first.y) + " w=" + number(p.first.w) + " h=" + number(p.first.h) +
               " columns=" + number(p.columns) + " dx=" + number(p.dx) + " dy=" + number(p.dy);
        if (!p.hatch.empty()) out += " hatch=" + p.hatch;
        if (!p.panel.empty()) out += " panel=" + p.panel;
        out += "\n";
    }
    return out;
}

bool same(const device_set& a, const device_set& b) {
    auto device = [](const declared_device& d) {
        return std::tie(d.type, d.number, d.size, d.sources, d.pictureSelector, d.initial, d.names);
    };
    auto alias = [](const step_alias& s) { return std::tie(s.name, s.device, s.first, s.last, s.offset); };
    if (a.devices.size() != b.devices.size() || a.aliases.size() != b.aliases.size()) return false;
    for (std::size_t i = 0; i < a.devices.size(); ++i)
        if (device(a.devices[i]) != device(b.devices[i])) return false;
    for (std::size_t i = 0; i < a.aliases.size(); ++i)
        if (alias(a.aliases[i]) != alias(b.aliases[i])) return false;
    return true;
}

bool same(const page_layout& a, const page_layout& b) {
    auto place = [](const layout_place& p) {
        return std::tie(p.pattern, p.ids, p.kind, p.first.x, p.first.y, p.first.w, p.first.h, p.columns, p.dx, p.dy,
                        p.hatch, p.panel);
    };
    if (a.width != b.width || a.height != b.height || a.labels.size() != b.labels.size() ||
        a.places.size() != b.places.size())
        return false;
    for (std::size_t i = 0; i < a.labels.size(); ++i)
        if (std::tie(a.labels[i].x, a.labels[i].y, a.labels[i].text) !=
            std::tie(b.labels[i].x, b.labels[i].y, b.labels[i].text))
            return false;
    for (std::size_t i = 0; i < a.places.size(); ++i)
        if (place(a.places[i]) != place(b.places[i])) return false;
    return true;
}

// Reads `text`, and when accepted, its canonical form, which must give the same.
template <typename Declarations, typename Parse>
void round_trip(const std::string& text, const char* file, Parse parse) {
    Declarations first, second;
    std::string error;
    declaration_budget budget(fuzzBudget);
    if (!parse(text, first, error, budget)) {
        FUZZ_CHECK(error.compare(0, std::string(file).size() + 1, std::string(file) + ":") == 0,
                   "an error names the file and line");
        return;
    }
    const std::string written = canonical(first);
    declaration_budget again(fuzzBudget);
    FUZZ_CHECK(parse(written, second, error, again), "the canonical form reads back");
    FUZZ_CHECK(same(first, second), "the canonical form reads back to the same declarations");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    // A layout line reads a file, which a fuzz run must not: such inputs go
    // to the layout reader only.
    if (text.find("layout") == std::string::npos)
        round_trip<device_set>(
            text, "f.devices",
            [](const std::string& t, device_set& out, std::string& error, declaration_budget& budget) {
                return parse_devices(t, "f.devices", "", out, error, &budget);
            });
    round_trip<page_layout>(text, "f.layout",
                            [](const std::string& t, page_layout& out, std::string& error, declaration_budget& budget) {
                                return parse_layout(t, "f.layout", out, error, &budget);
                            });
    return 0;
}
