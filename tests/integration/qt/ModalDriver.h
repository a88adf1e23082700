#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

// Acts on the next modal window to open (a box or the dialog) from inside its own
// modal loop. A window that never opens within the deadline fails the test; one that
// is left open by a failed step is closed, so no test hangs.
inline void WhenModalOpens(std::function<void(QWidget*)> action, QWidget* besides = nullptr,
                           int deadlineMs = 20000) {
    auto* poll = new QTimer;
    auto deadline = std::make_shared<QDeadlineTimer>(deadlineMs);
    QObject::connect(poll, &QTimer::timeout, [poll, deadline, besides, action = std::move(action)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal != besides && modal->isVisible()) {
            poll->stop();
            poll->deleteLater();
            action(modal);
        } else if (deadline->hasExpired()) {
            poll->stop();
            poll->deleteLater();
            ADD_FAILURE() << "no modal window opened";
        }
    });
    poll->start(10);
}

inline std::string BoxText(QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    return box == nullptr ? std::string("(not a box)") : box->text().toStdString();
}

inline std::string BoxCaption(QWidget* modal) {
    return modal->windowTitle().toStdString();
}

inline void Press(QWidget* modal, QMessageBox::StandardButton which) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        box->button(which)->click();
    }
}
