#include "ui/qt/QtOptionsDialog.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

#include "options/OptionsDialog.h"
#include "options/OptionsIds.h"
#include "ui/qt/BoxButtons.h"
#include "ui/qt/QtListBox.h"
#include "ui/qt/SoftKeyBar.h"

namespace {

constexpr int kMaxEditLength = 255;

QString U(const char* text) {
    return QString::fromUtf8(text);
}

QLabel* RightLabel(const char* text) {
    auto* label = new QLabel(U(text));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QLineEdit* Edit(bool digitsOnly) {
    auto* edit = new QLineEdit;
    edit->setMaxLength(kMaxEditLength);
    if (digitsOnly) {
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    }
    return edit;
}

QCheckBox* TextLeftCheckBox(const char* text) {
    auto* box = new QCheckBox(U(text));
    box->setLayoutDirection(Qt::RightToLeft);
    return box;
}

}  // namespace

template <typename T>
T* QtOptionsDialog::Add(int controlId, T* widget) {
    widget->setObjectName(QString::number(controlId));
    controls_[controlId] = widget;
    return widget;
}

QtOptionsDialog::QtOptionsDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(U("МЗорвани"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);

    // The Done button stands where the title bar's would.
    auto* done = new QPushButton(QStringLiteral("OK"));
    done->setAutoDefault(false);
    connect(done, &QPushButton::clicked, this, [this] { Command(IdOk); });
    layout->addWidget(done, 0, Qt::AlignRight);

    pages_ = new QStackedWidget;
    pages_->addWidget(BuildGeneralPage());
    pages_->addWidget(BuildConnectionPage());
    pages_->addWidget(BuildKeysPage());
    layout->addWidget(pages_, 1);

    tabs_ = new QTabBar;
    tabs_->setObjectName(QStringLiteral("optionsTabControl"));
    tabs_->setShape(QTabBar::RoundedSouth);
    tabs_->setExpanding(true);
    tabs_->addTab(U("Общие"));
    tabs_->addTab(U("Соединение"));
    tabs_->addTab(U("Кнопки"));
    connect(tabs_, &QTabBar::currentChanged, this, [this](int page) {
        if (logic_ != nullptr) {
            logic_->OnPageChanging(shownPage_);
        }
        shownPage_ = page;
        pages_->setCurrentIndex(page);
        if (logic_ != nullptr) {
            logic_->OnPageChanged(page);
        }
    });
    layout->addWidget(tabs_);

    softKeys_ = new SoftKeyBar({U("Определить"), CmdCaptureKeys, {}},
                               {U("Действия"),
                                0,
                                {{U("Удалить"), CmdDeleteKey, {}},
                                 {U("Отчистить"), CmdClearKeys, {}},
                                 {U("Отменить"), CmdCancelOptions, {}},
                                 {U("Принять"), CmdAcceptOptions, {}}}},
                               [this](int commandId) { Command(commandId); });
    layout->addWidget(softKeys_);

    if (parent != nullptr && parent->isVisible()) {
        setGeometry(parent->geometry());
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        setGeometry(screen->availableGeometry());
    }
}

QtOptionsDialog::~QtOptionsDialog() = default;

QWidget* QtOptionsDialog::BuildGeneralPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->addWidget(Add(IdcImsiLabel, RightLabel("IMSI:")), 0, 0);
    grid->addWidget(Add(IdcImsi, new QLabel(U("012345678901234"))), 0, 1);
    grid->addWidget(Add(IdcBalanceLabel, RightLabel("Минимальный баланс:")), 1, 0);
    grid->addWidget(Add(IdcBalance, Edit(true)), 1, 1);
    grid->addWidget(Add(IdcPressTimeLabel, RightLabel("Длит. нажатия кнопки для тревоги:")), 2, 0);
    grid->addWidget(Add(IdcPressTime, Edit(true)), 2, 1);
    grid->addWidget(Add(IdcLogEnabled, TextLeftCheckBox("Сохранять лог")), 3, 1);

    auto* group = Add(IdcFrequencyGroup, new QGroupBox(U("Оповещать пульт")));
    auto* groupLayout = new QVBoxLayout(group);
    auto* buttons = new QButtonGroup(group);
    buttons->setExclusive(true);
    const std::pair<int, const char*> radios[] = {
        {IdcEvery10Seconds, "постоянно (раз в 10 сек.)"},
        {IdcEveryMinute, "очень часто (раз в 1 мин.)"},
        {IdcEvery5Minutes, "часто (раз в 5 мин.)"},
        {IdcEveryHour, "регулярно (раз в час)"},
        {IdcEvery4Hours, "редко (раз в 4 часа)"},
    };
    for (const auto& [id, text] : radios) {
        auto* radio = Add(id, new QRadioButton(U(text)));
        buttons->addButton(radio, id);
        groupLayout->addWidget(radio);
    }
    grid->addWidget(group, 4, 0, 1, 2);
    grid->setRowStretch(5, 1);
    return page;
}

