// The service and its own program file: an upgrade renames a new file over it, a removal deletes it.
// The running service then says so and stops with its own exit code, so that the service manager starts
// the installed program instead of the old one running on.
#include "platform/ProgramFile.h"
#include "ReliabilitySupport.h"
#include "store/AuditType.h"
#include "store/Store.h"
#include "support/TestNames.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <cstdio>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::reliability;

namespace {

struct LinkCase {
    const char* name;
    const char* link; // what /proc/self/exe reads
    std::optional<QString> gonePath;
};

class ProgramFileLinkTest : public ::testing::TestWithParam<LinkCase> {};

TEST_P(ProgramFileLinkTest, TheKernelsMarkAfterThePathMeansTheFileIsGone) {
    const LinkCase& c = GetParam();
    const ProgramFile programFile([&] { return QString::fromUtf8(c.link); });
    EXPECT_EQ(programFile.replacedOrRemoved(), c.gonePath);
}

INSTANTIATE_TEST_SUITE_P(
    Links, ProgramFileLinkTest,
    ::testing::Values(LinkCase{"inPlace", "/usr/bin/vrqtoqx7", std::nullopt},
                      LinkCase{"replacedOrRemoved", "/usr/bin/vrqtoqx7 (deleted)", u"/usr/bin/vrqtoqx7"_s},
                      LinkCase{"pathWithBlanks", "/opt/vrq tools/vrqtoqx7 (deleted)",
                               u"/opt/vrq tools/vrqtoqx7"_s},
                      LinkCase{"markInAFolderName", "/opt/old (deleted)/vrqtoqx7", std::nullopt},
                      LinkCase{"markWithoutItsBlank", "/usr/bin/vrqtoqx7(deleted)", std::nullopt},
                      LinkCase{"linkUnreadable", "", std::nullopt},
                      LinkCase{"notAPath", "vrqtoqx7 (deleted)", std::nullopt}),
    test::RowName());

// The test program itself stands where it was started from.
TEST(ProgramFileOwnLinkTest, TheRunningTestIsInPlace) {
    const QString link = ProgramFile::readOwnLink();
    ASSERT_TRUE(link.startsWith(u'/')) << link.toStdString();
    EXPECT_TRUE(QFile::exists(link)) << link.toStdString();
    EXPECT_EQ(ProgramFile().replacedOrRemoved(), std::nullopt);
}

// The built program is copied into the sandbox, so that it can be replaced or removed as a package
// upgrade or removal does with the installed one.
enum class Change { Upgrade, Removal };

struct ServiceCase {
    const char* name;
    Change change;
};

class ServiceProgramFileTest : public ::testing::TestWithParam<ServiceCase> {};

std::vector<AuditRow> auditRows(const Sandbox& sandbox) {
    auto store = openStoreFile(QDir(sandbox.home()).filePath(u"CallsAndOrders.db"_s), StoreAccess::ReadOnly);
    return store ? store->audit().allAudit() : std::vector<AuditRow>();
}

TEST_P(ServiceProgramFileTest, SaysSoAndStopsWithItsOwnExitCode) {
    Sandbox sandbox(Sandbox::Options{});
    const QString bin = QDir(sandbox.root()).filePath(u"bin"_s);
    ASSERT_TRUE(QDir().mkpath(bin));
    const QString program = bin + u"/vrqtoqx7"_s;
    ASSERT_TRUE(QFile::copy(programPath(), program));

    std::unique_ptr<QProcess> service = sandbox.start(program, {u"--service"_s});
    ASSERT_TRUE(service->waitForReadyRead(60000)) << "no summary line at the start";
    if (GetParam().change == Change::Upgrade) {
        // A new file beside it, renamed over it, as dpkg unpacks an upgrade.
        const QString unpacked = program + u".dpkg-new"_s;
        ASSERT_TRUE(QFile::copy(programPath(), unpacked));
        ASSERT_EQ(
            std::rename(QFile::encodeName(unpacked).constData(), QFile::encodeName(program).constData()), 0);
    } else {
        ASSERT_TRUE(QFile::remove(program));
    }

    ASSERT_TRUE(waitForEnd(*service, 60000)) << "the service ran on after its program file was changed";
    EXPECT_EQ(service->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(service->exitCode(), 72);
    const QString err = QString::fromUtf8(service->readAllStandardError());
    EXPECT_TRUE(
        err.contains(u"The program file "_s + program + u" was replaced or removed while the service ran"_s))
        << err.toStdString();
    int warnings = 0;
    int stops = 0;
    for (const AuditRow& row : auditRows(sandbox)) {
        warnings +=
            row.type == auditTypeLetter(AuditType::Warning) && row.msg.startsWith(u"The program file "_s);
        stops += row.msg == u"Program stopped"_s;
    }
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(stops, 1);
}

INSTANTIATE_TEST_SUITE_P(Changes, ServiceProgramFileTest,
                         ::testing::Values(ServiceCase{"upgrade", Change::Upgrade},
                                           ServiceCase{"removal", Change::Removal}),
                         test::RowName());

} // namespace
