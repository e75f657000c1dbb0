#pragma once

#include "support/ProgramFixture.h"

#include <QString>
#include <cstddef>
#include <cstdint>

namespace vrq::fuzz {

// Stops the process the way the fuzzer reports a crash: a broken invariant is a finding.
[[noreturn]] void fail(const char* what);

// The program folder, settings file, clock and upgraded store (in memory) shared by every input of one
// fuzzing process. Qt's warnings are silenced (the input is broken on purpose); a fatal message still aborts.
test::ProgramFixture& environment();

// Writes the bytes to a file of that name beside the program folder and returns its path.
QString writeInput(const QString& name, const std::uint8_t* data, std::size_t size);

// Empties the calls and the audit table so the next input meets an empty store, after checking that
// no unit of work was left open.
void resetStore();

// DataBinFormat from the low two bits of an input's first byte: 0, 1, 2, or 3, which no parser takes.
qint16 formatFor(std::uint8_t selector);

} // namespace vrq::fuzz
