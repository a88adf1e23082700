// Writes pictures of the Qt tracker as a person sees it: idle, during an alarm, with
// the log shown, and each page of the options dialog, in Russian and in English.
// The tracker runs on simulated devices, so the pictures are the same every time.
#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTabBar>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "app/Resources.h"
#include "options/OptionsIds.h"
#include "ui/qt/MainWidget.h"
#include "ui/qt/QtOptionsDialog.h"
#include "ui/qt/demo/SimTracker.h"

namespace {

constexpr int kWidth = 360;
constexpr int kHeight = 600;

bool Save(const QPixmap& picture, const QString& folder, const QString& name) {
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!picture.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", path.toLocal8Bit().constData());
        return false;
    }
    std::printf("%s\n", path.toLocal8Bit().constData());
    return true;
}

void Settle() {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
    }
}

bool Shoot(bool english, const QString& folder) {
    const QString prefix = english ? QStringLiteral("en-") : QStringLiteral("ru-");
    SimTracker tracker({english, {}});
    MainWidget& window = tracker.Shell().Window();
    tracker.Shell().ShowMainWindow();
    window.setGeometry(0, 0, kWidth, kHeight);
    Settle();
    bool ok = true;

    // idle, after one test report has gone through
    tracker.Window().OnCommand(CmdTest);
    for (int i = 0; i < 3000 && tracker.Window().Mode() != ReportMode::Idle; ++i) {
        tracker.Tick();
    }
    tracker.Tick(5);
    Settle();
    ok &= Save(window.grab(), folder, prefix + QStringLiteral("idle"));

    // an alarm: the status window while the receiver searches, with the popup over it
    tracker.Window().StartReport(ReportMode::Alarm, false);
    tracker.Tick(12);
    Settle();
    QPixmap alarm = window.grab();
    if (QLabel* popup = tracker.Shell().AlarmPopup()) {
        QPainter painter(&alarm);
        const QPixmap picture = popup->grab();
        painter.drawPixmap((alarm.width() - picture.width()) / 2,
                           (alarm.height() - picture.height()) / 2, picture);
    }
    ok &= Save(alarm, folder, prefix + QStringLiteral("alarm"));

    // the log shown
    tracker.Window().OnCommand(CmdToggleLog);
    tracker.Tick();
    Settle();
    ok &= Save(window.grab(), folder, prefix + QStringLiteral("log"));

    // the options dialog, page by page
    const QString pages[] = {QStringLiteral("options-general"),
                             QStringLiteral("options-connection"), QStringLiteral("options-keys")};
    QTimer::singleShot(0, [&] {
        auto* dialog = dynamic_cast<QtOptionsDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            std::fprintf(stderr, "the options dialog did not open\n");
            ok = false;
            return;
        }
        dialog->setGeometry(0, 0, kWidth, kHeight);
        for (int page = 0; page < PageCount; ++page) {
            dialog->Tabs().setCurrentIndex(page);
            Settle();
            ok &= Save(dialog->grab(), folder, prefix + pages[page]);
        }
        dialog->Command(CmdCancelOptions);
    });
    tracker.Shell().RunOptionsDialog();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot make %s\n", argv[1]);
        return 1;
    }
    const bool ok = Shoot(false, folder) && Shoot(true, folder);
    return ok ? 0 : 1;
}
