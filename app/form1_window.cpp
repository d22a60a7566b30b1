// Window behaviour: start-up, shut-down, dragging and the popup menu, always in front.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "conversions.h"
#include "form1.h"

namespace torven {

void Form1::Load() {
    Form_Load();
    ShowChanges();
}

void Form1::Resize() {
    if (loaded_) Form_Resize();
    ShowChanges();
}

void Form1::Timer() {
    if (loaded_) Timer1_Timer();
    ShowChanges();
}

void Form1::SyncImage() {
    const DeviceArea area = rt_.ClientArea();
    if (area == DeviceArea{face_.Width(), face_.Height(), face_.Dpi()}) return;
    const bool lost = face_.Blank() && face_.Width() > 0;  // said already
    if (!face_.Resize(area.width, area.height, area.dpi) && !lost)
        rt_.Warn("TORVEN: no memory for an image of " + std::to_string(area.width) + " x " +
                 std::to_string(area.height) + " pixels; the face stays blank");
}

void Form1::ShowChanges() {
    const std::vector<PixelRect> changed = face_.TakeChanges();
    if (!changed.empty()) rt_.ShowImage(changed);
}

void Form1::Form_Load() {
    loaded_ = true;
    SyncImage();
    Timer1_Timer();  // samples the time: the first face drawing relies on the positions
    PI = 3.1415926535898;
    ReadSettings();
    MOJISYOKU();
    BringOnScreen();
    Placed();
    Form_Resize();
    // The command toggles first, so toggle once here to end on the stored state; it
    // also shows the window.
    mnuTopmost().Checked = !mnuTopmost().Checked;
    mnuTopmost_Click();
    shown_ = true;
}

// A window that no monitor would show any of is brought onto the nearest one: one
// beyond its right or bottom edge so that it touches that edge, one beyond its left or
// top edge to that edge. A window that is partly visible stays exactly where it was.
void Form1::BringOnScreen() {
    const float left = rt_.Left(), top = rt_.Top();
    const float right = left + rt_.Width(), bottom = top + rt_.Height();
    // How far the window lies outside the monitor on each axis (0: within its span).
    const auto apart = [&](const TwipsRect& m) {
        return std::pair(std::max({m.left - right, left - m.right, 0.0f}),
                         std::max({m.top - bottom, top - m.bottom, 0.0f}));
    };
    const std::vector<TwipsRect> monitors = rt_.Monitors();
    const TwipsRect* nearest = nullptr;
    double nearestDistance = 0;
    for (const TwipsRect& monitor : monitors) {
        // Touching a monitor's edge shows nothing of the window.
        if (left < monitor.right && right > monitor.left && top < monitor.bottom &&
            bottom > monitor.top)
            return;
        const auto [dx, dy] = apart(monitor);
        const double distance = double(dx) * dx + double(dy) * dy;
        if (!nearest || distance < nearestDistance) nearest = &monitor, nearestDistance = distance;
    }
    if (!nearest) return;
    const TwipsRect& m = *nearest;
    if (left >= m.right) {
        rt_.SetLeft(m.right - rt_.Width());
    } else if (right <= m.left) {
        rt_.SetLeft(m.left);
    }
    if (top >= m.bottom) {
        rt_.SetTop(m.bottom - rt_.Height());
    } else if (bottom <= m.top) {
        rt_.SetTop(m.top);
    }
}

void Form1::Unload() {
    if (!loaded_) return;
    loaded_ = false;
    int Cancel = 0;
    Form_Unload(Cancel);
    rt_.DestroyForm(saved_ ? 0 : 1);
}

void Form1::Form_Unload(int& /*Cancel*/) {
    SaveSettings();
}

void Form1::mnuExit_Click() {
    Unload();
}

void Form1::Form_MouseDown(int Button, int /*Shift*/, float X, float Y) {
    if (Button == kLeftButton) {
        dragX = CInt(X);
        dragY = CInt(Y);
    } else if (Button == kRightButton) {
        PopupMenu();
    }
}

// Moves the window by the pointer's offset from the press, so the point grabbed stays
// under the pointer: vertically first, then horizontally.
void Form1::Form_MouseMove(int Button, int /*Shift*/, float X, float Y) {
    if (Button != kLeftButton) return;
    rt_.SetTop(static_cast<float>(static_cast<double>(Y) + rt_.Top() - dragY));
    rt_.SetLeft(static_cast<float>(static_cast<double>(X) + rt_.Left() - dragX));
}

// A move that comes with a size the form did not give is a tiling layout's.
void Form1::Moved(float left, float top) {
    if (!loaded_ || !shown_ || rt_.Width() != placed_.width) return;
    placed_.left = left, placed_.top = top;
}

void Form1::Label1_MouseDown(int Button, int /*Shift*/, float /*X*/, float /*Y*/) {
    if (Button == kRightButton) PopupMenu();
}

void Form1::Label2_MouseDown(int Button, int /*Shift*/, float /*X*/, float /*Y*/) {
    if (Button == kRightButton) PopupMenu();
}

void Form1::PopupMenu() {
    const int chosen = rt_.PopupMenu(menu_);
    buttonsHeld_ = 0;  // the menu took the release
    if (loaded_) Click(chosen);
}

Form1::Target Form1::HitTest(float x, float y) const {
    const auto over = [x, y](const Label& label) {
        return label.Visible && x >= label.Left && x < label.Left + label.Width && y >= label.Top &&
               y < label.Top + label.Height;
    };
    if (over(labels_[kLabel1])) return Target::kLabel1;
    if (over(labels_[kLabel2])) return Target::kLabel2;
    return Target::kForm;
}

void Form1::MouseDown(int button, int shift, float x, float y) {
    if (!loaded_) return;
    if (buttonsHeld_ == 0) captured_ = HitTest(x, y);
    buttonsHeld_ |= button;
    switch (captured_) {
        case Target::kForm:
            Form_MouseDown(button, shift, x, y);
            break;
        case Target::kLabel1:
            Label1_MouseDown(button, shift, x - labels_[kLabel1].Left, y - labels_[kLabel1].Top);
            break;
        case Target::kLabel2:
            Label2_MouseDown(button, shift, x - labels_[kLabel2].Left, y - labels_[kLabel2].Top);
            break;
    }
    ShowChanges();  // what the menu's command drew
}

// Moves go to the object pressed while any button is held, so a drag that starts on
// a label never moves the window.
void Form1::MouseMove(int buttons, int shift, float x, float y) {
    if (!loaded_) return;
    buttonsHeld_ = buttons;
    const Target target = buttons != 0 ? captured_ : HitTest(x, y);
    if (target == Target::kForm) Form_MouseMove(buttons, shift, x, y);
}

void Form1::MouseUp(int button, int /*shift*/, float /*x*/, float /*y*/) {
    buttonsHeld_ &= ~button;
}

void Form1::mnuTopmost_Click() {
    Module1::GetWindowRect(rt_.hWnd(), windowRect);
    mnuTopmost().Checked = !mnuTopmost().Checked;
    const Module1::HWND insertAfter =
        mnuTopmost().Checked ? Module1::HWND_TOPMOST : Module1::HWND_NOTOPMOST;
    Module1::SetWindowPos(rt_.hWnd(), insertAfter, windowRect.Left, windowRect.Top,
                          windowRect.Right - windowRect.Left, windowRect.Bottom - windowRect.Top,
                          Module1::SWP_NOACTIVATE | Module1::SWP_SHOWWINDOW);
}

}  // namespace torven
