#pragma once

#include "context/AppContext.h"
#include "platform/Clock.h"
#include "store/AuditLog.h"
#include "store/CallStore.h"
#include "support/TestDoubles.h"
#include "support/TestNames.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace vrq::test {

// The widget tests share one QApplication for the whole test program.
inline void ensureApplication() {
    if (QApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "tests_ui";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives until the process ends
}

// What the next message box showed, and whether one appeared at all.
struct MessageBoxSeen {
    bool seen = false;
    QString title;
    QString text;
    QTimer poll;
};

// Answers the next modal message box with `button`, polling for it from the event loop it runs in.
// Polling stops once the box is answered or when the caller drops the result.
inline std::shared_ptr<MessageBoxSeen> answerNextMessageBox(QMessageBox::StandardButton button) {
    auto seen = std::make_shared<MessageBoxSeen>();
    MessageBoxSeen* result = seen.get();
    QObject::connect(&result->poll, &QTimer::timeout, [result, button] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            result->poll.stop();
            result->seen = true;
            result->title = box->windowTitle();
            result->text = box->text();
            box->button(button)->click();
        }
    });
    result->poll.start(20);
    return seen;
}

// Looks at the next modal window named objectName when it opens (see) and closes it. Polling stops once
// it is closed, when the caller drops the handle, or after a few seconds.
[[nodiscard]] inline std::shared_ptr<void> closeNextModalWindow(const QString& objectName,
                                                                std::function<void(QWidget*)> see = {}) {
    auto poll = std::make_shared<std::function<void(int)>>();
    std::weak_ptr<std::function<void(int)>> weakPoll = poll;
    *poll = [weakPoll, objectName, see](int attempt) {
        auto self = weakPoll.lock();
        if (!self)
            return;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->objectName() == objectName) {
            if (see)
                see(modal);
            modal->close();
            return;
        }
        if (attempt < 250)
            QTimer::singleShot(20, [weakPoll, attempt] {
                if (auto next = weakPoll.lock())
                    (*next)(attempt + 1);
            });
    };
    QTimer::singleShot(0, [weakPoll] {
        if (auto self = weakPoll.lock())
            (*self)(0);
    });
    return poll;
}

// A store in a temporary program folder, upgraded, with an audit writer on a stopped clock.
class StoreFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ensureApplication();
        ASSERT_TRUE(m_dir.isValid());
        Result error;
        m_store = CallStore::open(m_dir.filePath(QStringLiteral("CallsAndOrders.db")), &error);
        ASSERT_TRUE(m_store) << error.message.toStdString();
        m_store->dataConversions();
        m_audit = std::make_unique<AuditLog>(*m_store, m_clock, QLatin1Char('F'));
        m_ctx.store = m_store.get();
        m_ctx.audit = m_audit.get();
        m_ctx.clock = &m_clock;
        m_ctx.programFolder = m_dir.path();
    }

    // Inserts one call; dates default to one minute apart by number from 03/07/2010 14:05.
    void addCall(int source, int number, bool good = true, bool extracted = false, bool complete = true,
                 QDateTime when = {}) {
        CallRow row;
        row.source = source;
        row.callNumber = number;
        row.callDnt = when.isValid() ? when : QDateTime(QDate(2010, 3, 7), QTime(14, 5)).addSecs(60 * number);
        row.goodCall = good;
        row.extractedCall = extracted;
        row.complete = complete;
        ASSERT_TRUE(m_store->insertCall(row).ok()) << number;
    }

    QTemporaryDir m_dir;
    ManualClock m_clock{QDateTime(QDate(2010, 3, 8), QTime(9, 0))};
    std::unique_ptr<CallStore> m_store;
    std::unique_ptr<AuditLog> m_audit;
    AppContext m_ctx;
};

} // namespace vrq::test
