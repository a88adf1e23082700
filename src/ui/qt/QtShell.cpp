#include "ui/qt/QtShell.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

#include "app/MainWindow.h"
#include "app/Resources.h"
#include "delivery/Sender.h"
#include "options/OptionsDialog.h"
#include "platform/KeyEvent.h"
#include "ui/qt/BoxButtons.h"
#include "ui/qt/MainWidget.h"
#include "ui/qt/QtAlarmKeyEditor.h"
#include "ui/qt/QtCanvas.h"
#include "ui/qt/QtKeyCodes.h"
#include "ui/qt/QtListBox.h"
#include "ui/qt/QtOptionsDialog.h"
#include "ui/qt/SoftKeyBar.h"

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

SoftKeyBar::Item MenuKey(const char* text, std::vector<SoftKeyBar::Item> items) {
    return {QString::fromUtf8(text), 0, std::move(items)};
}

SoftKeyBar::Item CommandKey(const char* text, int commandId) {
    return {QString::fromUtf8(text), commandId, {}};
}

QMessageBox::Icon BoxIcon(Shell::Icon icon) {
    switch (icon) {
        case Shell::Icon::Error:
            return QMessageBox::Critical;
        case Shell::Icon::Question:
            return QMessageBox::Question;
        case Shell::Icon::Exclamation:
            return QMessageBox::Warning;
        case Shell::Icon::Information:
            return QMessageBox::Information;
        case Shell::Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QtShell::QtShell(bool english)
    : english_(english), window_(std::make_unique<MainWidget>()), pacer_(TickPeriodMs) {
    WatchEventLoop();
    const WindowTexts texts = WindowTextsFor(english);
    window_->setWindowTitle(QString::fromUtf8(texts.title));
    window_->setWindowIcon(pictures_.Icon(IconIdle));
    window_->onCloseRequest = [this] {
        if (main_ != nullptr && !ending_) {
            main_->OnCloseRequest();
        }
    };

    // The window's own keyboard counts as a key device, for a desktop without one.
    window_->onKey = [this](QKeyEvent& event, bool down) { OnWindowKey(event, down); };
    window_->onKeyboardLost = [this] { ReleaseWindowKeys(); };
    window_->setFocusPolicy(Qt::StrongFocus);

    auto handler = [this](int commandId) { OnCommand(commandId); };
    if (english) {
        softKeys_ = new SoftKeyBar(
            MenuKey("Menu", {CommandKey("Settings", CmdSettings), CommandKey("Hide", CmdHide),
                             CommandKey("Exit", CmdExit)}),
            CommandKey("Test", CmdTest), handler);
    } else {
        softKeys_ = new SoftKeyBar(
            CommandKey("Проверить", CmdTest),
            MenuKey("Меню", {CommandKey("Параметры", CmdSettings),
                             CommandKey("Показать/Скрыть лог", CmdToggleLog),
                             CommandKey("Скрыть", CmdHide), CommandKey("Выход", CmdExit)}),
            handler);
    }
    window_->SetSoftKeys(softKeys_);

    StatusArea* status = window_->Status();
    status->onPaint = [this](QPainter& painter) {
        if (main_ != nullptr) {
            QtCanvas canvas(painter, pictures_);
            main_->Paint(canvas);
        }
    };
    status->onResize = [this] {
        if (main_ != nullptr) {
            main_->OnSize();
        }
    };

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        window_->setGeometry(screen->availableGeometry());
    }
    // Lays the children out now, so the status area has its size while still hidden.
    window_->layout()->activate();
}

QtShell::~QtShell() {
    ending_ = true;
    qApp->removeEventFilter(this);
    for (auto& [id, timer] : timers_) {
        timer->stop();
    }
    delete popup_.data();
    if (tray_ != nullptr) {
        tray_->hide();
    }
}

void QtShell::ShowIfNoTray() {
    if (tray_ == nullptr || !QSystemTrayIcon::isSystemTrayAvailable()) {
        ShowMainWindow();
    }
}

void QtShell::OnCommand(int commandId) {
    if (main_ != nullptr && !ending_) {
        main_->OnCommand(commandId);
    }
}

void QtShell::Detach() {
    main_ = nullptr;
    window_->hide();
    RemoveAlarmPopup();
    for (auto& [id, timer] : timers_) {
        timer->stop();
    }
    holds_ = KeyHolds();
}

void QtShell::OnWindowKey(const QKeyEvent& event, bool down) {
    const std::uint32_t code = VirtualKeyOf(event);
    // While keys are captured the event filter hands key-downs on, once.
    if (code == 0 || (down && capturing_)) {
        return;
    }
    PassKey(KeyHolds::Source::Window,
            {static_cast<std::uint32_t>(event.timestamp()), event.nativeScanCode(), code, down});
}

void QtShell::OnDeviceKey(const KeyEvent& event) {
    if (event.down && capturing_) {
        // A capture lists every key-down and holds nothing.
        if (main_ != nullptr && !ending_) {
            main_->OnAlarmKeyDown(event.timeMs, event.scanCode, event.keyCode);
        }
        return;
    }
    PassKey(KeyHolds::Source::Device, event);
}

void QtShell::PassKey(KeyHolds::Source source, const KeyEvent& event) {
    const bool pass =
        event.down ? holds_.Press(source, event.keyCode) : holds_.Release(source, event.keyCode);
    if (!pass || main_ == nullptr || ending_) {
        return;
    }
    if (event.down) {
        main_->OnAlarmKeyDown(event.timeMs, event.scanCode, event.keyCode);
    } else {
        main_->OnAlarmKeyUp(event.timeMs, event.scanCode, event.keyCode);
    }
}

void QtShell::ReleaseWindowKeys() {
    for (const std::uint32_t code : holds_.ReleaseAll(KeyHolds::Source::Window)) {
        if (main_ != nullptr && !ending_) {
            main_->OnAlarmKeyUp(0, 0, code);
        }
    }
}

void QtShell::StartTimer(int timerId, int periodMs) {
    if (ending_) {
        return;
    }
    QTimer*& timer = timers_[timerId];
    if (timer == nullptr) {
        timer = new QTimer(this);
        // A hold timer decides between an alarm and none: a coarse one may fire 5 % early
        // or late. The tick may be coarse.
        timer->setTimerType(timerId == TickTimerId ? Qt::CoarseTimer : Qt::PreciseTimer);
        connect(timer, &QTimer::timeout, this, [this, timerId] {
            if (main_ != nullptr && !ending_) {
                if (timerId == TickTimerId) {
                    // Whichever the event loop reports first, the tick's timer or its
                    // waking: ticks that passed are counted before this one runs.
                    CatchUpQuietTicks();
                }
                main_->OnTimer(timerId);
                if (timerId == TickTimerId) {
                    TickRan();
                }
            }
        });
    }
    timer->start(periodMs);
}

void QtShell::StopTimer(int timerId) {
    if (auto it = timers_.find(timerId); it != timers_.end()) {
        it->second->stop();
    }
}

int QtShell::TimerInterval(int timerId) const {
    auto it = timers_.find(timerId);
    return it != timers_.end() && it->second->isActive() ? it->second->interval() : 0;
}

bool QtShell::IsTimerRunning(int timerId) const {
    auto it = timers_.find(timerId);
    return it != timers_.end() && it->second->isActive();
}

void QtShell::Invalidate(const Rect& area, bool) {
    // Qt erases what it repaints; the core draws the whole area again either way.
    window_->Status()->update(area.left, area.top, area.Width(), area.Height());
}

void QtShell::UpdateWindow() {}

void QtShell::ShowMainWindow() {
    window_->show();
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
}

void QtShell::HideMainWindow() {
    window_->hide();
}

void QtShell::BringToFront() {
    window_->raise();
    window_->activateWindow();
}

Size QtShell::WindowSize() const {
    const QSize size = window_->Status()->size();
    return {size.width(), size.height()};
}

Size QtShell::ScreenSize() const {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return {};
    }
    const QSize size = screen->geometry().size();
    return {size.width(), size.height()};
}

