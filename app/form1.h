// Form1: the clock window. All of the clock's state and behaviour lives here; the
// host (FormsRuntime) only carries out effects and raises events.
//
// The folder, by what each file does:
//   form1_face.cpp      the tick, the face drawing and window shape, the hands and
//                       the readout, colours by hour
//   form1_window.cpp    start-up, shut-down, the mouse and the popup menu, always in
//                       front
//   form1_settings.cpp  the nine settings: keys, defaults, ranges, reading and writing
//   form1_commands.cpp  the layout and the menu table, the drawing and label
//                       properties, the colour, size, reset, readout and About commands
//   geometry.*          the face's numbers: centre, radius, readout places, marks, hands
//   image.*             the face's image, drawn in twips, and what changed in it
//   raster.*            the pixels of lines, boxes, arcs, rings and the window's shape
//   readout.*           the readout's font size, fitted with the desktop's measure
//   conversions.*       rounding, the settings' text forms, Format and Mid
//   forms_runtime.h     what the form asks of its host and what the host raises
//   twips.h             twips and pixels
//   winapi/module1.h    the five window services
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "forms_runtime.h"
#include "geometry.h"
#include "module1.h"

namespace torven {

// The form-level variables, under the names the rest of the code uses. Positions
// are twips; dial positions are minute marks (a sixtieth of the dial, 0 at twelve,
// growing clockwise). Integer fields are 32-bit so that very large windows cannot
// overflow; every value a 16-bit field could hold is computed exactly the same.
struct FormVariables {
    std::int32_t centerX = 0;  // face centre, client coordinates
    std::int32_t centerY = 0;
    std::int32_t radius = 0;  // hour marks stand on it; hand lengths are fractions of it
    double PI = 0;            // 3.1415926535898, set at start-up
    float minutePos = 0;      // minute + second / 60
    float hourPos = 0;        // hour * 5 + minute / 12; 0 to just under 120
    std::int32_t secondPos = 0;
    float prevMinutePos = 0;  // where the hands were last drawn (erased next)
    float prevHourPos = 0;
    std::int32_t prevSecondPos = 0;
    Module1::RECT windowRect;  // pixels; scratch for the window services
    std::int32_t dragX = 0;    // pointer at the left press that starts a drag
    std::int32_t dragY = 0;
    Color bgColor = 0;
    Color frameColor = 0;
    Color handColor = 0;
    float markIndex = 0;  // loop counter of the mark loops
    std::int32_t markHalfSize = 0;
};

// The colour picker, with the two members the colour commands use.
struct CommonDialog {
    bool CancelError = false;
    torven::Color Color = 0;
};

namespace testing {
struct Form1Access;  // the tests' way in (tests/access.h)
}

class Form1 final : public FormEvents, private FormVariables {
  public:
    static constexpr std::string_view kAppName = "TORVEN";
    static constexpr std::string_view kSection = "Startup";

    explicit Form1(FormsRuntime& runtime);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Events raised by the host. Each ends by asking the host to show what it drew.
    void Load() override;
    void Resize() override;
    void Unload() override;
    void SessionMayEnd() override {
        if (loaded_) SaveSettings();
    }
    void MouseDown(int button, int shift, float x, float y) override;
    void MouseMove(int buttons, int shift, float x, float y) override;
    void MouseUp(int button, int shift, float x, float y) override;
    void Moved(float left, float top) override;
    void Timer() override;
    const Image& Face() const override { return face_; }
    std::span<const Label> Labels() const override { return labels_; }

  private:
    friend struct testing::Form1Access;

    // Event procedures.
    void Form_Load();
    void Form_Resize();
    void Form_Unload(int& Cancel);
    void Form_MouseDown(int Button, int Shift, float X, float Y);
    void Form_MouseMove(int Button, int Shift, float X, float Y);
    void Label1_MouseDown(int Button, int Shift, float X, float Y);
    void Label2_MouseDown(int Button, int Shift, float X, float Y);
    void Timer1_Timer();

