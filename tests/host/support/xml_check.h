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

inline void expect_well_formed_xml(const std::string& svg, const std::string& name) {
#ifdef _WIN32
    (void)svg;
    (void)name;
#else
    const std::string path = ::testing::TempDir() + name + ".svg";
    std::ofstream(path, std::ios::binary) << svg;
    const std::string command =
        "/usr/bin/python3 -c 'import sys, xml.etree.ElementTree as E; E.parse(sys.argv[1])' '" + path + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << name << " is not well-formed XML: " << path;
#endif
}

#endif
