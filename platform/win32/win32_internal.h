// Pieces of the Windows host that its tests reach directly. Includes <windows.h>:
// only the backend's own files and tests include this header.
#pragma once

// Before <windows.h>: its RGB macro would otherwise rewrite the clock's own RGB.
#include "twips.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <span>
#include <string>
#include <string_view>

#include "forms_runtime.h"

namespace torven::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The popup menu for the entries: item i has command id i + 1; "-" is a separator.
// The caller destroys it.
HMENU BuildPopupMenu(std::span<const MenuItem> items);

}  // namespace torven::win32
