#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

// Acts on the next modal window to open (a box or the dialog) from inside its own modal
// loop; fails the test when none opens within the deadline, so no test hangs.
inline void WhenModalOpens(std::function<void(QWidget*)> action, QWidget* besides = nullptr) {
    auto* poll = new QTimer;
    const QDeadlineTimer deadline(20000);
    QObject::connect(poll, &QTimer::timeout, [poll, deadline, besides, action = std::move(action)] {
        QWidget* modal = QApplication::activeModalWidget();
        const bool opened = modal != nullptr && modal != besides && modal->isVisible();
        if (opened || deadline.hasExpired()) {
            poll->stop();
            poll->deleteLater();
            opened ? action(modal) : ADD_FAILURE() << "no modal window opened";
        }
    });
    poll->start(10);
}

// Presses a box's button and returns what it said, as "caption: text".
inline std::string Answer(QWidget* modal, QMessageBox::StandardButton which = QMessageBox::Ok) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box == nullptr || box->button(which) == nullptr) {
        return "(not a box with that button)";
    }
    std::string said = box->windowTitle().toStdString() + ": " + box->text().toStdString();
    box->button(which)->click();
    return said;
}

// The labels of a box's buttons, in their order on screen.
inline std::vector<std::string> ButtonTexts(QWidget* modal) {
    std::vector<std::string> texts;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        for (QAbstractButton* button : box->buttons()) {
            texts.push_back(button->text().toStdString());
        }
    }
    return texts;
}
