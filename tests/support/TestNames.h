#pragma once

#include <gtest/gtest.h>

#include <string>

namespace vrq::test {

// Names each row of a parameterised suite by its `name` field, so CTest names stay the same from build
// to build and a failure says which row failed: INSTANTIATE_TEST_SUITE_P(Rows, Suite, values, RowName()).
struct RowName {
    template <typename Row> std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
        return std::string(info.param.name);
    }
};

} // namespace vrq::test