int QtShell::MessageBox(const std::string& text, const std::string& caption, Buttons buttons,
                        Icon icon) {
    QWidget* owner = window_->isVisible() ? window_.get() : nullptr;
    const QMessageBox::StandardButtons choice =
        buttons == Buttons::YesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok;
    QMessageBox box(BoxIcon(icon), Q(caption), Q(text), choice, owner);
    if (buttons == Buttons::YesNo) {
        box.setEscapeButton(QMessageBox::No);
    }
    NameBoxButtons(box, english_);
    const int answer = box.exec();
    if (buttons == Buttons::Ok) {
        return AnswerOk;
    }
    return answer == QMessageBox::Yes ? AnswerYes : AnswerNo;
}

void QtShell::SetTrayIcon(int iconId, const std::string& tip) {
    trayIconId_ = iconId;
    if (tray_ == nullptr) {
        tray_ = new QSystemTrayIcon(this);
        connect(
            tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
                    if (main_ != nullptr && !ending_) {
                        main_->OnTrayIconMessage();
                    }
                }
            });
    }
    tray_->setIcon(pictures_.Icon(iconId));
    tray_->setToolTip(Q(tip));
    window_->setWindowIcon(pictures_.Icon(iconId));
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        tray_->show();
    }
}

void QtShell::RemoveTrayIcon() {
    if (tray_ != nullptr) {
        tray_->hide();
    }
}

