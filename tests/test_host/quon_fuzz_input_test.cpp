// The panel fuzz target's reading of its input and of a panel's sources.
#include "quon_fuzz_input.h"
#include "quon_fuzz_values.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

// (The input reads `bytes` in place: they must outlive it.)
quon_fuzz_input input_of(const std::string& bytes) {
    return quon_fuzz_input(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// A step's choices and its texts are read in order, so that a step is one
// run of bytes: a second copy of the run plays the same step again.
TEST(QuonFuzzInput, ReadsChoicesAndTextsInTheirOrder) {
    const std::string step = std::string("\x02", 1) + "seconds=7" + std::string("\0\x05", 2);
    const std::string bytes = step + step;
    quon_fuzz_input in = input_of(bytes);
    for (int copy = 0; copy < 2; ++copy) {
        EXPECT_EQ(in.number(0, 5), 2);
        EXPECT_EQ(in.text(32), "seconds=7"); // the NUL ends it and is dropped
        EXPECT_EQ(in.number(-2, 20), 3);
    }
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_EQ(in.number(4, 9), 4); // past the end: the least
    EXPECT_EQ(in.text(8), "");
}

TEST(QuonFuzzInput, NumbersTakeTheBytesTheirRangeNeeds) {
    struct {
        std::size_t max;
        std::size_t read;
        std::size_t drawn;
    } cases[] = {{1, 1, 1}, {255, 1, 0xab}, {256, 2, (0xabcd % 257)}, {0xffffff, 3, 0xabcdef}, {0, 0, 0}};
    const std::string bytes = "\xab\xcd\xef\x01";
    for (const auto& c : cases) {
        quon_fuzz_input in = input_of(bytes);
        EXPECT_EQ(in.number<std::size_t>(0, c.max), c.drawn) << c.max;
        EXPECT_EQ(in.remaining(), 4 - c.read) << c.max;
    }
    const std::string four(std::string("\x80\0\0\0", 4));
    quon_fuzz_input whole = input_of(four);
    EXPECT_EQ(whole.number(std::numeric_limits<int>::min(), std::numeric_limits<int>::max()), 0);
}

TEST(QuonFuzzInput, TextsEndAtTheirLengthOrAtAByteAScenarioCannotCarry) {
    const std::string texts = "abcdef\nxy\x7f"
                              "z";
    quon_fuzz_input in = input_of(texts);
    EXPECT_EQ(in.text(4), "abcd");
    EXPECT_EQ(in.text(16), "ef");
    EXPECT_EQ(in.text(16), "xy");
    EXPECT_EQ(in.text(16), "z");
}

// The values a panel's source compares with: its string literals and its
// decimal integers, not the digits of names, floating-point numbers or
// other bases.
TEST(QuonFuzzValues, SourceLiteralsAreValues) {
    // A folder of the test's own: suites running side by side share TempDir().
    namespace fs = std::filesystem;
    fs::path folder;
    for (unsigned n = std::random_device{}();; ++n)
        if (fs::create_directory(folder = fs::path(::testing::TempDir()) / ("quon_fuzz_values_" + std::to_string(n))))
            break;
    const std::string file = (folder / "source.cpp").string();
    std::ofstream(file) << "#include \"skipped.h\"\n"
                           "// \"commented\" 11\n"
                           "int32_t Dest_2 = 0x10 + 1.5 + 2e3 + 12u;\n"
                           "if (command == \"seconds\" && seconds == 7) run(\"a b\", x.1);\n";
    quon_fuzz_values names;
    names.read_source_literals(file);
    fs::remove_all(folder);
    EXPECT_EQ(names.values, (std::vector<std::string>{"12", "seconds", "7", "a b"}));
    EXPECT_EQ(names.properties, (std::vector<std::string>{"seconds"}));
    const std::string dictionary = names.dictionary();
    EXPECT_NE(dictionary.find("\"seconds=7\"\n"), std::string::npos) << dictionary;
}

} // namespace
