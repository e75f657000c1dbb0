#include "ui/config/AboutBox.h"
#include "ViewerTestSupport.h"
#include "shell/Application.h"

#include <QLabel>

namespace vrq::test {
namespace {

class AboutBoxTest : public ::testing::Test {
protected:
    void SetUp() override { ensureApplication(); }

    QString shown(AboutBox& box, const char* name) {
        auto* label = box.findChild<QLabel*>(QString::fromLatin1(name));
        return label ? label->text() : QStringLiteral("(no %1)").arg(QString::fromLatin1(name));
    }

    ProgramFixture f;
};

TEST_F(AboutBoxTest, ShowsTheVersionAndTheWorkstationFigures) {
    f.addCall(0, 11, 0);
    f.addCall(0, 12, 0);
    f.audit->write(AuditType::GoodCall, QStringLiteral("Good call"));
    AboutBox box(f.ctx);
    EXPECT_EQ(shown(box, "lblVersion"), QStringLiteral("Version ") + Application::versionText());
    EXPECT_EQ(shown(box, "lblCallsStored"), QStringLiteral("2"));
    EXPECT_EQ(shown(box, "lblLastIntake"), QStringLiteral("03/10/2026 02:07 PM"));
    EXPECT_EQ(shown(box, "lblLastExport"), QStringLiteral("none in the kept history"));
    EXPECT_EQ(shown(box, "lblSettingsFile"), f.iniPath());
    EXPECT_TRUE(shown(box, "lblStoreFile").startsWith(f.programFolder()))
        << shown(box, "lblStoreFile").toStdString();
}

} // namespace
} // namespace vrq::test
