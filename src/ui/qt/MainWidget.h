#pragma once

#include <QWidget>
#include <functional>

class SoftKeyBar;

// The area the status screen paints: its size is the window size the core lays out.
class StatusArea : public QWidget {
public:
    std::function<void(QPainter&)> onPaint;
    std::function<void()> onResize;

    explicit StatusArea(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};

// The top-level window: the status area above the soft-key bar. Closing it only asks.
class MainWidget : public QWidget {
public:
    std::function<void()> onCloseRequest;
    // Keys typed into the window itself, auto-repeat left out; true for a press.
    std::function<void(QKeyEvent&, bool)> onKey;
    // The window lost the keyboard (focus, activation, or it was hidden): the key-ups of
    // keys held now go elsewhere.
    std::function<void()> onKeyboardLost;

    MainWidget();
    StatusArea* Status() const { return status_; }
    void SetSoftKeys(SoftKeyBar* bar);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void KeyboardLost();

    StatusArea* status_;
};
