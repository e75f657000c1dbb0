#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>

namespace vrq::test {

TestEnvironment::TestEnvironment(QChar runMode, const QDateTime& now) : clock(now) {
    m_programFolder = m_dir.filePath(QStringLiteral("program"));
    QDir().mkpath(m_programFolder);
    iniPath = m_dir.filePath(QStringLiteral("VRQToQX7.ini"));
    m_backend = SettingsBackend::openIniFile(iniPath);
    m_settingsStore = std::make_unique<SettingsStore>(*m_backend, clock);
    m_paths = std::make_unique<PathResolver>(m_programFolder, m_backend->driveMap());
    ctx.runMode = runMode;
    ctx.clock = &clock;
    ctx.fs = &realFileSystem();
    ctx.paths = m_paths.get();
    ctx.ui = &ui;
    ctx.settingsStore = m_settingsStore.get();
    ctx.programFolder = m_programFolder;
    reopenStore();
}

TestEnvironment::~TestEnvironment() {
    m_audit.reset();
    m_store.reset();
}

void TestEnvironment::reopenStore() {
    m_audit.reset();
    m_store.reset();
    QString error;
    m_store =
        CallStore::open(QDir(m_programFolder).filePath(QString::fromLatin1(CallStore::kFileName)), &error);
    if (!m_store)
        qFatal("cannot open the test store: %s", qPrintable(error));
    m_store->dataConversions();
    m_audit = std::make_unique<AuditLog>(*m_store, clock, ctx.runMode);
    ctx.store = m_store.get();
    ctx.audit = m_audit.get();
}

QString TestEnvironment::path(const QString& relative) const {
    return m_dir.filePath(relative);
}

QString TestEnvironment::makeFolder(const QString& relative) const {
    const QString folder = m_dir.filePath(relative);
    QDir().mkpath(folder);
    return folder + QLatin1Char('/');
}

QStringList TestEnvironment::auditLines() {
    QStringList lines;
    for (const AuditRow& row : m_store->allAudit())
        lines << row.type + QLatin1Char('|') + row.msg;
    return lines;
}

QStringList TestEnvironment::auditMessages(const QString& type) {
    QStringList messages;
    for (const AuditRow& row : m_store->allAudit()) {
        if (row.type == type)
            messages << row.msg;
    }
    return messages;
}

bool TestEnvironment::writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray TestEnvironment::readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace vrq::test
