// The window's painting: the form's image copied into a DIB section the size of the client
// area, the readout labels drawn over it in a font fitted at the window's DPI.
#include "win32_window.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "readout.h"

namespace torven {
namespace {

// GDI reads a COLORREF's top byte as a palette flag; a stored colour may have one set.
COLORREF ToColorRef(Color color) {
    return static_cast<COLORREF>(color) & 0x00FFFFFF;
}

}  // namespace

using win32::Widen;

void Win32Runtime::State::UpdateDpi(UINT newDpi) {
    dpi = newDpi != 0 ? newDpi : USER_DEFAULT_SCREEN_DPI;
    scale = TwipsScale::ForDpi(dpi);
    if (compose) SelectObject(compose, GetStockObject(DEFAULT_GUI_FONT));  // to delete it
    if (font) DeleteObject(font);
    font = nullptr;
    ReadoutFont();  // for this DPI
}

HFONT Win32Runtime::State::ReadoutFont() {
    if (font || !form) return font;
    // The default GUI font's face, fitted to the labels at this DPI (readout.h), without
    // anti-aliasing, so the digits are solid ForeColor.
    LOGFONTW lf{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfQuality = NONANTIALIASED_QUALITY;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ initial = GetCurrentObject(dc, OBJ_FONT);
    const auto make = [&](int pixels) {
        lf.lfHeight = -pixels;
        return CreateFontIndirectW(&lf);
    };
    int measured = 0;  // the size of the font selected into dc
    const int pixels = ReadoutPixelSize(form->Labels(), scale, [&](int size, auto text) {
        if (size != measured) {
            HGDIOBJ last = SelectObject(dc, make(size));
            if (measured) DeleteObject(last);
            measured = size;
        }
        SIZE extent{};
        GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.data()),
                              static_cast<int>(text.size()), &extent);
        return TextExtent{extent.cx, extent.cy};
    });
    if (measured) DeleteObject(SelectObject(dc, initial));
    DeleteDC(dc);
    return font = make(pixels);
}

void Win32Runtime::State::CreateSurface(SIZE size) {
    const bool said = !compose && client.cx > 0;  // at the last size, which had none either
    ReleaseSurface();
    client = size;
    // Top-down rows of 32-bit pixels, as the image holds them.
    BITMAPINFO bmi{};
    BITMAPINFOHEADER& header = bmi.bmiHeader;
    header.biSize = sizeof header, header.biPlanes = 1, header.biBitCount = 32;
    header.biWidth = std::max<LONG>(size.cx, 1), header.biHeight = -std::max<LONG>(size.cy, 1);
    void* bits = nullptr;
    composeBitmap = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!composeBitmap) {
        if (!said)
            runtime->Warn("TORVEN: no memory for a bitmap of " + std::to_string(size.cx) + " x " +
                          std::to_string(size.cy) + " pixels; the face stays blank");
        return;
    }
    composeBits = static_cast<std::uint32_t*>(bits);
    compose = CreateCompatibleDC(nullptr);
    composeInitialBitmap = SelectObject(compose, composeBitmap);
    SetBkMode(compose, TRANSPARENT);
}

void Win32Runtime::State::ReleaseSurface() {
    if (!compose) return;
    SelectObject(compose, composeInitialBitmap);
    DeleteObject(composeBitmap);
    DeleteDC(compose);
    compose = nullptr;
    composeBitmap = nullptr;
    composeBits = nullptr;
}

void Win32Runtime::State::ClientSizeChanged() {
    RECT r{};
    GetClientRect(hwnd, &r);
    SIZE size{r.right, r.bottom};
    // A size whose bitmap was refused is not tried again, nor Resize raised, until it changes.
    if (size.cx == client.cx && size.cy == client.cy) return;
    CreateSurface(size);
    if (form) form->Resize();
}

void Win32Runtime::State::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r{};
    const RECT all{0, 0, client.cx, client.cy};
    if (compose && form && IntersectRect(&r, &ps.rcPaint, &all)) {
        const Image& face = form->Face();
        GdiFlush();  // before the bitmap's pixels are written directly
        if (face.Blank() || face.Width() != client.cx || face.Height() != client.cy) {
            HBRUSH none = CreateSolidBrush(ToColorRef(kNoFace));
            FillRect(compose, &r, none);
            DeleteObject(none);
        } else {
            for (int y = r.top; y < r.bottom; ++y)
                std::memcpy(composeBits + y * client.cx + r.left,
                            face.Pixels() + y * client.cx + r.left, (r.right - r.left) * 4);
        }
        // The font stays selected: under Wine, selecting the DC's first font back makes
        // the X driver read the X resources again.
        HFONT readout = ReadoutFont();
        SelectObject(compose, readout ? readout : GetStockObject(DEFAULT_GUI_FONT));
        for (const Label& label : form->Labels()) {
            const PixelRect p = face.ToPixels(label.Left, label.Top, label.Width, label.Height);
            RECT box{p.left, p.top, p.right, p.bottom}, painted{};
            if (!label.Visible || label.Caption.empty() || !IntersectRect(&painted, &box, &r))
                continue;
            std::wstring text = Widen(label.Caption);
            SetTextColor(compose, ToColorRef(label.ForeColor));
            DrawTextW(compose, text.c_str(), static_cast<int>(text.size()), &box,
                      DT_SINGLELINE | DT_LEFT | DT_TOP | DT_NOPREFIX);
        }
        BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, compose, r.left, r.top,
               SRCCOPY);
    }
    EndPaint(hwnd, &ps);
}

DeviceArea Win32Runtime::ClientArea() const {
    return {s_->client.cx, s_->client.cy, static_cast<double>(s_->dpi)};
}

void Win32Runtime::ShowImage(std::span<const PixelRect> changed) {
    // One invalidation for all of it: under Wine each is a round trip to the server.
    RECT all{};
    for (const PixelRect& p : changed) {
        const RECT r{p.left, p.top, p.right, p.bottom};
        UnionRect(&all, &all, &r);
    }
    if (s_->hwnd) InvalidateRect(s_->hwnd, &all, FALSE);
}

}  // namespace torven
