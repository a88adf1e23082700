#include "ui/qt/MainWidget.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "ui/qt/SoftKeyBar.h"

StatusArea::StatusArea(QWidget* parent) : QWidget(parent) {
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    setPalette(white);
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void StatusArea::paintEvent(QPaintEvent*) {
    if (onPaint) {
        QPainter painter(this);
        painter.setPen(Qt::black);
        onPaint(painter);
    }
}

void StatusArea::resizeEvent(QResizeEvent*) {
    if (onResize) {
        onResize();
    }
}

MainWidget::MainWidget() : status_(new StatusArea(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(status_, 1);
}

void MainWidget::SetSoftKeys(SoftKeyBar* bar) {
    layout()->addWidget(bar);
}

void MainWidget::closeEvent(QCloseEvent* event) {
    // The core answers the close question and hides the window or ends the program.
    event->ignore();
    if (onCloseRequest) {
        onCloseRequest();
    }
}

// A held key repeats as release-press pairs on some window systems; passing those on
// would restart the hold at every repeat and no alarm could ever start.
void MainWidget::keyPressEvent(QKeyEvent* event) {
    if (onKey && !event->isAutoRepeat()) {
        onKey(*event, true);
    }
    QWidget::keyPressEvent(event);
}

void MainWidget::keyReleaseEvent(QKeyEvent* event) {
    if (onKey && !event->isAutoRepeat()) {
        onKey(*event, false);
    }
    QWidget::keyReleaseEvent(event);
}

void MainWidget::focusOutEvent(QFocusEvent* event) {
    KeyboardLost();
    QWidget::focusOutEvent(event);
}

void MainWidget::hideEvent(QHideEvent* event) {
    KeyboardLost();
    QWidget::hideEvent(event);
}

void MainWidget::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
        KeyboardLost();
    }
    QWidget::changeEvent(event);
}

void MainWidget::KeyboardLost() {
    if (onKeyboardLost) {
        onKeyboardLost();
    }
}
