#include "ReliabilitySupport.h"

#include "export/ExportRecovery.h"
#include "export/OrderFileFormat.h"
#include "store/Store.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTextStream>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace vrq::reliability {

namespace {

// The written date of an "H" line (yyMMdd at columns 41-46) does not identify the order.
constexpr int kDateColumn = 40;
constexpr int kDateWidth = 6;

QString withSlash(const QString& folder) {
    return folder + QLatin1Char('/');
}

// One call's orders as a comparable text: the order fields, then per item its values.
QString callText(const std::vector<OrderRow>& orders, const std::vector<std::vector<ItemRow>>& items) {
    QString text;
    for (size_t o = 0; o < orders.size(); ++o) {
        const OrderRow& order = orders[o];
        text += QStringLiteral("O|%1|%2|%3|%4|%5\n")
                    .arg(order.salesperson, order.customer, order.shipTo.value_or(QString()), order.route,
                         order.message);
        for (const ItemRow& item : items[o])
            text += QStringLiteral("I|%1|%2|%3|%4|%5\n")
                        .arg(item.itemNumber)
                        .arg(item.quantity)
                        .arg(item.unit)
                        .arg(item.discountPercent)
                        .arg(item.priceOverride);
    }
    return text;
}

// The truth in store rows.
void truthRows(const std::vector<testdata::OrderTruth>& truth, std::vector<OrderRow>& orders,
               std::vector<std::vector<ItemRow>>& items) {
    for (const testdata::OrderTruth& t : truth) {
        OrderRow order;
        order.salesperson = t.salesperson;
        order.customer = t.customer;
        order.shipTo = t.shipTo;
        order.route = t.route;
        order.message = t.message;
        order.numberOfItems = int(t.items.size());
        orders.push_back(order);
        std::vector<ItemRow> rows;
        for (const testdata::ItemTruth& i : t.items) {
            ItemRow item;
            item.itemNumber = i.itemNumber;
            item.quantity = i.quantity;
            item.unit = i.unit;
            item.discountPercent = i.discountPercent;
            item.priceOverride = i.priceOverride;
            rows.push_back(item);
        }
        items.push_back(rows);
    }
}

QString truthText(const std::vector<testdata::OrderTruth>& truth) {
    std::vector<OrderRow> orders;
    std::vector<std::vector<ItemRow>> items;
    truthRows(truth, orders, items);
    return callText(orders, items);
}

QByteArray maskDate(QByteArray line) {
    if (line.startsWith('H') && line.size() >= kDateColumn + kDateWidth)
        line.replace(kDateColumn, kDateWidth, QByteArray(kDateWidth, '#'));
    return line;
}

// The host file a call's orders give, with the dates masked.
QByteArray truthFile(const std::vector<testdata::OrderTruth>& truth) {
    std::vector<OrderRow> orders;
    std::vector<std::vector<ItemRow>> items;
    truthRows(truth, orders, items);
    QByteArray bytes;
    for (size_t o = 0; o < orders.size(); ++o) {
        bytes +=
            maskDate(OrderFileFormat::lineBytes(OrderFileFormat::headerLine(orders[o], QDate(2000, 1, 1))));
        for (const ItemRow& item : items[o])
            bytes += OrderFileFormat::lineBytes(OrderFileFormat::itemLine(item));
    }
    return bytes;
}

// A host file as read: every line an "H" or "I" line of its width with CR LF, the first an "H" line.
// Empty when the file is not whole.
QByteArray parseOrderFile(const QByteArray& bytes, QString* problem) {
    QByteArray masked;
    qsizetype position = 0;
    while (position < bytes.size()) {
        const qsizetype end = bytes.indexOf("\r\n", position);
        if (end < 0) {
            *problem = QStringLiteral("a line without CR LF at byte %1").arg(position);
            return {};
        }
        const QByteArray line = bytes.mid(position, end - position);
        const bool header = line.startsWith('H') && line.size() == OrderFileFormat::kHeaderLineWidth;
        const bool item = line.startsWith('I') && line.size() == OrderFileFormat::kItemLineWidth;
        if (!header && !item) {
            *problem = QStringLiteral("a line that is neither H nor I: %1").arg(QString::fromLatin1(line));
            return {};
        }
        if (position == 0 && !header) {
            *problem = QStringLiteral("the first line is not an H line");
            return {};
        }
        masked += maskDate(line) + "\r\n";
        position = end + 2;
    }
    if (masked.isEmpty())
        *problem = QStringLiteral("the file is empty");
    return masked;
}

} // namespace

