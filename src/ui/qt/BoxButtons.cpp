#include "ui/qt/BoxButtons.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

struct ButtonName {
    QMessageBox::StandardButton button;
    const char* russian;
};

constexpr ButtonName kRussian[] = {
    {QMessageBox::Yes, "&Да"},
    {QMessageBox::No, "&Нет"},
    {QMessageBox::Ok, "ОК"},
};

}  // namespace

void NameBoxButtons(QMessageBox& box, bool english) {
    if (english) {
        return;
    }
    for (const auto& [button, russian] : kRussian) {
        if (QAbstractButton* shown = box.button(button)) {
            shown->setText(QString::fromUtf8(russian));
        }
    }
}
