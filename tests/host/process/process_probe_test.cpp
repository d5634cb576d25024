// The process probe counts what its process holds, on both systems.
#include "process/files.h"
#include "process/process_probe.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

using namespace quon::host;

namespace {

class ProcessProbe : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(make_private_folder(folder_)); }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::string folder_;
};

// Files opened, counted, then the first ones closed: those still open above
// the gap are counted, however wide the gap.
TEST_F(ProcessProbe, CountsTheFilesStillOpenAboveAGap) {
    const std::string path = (std::filesystem::path(folder_) / "held").string();
    const native_file first = create_new_file(path);
    ASSERT_NE(first, noFile);
    close_file(first);
    struct row {
        std::size_t opened, closedFirst;
    };
    for (const row r : {row{40, 30}, row{300, 290}}) {
        process_probe probe;
        const std::int64_t before = probe.sample().descriptors;
        ASSERT_GE(before, 0);
        std::vector<native_file> held;
        for (std::size_t i = 0; i < r.opened; ++i) {
            held.push_back(open_to_read(path));
            ASSERT_NE(held.back(), noFile);
        }
        EXPECT_EQ(probe.sample().descriptors, before + static_cast<std::int64_t>(r.opened));
        for (std::size_t i = 0; i < r.closedFirst; ++i) close_file(held[i]);
        EXPECT_EQ(probe.sample().descriptors, before + static_cast<std::int64_t>(r.opened - r.closedFirst))
            << r.opened << " opened, the first " << r.closedFirst << " closed";
        for (std::size_t i = r.closedFirst; i < held.size(); ++i) close_file(held[i]);
        EXPECT_EQ(probe.sample().descriptors, before);
    }
}

} // namespace
