#include "picture/png_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

using namespace quon::host;

namespace {

void set_path(const std::string& value) {
#ifdef _WIN32
    _putenv_s("PATH", value.c_str());
#else
    setenv("PATH", value.c_str(), 1);
#endif
}

// A folder of the test's own, removed at the end.
struct own_folder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("png_file_test." + std::to_string(std::random_device{}()));
    own_folder() { std::filesystem::create_directories(path); }
    ~own_folder() { std::filesystem::remove_all(path); }
    std::string file(const std::string& name, const std::string& text = "") const {
        const std::string at = (path / name).string();
        if (!text.empty()) std::ofstream(at, std::ios::binary) << text;
        return at;
    }
};

std::string read_all(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The width and height in a PNG's header chunk.
std::pair<unsigned, unsigned> png_size(const std::string& png) {
    auto number = [&](std::size_t at) {
        return (static_cast<unsigned>(static_cast<unsigned char>(png[at])) << 24) |
               (static_cast<unsigned>(static_cast<unsigned char>(png[at + 1])) << 16) |
               (static_cast<unsigned>(static_cast<unsigned char>(png[at + 2])) << 8) |
               static_cast<unsigned>(static_cast<unsigned char>(png[at + 3]));
    };
    return {number(16), number(20)};
}

TEST(PngFile, NamesThePngAfterTheSvg) {
    EXPECT_EQ(png_path_for("out/page.svg"), "out/page.png");
    EXPECT_EQ(png_path_for("page"), "page.png");
    EXPECT_EQ(png_path_for(".svg"), ".svg.png");
}

TEST(PngFile, ConvertsAPictureAtItsSizeAndSaysWhyOneFails) {
    std::string converter, error;
    if (!find_png_converter(converter, error)) GTEST_SKIP() << error;
    own_folder folder;
    const std::string svg = folder.file("page.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"321\" "
                                                    "height=\"123\"><rect width=\"100%\" height=\"100%\"/></svg>\n");
    ASSERT_TRUE(convert_svg_to_png(converter, svg, png_path_for(svg), error)) << error;
    const std::string png = read_all(png_path_for(svg));
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(png_size(png), std::make_pair(321u, 123u));

    const std::string broken = folder.file("broken.svg", "<svg this is not");
    EXPECT_FALSE(convert_svg_to_png(converter, broken, folder.file("broken.png"), error));
    EXPECT_NE(error.find("cannot write " + folder.file("broken.png") + " from " + broken), std::string::npos) << error;
}

TEST(PngFile, AMissingConverterIsNamedWithWhatToInstall) {
    own_folder folder;
    const char* saved = std::getenv("PATH");
    const std::string path = saved ? saved : "";
    set_path(folder.path.string());
    std::string converter, error;
    const bool found = find_png_converter(converter, error);
    set_path(path);
    EXPECT_FALSE(found);
    EXPECT_NE(error.find("install librsvg2-bin"), std::string::npos) << error;
}

} // namespace