void QtShell::SetCommandEnabled(int commandId, bool enabled) {
    softKeys_->SetCommandEnabled(commandId, enabled);
}

bool QtShell::ShowAlarmPopup(const Rect& area, int pictureId, const std::string& title) {
    delete popup_.data();
    const QPixmap& picture = pictures_.Picture(pictureId);
    auto* popup = new QLabel(nullptr, Qt::Window | Qt::FramelessWindowHint |
                                          Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    popup->setAttribute(Qt::WA_ShowWithoutActivating);
    popup->setWindowTitle(Q(title));
    popup->setPixmap(picture);
    popup->setScaledContents(true);
    popup->setGeometry(area.left, area.top, area.Width(), area.Height());
    popup->show();
    popup->raise();
    popup_ = popup;
    return true;
}

void QtShell::RemoveAlarmPopup() {
    delete popup_.data();
    popup_ = nullptr;
}

ListBox* QtShell::ReportListBox() {
    if (reportListBox_ == nullptr) {
        reportList_ = new QListWidget(window_->Status());
        reportList_->setObjectName(QStringLiteral("reportListBox"));
        reportList_->setSelectionMode(QAbstractItemView::NoSelection);
        reportList_->setFocusPolicy(Qt::NoFocus);
        reportList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        reportList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        reportList_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
        reportList_->hide();
        reportListBox_ = std::make_unique<QtListBox>(*reportList_);
    }
    return reportListBox_.get();
}

void QtShell::MoveReportListBox(const Rect& area) {
    if (reportList_ != nullptr) {
        reportList_->setGeometry(area.left, area.top, area.Width(), area.Height());
    }
}

int QtShell::RunOptionsDialog() {
    if (main_ == nullptr || ending_ || !main_->Globals().settings) {
        return 0;
    }
    AppGlobals& globals = main_->Globals();
    QtAlarmKeyEditor keys(main_->Keys(), [this](bool on) { SetKeyboardCapture(on); });
    QtOptionsDialog dialog(window_.get());
    COptionsDialog logic(*globals.settings, keys, globals.sender ? globals.sender->imsi : "",
                         dialog);
    dialog.Attach(&logic);
    logic.OnInitDialog();
    const int result = dialog.exec();
    SetKeyboardCapture(false);
    return result;
}

void QtShell::EndProgram(int exitCode) {
    ending_ = true;
    for (auto& [id, timer] : timers_) {
        timer->stop();
    }
    // Leaves every event loop, the modal ones included.
    QCoreApplication::exit(exitCode);
}

void QtShell::SetKeyboardCapture(bool on) {
    if (on == capturing_) {
        return;
    }
    capturing_ = on;
    if (on) {
        qApp->installEventFilter(this);
    } else {
        qApp->removeEventFilter(this);
    }
}

bool QtShell::eventFilter(QObject* watched, QEvent* event) {
    // One key press reaches several objects (the window, the focus widget, its
    // parents); only its arrival at the window is counted.
    if (capturing_ && event->type() == QEvent::KeyPress && watched->isWindowType() &&
        main_ != nullptr) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (const std::uint32_t code = VirtualKeyOf(*key); code != 0) {
            main_->OnAlarmKeyDown(static_cast<std::uint32_t>(key->timestamp()),
                                  key->nativeScanCode(), code);
        }
    }
    return QObject::eventFilter(watched, event);
}
