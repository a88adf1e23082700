#include "ui/qt/SoftKeyBar.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>

SoftKeyBar::SoftKeyBar(const Item& left, const Item& right, CommandHandler handler, QWidget* parent)
    : QWidget(parent), handler_(std::move(handler)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    keys_[0] = MakeKey(left);
    keys_[1] = MakeKey(right);
    layout->addWidget(keys_[0]);
    layout->addWidget(keys_[1]);
}

QPushButton* SoftKeyBar::MakeKey(const Item& item) {
    auto* key = new QPushButton(item.text, this);
    if (item.commandId != 0) {
        keyCommands_[item.commandId] = key;
        connect(key, &QPushButton::clicked, this, [this, id = item.commandId] { handler_(id); });
        return key;
    }
    auto* menu = new QMenu(key);
    for (const Item& entry : item.menu) {
        QAction* action = menu->addAction(entry.text);
        menuCommands_[entry.commandId] = action;
        connect(action, &QAction::triggered, this, [this, id = entry.commandId] { handler_(id); });
    }
    key->setMenu(menu);
    return key;
}

void SoftKeyBar::SetCommandEnabled(int commandId, bool enabled) {
    if (auto it = keyCommands_.find(commandId); it != keyCommands_.end()) {
        it->second->setEnabled(enabled);
    }
    if (auto it = menuCommands_.find(commandId); it != menuCommands_.end()) {
        it->second->setEnabled(enabled);
    }
}

bool SoftKeyBar::IsCommandEnabled(int commandId) const {
    if (auto it = keyCommands_.find(commandId); it != keyCommands_.end()) {
        return it->second->isEnabled();
    }
    if (auto it = menuCommands_.find(commandId); it != menuCommands_.end()) {
        return it->second->isEnabled();
    }
    return false;
}

bool SoftKeyBar::Trigger(int commandId) {
    if (!IsCommandEnabled(commandId)) {
        return false;
    }
    handler_(commandId);
    return true;
}