QWidget* QtOptionsDialog::BuildConnectionPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->addWidget(Add(IdcMainServerLabel, RightLabel("Основной сервер:")), 0, 0);
    grid->addWidget(Add(IdcMainServer, Edit(false)), 0, 1);
    grid->addWidget(Add(IdcReserveServerLabel, RightLabel("Резервный сервер:")), 1, 0);
    grid->addWidget(Add(IdcReserveServer, Edit(false)), 1, 1);
    grid->addWidget(Add(IdcPortLabel, RightLabel("Порт:")), 2, 0);
    grid->addWidget(Add(IdcPort, Edit(true)), 2, 1);
    auto* outSats = Add(IdcOutSats, TextLeftCheckBox("Отправлять данные о спутниках"));
    grid->addWidget(outSats, 3, 0, 1, 2);
    grid->setRowStretch(4, 1);
    return page;
}

QWidget* QtOptionsDialog::BuildKeysPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* label =
        Add(IdcKeyListLabel, new QLabel(U("Список кодов кнопок запрограммированных на тревогу:")));
    label->setWordWrap(true);
    layout->addWidget(label);
    keyList_ = Add(IdcKeyList, new QListWidget);
    keyList_->setSelectionMode(QAbstractItemView::SingleSelection);
    keyList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(keyList_, 1);
    keyListBox_ = std::make_unique<QtListBox>(*keyList_);
    return page;
}

QWidget* QtOptionsDialog::Control(int controlId) const {
    auto it = controls_.find(controlId);
    return it == controls_.end() ? nullptr : it->second;
}

bool QtOptionsDialog::HasControl(int controlId) const {
    return Control(controlId) != nullptr;
}

std::string QtOptionsDialog::Text(int controlId) const {
    QWidget* control = Control(controlId);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        return edit->text().left(kMaxEditLength).toStdString();
    }
    if (auto* label = qobject_cast<QLabel*>(control)) {
        return label->text().toStdString();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        return button->text().toStdString();
    }
    return {};
}

void QtOptionsDialog::SetText(int controlId, const std::string& text) {
    QWidget* control = Control(controlId);
    const QString value = QString::fromStdString(text);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(value);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(value);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(value);
    }
}

bool QtOptionsDialog::IsChecked(int controlId) const {
    auto* button = qobject_cast<QAbstractButton*>(Control(controlId));
    return button != nullptr && button->isChecked();
}

void QtOptionsDialog::SetChecked(int controlId, bool checked) {
    if (auto* button = qobject_cast<QAbstractButton*>(Control(controlId))) {
        button->setChecked(checked);
    }
}

void QtOptionsDialog::SetVisible(int controlId, bool visible) {
    if (QWidget* control = Control(controlId)) {
        control->setVisible(visible);
    }
}

void QtOptionsDialog::SetCommandEnabled(int commandId, bool enabled) {
    softKeys_->SetCommandEnabled(commandId, enabled);
}

ListBox* QtOptionsDialog::KeyList() {
    return keyListBox_.get();
}

void QtOptionsDialog::FocusKeyList() {
    keyList_->setFocus();
}

void QtOptionsDialog::MessageBox(const std::string& text, const std::string& caption, Icon icon) {
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
        case Icon::None:
            break;
        case Icon::Error:
            boxIcon = QMessageBox::Critical;
            break;
        case Icon::Exclamation:
            boxIcon = QMessageBox::Warning;
            break;
        case Icon::Information:
            boxIcon = QMessageBox::Information;
            break;
    }
    QMessageBox box(boxIcon, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, this);
    // The dialog speaks Russian in every locale, and so do its boxes.
    NameBoxButtons(box, false);
    box.exec();
}

void QtOptionsDialog::EndDialog(int result) {
    ended_ = true;
    done(result);
}

void QtOptionsDialog::Command(int commandId) {
    if (logic_ != nullptr) {
        logic_->OnCommand(commandId);
    }
}

void QtOptionsDialog::reject() {
    Command(IdCancel);
}

void QtOptionsDialog::closeEvent(QCloseEvent* event) {
    if (logic_ != nullptr && !ended_) {
        logic_->OnClose();
    }
    if (ended_) {
        event->accept();
    } else {
        event->ignore();
    }
}
