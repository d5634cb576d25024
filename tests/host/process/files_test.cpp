// The system's file calls as both systems must give them: a new file is never
// an existing one or a link, appending appends, truncating empties, a file
// replaced is replaced, and a file's identity tells two files apart.
#include "process/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace quon::host;

namespace {

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class SystemFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(make_private_folder(folder_)); }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::string in_folder(const char* name) const { return (std::filesystem::path(folder_) / name).string(); }
    std::string folder_;
};

TEST_F(SystemFiles, ANewFileIsNeverOneThatExists) {
    const std::string path = in_folder("new");
    const native_file f = create_new_file(path);
    ASSERT_NE(f, noFile);
    EXPECT_TRUE(write_file(f, "abc", 3));
    close_file(f);
    EXPECT_EQ(create_new_file(path), noFile);
    EXPECT_EQ(contents(path), "abc");
#ifndef _WIN32 // a link where the file would be, pointing at one that does not exist yet
    const std::string target = in_folder("target"), link = in_folder("link");
    std::filesystem::create_symlink(target, link);
    EXPECT_EQ(create_new_file(link), noFile);
    EXPECT_FALSE(std::filesystem::exists(target));
#endif
}

TEST_F(SystemFiles, AppendsTruncatesAndReplaces) {
    const std::string path = in_folder("journal");
    native_file f = create_new_file(path);
    ASSERT_NE(f, noFile);
    ASSERT_TRUE(write_file(f, "one\n", 4));
    close_file(f);
    f = open_to_append(path);
    ASSERT_NE(f, noFile);
    ASSERT_TRUE(write_file(f, "two\n", 4));
    EXPECT_EQ(contents(path), "one\ntwo\n");
    ASSERT_TRUE(truncate_file(f));
    ASSERT_TRUE(write_file(f, "three\n", 6));
    close_file(f);
    EXPECT_EQ(contents(path), "three\n");

    const std::string other = in_folder("other");
    std::ofstream(other) << "replacement";
    ASSERT_TRUE(replace_file(other, path));
    EXPECT_EQ(contents(path), "replacement");
    EXPECT_FALSE(std::filesystem::exists(other));
    EXPECT_EQ(open_to_append(in_folder("missing")), noFile);
}

TEST_F(SystemFiles, AnIdentityTellsTwoFilesApart) {
    std::ofstream(in_folder("a")) << "same";
    std::ofstream(in_folder("b")) << "same";
    const native_file a = open_to_read(in_folder("a")), b = open_to_read(in_folder("b"));
    ASSERT_NE(a, noFile);
    ASSERT_NE(b, noFile);
    const file_identity ia = identity_of_open(a), ib = identity_of_open(b);
    EXPECT_TRUE(ia.exists);
    EXPECT_EQ(ia.size, 4u);
    EXPECT_NE(ia, ib);
    char buffer[8];
    EXPECT_EQ(read_file(a, buffer, sizeof buffer), 4);
    EXPECT_EQ(read_file(a, buffer, sizeof buffer), 0);
    close_file(a);
    close_file(b);
}

} // namespace
