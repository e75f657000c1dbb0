// One scanned-folder file taken as one call, as the folder scan takes it: source 1, the scanned rules,
// reading from the second byte. Input: one selector byte whose low two bits give DataBinFormat
// (0, 1, 2, 3), then the file.
#include "FuzzHarness.h"

#include "intake/CallFraming.h"
#include "intake/CallSource.h"
#include "intake/FolderScan.h"

using namespace vrq;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    test::ProgramFixture& env = fuzz::environment();
    const QString path = fuzz::writeInput(QStringLiteral("Scanned.Txt"), data + 1, size - 1);

    AppContext& ctx = env.ctx;
    ctx.settings = Settings();
    ctx.settings.dataBinFormat = fuzz::formatFor(data[0]);
    ctx.runMode = QLatin1Char('F');
    ctx.audit->setRunMode(ctx.runMode);

    CallSource file;
    if (!file.open(path, CallSource::Access::ReadOnly))
        fuzz::fail("cannot open the input file");
    qint64 position = 2; // the file's first byte is not part of the records
    const CallHeader header = FolderScan::scannedFileHeader(1, env.clock.now());
    CallFraming framing(ctx);
    framing.takeCall(file, position, header, 1, true);
    // A scanned file's call runs to the end of the file; no parser may read on past it.
    if (position > file.length() + 1)
        fuzz::fail("the parser moved past the end of the scanned file");
    file.close();
    fuzz::resetStore();
    return 0;
}
