#include "gui_objects.h"

#include <cstdint>

#include "win32_internal.h"
// After <windows.h>, which it needs.
#include <winternl.h>

namespace torven::bench {
namespace {

// Wine's GDI handle table entry (24 bytes on x86-64); a free entry has no object.
struct WineGdiEntry {
    std::uint64_t object;
    std::uint32_t owner;
    std::uint8_t type, extType;
    std::uint16_t generation;
    std::uint64_t user;
};
static_assert(sizeof(WineGdiEntry) == 24);
constexpr int kWineGdiHandles = 0x10000;
constexpr std::size_t kPebGdiSharedHandleTable = 0xF8;  // x86-64

const WineGdiEntry* WineGdiTable() {
    PROCESS_BASIC_INFORMATION info{};
    if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &info, sizeof info,
                                  nullptr) != 0)
        return nullptr;
    auto* peb = reinterpret_cast<const std::uint8_t*>(info.PebBaseAddress);
    return *reinterpret_cast<const WineGdiEntry* const*>(peb + kPebGdiSharedHandleTable);
}

}  // namespace

int GdiObjects() {
    if (DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return static_cast<int>(n);
    const WineGdiEntry* table = WineGdiTable();
    int live = 0;
    for (int i = 0; table && i < kWineGdiHandles; ++i)
        live += table[i].object != 0;
    return live;
}

int UserObjects() {
    if (DWORD n = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)) return static_cast<int>(n);
    // Wine's user handles are 0x20 + 2 * index; a handle without its generation
    // matches whatever generation the slot has now.
    int live = 0;
    for (UINT_PTR slot = 0; slot < 4096; ++slot) {
        auto handle = reinterpret_cast<HANDLE>(0x20 + 2 * slot);
        live += IsMenu(static_cast<HMENU>(handle)) || IsWindow(static_cast<HWND>(handle));
    }
    return live;
}

}  // namespace torven::bench
