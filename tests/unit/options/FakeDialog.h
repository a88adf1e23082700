#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "options/AlarmKeyEditor.h"
#include "options/OptionsIds.h"
#include "platform/DialogControls.h"
#include "platform/ListBox.h"

// The dialog's controls held in maps; boxes are recorded and answered at once.
class FakeDialogControls final : public DialogControls {
public:
    struct Box {
        std::string text;
        std::string caption;
        Icon icon;
    };

    bool HasControl(int id) const override { return id != missingControl; }
    std::string Text(int id) const override {
        auto it = texts.find(id);
        return it == texts.end() ? std::string() : it->second;
    }
    void SetText(int id, const std::string& text) override { texts[id] = text; }
    bool IsChecked(int id) const override { return checked.count(id) != 0; }
    void SetChecked(int id, bool on) override {
        if (on && IsFrequencyButton(id)) {
            for (int b : kFrequencyButtons) {
                checked.erase(b);
            }
        }
        if (on) {
            checked.insert(id);
        } else {
            checked.erase(id);
        }
    }
    void SetVisible(int id, bool visible) override { this->visible[id] = visible; }
    void SetCommandEnabled(int id, bool on) override { enabled[id] = on; }
    ListBox* KeyList() override { return keyList; }
    void FocusKeyList() override {}
    void MessageBox(const std::string& text, const std::string& caption, Icon icon) override {
        boxes.push_back({text, caption, icon});
        if (whileBoxOpen) {
            whileBoxOpen();
        }
    }
    void EndDialog(int result) override { endResult = result; }

    static bool IsFrequencyButton(int id) {
        for (int b : kFrequencyButtons) {
            if (b == id) {
                return true;
            }
        }
        return false;
    }

    static constexpr int kFrequencyButtons[] = {IdcEvery10Seconds, IdcEveryMinute, IdcEvery5Minutes,
                                                IdcEveryHour, IdcEvery4Hours};

    std::map<int, std::string> texts;
    std::set<int> checked;
    std::map<int, bool> visible;
    std::map<int, bool> enabled;
    std::vector<Box> boxes;
    std::optional<int> endResult;
    std::function<void()> whileBoxOpen;
    ListBox* keyList = nullptr;
    int missingControl = -1;
};

// Records what the dialog asks of the key table.
class FakeKeyEditor final : public AlarmKeyEditor {
public:
    void FillKeyList(ListBox* list) override { calls.push_back(list ? "fill" : "fill none"); }
    void DeleteSelectedKey(ListBox*) override { calls.push_back("delete"); }
    void ClearKeyList(ListBox*) override { calls.push_back("clear"); }
    void CommitEdited() override {
        calls.push_back("commit");
        permitted = edited;
    }
    std::string PermittedText() const override { return permitted; }
    void SetCaptureTarget(ListBox* list) override { captureTarget = list; }

    std::vector<std::string> calls;
    std::string permitted = "All";
    std::string edited = "All";
    ListBox* captureTarget = nullptr;
};
