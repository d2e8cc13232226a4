#pragma once

// Parameterized cases are named after their name field, not after a dump of their bytes.

#include <gtest/gtest.h>

#include <ostream>
#include <string>

struct CaseName {
    template <class Param>
    std::string operator()(const testing::TestParamInfo<Param>& info) const { return info.param.name; }
};

// A case that derives from this (`struct MyCase : NamedCase<MyCase> { ... }`, its name the
// first initializer) is printed by its name where a test names its parameter.
template <class Case>
struct NamedCase {
    std::string name;
    friend void PrintTo(const Case& test, std::ostream* out) { *out << test.name; }
};
