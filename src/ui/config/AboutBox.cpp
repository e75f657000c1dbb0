#include "ui/config/AboutBox.h"

#include "context/AppContext.h"
#include "platform/SettingsBackend.h"
#include "settings/SettingsStore.h"
#include "shell/Application.h"
#include "store/Store.h"
#include "ui/ProgramIcon.h"
#include "ui/ProgramTitle.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>

namespace vrq {

namespace {

QLabel* label(const QString& name, const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setWordWrap(true);
    return l;
}

QFrame* separatorLine(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QString timeText(const QDateTime& when) {
    return when.isValid() ? QLocale::c().toString(when, QStringLiteral("MM/dd/yyyy hh:mm AP"))
                          : QStringLiteral("none in the kept history");
}

} // namespace

AboutBox::AboutBox(AppContext& ctx, QWidget* parent) : QDialog(parent), m_ctx(ctx) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + programTitle());
    setModal(true);

    auto* iconLabel = label(QStringLiteral("picIcon"), QString(), this);
    iconLabel->setPixmap(programIcon().pixmap(QSize(32, 32), devicePixelRatio()));
    iconLabel->setAccessibleName(QStringLiteral("Program icon"));
    auto* titleLabel = label(QStringLiteral("lblTitle"), programTitle(), this);
    QFont titleFont = titleLabel->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    titleLabel->setFont(titleFont);
    auto* versionLabel =
        label(QStringLiteral("lblVersion"), QStringLiteral("Version ") + Application::versionText(), this);
    auto* descriptionLabel =
        label(QStringLiteral("lblDescription"),
              QStringLiteral("VRQToQX7 turns the calls that Telxon hand-held units upload to the "
                             "VRQ system into order files for the QX7 host system."),
              this);
    auto* disclaimerLabel =
        label(QStringLiteral("lblDisclaimer"),
              QStringLiteral("Provided as is, without warranty of any kind; the makers of "
                             "VRQToQX7 are not liable for lost or delayed orders."),
              this);
    auto* okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("cmdOK"));
    okButton->setDefault(true);
    okButton->setAccessibleName(QStringLiteral("OK"));
    auto* sysInfoButton = new QPushButton(QStringLiteral("&System Info..."), this);
    sysInfoButton->setObjectName(QStringLiteral("cmdSysInfo"));
    sysInfoButton->setAccessibleName(QStringLiteral("System Info..."));

    auto* grid = new QGridLayout(this);
    grid->addWidget(iconLabel, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(titleLabel, 0, 1);
    grid->addWidget(versionLabel, 1, 1);
    grid->addWidget(descriptionLabel, 2, 1);
    grid->addWidget(separatorLine(this), 3, 0, 1, 3);
    auto* figures = new QFormLayout;
    addFigures(figures);
    grid->addLayout(figures, 4, 0, 1, 3);
    grid->addWidget(separatorLine(this), 5, 0, 1, 3);
    grid->addWidget(disclaimerLabel, 6, 0, 1, 2);
    grid->addWidget(okButton, 0, 2);
    grid->addWidget(sysInfoButton, 6, 2, Qt::AlignBottom);
    grid->setColumnMinimumWidth(1, 300);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(sysInfoButton, &QPushButton::clicked, this, &AboutBox::startSysInfo);
}

void AboutBox::addFigures(QFormLayout* form) {
    auto add = [this, form](const QString& name, const QString& caption, const QString& value) {
        QLabel* shown = label(name, value, this);
        shown->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        shown->setAccessibleName(caption);
        form->addRow(caption + QLatin1Char(':'), shown);
    };
    const QString storeFile = QDir(m_ctx.programFolder).filePath(QString::fromLatin1(kStoreFileName));
    add(QStringLiteral("lblProgramFolder"), QStringLiteral("Program folder"),
        QDir::toNativeSeparators(m_ctx.programFolder));
    add(QStringLiteral("lblSettingsFile"), QStringLiteral("Settings"),
        m_ctx.settingsStore ? m_ctx.settingsStore->backend().location() : QString());
    add(QStringLiteral("lblStoreFile"), QStringLiteral("Call store"),
        QStringLiteral("%1 (%2)").arg(QDir::toNativeSeparators(storeFile),
                                      QLocale::c().formattedDataSize(QFileInfo(storeFile).size())));
    Result read = Result::notFound();
    const StoreSummary summary = m_ctx.store ? m_ctx.store->summary().summary(&read) : StoreSummary();
    const bool known = read.ok();
    add(QStringLiteral("lblCallsStored"), QStringLiteral("Calls stored"),
        known ? QString::number(summary.calls) : QStringLiteral("unknown: ") + read.message);
    add(QStringLiteral("lblLastIntake"), QStringLiteral("Last call taken in"),
        known ? timeText(summary.lastIntake) : QStringLiteral("unknown"));
    add(QStringLiteral("lblLastExport"), QStringLiteral("Last order file sent"),
        known ? timeText(summary.lastExport) : QStringLiteral("unknown"));
}

const QStringList& AboutBox::systemInfoTools() {
    static const QStringList tools{QStringLiteral("msinfo32"), QStringLiteral("kinfocenter"),
                                   QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"),
                                   QStringLiteral("gnome-system-monitor")};
    return tools;
}

QString AboutBox::findSystemInfoTool() {
    for (const QString& tool : systemInfoTools()) {
        QString path = QStandardPaths::findExecutable(tool);
        if (!path.isEmpty())
            return path;
    }
    return {};
}

void AboutBox::startSysInfo() {
    const QString tool = findSystemInfoTool();
    if (tool.isEmpty() || !QProcess::startDetached(tool, {}))
        QMessageBox::information(this, programTitle(),
                                 QStringLiteral("System Information Is Unavailable At This Time"));
}

} // namespace vrq
