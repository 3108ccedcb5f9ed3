// The controls of a page as a table, for the page presenters' tests: every
// identifier given at construction exists; texts, checks, visibility, the
// enabled state and drop-down lists are plain fields, and every change of a
// control is counted.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "ui/control_surface.h"

namespace quellora::testing {

struct FakeControl {
    std::u16string text;
    bool checked = false;
    bool visible = true;
    bool enabled = true;
    std::vector<std::u16string> items;
    int selection = -1;
    int changes = 0;  // calls that set something
};

class FakeControls : public ControlSurface {
public:
    explicit FakeControls(const std::vector<int>& ids) {
        for (int id : ids) controls[id];
    }
    FakeControl& operator[](int id) { return controls.at(id); }

    bool Has(int id) override { return controls.count(id) != 0; }
    std::u16string Text(int id) override { return Has(id) ? controls[id].text : std::u16string(); }
    void SetText(int id, std::u16string_view text) override {
        if (Touch(id)) controls[id].text = text;
    }
    bool Checked(int id) override { return Has(id) && controls[id].checked; }
    void SetChecked(int id, bool checked) override {
        if (Touch(id)) controls[id].checked = checked;
    }
    bool Visible(int id) override { return Has(id) && controls[id].visible; }
    void Show(int id, bool visible) override {
        if (Touch(id)) controls[id].visible = visible;
    }
    bool Enabled(int id) override { return Has(id) && controls[id].enabled; }
    void Enable(int id, bool enabled) override {
        if (Touch(id)) controls[id].enabled = enabled;
    }
    void SetItems(int id, const std::vector<std::u16string>& items) override {
        if (!Touch(id)) return;
        controls[id].items = items;
        controls[id].selection = -1;
    }
    int ItemCount(int id) override { return Has(id) ? static_cast<int>(controls[id].items.size()) : 0; }
    std::u16string ItemText(int id, int index) override {
        if (!Has(id) || index < 0 || index >= ItemCount(id)) return {};
        return controls[id].items[static_cast<size_t>(index)];
    }
    int Selection(int id) override { return Has(id) ? controls[id].selection : -1; }
    void Select(int id, int index) override {
        if (Touch(id)) controls[id].selection = index < ItemCount(id) ? index : -1;
    }
    // Chooses the item with this text as the user would; false when there is none.
    bool Choose(int id, std::u16string_view text) {
        for (int i = 0; i < ItemCount(id); ++i) {
            if (controls[id].items[static_cast<size_t>(i)] == text) {
                controls[id].selection = i;
                return true;
            }
        }
        return false;
    }

    std::map<int, FakeControl> controls;

private:
    bool Touch(int id) {
        if (!Has(id)) return false;
        ++controls[id].changes;
        return true;
    }
};

}  // namespace quellora::testing
