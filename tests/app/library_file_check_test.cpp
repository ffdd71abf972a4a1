// A library file cut short, as an interrupted install leaves it, is told apart from a whole one
// before anything maps it.
#include "app/library_file_check.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class LibraryFileCheck : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/quillet-elf-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
        // A whole ELF object of this machine: the test program itself.
        char self[PATH_MAX];
        const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        ASSERT_GT(n, 0);
        m_object = readWhole(std::string(self, std::size_t(n)));
        ASSERT_GT(m_object.size(), 200000u);
    }
    void TearDown() override {
        for (const std::string& f : m_files) std::remove(f.c_str());
        rmdir(m_dir.c_str());
    }
    std::string write(const std::string& bytes) {
        const std::string path = m_dir + "/file" + std::to_string(m_files.size());
        std::ofstream(path, std::ios::binary) << bytes;
        m_files.push_back(path);
        return path;
    }

    std::string m_dir;
    std::string m_object;
    std::vector<std::string> m_files;
};

TEST_F(LibraryFileCheck, AnObjectCutShortAnywhereIsIncomplete) {
    const std::size_t whole = m_object.size();
    const std::size_t cuts[] = {0,     4,      16,        63,        64,       1000,
                                10000, 100000, whole / 2, whole - 4, whole - 1};
    for (const std::size_t cut : cuts) {
        SCOPED_TRACE("cut to " + std::to_string(cut) + " of " + std::to_string(whole) + " bytes");
        EXPECT_TRUE(incompleteLibraryProblem(write(m_object.substr(0, cut))).has_value());
    }
    EXPECT_EQ(incompleteLibraryProblem(write(m_object)), std::nullopt) << "whole";
}

TEST_F(LibraryFileCheck, WhatIsNoObjectOrCannotBeOpened) {
    // Not an ELF object: said so.
    EXPECT_TRUE(incompleteLibraryProblem(write("not a library\n")).has_value());
    // Headers that declare more section headers than any file holds.
    std::string bloated = m_object;
    bloated[0x3c] = '\xff';  // e_shnum of a 64-bit header, low byte
    bloated[0x3d] = '\xff';
    EXPECT_TRUE(incompleteLibraryProblem(write(bloated)).has_value());
    // No file: the loader reports that itself.
    EXPECT_EQ(incompleteLibraryProblem(m_dir + "/missing.so"), std::nullopt);
}

}  // namespace
