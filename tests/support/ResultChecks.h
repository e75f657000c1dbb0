#pragma once

#include "platform/Result.h"

#include <gtest/gtest.h>

namespace vrq::test {

// A check on a Result that says why it failed: ASSERT_TRUE(succeeded(StoreProbe(store).exec(sql))).
inline ::testing::AssertionResult succeeded(const Result& result) {
    if (result.ok())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "failed with " << result.code << ": " << result.message.toStdString();
}

} // namespace vrq::test
