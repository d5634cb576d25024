#include "picture/png_file.h"

#include "process/subprocess.h"
#include "process/this_process.h"

#include <cstdlib>
#include <filesystem>

namespace quon::host {

bool find_png_converter(std::string& program, std::string& error) {
    const char* path = std::getenv("PATH");
    const std::string dirs = path ? path : "";
    const std::string converterName = program_file_name("rsvg-convert");
    for (std::size_t at = 0; at <= dirs.size();) {
        std::size_t end = dirs.find(path_list_separator(), at);
        if (end == std::string::npos) end = dirs.size();
        const std::filesystem::path candidate =
            std::filesystem::path(end > at ? dirs.substr(at, end - at) : ".") / converterName;
        std::error_code ignored;
        if (std::filesystem::is_regular_file(candidate, ignored)) {
            program = candidate.string();
            return true;
        }
        at = end + 1;
    }
    error = "a PNG needs " + converterName + ", which is not on the PATH (install librsvg2-bin, or leave --png out)";
    return false;
}

std::string png_path_for(const std::string& svgFile) {
    const std::string suffix = ".svg";
    const bool svg =
        svgFile.size() > suffix.size() && svgFile.compare(svgFile.size() - suffix.size(), suffix.size(), suffix) == 0;
    return (svg ? svgFile.substr(0, svgFile.size() - suffix.size()) : svgFile) + ".png";
}

bool convert_svg_to_png(const std::string& program, const std::string& svgFile, const std::string& pngFile,
                        std::string& error, int seconds) {
    child_process converter;
    if (!converter.start({program, svgFile, "-o", pngFile}, error)) return false;
    if (!converter.wait(std::chrono::steady_clock::now() + std::chrono::seconds(seconds))) {
        converter.kill();
        error = "cannot write " + pngFile + ": " + program + " did not finish in " + std::to_string(seconds) + " s";
        return false;
    }
    if (converter.exit_status() == 0) return true;
    std::string why = converter.errors();
    while (!why.empty() && (why.back() == '\n' || why.back() == '\r')) why.pop_back();
    const std::size_t lastLine = why.find_last_of('\n');
    if (lastLine != std::string::npos) why.erase(0, lastLine + 1);
    error = "cannot write " + pngFile + " from " + svgFile + ": " + program + " ended with " + converter.ending() +
            (why.empty() ? "" : " (" + why + ")");
    return false;
}

} // namespace quon::host
