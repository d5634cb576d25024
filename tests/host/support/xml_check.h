// Whether a picture is well-formed XML, judged by an XML parser: Debian's
// Python (xml.etree) natively. Under wine the parser cannot be started from
// the test; the run tests' pictures are parsed by a CTest of their own.
#ifndef TESTS_HOST_XML_CHECK_H
#define TESTS_HOST_XML_CHECK_H

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

inline void expect_well_formed_xml(const std::string& svg, const std::string& name) {
#ifdef _WIN32
    (void)svg;
    (void)name;
#else
    // In a folder of its own: suites running side by side never share a name.
    std::string folder = ::testing::TempDir() + "xml_check_XXXXXX";
    ASSERT_NE(mkdtemp(&folder[0]), nullptr) << "cannot make a folder in " << ::testing::TempDir();
    const std::string path = folder + "/" + name + ".svg";
    std::ofstream(path, std::ios::binary) << svg;
    const std::string command =
        "/usr/bin/python3 -c 'import sys, xml.etree.ElementTree as E; E.parse(sys.argv[1])' '" + path + "'";
    const int status = std::system(command.c_str());
    EXPECT_EQ(status, 0) << name << " is not well-formed XML: " << path;
    if (status == 0) {
        std::remove(path.c_str());
        rmdir(folder.c_str());
    }
#endif
}

#endif
