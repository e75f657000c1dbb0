// The call loop over a DataBin.Dat file and over a command-line file in batch mode's validation path.
// Input: one selector byte, then the file. Selector bits: 0-1 DataBinFormat (0, 1, 2, 3 = none),
// 2 batch mode, 3 a second pass over the same file (every call is then already stored).
#include "FuzzHarness.h"

#include "intake/CallFraming.h"
#include "intake/CallSource.h"
#include "shell/BatchRunner.h"

using namespace vrq;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    test::ProgramFixture& env = fuzz::environment();
    const std::uint8_t selector = data[0];
    const QString path = fuzz::writeInput(QStringLiteral("DataBin.Dat"), data + 1, size - 1);
    const bool batch = (selector & 4) != 0;
    const int passes = (selector & 8) != 0 ? 2 : 1;

    AppContext& ctx = env.ctx;
    ctx.settings = Settings();
    ctx.settings.dataBinFormat = fuzz::formatFor(selector);
    ctx.runMode = batch ? QLatin1Char('B') : QLatin1Char('F');
    ctx.audit->setRunMode(ctx.runMode);

    for (int pass = 0; pass < passes; ++pass) {
        if (batch) {
            BatchRunner::processCommandLineFile(ctx, path);
        } else {
            CallSource file;
            if (!file.open(path))
                fuzz::fail("cannot open the input file");
            // As the DataBin.Dat pass starts: after the file header when there is one.
            const qint64 scanStart = file.read(1, 6) == QByteArrayLiteral("DBHFID") ? 8 : 1;
            CallFraming framing(ctx);
            framing.runCallLoop(file, scanStart);
            file.close();
        }
    }
    fuzz::resetStore();
    return 0;
}
