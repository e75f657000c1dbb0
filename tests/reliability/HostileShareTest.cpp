// The scanned folder is a share other people write to, and the upstream program can die in the middle of
// a call. Hostile names, links, a FIFO, a huge sparse file and calls cut short are dropped beside ordinary
// calls; the built program, run as `--once` and as `--service`, must take every whole call once, judge
// every cut call bad, never hang, and neither read, move nor change anything outside its folders.
#include "ReliabilitySupport.h"

#include "store/Store.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <map>

namespace vrq::reliability {

namespace {

using testdata::Dialect;

// Every run must end well within this; a run blocked on a FIFO is killed and fails the test.
constexpr int kRunTimeoutMs = 60000;
constexpr qint64 kHugeFileSize = qint64(2) << 30; // sparse: no blocks on the disk

QByteArray rawPath(const QString& folder, const QByteArray& name) {
    return QFile::encodeName(QDir(folder).path()) + '/' + name;
}

bool writeRaw(const QByteArray& path, const QByteArray& bytes, mode_t mode = 0644) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        return false;
    const bool whole = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && whole;
}

// What a tree holds, read without following links: each entry's type, mode, size, time of change and
// the checksum of a regular file's bytes.
std::map<std::string, std::string> snapshot(const QString& root) {
    std::map<std::string, std::string> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat info {};
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
            continue;
        QString state = QStringLiteral("mode %1 size %2 mtime %3.%4")
                            .arg(info.st_mode, 0, 8)
                            .arg(info.st_size)
                            .arg(info.st_mtim.tv_sec)
                            .arg(info.st_mtim.tv_nsec);
        if (S_ISREG(info.st_mode)) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                state += QStringLiteral(" sha256 ") +
                         QString::fromLatin1(
                             QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());
        }
        entries[path.toStdString()] = state.toStdString();
    }
    return entries;
}

// The names in a folder as read from the disk, bytes that are not UTF-8 shown as replacement characters
// (Qt's own listing leaves such names out).
QStringList rawEntryNames(const QString& folder) {
    QStringList names;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(QString::fromUtf8(name));
    }
    ::closedir(dir);
    return names;
}

// A call of the standard dialect: its header block and data, and the orders the data carry.
struct BuiltCall {
    QByteArray bytes;
    std::vector<testdata::OrderTruth> orders;
};

BuiltCall standardCall(int callNumber, int orders, quint32 seed, qsizetype keepDataBytes = -1) {
    const std::vector<testdata::OrderPlan> plans = testdata::randomOrders(Dialect::Standard, orders, 3, seed);
    const QByteArray data = testdata::encodeCall(Dialect::Standard, plans);
    testdata::HeaderFields fields;
    fields.callNumber = callNumber;
    fields.dataLength = int(data.size()); // what the header claims, whatever arrives
    return {testdata::callHeaderBlock(fields) + (keepDataBytes < 0 ? data : data.left(keepDataBytes)),
            testdata::expectedOrders(Dialect::Standard, plans)};
}

testdata::CallTruth goodTruth(int callNumber, const BuiltCall& call) {
    testdata::CallTruth truth;
    truth.callNumber = callNumber;
    truth.orders = call.orders;
    return truth;
}

// The messages of the audit log.
std::vector<AuditRow> auditRows(const Sandbox& sandbox) {
    Result opened;
    std::unique_ptr<Store> store = openStoreFile(
        QDir(sandbox.home()).filePath(QString::fromLatin1(kStoreFileName)), StoreAccess::ReadWrite, &opened);
    return store ? store->audit().allAudit() : std::vector<AuditRow>{};
}

int entriesNaming(const std::vector<AuditRow>& rows, const QString& type, const QString& text) {
    return int(std::count_if(rows.begin(), rows.end(), [&](const AuditRow& row) {
        return row.type == type && row.msg.contains(text);
    }));
}

void expectNoControlCharacters(const std::vector<AuditRow>& rows) {
    for (const AuditRow& row : rows) {
        const bool control = std::any_of(row.msg.begin(), row.msg.end(), [](QChar c) { return c < u' '; });
        EXPECT_FALSE(control) << "an audit entry with a control character: " << row.msg.toStdString();
    }
}

