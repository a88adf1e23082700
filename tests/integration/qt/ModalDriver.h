#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

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
inline std::vector<std::string> ButtonTexts(QMessageBox* box) {
    std::vector<std::string> texts;
    for (QAbstractButton* button : box->buttons()) {
        texts.push_back(button->text().toStdString());
    }
    return texts;
}
