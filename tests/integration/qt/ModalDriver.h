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

// Acts on the next modal window to open from inside its own modal loop; fails the test when
// none opens within the deadline, so no test hangs.
inline void WhenModalOpens(std::function<void(QWidget*)> action) {
    auto* poll = new QTimer;
    const QDeadlineTimer deadline(20000);
    QObject::connect(poll, &QTimer::timeout, [poll, deadline, action = std::move(action)] {
        QWidget* modal = QApplication::activeModalWidget();
        const bool opened = modal != nullptr && modal->isVisible();
        if (opened || deadline.hasExpired()) {
            poll->stop();
            poll->deleteLater();
            opened ? action(modal) : ADD_FAILURE() << "no modal window opened";
        }
    });
    poll->start(10);
}

using Said = std::vector<std::pair<int, std::string>>;  // a box's icon, and "caption: text"

// While it lives, answers every box that opens with the button `look` picks once it has seen
// the box, and keeps what each box said.
struct Boxes {
    using Look = std::function<QMessageBox::StandardButton(QMessageBox*)>;
    explicit Boxes(Look look = [](QMessageBox*) { return QMessageBox::Ok; }) {
        QObject::connect(&poll, &QTimer::timeout, [this, look = std::move(look)] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box != nullptr && box->isVisible() && !looking) {
                looking = true;
                QAbstractButton* button = box->button(look(box));
                said.emplace_back(box->icon(),
                                  (box->windowTitle() + ": " + box->text()).toStdString());
                button != nullptr ? button->click() : box->done(0);
                EXPECT_NE(button, nullptr) << "the box has no such button";
                looking = false;
            }
        });
        poll.start(10);
    }
    QTimer poll;
    bool looking = false;
    Said said;
};

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