// A sandbox with a decoy tree beside the program's folders: a private file, a waiting DataBin.Dat of
// another desk and an order file the host has not collected yet. Names in the scanned folder point at
// them with backslashes, and links point at them and at system files.
class HostileShareTest : public ::testing::Test {
protected:
    explicit HostileShareTest(int fileScanMinutes = 1)
        : sandbox({.enableFiles = true, .processDelay = 1, .fileScanMinutes = fileScanMinutes}) {}

    void SetUp() override {
        decoy = QDir(sandbox.root()).filePath(QStringLiteral("decoy"));
        ASSERT_TRUE(QDir().mkpath(decoy));
        ASSERT_TRUE(writeRaw(rawPath(decoy, "secret.txt"), "private\n", 0600));
        BuiltCall other = standardCall(901, 2, 901);
        ASSERT_TRUE(writeRaw(rawPath(decoy, "DataBin.Dat"), testdata::fileHeader('N') + other.bytes));
        uncollected = QDir(sandbox.hostOrderFolder()).filePath(QStringLiteral("QX719999.Rcv"));
        ASSERT_TRUE(writeRaw(QFile::encodeName(uncollected), "H an order the host has not collected\r\n"));
        before = snapshot(decoy);
        hostFileBefore = snapshot(sandbox.hostOrderFolder())[uncollected.toStdString()];
    }

    // A scanned order file under a raw name; it is expected in the store unless cut.
    void dropScanned(const QByteArray& name, quint32 seed) {
        const testdata::ScannedFile file = testdata::generateScannedFile(Dialect::Standard, 2, 2, seed);
        ASSERT_TRUE(writeRaw(rawPath(sandbox.scannedFolder(), name), file.bytes)) << name.toStdString();
        expected.addScanned(file);
    }

    // Entries the program must leave where they are: links, a FIFO, a socket, a huge sparse file and a name
    // that is not UTF-8. Each is named by a text its audit entry must carry.
    void dropEntriesToLeaveAlone() {
        const QString scanned = sandbox.scannedFolder();
        ASSERT_EQ(::symlink("/etc/passwd", rawPath(scanned, "link-passwd").constData()), 0);
        ASSERT_EQ(
            ::symlink(rawPath(decoy, "secret.txt").constData(), rawPath(scanned, "link-secret").constData()),
            0);
        ASSERT_EQ(::mkfifo(rawPath(scanned, "pipe").constData(), 0644), 0);
        makeSocket(rawPath(scanned, "socket"));
        const QByteArray huge = rawPath(scanned, "huge.txt");
        ASSERT_TRUE(writeRaw(huge, testdata::generateScannedFile(Dialect::Standard, 1, 1, 7).bytes));
        ASSERT_EQ(::truncate(huge.constData(), kHugeFileSize), 0);
        ASSERT_TRUE(writeRaw(rawPath(scanned, "latin1-\xe9t\xe9.txt"),
                             testdata::generateScannedFile(Dialect::Standard, 1, 1, 8).bytes));
        leftAlone = {QStringLiteral("link-passwd"), QStringLiteral("link-secret"), QStringLiteral("pipe"),
                     QStringLiteral("socket"),      QStringLiteral("huge.txt"),    QStringLiteral("latin1-")};
    }

