// The list view of power plan events: the events page's and the classic
// dialog's plan change history share its five columns and its filling.
#pragma once

#include "platform/win32/wide.h"
//
#include <vector>

#include "ui/events_page.h"

namespace quellora::win32 {

// Full-row selection and the five columns, sized for the window's dpi.
void SetUpEventColumns(HWND list);
// The rows replace what the list showed.
void FillEventList(HWND list, const std::vector<EventRow>& rows);

}  // namespace quellora::win32
