// chart: the report's small SVG pictures, drawn from numbers only: lines of
// one or more series over a shared x axis, and bars. Labels are escaped.
#ifndef HOST_SOAK_CHART_H
#define HOST_SOAK_CHART_H

#include <string>
#include <vector>

namespace quon::host {

struct chart_series {
    std::string label;
    std::vector<double> y;
};

// Lines over x (same length as each series' y), the axes labelled.
std::string line_chart(const std::string& title, const std::string& xLabel, const std::vector<double>& x,
                       const std::vector<chart_series>& series);
// One bar per value, `labels` under every few bars.
std::string bar_chart(const std::string& title, const std::vector<std::string>& labels,
                      const std::vector<double>& values);

} // namespace quon::host

#endif
