#pragma once

#include <QDialog>
#include <map>
#include <memory>

#include "platform/DialogControls.h"

class COptionsDialog;
class QListWidget;
class QStackedWidget;
class QTabBar;
class QtListBox;
class SoftKeyBar;

// The three-page options dialog: its controls by id, the page tabs at the bottom and
// the soft keys "Определить" and "Действия". What it does is decided by COptionsDialog.
class QtOptionsDialog final : public QDialog, public DialogControls {
public:
    explicit QtOptionsDialog(QWidget* parent);
    ~QtOptionsDialog() override;

    void Attach(COptionsDialog* logic) { logic_ = logic; }

    bool HasControl(int controlId) const override;
    std::string Text(int controlId) const override;
    void SetText(int controlId, const std::string& text) override;
    bool IsChecked(int controlId) const override;
    void SetChecked(int controlId, bool checked) override;
    void SetVisible(int controlId, bool visible) override;
    void SetCommandEnabled(int commandId, bool enabled) override;
    ListBox* KeyList() override;
    void FocusKeyList() override;
    void MessageBox(const std::string& text, const std::string& caption, Icon icon) override;
    void EndDialog(int result) override;

    QWidget* Control(int controlId) const;
    QTabBar& Tabs() { return *tabs_; }
    SoftKeyBar& SoftKeys() { return *softKeys_; }
    // Sends a command as the dialog's keys and menu would.
    void Command(int commandId);

    // Escape: the standard cancel does nothing here.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* BuildGeneralPage();
    QWidget* BuildConnectionPage();
    QWidget* BuildKeysPage();
    template <typename T>
    T* Add(int controlId, T* widget);

    COptionsDialog* logic_ = nullptr;
    std::map<int, QWidget*> controls_;
    QListWidget* keyList_ = nullptr;
    std::unique_ptr<QtListBox> keyListBox_;
    QStackedWidget* pages_ = nullptr;
    QTabBar* tabs_ = nullptr;
    SoftKeyBar* softKeys_ = nullptr;
    int shownPage_ = 0;
    bool ended_ = false;
};
