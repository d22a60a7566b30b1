// The clock face: the tick, the face drawing and window shape, the hands and the
// readout, and the colours by hour.
#include <cmath>

#include "conversions.h"
#include "form1.h"

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
    Cls();

    centerX = CInt(rt_.Width() / 2.0f - 30.0f);
    centerY = CInt(rt_.Height() / 2.0f - 20.0f);
    radius = (centerX < centerY ? centerX : centerY) - 150;

    SetLabelPosition(kLabel1, static_cast<float>(centerX - 300),
                     static_cast<float>(centerY * 1.25));
    SetLabelPosition(kLabel2, static_cast<float>(centerX - 350),
                     static_cast<float>(centerY * 1.25 - 160));

    DRAWHANDS();

    // 48 minute marks from 0.98 to 1.01 of the radius; the hour marks fill the gaps.
    SetDrawWidth(1);
    for (markIndex = 0; markIndex <= 59; markIndex += 1) {
        if (std::fmod(markIndex, 5.0f) == 0) continue;
        const double theta = (15.0f - markIndex) * (PI / 30.0);
        const double c = std::cos(theta);
        const double s = std::sin(theta);
        Line(CInt(centerX + (radius * 0.98) * c), CInt(centerY + (radius * 0.98) * s),
             CInt(centerX + (radius * 1.01) * c), CInt(centerY + (radius * 1.01) * s), handColor);
    }

    // The frame ring stands on the window's edge, with a white highlight at the upper left.
    SetDrawWidth(9);
    Circle(centerX, centerY, centerX, frameColor);
    SetDrawWidth(1);
    if (centerX != 0) Arc(centerX, centerY, centerX - 10, kWhite, 1.8f, 2.4f, 1.0f);

    // Cut the window to the ellipse in the client area moved one pixel right and down.
    Module1::GetClientRect(rt_.hWnd(), windowRect);
    windowRect.Top += 1;
    windowRect.Left += 1;
    windowRect.Right += 1;
    windowRect.Bottom += 2;
    Module1::SetWindowRgn(rt_.hWnd(), Module1::CreateEllipticRgnIndirect(windowRect), true);
}

void Form1::DrawHand(float position, double lengthFactor, int width, Color color) {
    const double theta = (position + 45.0f) * (PI / 30.0);
    SetDrawWidth(width);
    Line(centerX, centerY, CInt(centerX + (radius * lengthFactor) * std::cos(theta)),
         CInt(centerY + (radius * lengthFactor) * std::sin(theta)), color);
}

void Form1::DRAWHANDS() {
    SetBackColor(bgColor);
    SetDrawWidth(1);

    for (markIndex = 0; markIndex <= 55; markIndex += 5) {
        const double a = (15.0f - markIndex) * (PI / 30.0);
        const double c = std::cos(a);
        const double s = std::sin(a);
        LineBox(CInt(centerX + radius * c - markHalfSize),
                CInt(centerY + radius * s - markHalfSize),
                CInt(centerX + radius * c + markHalfSize),
                CInt(centerY + radius * s + markHalfSize), handColor);
    }

    // Erase every hand that moved by drawing it again in the background colour; all
    // erasing comes before all drawing, so no erase can cut into a current hand.
    if (hourPos != prevHourPos) {
        DrawHand(prevHourPos, kHourLength, kHourPen, bgColor);
        prevHourPos = hourPos;
    }
    // The minute test compares different lengths on purpose: it passes on nearly every
    // call and skips only a second or two near 12 and 6, where the next erase catches up.
    const auto minuteTest = [this](float position, double factor) {
        return CInt((radius * factor) * std::cos((position + 45.0f) * (PI / 30.0)));
    };
    if (minuteTest(prevMinutePos, 0.8) != minuteTest(minutePos, 0.3)) {
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