Sandbox::Sandbox(const Options& options) {
    if (qEnvironmentVariableIsSet("VRQ_KEEP_SANDBOX")) { // for looking into a failure afterwards
        m_dir.setAutoRemove(false);
        QTextStream(stdout) << "sandbox kept: " << m_dir.path() << Qt::endl;
    }
    m_home = m_dir.filePath(QStringLiteral("home"));
    m_ini = m_dir.filePath(QStringLiteral("VRQToQX7.ini"));
    m_dcs = withSlash(m_dir.filePath(QStringLiteral("dcs")));
    m_scanned = withSlash(m_dir.filePath(QStringLiteral("scanned")));
    m_shares = options.shareRoot.isEmpty() ? m_dir.filePath(QStringLiteral("shares")) : options.shareRoot;
    m_workstation = options.workstation;
    for (const QString& folder : {m_home, m_dcs, m_scanned, hostOrderFolder()})
        QDir().mkpath(folder);

    QSettings ini(m_ini, QSettings::IniFormat);
    ini.setValue(QStringLiteral("QX7/SystemID"), QString::number(options.systemId));
    if (options.lastSeqNum > 0)
        ini.setValue(QStringLiteral("QX7/LastSeqNum"), QString::number(options.lastSeqNum));
    ini.setValue(QStringLiteral("QX7/EnableCalls"), QStringLiteral("True"));
    ini.setValue(QStringLiteral("QX7/EnableFiles"),
                 options.enableFiles ? QStringLiteral("True") : QStringLiteral("False"));
    ini.setValue(QStringLiteral("QX7/QX7Name"), QStringLiteral("HOST"));
    ini.setValue(QStringLiteral("QX7/LocalDrive"), QStringLiteral("I"));
    ini.setValue(QStringLiteral("QX7/QX7Path"), QStringLiteral("I:\\QX7Com\\"));
    ini.setValue(QStringLiteral("QX7/DataBinPath"), m_dcs);
    ini.setValue(QStringLiteral("QX7/ScannedFolder"), m_scanned);
    ini.setValue(QStringLiteral("QX7/FileScanMinutes"), QString::number(options.fileScanMinutes));
    ini.setValue(QStringLiteral("Miscellaneous/ProcessDelay"), QString::number(options.processDelay));
    ini.setValue(QStringLiteral("Miscellaneous/DaysOfHistory"), QStringLiteral("9999"));
    ini.setValue(QStringLiteral("Drives/ShareRoot"), m_shares);
    m_storeConnection = options.storeConnection;
    if (!m_storeConnection.isEmpty()) {
        ini.setValue(QStringLiteral("Store/Backend"), QStringLiteral("PostgreSQL"));
        ini.setValue(QStringLiteral("Store/Connection"), m_storeConnection);
        ini.setValue(QStringLiteral("Store/Workstation"), QString::number(options.workstation));
    }
    ini.sync();
}

std::unique_ptr<Store> Sandbox::openStore(Result* result) const {
    StoreLocation location = StoreLocation::file(QDir(m_home).filePath(QString::fromLatin1(kStoreFileName)));
    if (!m_storeConnection.isEmpty()) {
        location.backend = StoreBackend::PostgreSQL;
        location.connection = m_storeConnection;
        location.workstation = m_workstation;
    }
    return vrq::openStore(location, StoreAccess::ReadWrite, result);
}

QString Sandbox::hostOrderFolder() const {
    return m_shares + QStringLiteral("/HOST/Qdls/QX7Com");
}

bool Sandbox::hideHost() {
    return QDir().rename(m_shares + QStringLiteral("/HOST"), m_shares + QStringLiteral("/HOST.away"));
}

