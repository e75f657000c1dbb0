#include "support/ProgramFixture.h"

#include "store/StoreProbe.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace vrq::test {

bool RecordingUserInterface::waitForHostFolder(const QDateTime&, const std::function<bool()>& tryReconnect) {
    ++waits;
    for (int retry = 1; retry <= maxRetries; ++retry) {
        if (beforeRetry)
            beforeRetry(retry);
        if (tryReconnect())
            return true;
    }
    return false;
}

int ScriptedDriveMapper::netConnect(const QString& drive, const QString& share) {
    calls.append(u"connect %1 %2"_s.arg(drive, share));
    if (connectResult == 0 && onConnected)
        onConnected();
    return connectResult;
}

void ScriptedDriveMapper::netDisconnect(const QString& drive) {
    calls.append(u"disconnect "_s + drive);
}

ProgramFixture::ProgramFixture(QDateTime now) : ProgramFixture(std::move(now), QString()) {}

ProgramFixture::ProgramFixture(QDateTime now, const QString& pgConnection)
    : pgConnection(pgConnection), clock(std::move(now)) {
    QDir root(dir.path());
    root.mkpath(u"program"_s);
    root.mkpath(u"host/QX7Com"_s);
    backend = SettingsBackend::openIniFile(iniPath());
    settingsStore = std::make_unique<SettingsStore>(*backend, clock);
    QHash<QChar, QString> driveMap;
    driveMap.insert(u'I', root.filePath(u"host"_s));
    paths = std::make_unique<PathResolver>(programFolder(), driveMap);

    ctx.runMode = u'F';
    ctx.settings.qx7Name = u"HOST"_s;
    ctx.settings.dataBinPath = makeFolder(u"dcs"_s);
    ctx.settingsStore = settingsStore.get();
    ctx.clock = &clock;
    ctx.fs = fs;
    ctx.paths = paths.get();
    ctx.drives = &drives;
    ctx.ui = &ui;
    ctx.programFolder = programFolder();
    reopenStore();
}

ProgramFixture::~ProgramFixture() {
    audit.reset();
    store.reset();
}

void ProgramFixture::setRunMode(QChar runMode) {
    ctx.runMode = runMode;
    audit->setRunMode(runMode);
}

void ProgramFixture::reopenStore() {
    audit.reset();
    store.reset();
    Result error;
    if (pgConnection.isEmpty()) {
        store = openStoreFile(QDir(programFolder()).filePath(QLatin1String(kStoreFileName)),
                              StoreAccess::ReadWrite, &error);
    } else {
        StoreLocation location;
        location.backend = StoreBackend::PostgreSQL;
        location.connection = pgConnection;
        store = openStore(location, StoreAccess::ReadWrite, &error);
    }
    if (!store)
        qFatal("cannot open the test store: %s", qPrintable(error.message));
    store->schema().dataConversions();
    audit = std::make_unique<AuditLog>(store->audit(), clock, ctx.runMode);
    ctx.store = store.get();
    ctx.audit = audit.get();
}

QStringList ProgramFixture::auditTexts() const {
    QStringList texts;
    for (const AuditRow& row : store->audit().allAudit())
        texts.append(row.type + u'|' + row.msg);
    return texts;
}

QStringList ProgramFixture::auditMessages(const QString& type) const {
    QStringList messages;
    for (const AuditRow& row : store->audit().allAudit())
        if (row.type == type)
            messages.append(row.msg);
    return messages;
}

QString ProgramFixture::savedSetting(const QString& section, const QString& key) const {
    return SettingsBackend::openIniFile(iniPath())->value(section, key).value_or(QString());
}

namespace {

void check(const Result& result, const char* what) {
    if (!result.ok())
        reportSetupFailure(std::string(what) + ": " + result.message.toStdString());
}

} // namespace

void ProgramFixture::addCall(int source, int callNumber, int numberOfOrders, bool good, bool complete,
                             bool extracted, QDateTime callDnt) {
    add(CallRow{.source = source,
                .callNumber = callNumber,
                .callDnt = callDnt.isValid() ? callDnt : clock.now().addSecs(-3600),
                .goodCall = good,
                .complete = complete,
                .extractedCall = extracted,
                .numberOfOrders = numberOfOrders});
}

void ProgramFixture::add(const CallRow& row) {
    check(store->calls().insertCall(row), "call");
}

void ProgramFixture::add(const OrderRow& row) {
    check(store->calls().insertOrder(row), "order");
}

void ProgramFixture::add(const ItemRow& row) {
    check(store->calls().insertItem(row), "item");
}

void ProgramFixture::addOrder(int source, int callNumber, int orderSeq, const QString& customer,
                              std::optional<QString> shipTo) {
    add(OrderRow{
        source, callNumber, orderSeq, u"SP01"_s, customer, std::move(shipTo), u"R7"_s, u"MSG"_s, 0, {}});
}

void ProgramFixture::addItem(int source, int callNumber, int orderSeq, int itemSeq, int quantity,
                             const QString& itemNumber) {
    add(ItemRow{source, callNumber, orderSeq, itemSeq, itemNumber, quantity, 1, 0, 0, {}});
}

void ProgramFixture::failAuditEntries(const QString& likePattern) {
    StoreProbe probe(*store);
    if (!pgConnection.isEmpty()) {
        check(probe.exec(u"DROP TRIGGER IF EXISTS RefuseAuditEntries ON Audit"_s), "old audit trigger");
        if (likePattern.isEmpty())
            return;
        QString pattern = likePattern;
        pattern.replace(u'\'', u"''"_s);
        check(probe.exec(u"CREATE OR REPLACE FUNCTION RefuseAuditEntry() RETURNS trigger LANGUAGE plpgsql AS "
                         "$$BEGIN RAISE EXCEPTION 'database or disk is full'; END$$; "
                         "CREATE TRIGGER RefuseAuditEntries BEFORE INSERT ON Audit FOR EACH ROW "
                         "WHEN (NEW.Msg LIKE '%1') EXECUTE FUNCTION RefuseAuditEntry()"_s.arg(pattern)),
              "audit trigger");
        return;
    }
    check(probe.exec(u"DROP TRIGGER IF EXISTS temp.RefuseAuditEntries"_s), "old audit trigger");
    if (likePattern.isEmpty())
        return;
    QString pattern = likePattern;
    pattern.replace(u'\'', u"''"_s);
    check(probe.exec(u"CREATE TEMP TRIGGER RefuseAuditEntries BEFORE INSERT ON Audit WHEN NEW.Msg LIKE '%1' "
                     "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END"_s.arg(pattern)),
          "audit trigger");
}

bool ProgramFixture::writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray ProgramFixture::readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace vrq::test
