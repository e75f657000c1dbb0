// Writes test input files: vrq-gen databin OUT.dat [options], vrq-gen scanned OUT.txt [options].
#include "testdata/DataBinGenerator.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

using namespace vrq::testdata;

namespace {

const char* const kUsage =
    "usage: vrq-gen databin OUT.dat [--calls N] [--orders N] [--items N] [--seed N]\n"
    "         [--dialect standard|h|v3|v5|f1] [--bad-every N] [--null-every N]\n"
    "         [--duplicate-every N] [--malformed-every N] [--truncate] [--headerless]\n"
    "         [--first-call N] [--lock Y|N]\n"
    "       vrq-gen scanned OUT.txt [--orders N] [--items N] [--seed N] [--dialect standard|f1]\n"
    "       vrq-gen --help\n";

// Asked for: usage on stdout and success; a wrong command line: usage on stderr and 2.
int usage() {
    QTextStream(stderr) << kUsage;
    return 2;
}

bool parseDialect(const QString& text, Dialect* dialect) {
    const QString t = text.toLower();
    if (t == QLatin1String("standard"))
        *dialect = Dialect::Standard;
    else if (t == QLatin1String("h"))
        *dialect = Dialect::HLines;
    else if (t == QLatin1String("v3"))
        *dialect = Dialect::AutoFormatV;
    else if (t == QLatin1String("v5"))
        *dialect = Dialect::OldWbzV;
    else if (t == QLatin1String("f1"))
        *dialect = Dialect::Quill;
    else
        return false;
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        QTextStream(stdout) << kUsage;
        return 0;
    }
    if (args.size() < 3)
        return usage();
    const QString mode = args[1];
    const QString out = args[2];
    DataBinOptions options;
    for (int i = 3; i < args.size(); ++i) {
        const QString& a = args[i];
        auto number = [&](int* target) {
            bool ok = false;
            if (i + 1 < args.size())
                *target = args[++i].toInt(&ok);
            return ok;
        };
        bool ok = true;
        if (a == QLatin1String("--calls"))
            ok = number(&options.calls);
        else if (a == QLatin1String("--orders"))
            ok = number(&options.ordersPerCall);
        else if (a == QLatin1String("--items"))
            ok = number(&options.itemsPerOrder);
        else if (a == QLatin1String("--seed")) {
            int seed = 0;
            ok = number(&seed);
            options.seed = quint32(seed);
        } else if (a == QLatin1String("--bad-every"))
            ok = number(&options.badEvery);
        else if (a == QLatin1String("--null-every"))
            ok = number(&options.nullEvery);
        else if (a == QLatin1String("--duplicate-every"))
            ok = number(&options.duplicateEvery);
        else if (a == QLatin1String("--malformed-every"))
            ok = number(&options.malformedEvery);
        else if (a == QLatin1String("--first-call"))
            ok = number(&options.firstCallNumber);
        else if (a == QLatin1String("--truncate"))
            options.truncateLast = true;
        else if (a == QLatin1String("--headerless"))
            options.headerless = true;
        else if (a == QLatin1String("--lock") && i + 1 < args.size())
            options.lockFlag = args[++i].toLatin1().append('N').at(0);
        else if (a == QLatin1String("--dialect") && i + 1 < args.size())
            ok = parseDialect(args[++i], &options.dialect);
        else
            ok = false;
        if (!ok)
            return usage();
    }
    QString error;
    if (mode == QLatin1String("databin")) {
        std::vector<CallTruth> truth;
        if (!writeDataBin(out, options, &truth, &error)) {
            QTextStream(stderr) << "vrq-gen: " << out << ": " << error << "\n";
            return 1;
        }
        int stored = 0;
        for (const CallTruth& t : truth)
            stored += t.stored ? 1 : 0;
        QTextStream(stdout) << out << ": " << truth.size() << " calls, " << stored
                            << " to be stored (DataBinFormat " << dataBinFormatFor(options.dialect) << ")\n";
        return 0;
    }
    if (mode == QLatin1String("scanned")) {
        const ScannedFile file =
            generateScannedFile(options.dialect, options.ordersPerCall, options.itemsPerOrder, options.seed);
        if (!writeScannedFile(out, file, &error)) {
            QTextStream(stderr) << "vrq-gen: " << out << ": " << error << "\n";
            return 1;
        }
        return 0;
    }
    return usage();
}
