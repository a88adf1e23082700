#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <vector>

class QAction;
class QPushButton;

// Two soft keys at the bottom of a window. A key either sends its command or opens
// a menu of commands; commands are enabled and greyed by id.
class SoftKeyBar : public QWidget {
public:
    struct Item {
        QString text;
        int commandId;  // 0 for a key that opens the menu
        std::vector<Item> menu;
    };
    using CommandHandler = std::function<void(int)>;

    SoftKeyBar(const Item& left, const Item& right, CommandHandler handler,
               QWidget* parent = nullptr);

    void SetCommandEnabled(int commandId, bool enabled);
    bool IsCommandEnabled(int commandId) const;
    QPushButton* Key(int index) const { return keys_[index]; }
    // Sends a command as its key or menu item would, when it is enabled.
    bool Trigger(int commandId);

private:
    QPushButton* MakeKey(const Item& item);

    CommandHandler handler_;
    QPushButton* keys_[2] = {nullptr, nullptr};
    std::map<int, QPushButton*> keyCommands_;
    std::map<int, QAction*> menuCommands_;
};