bool Sandbox::showHost() {
    return QDir().rename(m_shares + QStringLiteral("/HOST.away"), m_shares + QStringLiteral("/HOST"));
}

int Sandbox::collectHostFiles() {
    QDir().mkpath(collectedFolder());
    const QDir host(hostOrderFolder());
    int collected = 0;
    for (const QString& name : host.entryList({QStringLiteral("*.Rcv")}, QDir::Files)) {
        // "<n>-<name>": the numbers wrap, so one name can be collected more than once.
        const QString kept =
            QDir(collectedFolder()).filePath(QString::number(++m_collected) + QLatin1Char('-') + name);
        if (QFile::rename(host.filePath(name), kept))
            ++collected;
    }
    return collected;
}

QProcessEnvironment Sandbox::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VRQTOQX7_HOME"), m_home);
    env.insert(QStringLiteral("VRQTOQX7_SETTINGS"), m_ini);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

std::unique_ptr<QProcess> Sandbox::start(const QString& program, const QStringList& arguments) const {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment());
    process->setWorkingDirectory(m_dir.path());
    process->start(program, arguments);
    process->waitForStarted(30000);
    return process;
}

QString programPath() {
    return QString::fromLocal8Bit(VRQ_EXECUTABLE);
}
QString simulatorPath() {
    return QString::fromLocal8Bit(VRQ_UPSTREAM_SIM);
}

bool stillRunning(QProcess& process) {
    return process.state() != QProcess::NotRunning && !process.waitForFinished(0);
}

bool waitForEnd(QProcess& process, int timeoutMs) {
    if (process.state() == QProcess::NotRunning || process.waitForFinished(timeoutMs))
        return true;
    process.kill();
    process.waitForFinished(30000);
    return false;
}

int runToEnd(const Sandbox& sandbox, const QStringList& arguments, int timeoutMs, QByteArray* stderrText) {
    std::unique_ptr<QProcess> process = sandbox.start(programPath(), arguments);
    const bool ended = waitForEnd(*process, timeoutMs);
    if (stderrText)
        *stderrText = process->readAllStandardError();
    if (!ended || process->exitStatus() != QProcess::NormalExit)
        return -1000;
    return process->exitCode();
}

