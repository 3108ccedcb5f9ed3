// The controls of a page as its presenter sees them, by the identifiers that
// are the contract with the language module's templates: texts, check marks,
// visibility, enabled state and drop-down lists with item data. The Win32
// pages answer it from their windows; the tests answer it from a table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quellora {

class PageControls {
public:
    virtual ~PageControls() = default;

    virtual bool Has(int id) = 0;
    virtual std::u16string Text(int id) = 0;
    virtual void SetText(int id, std::u16string_view text) = 0;
    virtual bool Checked(int id) = 0;
    virtual void SetChecked(int id, bool checked) = 0;
    virtual bool Visible(int id) = 0;
    virtual void Show(int id, bool visible) = 0;
    virtual bool Enabled(int id) = 0;
    virtual void Enable(int id, bool enabled) = 0;

    // Drop-down lists: the items replace the old ones and nothing is selected.
    virtual void SetItems(int id, const std::vector<std::u16string>& items) = 0;
    virtual int ItemCount(int id) = 0;
    virtual std::u16string ItemText(int id, int index) = 0;
    virtual int Selection(int id) = 0;  // -1: none
    virtual void Select(int id, int index) = 0;
};

// The number a field holds, as GetDlgItemInt reads an unsigned field:
// optional blanks, then digits and nothing else; false for anything else and
// for a number beyond 32 bits.
bool FieldNumber(std::u16string_view text, uint32_t& value);

}  // namespace quellora
