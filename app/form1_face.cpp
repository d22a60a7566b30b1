// The clock face: the tick, the face drawing and window shape, the hands and the
// readout, and the colours by hour.
#include <cmath>

#include "conversions.h"
#include "form1.h"
#include "geometry.h"

namespace torven {

namespace {

constexpr Color kWhite = RGB(255, 255, 255);
constexpr Color kBlack = RGB(0, 0, 0);
constexpr Color kBlue = RGB(0, 0, 255);
constexpr Color kRed = RGB(255, 0, 0);
constexpr Color kGrey = RGB(128, 128, 128);
constexpr Color kNavy = RGB(0, 0, 128);
constexpr Color kCyan = RGB(0, 255, 255);
constexpr Color kMaroon = RGB(128, 0, 0);

struct HourColors {
    std::string_view hour;  // as "hh" formats it
    Color background;
    Color frame;
    Color hands;
};

// Bright by day, dark at night.
constexpr HourColors kHourColors[] = {
    {"10", kWhite, kBlue, kBlack}, {"11", kWhite, kBlue, kBlack}, {"12", kWhite, kBlue, kBlack},
    {"13", kWhite, kBlue, kBlack}, {"14", kWhite, kBlue, kBlack}, {"15", kWhite, kBlue, kBlack},
    {"16", kWhite, kBlue, kBlack}, {"17", kWhite, kRed, kBlack},  {"18", kWhite, kRed, kBlack},
    {"19", kCyan, kNavy, kMaroon}, {"20", kCyan, kNavy, kMaroon}, {"21", kCyan, kNavy, kMaroon},
    {"22", kBlack, kBlue, kWhite}, {"23", kBlack, kBlue, kWhite}, {"00", kBlack, kBlue, kWhite},
    {"01", kBlack, kGrey, kWhite}, {"02", kBlack, kGrey, kWhite}, {"03", kBlack, kGrey, kWhite},
    {"04", kBlack, kGrey, kWhite}, {"05", kNavy, kBlue, kWhite},  {"06", kNavy, kBlue, kWhite},
    {"07", kCyan, kBlue, kBlack},  {"08", kCyan, kBlue, kBlack},  {"09", kCyan, kBlue, kBlack},
};

// Hand lengths as fractions of the radius, and pen widths in pixels.
constexpr double kHourLength = 0.5;
constexpr double kMinuteLength = 0.75;
constexpr double kSecondLength = 0.8;
constexpr int kHourPen = 5;
constexpr int kMinutePen = 2;
constexpr int kSecondPen = 1;

}  // namespace

void Form1::Timer1_Timer() {
    markHalfSize = 40;

    // Each field comes from a reading of its own; when the second changes between
    // two readings, the next second's drawing puts the hands right.
    const float hour = ParseSingle(Mid(Format(rt_.Now(), "hh:mm:ss"), 1, 2)).value_or(0);
    float minute = ParseSingle(Mid(Format(rt_.Now(), "hh:mm:ss"), 4, 2)).value_or(0);
    const float minuteTwelfths = minute / 12.0f;
    hourPos = hour * 5.0f + minuteTwelfths;

    minute = ParseSingle(Mid(Format(rt_.Now(), "hh:mm:ss"), 4, 2)).value_or(0);
    float second = ParseSingle(Mid(Format(rt_.Now(), "hh:mm:ss"), 7, 2)).value_or(0);
    minutePos = static_cast<float>(static_cast<double>(second) / 60.0 + minute);

    second = ParseSingle(Mid(Format(rt_.Now(), "hh:mm:ss"), 7, 2)).value_or(0);
    secondPos = CInt(second);

    if (secondPos == prevSecondPos) return;  // this second is already on the face

    if (henka().Checked && hourPos != prevHourPos) {
        TIMECOLORS();
        Form_Resize();
    } else {
        DRAWHANDS();
    }
}

void Form1::Form_Resize() {
    SyncImage();
    Cls();

    const Dial face = FaceDial(rt_.Width(), rt_.Height(), PI);
    centerX = face.centerX;
    centerY = face.centerY;
    radius = face.radius;

    const LabelPlace time = TimeLabelPlace(face);
    const LabelPlace date = DateLabelPlace(face);
    SetLabelPosition(kLabel1, time.left, time.top);
    SetLabelPosition(kLabel2, date.left, date.top);

    DRAWHANDS();

    // 48 minute marks; the hour marks fill the gaps.
    SetDrawWidth(1);
    for (markIndex = 0; markIndex <= 59; markIndex += 1) {
        if (std::fmod(markIndex, 5.0f) == 0) continue;
        const Stroke mark = dial().MinuteMark(markIndex);
        Line(mark[0], mark[1], handColor);
    }

    // The frame ring stands on the window's edge, with a white highlight at the upper left.
    SetDrawWidth(9);
    Circle(centerX, centerY, centerX, frameColor);
    SetDrawWidth(1);
    if (centerX != 0) Arc(centerX, centerY, centerX - 10, kWhite, 1.8f, 2.4f);

    // Cut the window to the ellipse in the client area moved one pixel right and down.
    Module1::GetClientRect(rt_.hWnd(), windowRect);
    // The image's pixels to each of the window's: one on Windows, two at a pixel ratio of 2.
    const double ratio = windowRect.Right > 0 ? double(face_.Width()) / windowRect.Right : 1;
    windowRect.Top += 1;
    windowRect.Left += 1;
    windowRect.Right += 1;
    windowRect.Bottom += 2;
    Module1::SetWindowRgn(rt_.hWnd(), Module1::CreateEllipticRgnIndirect(windowRect), true);
    // The image too: a desktop that shows the window's every pixel shows only the face.
    face_.Shape({windowRect.Left, windowRect.Top, windowRect.Right, windowRect.Bottom}, ratio);
}

void Form1::DrawHand(float position, double lengthFactor, int width, Color color) {
    SetDrawWidth(width);
    Line({centerX, centerY}, dial().HandEnd(position, lengthFactor), color);
}

void Form1::DRAWHANDS() {
    SetBackColor(bgColor);
    SetDrawWidth(1);

    for (markIndex = 0; markIndex <= 55; markIndex += 5) {
        const Stroke box = dial().HourMark(markIndex, markHalfSize);
        LineBox(box[0], box[1], handColor);
    }

    // Erase every hand that moved by drawing it again in the background colour; all
    // erasing comes before all drawing, so no erase can cut into a current hand.
    if (hourPos != prevHourPos) {
        DrawHand(prevHourPos, kHourLength, kHourPen, bgColor);
        prevHourPos = hourPos;
    }
    // The minute test compares different lengths on purpose: it passes on nearly every
    // call and skips only a second or two near 12 and 6, where the next erase catches up.
    if (dial().HandReach(prevMinutePos, 0.8) != dial().HandReach(minutePos, 0.3)) {
        DrawHand(prevMinutePos, kMinuteLength, kMinutePen, bgColor);
        prevMinutePos = minutePos;
    }
    if (secondPos != prevSecondPos) {
        DrawHand(static_cast<float>(prevSecondPos), kSecondLength, kSecondPen, bgColor);
        prevSecondPos = secondPos;
    }

    if (rt_.Width() < 1200.0f || !anadigi().Checked) {
        SetLabelVisible(kLabel1, false);
    } else {
        SetLabelVisible(kLabel1, true);
        SetLabelCaption(kLabel1, Format(rt_.Now(), "hh:mm:ss"));
    }
    if (rt_.Width() < 1700.0f || !anadigi().Checked) {
        SetLabelVisible(kLabel2, false);
    } else {
        SetLabelVisible(kLabel2, true);
        SetLabelCaption(kLabel2, Format(rt_.Now(), "yy/mm/dd"));
    }

    DrawHand(hourPos, kHourLength, kHourPen, handColor);
    DrawHand(minutePos, kMinuteLength, kMinutePen, handColor);
    DrawHand(static_cast<float>(secondPos), kSecondLength, kSecondPen, handColor);
}

void Form1::TIMECOLORS() {
    const std::string hour = Format(rt_.Now(), "hh");
    for (const HourColors& row : kHourColors) {
        if (row.hour == hour) {
            bgColor = row.background;
            frameColor = row.frame;
            handColor = row.hands;
            break;
        }
    }
    MOJISYOKU();
}

void Form1::henka_Click() {
    henka().Checked = !henka().Checked;
    if (henka().Checked) {
        TIMECOLORS();
        Form_Resize();
    }
}

}  // namespace torven
