// The window's layout and menu, and the commands behind the menu entries: colours,
// sizes, reset, the readout switch and About.
#include "conversions.h"
#include "form1.h"

namespace torven {

// The popup menu, in the order it shows; the first three carry the on/off switches.
const std::array<Form1::MenuDesign, 16> Form1::kMenuDesign{{
    {"mnuTopmost", "常に手前に表示", false, &Form1::mnuTopmost_Click},
    {"anadigi", "アナデジ時計(&A)", true, &Form1::anadigi_Click},
    {"henka", "色変化(&H)", false, &Form1::henka_Click},
    {"D1", "-", false, nullptr},
    {"ookiku2", "大きく(&B)", false, &Form1::ookiku2_Click},
    {"ookiku", "少し大きく(&L)", false, &Form1::ookiku_Click},
    {"tiisaku", "少し小さく(&S)", false, &Form1::tiisaku_Click},
    {"tiisaku2", "小さく(&M)", false, &Form1::tiisaku2_Click},
    {"D2", "-", false, nullptr},
    {"iro", "背景色を設定(&C)", false, &Form1::iro_Click},
    {"iro2", "枠の色を設定(&F)", false, &Form1::iro2_Click},
    {"iro3", "針の色を設定(&P)", false, &Form1::iro3_Click},
    {"D3", "-", false, nullptr},
    {"moto", "設定を初期化(&N)", false, &Form1::moto_Click},
    {"ver", "TORVENについて(&V)", false, &Form1::ver_Click},
    {"mnuExit", "終了(&X)", false, &Form1::mnuExit_Click},
}};

Form1::Form1(FormsRuntime& runtime) : rt_(runtime) {
    // Design-time places of the readout; the face drawing moves them to the centre.
    labels_[kLabel2].Left = 360;
    labels_[kLabel2].Top = 780;
    labels_[kLabel2].Width = 800;
    labels_[kLabel2].Height = 195;
    labels_[kLabel1].Left = 360;
    labels_[kLabel1].Top = 960;
    labels_[kLabel1].Width = 675;
    labels_[kLabel1].Height = 195;
    for (std::size_t i = 0; i < menu_.size(); ++i) {
        menu_[i] = MenuItem{kMenuDesign[i].name, kMenuDesign[i].caption, kMenuDesign[i].checked};
    }
}

void Form1::Click(int index) {
    if (index < 0 || index >= static_cast<int>(kMenuDesign.size())) return;
    if (const Command click = kMenuDesign[index].click) (this->*click)();
}

// Drawing and label properties. The form draws on its own image and keeps the labels'
// plain values; the host shows what changed.

void Form1::Cls() {
    face_.Fill(backColor_);
}

void Form1::SetBackColor(Color color) {
    if (color == backColor_) return;  // the same colour keeps the drawing
    backColor_ = color;
    face_.Fill(color);
}

void Form1::Line(Point from, Point to, Color color) {
    face_.Line(from, to, color, drawWidth_);
}

void Form1::LineBox(Point a, Point b, Color color) {
    face_.Box(a, b, color, drawWidth_);
}

// Tiny windows give a ring of no size; nothing is drawn then.
void Form1::Circle(std::int32_t x, std::int32_t y, std::int32_t r, Color color) {
    if (r > 0) face_.Circle({x, y}, r, color, drawWidth_, std::nullopt);
}

void Form1::Arc(std::int32_t x, std::int32_t y, std::int32_t r, Color color, float start,
                float end) {
    if (r > 0) face_.Circle({x, y}, r, color, drawWidth_, ArcSpan{start, end});
}

void Form1::LabelChanged(int index) {
    const Label& label = labels_[index];
    face_.Changed(face_.ToPixels(label.Left, label.Top, label.Width, label.Height));
}

void Form1::SetLabelPosition(int index, float left, float top) {
    Label& label = labels_[index];
    if (label.Left == left && label.Top == top) return;
    LabelChanged(index);  // where it was
    label.Left = left;
    label.Top = top;
    LabelChanged(index);
}

void Form1::SetLabelCaption(int index, std::string_view caption) {
    Label& label = labels_[index];
    if (label.Caption == caption) return;
    label.Caption = caption;
    LabelChanged(index);
}

void Form1::SetLabelForeColor(int index, Color color) {
    Label& label = labels_[index];
    if (label.ForeColor == color) return;
    label.ForeColor = color;
    LabelChanged(index);
}

void Form1::SetLabelVisible(int index, bool visible) {
    Label& label = labels_[index];
    if (label.Visible == visible) return;
    label.Visible = visible;
    LabelChanged(index);
}

// Colour commands.

void Form1::MOJISYOKU() {
    SetLabelForeColor(kLabel1, handColor);
    SetLabelForeColor(kLabel2, handColor);
}

// Shows the colour picker; on Cancel the command ends with nothing changed.
bool Form1::PickColor(Color& into) {
    CommonDialog1.CancelError = true;
    const std::optional<Color> picked = rt_.ShowColor();
    if (!picked && CommonDialog1.CancelError) return false;
    if (picked) CommonDialog1.Color = *picked;
    into = CommonDialog1.Color;
    return true;
}

void Form1::iro_Click() {
    if (!PickColor(bgColor)) return;
    SetBackColor(bgColor);
    MOJISYOKU();
    Form_Resize();
}

void Form1::iro2_Click() {
    if (!PickColor(frameColor)) return;
    Form_Resize();
}

void Form1::iro3_Click() {
    if (!PickColor(handColor)) return;
    MOJISYOKU();
    Form_Resize();
}

// Size commands: the width is scaled, the height follows it, the top-left corner
// stays, and the size change itself redraws the face.

void Form1::ResizeBy(bool grow, double factor) {
    constexpr float kLargestToGrow = 40000;  // twips
    constexpr float kSmallestToShrink = 800;
    if (grow ? rt_.Width() > kLargestToGrow : rt_.Width() < kSmallestToShrink) return;
    const auto scaled = [&] {
        return static_cast<float>(grow ? rt_.Width() * factor : rt_.Width() / factor);
    };
    rt_.SetHeight(scaled());
    rt_.SetWidth(scaled());
    placed_.width = rt_.Width();
}

void Form1::ookiku2_Click() {
    ResizeBy(true, 2);
}
void Form1::ookiku_Click() {
    ResizeBy(true, 1.2);
}
void Form1::tiisaku_Click() {
    ResizeBy(false, 1.2);
}
void Form1::tiisaku2_Click() {
    ResizeBy(false, 2);
}

// Every setting back to its default; the always-in-front check mark too, though the
// z-order itself changes only at the next start.
void Form1::moto_Click() {
    ApplyDefaults({"Color1", "Color2", "Color3"});
    MOJISYOKU();
    ApplyDefaults({"Size"});
    placed_.width = rt_.Width();  // the place is saved where the window goes (Moved)
    ApplyDefaults({"Top", "Left", "Anadigi", "Temae", "Henka"});
    Form_Resize();
}

// The readout follows the check mark at the next second.
void Form1::anadigi_Click() {
    anadigi().Checked = !anadigi().Checked;
}

void Form1::ver_Click() {
    const std::string prompt =
        "Copyright (C) 2026 The TORVEN developers\r\n"
        "TORVEN Ver" TORVEN_VERSION;
    rt_.MsgBox(prompt, kAppName);
}

}  // namespace torven
