#include "soak/chart.h"

#include "picture/svg_shapes.h"

#include <algorithm>
#include <cstdio>

namespace quon::host {

namespace {

constexpr double width = 640, height = 220, left = 70, right = 10, top = 24, bottom = 34;
const char* const colours[] = {"#1f6fb4", "#d2691e", "#2e8b57", "#8a2be2", "#b22222", "#555555", "#daa520"};

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, v >= 1e6 || v <= -1e6 ? "%.3g" : "%.6g", v);
    return text;
}

std::string frame(const std::string& title, double yMin, double yMax) {
    std::string s = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(width) + "\" height=\"" +
                    number(height) + "\" font-family=\"sans-serif\" font-size=\"11\">";
    s += "<text x=\"" + number(left) + "\" y=\"15\" font-weight=\"bold\">" + xml_escape(title) + "</text>";
    s += "<rect x=\"" + number(left) + "\" y=\"" + number(top) + "\" width=\"" + number(width - left - right) +
         "\" height=\"" + number(height - top - bottom) + "\" fill=\"none\" stroke=\"#999\"/>";
    s += "<text x=\"" + number(left - 4) + "\" y=\"" + number(top + 10) + "\" text-anchor=\"end\">" + number(yMax) +
         "</text>";
    s += "<text x=\"" + number(left - 4) + "\" y=\"" + number(height - bottom) + "\" text-anchor=\"end\">" +
         number(yMin) + "</text>";
    return s;
}

} // namespace

std::string line_chart(const std::string& title, const std::string& xLabel, const std::vector<double>& x,
                       const std::vector<chart_series>& series) {
    double yMin = 0, yMax = 1, xMax = 1;
    for (double v : x) xMax = std::max(xMax, v);
    for (const chart_series& s : series)
        for (double v : s.y) yMax = std::max(yMax, v), yMin = std::min(yMin, v);
    yMax *= 1.25; // room above a flat line, which would sit on the frame
    std::string svg = frame(title, yMin, yMax);
    const double w = width - left - right, h = height - top - bottom;
    for (std::size_t i = 0; i < series.size(); ++i) {
        std::string points;
        for (std::size_t j = 0; j < x.size() && j < series[i].y.size(); ++j)
            points += number(left + w * x[j] / xMax) + "," +
                      number(top + h * (1 - (series[i].y[j] - yMin) / (yMax - yMin))) + " ";
        const char* colour = colours[i % 7];
        svg += "<polyline fill=\"none\" stroke=\"" + std::string(colour) + "\" stroke-width=\"1.5\" points=\"" +
               points + "\"/>";
        svg += "<text x=\"" + number(left + 8 + 150 * static_cast<double>(i)) + "\" y=\"" + number(top + 14) +
               "\" fill=\"" + colour + "\">" + xml_escape(series[i].label) + "</text>";
    }
    svg += "<text x=\"" + number(width - right) + "\" y=\"" + number(height - 4) + "\" text-anchor=\"end\">" +
           xml_escape(xLabel) + " (0 to " + number(xMax) + ")</text></svg>";
    return svg;
}

std::string bar_chart(const std::string& title, const std::vector<std::string>& labels,
                      const std::vector<double>& values) {
    double yMax = 1;
    for (double v : values) yMax = std::max(yMax, v);
    std::string svg = frame(title, 0, yMax);
    const double w = width - left - right, h = height - top - bottom;
    const double step = values.empty() ? w : w / static_cast<double>(values.size());
    const std::size_t every = std::max<std::size_t>(1, values.size() / 8);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double barHeight = h * values[i] / yMax, x = left + step * static_cast<double>(i);
        svg += "<rect x=\"" + number(x + step * 0.1) + "\" y=\"" + number(top + h - barHeight) + "\" width=\"" +
               number(step * 0.8) + "\" height=\"" + number(barHeight) + "\" fill=\"#1f6fb4\"/>";
        if (i % every == 0 && i < labels.size())
            svg += "<text x=\"" + number(x) + "\" y=\"" + number(height - bottom + 14) + "\">" + xml_escape(labels[i]) +
                   "</text>";
    }
    return svg + "</svg>";
}

} // namespace quon::host
