// The controls of a page or dialog as its presenter sees them, by the
// identifiers that are the contract with the language module's templates:
// texts, check marks, visibility, the enabled state and drop-down lists. The Win32 pages answer
// it from their windows; the tests answer it from a table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quellora {

class ControlSurface {
public:
    virtual ~ControlSurface() = default;

    // The control exists.
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

// The number a field holds, as GetDlgItemInt reads it: optional blanks, for
// a signed field an optional minus, then digits and nothing else; 0 for
// anything else (and for a number out of range).
uint32_t FieldUnsigned(std::u16string_view text, bool* isNumber = nullptr);
int32_t FieldSigned(std::u16string_view text, bool* isNumber = nullptr);

}  // namespace quellora