    // Menu commands.
    void mnuTopmost_Click();
    void anadigi_Click();
    void henka_Click();
    void ookiku2_Click();
    void ookiku_Click();
    void tiisaku_Click();
    void tiisaku2_Click();
    void iro_Click();
    void iro2_Click();
    void iro3_Click();
    void moto_Click();
    void ver_Click();
    void mnuExit_Click();

    // Runs the click procedure of menu entry `index` (as a pick in the popup does).
    void Click(int index);

    using Command = void (Form1::*)();
    struct MenuDesign {
        std::string_view name;
        std::string_view caption;
        bool checked;
        Command click;  // nullptr for separators
    };
    static const std::array<MenuDesign, 16> kMenuDesign;
    static constexpr int kLabel2 = 0;  // creation order: Label2 before Label1,
    static constexpr int kLabel1 = 1;  // so Label1 paints (and is hit) on top

    void DRAWHANDS();
    void TIMECOLORS();
    void MOJISYOKU();

    // The image covers the client area as it is now; the host shows what changed.
    void SyncImage();
    void ShowChanges();

    // Form properties.
    void Cls();
    void SetBackColor(Color color);
    void SetDrawWidth(int width) { drawWidth_ = width; }
    void Line(Point from, Point to, Color color);
    void LineBox(Point a, Point b, Color color);
    void Circle(std::int32_t x, std::int32_t y, std::int32_t r, Color color);
    void Arc(std::int32_t x, std::int32_t y, std::int32_t r, Color color, float start, float end);
    Dial dial() const { return {centerX, centerY, radius, PI}; }
    void DrawHand(float position, double lengthFactor, int width, Color color);
    void PopupMenu();

    // Label properties: each assignment that changes something shows the label again.
    void LabelChanged(int index);
    void SetLabelPosition(int index, float left, float top);
    void SetLabelCaption(int index, std::string_view caption);
    void SetLabelForeColor(int index, Color color);
    void SetLabelVisible(int index, bool visible);

    MenuItem& mnuTopmost() { return menu_[0]; }
    MenuItem& anadigi() { return menu_[1]; }
    MenuItem& henka() { return menu_[2]; }

    struct Setting;
    static std::span<const Setting> Settings();

    void ResizeBy(bool grow, double factor);
    bool PickColor(Color& into);
    void ReadSettings();
    // Writes the nine settings in one change; false, after a warning per value, when
    // the store refused them.
    bool SaveSettings();
    void ApplyDefaults(std::initializer_list<std::string_view> keys);
    void BringOnScreen();
    // Records the place and size the window took from the form as it starts, which are
    // what is saved until the window system reports it elsewhere (Moved).
    void Placed() { placed_ = {rt_.Left(), rt_.Top(), rt_.Width()}; }

    // The mouse routing of the forms runtime: a press goes to the visible label under
    // the pointer (Label1 first) or to the form, and the object pressed keeps the
    // mouse until every button is up.
    enum class Target { kForm, kLabel1, kLabel2 };
    Target HitTest(float x, float y) const;

    FormsRuntime& rt_;
    Image face_;
    // Left, Top and the width as the form last placed the window, or, once it shows, the
    // place the window system reports. A window manager's placement, a tiling layout and a
    // move the compositor refused are not the user's, and are not saved.
    struct {
        float left = 0, top = 0, width = 0;
    } placed_;
    std::array<Label, 2> labels_;
    std::array<MenuItem, 16> menu_;
    CommonDialog CommonDialog1;
    Color backColor_ = 0x00F0F0F0;
    int drawWidth_ = 1;
    bool loaded_ = false;
    bool shown_ = false;  // start-up has shown the window
    bool saved_ = true;   // the last save of the settings succeeded
    int buttonsHeld_ = 0;
    Target captured_ = Target::kForm;
};

}  // namespace torven
