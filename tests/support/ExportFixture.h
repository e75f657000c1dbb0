#pragma once

// The export, audit and reliability tests still name the program-folder fixture by its former name.
#include "support/ProgramFixture.h"

namespace vrq::test {

using ExportFixture = ProgramFixture;

} // namespace vrq::test