int envNumber(const char* name, int fallback) {
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

quint32 runSeed() {
    bool ok = false;
    quint32 seed = qEnvironmentVariable("VRQ_RELIABILITY_SEED").toUInt(&ok);
    if (!ok)
        seed = std::random_device{}();
    QTextStream(stdout) << "VRQ_RELIABILITY_SEED=" << seed << Qt::endl;
    return seed;
}

void Expected::addDataBin(const std::vector<testdata::CallTruth>& truth) {
    for (const testdata::CallTruth& call : truth) {
        if (call.stored)
            dataBinCalls[call.callNumber] = call;
    }
}

void Expected::addUpstream(const testdata::UpstreamPlan& plan, int chunks) {
    for (int i = 0; i < chunks; ++i) {
        std::vector<testdata::CallTruth> truth;
        testdata::upstreamChunk(plan, i, &truth);
        addDataBin(truth);
    }
}

void Expected::addScanned(const testdata::ScannedFile& file) {
    scannedCalls.push_back(file.orders);
}

void checkEverything(const Sandbox& sandbox, const Expected& expected, Figures* figures) {
    checkSite({{&sandbox, &expected}}, figures);
}

namespace {

// One desk's calls in its store, each as generated and sent once; the files they name join wantedFiles.
void checkDeskStore(const Sandbox& sandbox, const Expected& expected,
                    std::multimap<QString, QByteArray>& wantedFiles, Figures* figures) {
    Result openError;
    std::unique_ptr<Store> store = sandbox.openStore(&openError);
    ASSERT_TRUE(store) << openError.message.toStdString();

    Result result;
    const std::vector<CallRow> calls = store->calls().allCalls(&result);
    ASSERT_TRUE(result.ok()) << result.message.toStdString();

    std::map<int, int> dataBinSeen;
    std::multiset<QString> scannedWanted;
    for (const auto& orders : expected.scannedCalls)
        scannedWanted.insert(truthText(orders));
    int cutScannedLeft = expected.cutScannedCalls;
    int orderCount = 0;
    int itemCount = 0;
    for (const CallRow& call : calls) {
        SCOPED_TRACE("source " + std::to_string(call.source) + " call " + std::to_string(call.callNumber));
        std::vector<OrderRow> orders = store->calls().ordersOfCall(call.source, call.callNumber, &result);
        std::vector<std::vector<ItemRow>> items;
        for (const OrderRow& order : orders) {
            items.push_back(
                store->calls().itemsOfOrder(call.source, call.callNumber, order.orderSeqNumber, &result));
            itemCount += int(items.back().size());
        }
        orderCount += int(orders.size());
        const QString text = callText(orders, items);
        const std::vector<testdata::OrderTruth>* truthOrders = nullptr;
        if (call.source == 0 && expected.cutDataBinCalls.count(call.callNumber) > 0) {
            ++dataBinSeen[call.callNumber];
            EXPECT_FALSE(call.goodCall) << "a call cut short was judged good";
            EXPECT_FALSE(call.extractedCall) << "a call cut short was sent";
            continue;
        }
        if (call.source == 0) {
            const auto found = expected.dataBinCalls.find(call.callNumber);
            if (found == expected.dataBinCalls.end()) {
                ADD_FAILURE() << "a call that was never generated";
                continue;
            }
            ++dataBinSeen[call.callNumber];
            const testdata::CallTruth& truth = found->second;
            EXPECT_EQ(call.goodCall, truth.goodCall);
            EXPECT_EQ(call.complete, truth.complete);
            EXPECT_EQ(call.numberOfOrders, int(truth.orders.size()));
            EXPECT_EQ(text, truthText(truth.orders)) << "orders and items as generated";
            truthOrders = &truth.orders;
        } else {
            const auto found = scannedWanted.find(text);
            if (found == scannedWanted.end() && !call.goodCall && cutScannedLeft > 0) {
                --cutScannedLeft;
                EXPECT_FALSE(call.extractedCall) << "a scanned file cut short was sent";
                continue;
            }
            if (found == scannedWanted.end()) {
                ADD_FAILURE() << "a scanned call that was not dropped, or stored twice:\n"
                              << text.toStdString();
                continue;
            }
            scannedWanted.erase(found);
            EXPECT_TRUE(call.goodCall && call.complete);
            for (const auto& orders : expected.scannedCalls) {
                if (truthText(orders) == text)
                    truthOrders = &orders;
            }
        }
        if (call.goodCall && call.complete && !orders.empty()) {
            EXPECT_TRUE(call.extractedCall) << "a good call was not sent";
            if (!call.extractedCall)
                continue;
            EXPECT_TRUE(call.extractedFileName.endsWith(QLatin1String(".Rcv")))
                << call.extractedFileName.toStdString();
            // Two calls naming one file leave one of them unmatched below.
            wantedFiles.emplace(call.extractedFileName, truthFile(*truthOrders));
        }
    }
    for (const auto& [number, truth] : expected.dataBinCalls) {
        const auto seen = dataBinSeen.find(number);
        EXPECT_EQ(seen == dataBinSeen.end() ? 0 : seen->second, 1) << "DataBin.Dat call " << number;
    }
    for (int number : expected.cutDataBinCalls)
        EXPECT_EQ(dataBinSeen[number], 1) << "DataBin.Dat call " << number << ", cut short";
    EXPECT_TRUE(scannedWanted.empty()) << scannedWanted.size() << " scanned calls are not in the store";
    EXPECT_EQ(cutScannedLeft, 0) << "scanned files cut short that are not in the store as bad calls";

    // Nothing half done stays behind once a pass has finished.
    for (const PendingRename& pending : ExportRecovery(realFileSystem(), sandbox.home()).loadAll())
        ADD_FAILURE() << "an unsettled rename: " << pending.fileName.toStdString();
    if (store->ledger().keepsLedger()) {
        const std::vector<OrderFileEntry> unsettled =
            store->ledger().unsettledFiles(sandbox.workstation(), &result);
        EXPECT_TRUE(result.ok() && unsettled.empty())
            << unsettled.size() << " order files of the ledger unsettled";
    }
    int errors = 0;
    for (const AuditRow& row : store->audit().allAudit()) {
        if (row.type == QLatin1String("E")) {
            if (errors < 5)
                QTextStream(stdout) << "E entry: " << row.msg << Qt::endl;
            ++errors;
        }
    }
    if (figures) {
        figures->dataBinCalls += int(dataBinSeen.size());
        figures->scannedCalls += int(expected.scannedCalls.size());
        figures->orders += orderCount;
        figures->items += itemCount;
        figures->errorEntries += errors;
    }
}

// What the audit log says about one order file name, for a failure to be read from the output alone.
void printHistoryOf(const std::vector<Desk>& desks, const QString& fileName) {
    const QString base = fileName.section(QLatin1Char('.'), 0, 0);
    QTextStream out(stdout);
    out << "what the audit logs say of " << base << ':' << Qt::endl;
    for (const Desk& desk : desks) {
        std::unique_ptr<Store> store = desk.sandbox->openStore(nullptr);
        if (!store)
            continue;
        for (const AuditRow& row : store->audit().allAudit()) {
            if (row.msg.contains(base) || row.msg.contains(QLatin1String("settled")))
                out << "  " << row.workstation << ' ' << row.instance.value_or(QString()) << ' ' << row.type
                    << ' ' << row.auditDnt.toString(Qt::ISODate) << ' ' << row.msg << Qt::endl;
        }
    }
}

} // namespace

void checkSite(const std::vector<Desk>& desks, Figures* figures) {
    std::multimap<QString, QByteArray> wantedFiles; // ".Rcv" name -> the lines of its call
    if (figures)
        *figures = {};
    for (const Desk& desk : desks) {
        SCOPED_TRACE("workstation " + std::to_string(desk.sandbox->workstation()));
        checkDeskStore(*desk.sandbox, *desk.expected, wantedFiles, figures);
    }
    const Sandbox& sandbox = *desks.front().sandbox;
    // The host folder (and what the host collected): exactly the files the calls name, each whole and
    // holding its call's orders. After the numbers wrap, one name may stand for two collected files.
    const QDir host(sandbox.hostOrderFolder());
    const QStringList rcv = host.entryList({QStringLiteral("*.Rcv")}, QDir::Files);
    // Unfinished files: a ".Tmp", or one moved aside when it was given up.
    const QStringList tmp = host.entryList({QStringLiteral("*.Tmp"), QStringLiteral("*.Del")}, QDir::Files);
    std::vector<std::pair<QString, QString>> found; // name as sent, path now
    for (const QString& name : rcv)
        found.emplace_back(name, host.filePath(name));
    const QDir collected(sandbox.collectedFolder());
    for (const QString& kept : collected.entryList({QStringLiteral("*.Rcv")}, QDir::Files))
        found.emplace_back(kept.section(QLatin1Char('-'), 1), collected.filePath(kept));
    for (const auto& [name, path] : found) {
        SCOPED_TRACE(path.toStdString());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QString problem;
        const QByteArray lines = parseOrderFile(file.readAll(), &problem);
        EXPECT_TRUE(problem.isEmpty()) << "an incomplete order file: " << problem.toStdString();
        auto wanted = wantedFiles.equal_range(name);
        auto match = std::find_if(wanted.first, wanted.second,
                                  [&](const auto& entry) { return entry.second == lines; });
        if (match == wanted.second) {
            ADD_FAILURE() << "an order file no call names with these orders (sent twice?)";
            printHistoryOf(desks, name);
            continue;
        }
        wantedFiles.erase(match);
    }
    for (const auto& [name, lines] : wantedFiles) {
        ADD_FAILURE() << "call marked sent, but " << name.toStdString() << " is not in the host folder";
        printHistoryOf(desks, name);
    }

    if (figures) {
        figures->orderFiles = int(found.size());
        figures->leftoverTmp = int(tmp.size());
    }
}

} // namespace vrq::reliability
