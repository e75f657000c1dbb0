#pragma once

#include <QDialog>
#include <QStringList>

class QFormLayout;

namespace vrq {

struct AppContext;

// The About box (object name "frmAbout"): the program's title, version, what it does and a notice, the
// figures a person looking after the workstation asks for first, and a button that starts the desktop's
// system-information tool.
class AboutBox final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutBox)
public:
    explicit AboutBox(AppContext& ctx, QWidget* parent = nullptr);

    // The system-information tools looked for on the search path, in this order.
    static const QStringList& systemInfoTools();
    // The first of them installed; empty when none is.
    static QString findSystemInfoTool();

private:
    void addFigures(QFormLayout* form);
    void startSysInfo();

    AppContext& m_ctx;
};

} // namespace vrq
