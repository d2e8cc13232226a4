#pragma once

// Parameterized cases are named after their name field, not after a dump of their bytes.

#include <gtest/gtest.h>

#include <string>

struct CaseName {
    template <class Param>
    std::string operator()(const testing::TestParamInfo<Param>& info) const { return info.param.name; }
};
