#include "support/ProgramFixture.h"

#include <gtest/gtest.h>

namespace vrq::test {

void reportSetupFailure(const std::string& what) {
    ADD_FAILURE() << "fixture: " << what;
}

} // namespace vrq::test