    void makeSocket(const QByteArray& path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        ASSERT_LT(size_t(path.size()), sizeof(address.sun_path))
            << "the sandbox path is too long for a socket";
        std::copy(path.begin(), path.end(), address.sun_path);
        socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(socketFd, 0);
        ASSERT_EQ(::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    }

    void TearDown() override {
        if (socketFd >= 0)
            ::close(socketFd);
    }

    // Nothing outside the program's folders was moved, changed or taken; what had to stay is there. The
    // host's uncollected file is then collected, so that the host folder holds only what the calls sent.
    void checkNothingOutsideTouched() {
        EXPECT_EQ(snapshot(decoy), before) << "the decoy tree changed";
        EXPECT_EQ(snapshot(sandbox.hostOrderFolder())[uncollected.toStdString()], hostFileBefore)
            << "the host's uncollected order file changed";
        QFile::remove(uncollected);
        const QStringList scannedNow = rawEntryNames(sandbox.scannedFolder());
        for (const QString& name : leftAlone) {
            const bool present = std::any_of(scannedNow.begin(), scannedNow.end(),
                                             [&](const QString& entry) { return entry.startsWith(name); });
            EXPECT_TRUE(present) << name.toStdString() << " was not left where it was";
        }
        QDirIterator audit(sandbox.auditFolder(), QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        while (audit.hasNext()) {
            const QFileInfo copy(audit.next());
            EXPECT_TRUE(copy.isFile() && !copy.isSymLink()) << copy.filePath().toStdString();
            EXPECT_LT(copy.size(), 1 << 20) << copy.filePath().toStdString() << " is larger than any call";
        }
    }

    // Each entry left alone is named in a "W" entry; no entry of the log holds a control character.
    void checkLeftAloneReported() {
        const std::vector<AuditRow> rows = auditRows(sandbox);
        for (const QString& name : leftAlone)
            EXPECT_GE(entriesNaming(rows, QStringLiteral("W"), name), 1)
                << name.toStdString() << " was not reported";
        expectNoControlCharacters(rows);
    }

    Sandbox sandbox;
    QString decoy;
    QString uncollected;
    std::map<std::string, std::string> before;
    std::string hostFileBefore;
    QStringList leftAlone;
    Expected expected;
    int socketFd = -1;
};

// Scans every tick, so the second scan (which opens what the first saw) comes within seconds.
class HostileShareServiceTest : public HostileShareTest {
protected:
    HostileShareServiceTest() : HostileShareTest(0) {}
};

} // namespace

TEST_F(HostileShareTest, OnceTakesEveryWholeFileByItsOwnNameAndTouchesNothingOutside) {
    dropScanned("ordinary.txt", 1);
    // Names that a separator-minded program would turn into paths out of the folder: each is an
    // ordinary file of the scanned folder and is taken as itself.
    dropScanned("..\\decoy\\secret.txt", 2);
    dropScanned("..\\decoy\\DataBin.Dat", 3);
    dropScanned("..\\shares\\HOST\\Qdls\\QX7Com\\QX719999.Rcv", 4);
    dropScanned("..\\..\\..\\..\\..\\..\\etc\\passwd", 5);
    dropScanned("two\nlines.txt", 6);
    dropScanned("escape-\x1b[2J.txt", 7);
    dropEntriesToLeaveAlone();

    // The first pass sees the files, the second takes them, the third finds nothing new.
    for (int pass = 1; pass <= 3; ++pass) {
        QByteArray err;
        EXPECT_EQ(runToEnd(sandbox, {QStringLiteral("--once")}, kRunTimeoutMs, &err), 0)
            << "pass " << pass << ": " << err.toStdString();
    }
    checkNothingOutsideTouched();
    checkEverything(sandbox, expected, nullptr);
    checkLeftAloneReported();
}

TEST_F(HostileShareTest, CutCallsAreBadAndTheCallsAfterThemAreTakenWhole) {
    // DataBin.Dat: a whole call, one whose data stop after 100 bytes and are followed at once by the next
    // call's header, two whole calls, and a last call the upstream program died in.
    const BuiltCall first = standardCall(1, 2, 11);
    const BuiltCall cut = standardCall(2, 3, 12, 100);
    const BuiltCall afterCut = standardCall(3, 2, 13);
    const BuiltCall another = standardCall(4, 1, 14);
    const BuiltCall cutLast = standardCall(5, 3, 15, 150);
    ASSERT_TRUE(writeRaw(QFile::encodeName(sandbox.dataBin()), testdata::fileHeader('N') + first.bytes +
                                                                   cut.bytes + afterCut.bytes +
                                                                   another.bytes + cutLast.bytes));
    expected.addDataBin({goodTruth(1, first), goodTruth(3, afterCut), goodTruth(4, another)});
    expected.cutDataBinCalls = {2, 5};
    // A scanned file cut in the middle of its last record (no final "&").
    dropScanned("whole.txt", 21);
    QByteArray cutFile = testdata::generateScannedFile(Dialect::Standard, 2, 2, 22).bytes;
    cutFile.chop(5);
    ASSERT_TRUE(writeRaw(rawPath(sandbox.scannedFolder(), "cut.txt"), cutFile));
    expected.cutScannedCalls = 1;

    for (int pass = 1; pass <= 2; ++pass) {
        QByteArray err;
        const int exit = runToEnd(sandbox, {QStringLiteral("--once")}, kRunTimeoutMs, &err);
        EXPECT_EQ(exit, 0) << "pass " << pass << ": " << err.toStdString();
    }
    checkNothingOutsideTouched();
    checkEverything(sandbox, expected, nullptr);
    const std::vector<AuditRow> rows = auditRows(sandbox);
    EXPECT_EQ(entriesNaming(rows, QStringLiteral("B"), QStringLiteral("#00002")), 1);
    EXPECT_EQ(entriesNaming(rows, QStringLiteral("B"), QStringLiteral("#00005")), 1);
}

TEST_F(HostileShareTest, ALinkedDataBinIsNeitherReadNorMoved) {
    const QByteArray link = QFile::encodeName(sandbox.dataBin());
    ASSERT_EQ(::symlink(rawPath(decoy, "DataBin.Dat").constData(), link.constData()), 0);
    for (int pass = 1; pass <= 2; ++pass) {
        QByteArray err;
        const int exit = runToEnd(sandbox, {QStringLiteral("--once")}, kRunTimeoutMs, &err);
        EXPECT_TRUE(exit == 0 || exit == 74)
            << "pass " << pass << " exit " << exit << ": " << err.toStdString();
    }
    struct stat info {};
    ASSERT_EQ(::lstat(link.constData(), &info), 0) << "the link was moved";
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    checkNothingOutsideTouched();
    checkEverything(sandbox, expected, nullptr); // no call of the linked file in the store
    EXPECT_TRUE(QDir(sandbox.auditFolder()).entryList(QDir::Files).isEmpty());
}

TEST_F(HostileShareServiceTest, ServiceBesideAFifoKeepsTakingCallsAndStopsOnSigterm) {
    dropScanned("ordinary.txt", 31);
    dropEntriesToLeaveAlone();
    std::unique_ptr<QProcess> service = sandbox.start(programPath(), {QStringLiteral("--service")});
    ASSERT_EQ(service->state(), QProcess::Running);

    // The scans open what they saw a tick earlier: the FIFO among them. Calls appended afterwards must
    // still be taken.
    QElapsedTimer waited;
    waited.start();
    QByteArray output;
    while (!output.contains("scanned files taken 1;") && waited.elapsed() < kRunTimeoutMs &&
           service->state() == QProcess::Running) {
        service->waitForReadyRead(500);
        output += service->readAllStandardOutput();
    }
    ASSERT_TRUE(output.contains("scanned files taken 1;")) << output.toStdString();
    const BuiltCall call = standardCall(1, 2, 41);
    ASSERT_TRUE(writeRaw(QFile::encodeName(sandbox.dataBin()), testdata::fileHeader('N') + call.bytes));
    expected.addDataBin({goodTruth(1, call)});
    while (!output.contains("calls good 2,") && waited.elapsed() < 2 * kRunTimeoutMs &&
           service->state() == QProcess::Running) {
        service->waitForReadyRead(500);
        output += service->readAllStandardOutput();
    }
    EXPECT_TRUE(output.contains("calls good 2,")) << output.toStdString();

    ::kill(pid_t(service->processId()), SIGTERM);
    ASSERT_TRUE(waitForEnd(*service, kRunTimeoutMs)) << "the service did not stop on SIGTERM";
    EXPECT_EQ(service->exitCode(), 0) << service->readAllStandardError().toStdString();
    checkNothingOutsideTouched();
    checkEverything(sandbox, expected, nullptr);
    checkLeftAloneReported();
}

} // namespace vrq::reliability
