#include "support/ExportFixture.h"

#include <QDir>
#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>

namespace vrq::test {

bool RecordingUserInterface::waitForHostFolder(const QDateTime&, const std::function<bool()>& tryReconnect) {
    ++waits;
    for (int retry = 1; retry <= maxRetries; ++retry) {
        ++retries;
        if (beforeRetry)
            beforeRetry(retry);
        if (tryReconnect())
            return true;
    }
    return false;
}

int ScriptedDriveMapper::netConnect(const QString& drive, const QString& share) {
    calls.append(QStringLiteral("connect %1 %2").arg(drive, share));
    if (connectResult == 0 && onConnected)
        onConnected();
    return connectResult;
}

void ScriptedDriveMapper::netDisconnect(const QString& drive) {
    calls.append(QStringLiteral("disconnect ") + drive);
}

ExportFixture::ExportFixture(QDateTime now) : clock(std::move(now)) {
    QDir root(dir.path());
    root.mkpath(QStringLiteral("program"));
    root.mkpath(QStringLiteral("host/QX7Com"));
    backend = SettingsBackend::openIniFile(iniPath());
    settingsStore = std::make_unique<SettingsStore>(*backend, clock);
    QHash<QChar, QString> driveMap;
    driveMap.insert(QLatin1Char('I'), root.filePath(QStringLiteral("host")));
    paths = std::make_unique<PathResolver>(programFolder(), driveMap);
    QString error;
    store = CallStore::open(QDir(programFolder()).filePath(QLatin1String(CallStore::kFileName)), &error);
    if (!store)
        ADD_FAILURE() << "store: " << error.toStdString();
    else
        store->dataConversions();
    audit = std::make_unique<AuditLog>(*store, clock, QLatin1Char('F'));

    ctx.settings.QX7Name = QStringLiteral("HOST");
    ctx.settingsStore = settingsStore.get();
    ctx.store = store.get();
    ctx.audit = audit.get();
    ctx.clock = &clock;
    ctx.fs = fs;
    ctx.paths = paths.get();
    ctx.drives = &drives;
    ctx.ui = &ui;
    ctx.programFolder = programFolder();
}

ExportFixture::~ExportFixture() = default;

QString ExportFixture::iniPath() const {
    return dir.filePath(QStringLiteral("VRQToQX7.ini"));
}
QString ExportFixture::programFolder() const {
    return dir.filePath(QStringLiteral("program"));
}
QString ExportFixture::hostFolder() const {
    return dir.filePath(QStringLiteral("host/QX7Com"));
}
QString ExportFixture::hostFile(const QString& name) const {
    return QDir(hostFolder()).filePath(name);
}

void ExportFixture::loseHostFolder() {
    QDir(dir.path()).rename(QStringLiteral("host/QX7Com"), QStringLiteral("host-away"));
}

void ExportFixture::restoreHostFolder() {
    QDir(dir.path()).rename(QStringLiteral("host-away"), QStringLiteral("host/QX7Com"));
}

QStringList ExportFixture::hostFiles() const {
    return QDir(hostFolder()).entryList(QDir::Files, QDir::Name);
}

QStringList ExportFixture::auditTexts() const {
    QStringList texts;
    for (const AuditRow& row : store->allAudit())
        texts.append(row.type + QLatin1Char('|') + row.msg);
    return texts;
}

QString ExportFixture::savedSetting(const QString& section, const QString& key) const {
    return SettingsBackend::openIniFile(iniPath())->value(section, key).value_or(QString());
}

void ExportFixture::addCall(int source, int callNumber, int numberOfOrders, bool good, bool complete,
                            bool extracted, QDateTime callDnt) {
    CallRow row;
    row.source = source;
    row.callNumber = callNumber;
    row.callDnt = callDnt.isValid() ? callDnt : clock.now().addSecs(-3600);
    row.goodCall = good;
    row.complete = complete;
    row.extractedCall = extracted;
    row.numberOfOrders = numberOfOrders;
    const StoreResult result = store->insertCall(row);
    ASSERT_TRUE(result.ok()) << result.description.toStdString();
}

void ExportFixture::addOrder(int source, int callNumber, int orderSeq, const QString& customer,
                             std::optional<QString> shipTo) {
    OrderRow row;
    row.source = source;
    row.callNumber = callNumber;
    row.orderSeqNumber = orderSeq;
    row.salesperson = QStringLiteral("SP01");
    row.customer = customer;
    row.shipTo = std::move(shipTo);
    row.route = QStringLiteral("R7");
    row.message = QStringLiteral("MSG");
    const StoreResult result = store->insertOrder(row);
    ASSERT_TRUE(result.ok()) << result.description.toStdString();
}

void ExportFixture::addItem(int source, int callNumber, int orderSeq, int itemSeq, int quantity,
                            const QString& itemNumber) {
    ItemRow row;
    row.source = source;
    row.callNumber = callNumber;
    row.orderSeqNumber = orderSeq;
    row.itemSeqNumber = itemSeq;
    row.itemNumber = itemNumber;
    row.quantity = quantity;
    row.unit = 1;
    const StoreResult result = store->insertItem(row);
    ASSERT_TRUE(result.ok()) << result.description.toStdString();
}

std::optional<CallRow> ExportFixture::call(int source, int callNumber) const {
    return store->findCall(source, callNumber);
}

void ExportFixture::failAuditEntries(const QString& likePattern) {
    store->database().exec("DROP TRIGGER IF EXISTS temp.RefuseAuditEntries");
    if (likePattern.isEmpty())
        return;
    QString pattern = likePattern;
    pattern.replace(QLatin1Char('\''), QStringLiteral("''"));
    store->database().exec(QStringLiteral("CREATE TEMP TRIGGER RefuseAuditEntries BEFORE INSERT ON Audit "
                                          "WHEN NEW.Msg LIKE '%1' BEGIN SELECT RAISE(ABORT, 'database or "
                                          "disk is full'); END")
                               .arg(pattern)
                               .toStdString());
}

} // namespace vrq::test
