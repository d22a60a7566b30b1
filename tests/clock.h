// A clock on the in-memory runtime, and small readers of what it drew.
#pragma once

#include <algorithm>
#include <ostream>

#include <gtest/gtest.h>

#include "conversions.h"
#include "form1.h"
#include "test_runtime.h"

namespace torven {
inline void PrintTo(const Point& p, std::ostream* os) {
    *os << "(" << p.x << ", " << p.y << ")";
}
}  // namespace torven

namespace Module1 {
inline void PrintTo(const RECT& r, std::ostream* os) {
    *os << "{" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << "}";
}
}  // namespace Module1

namespace torven::testing {

inline constexpr Color kWhite = 0x00FFFFFF;
inline constexpr Color kBlack = 0x00000000;
inline constexpr Color kBlue = 0x00FF0000;
inline constexpr Color kRed = 0x000000FF;
inline constexpr Color kGrey = 0x00808080;
inline constexpr Color kNavy = 0x00800000;
inline constexpr Color kCyan = 0x00FFFF00;
inline constexpr Color kMaroon = 0x00000080;

// Twips per pixel 0 keeps geometry exactly as assigned; 15 is a 96-DPI screen.
inline constexpr double kExact = 0;

struct Clock {
    explicit Clock(double twipsPerPixel = kExact) : rt(twipsPerPixel), form(rt) { rt.Attach(form); }

    void At(int hour, int minute, int second) { rt.now = {2026, 12, 6, hour, minute, second}; }
    void Start() { form.Load(); }
    // Ticks as the timer would: `ticks` times in each of `seconds` seconds from now.
    void Run(int seconds, int ticks = 10) {
        for (int s = 0; s < seconds; ++s) {
            if (s > 0) Advance();
            for (int t = 0; t < ticks; ++t)
                form.Timer();
        }
    }
    void Advance() {
        DateTime& n = rt.now;
        if (++n.second == 60) {
            n.second = 0;
            if (++n.minute == 60) {
                n.minute = 0;
                n.hour = (n.hour + 1) % 24;
            }
        }
    }
    const FormVariables& v() const { return form.Variables(); }

    TestRuntime rt;
    Form1 form;
};

// White face, blue frame, black hands and readout; readout and always-in-front on,
// colours by hour off: the defaults and the reset.
inline void ExpectDefaultLook(const Clock& c) {
    EXPECT_EQ(c.v().bgColor, kWhite);
    EXPECT_EQ(c.v().frameColor, kBlue);
    EXPECT_EQ(c.v().handColor, kBlack);
    EXPECT_EQ(c.form.Label1().ForeColor, kBlack);
    EXPECT_TRUE(c.form.Checked("anadigi"));
    EXPECT_TRUE(c.form.Checked("mnuTopmost"));
    EXPECT_FALSE(c.form.Checked("henka"));
}

inline std::vector<DrawCall> Lines(const std::vector<DrawCall>& draws) {
    return OfKind(draws, DrawCall::kLine);
}

// Lines drawn with a pen width and colour, in order.
inline std::vector<DrawCall> LinesWith(const std::vector<DrawCall>& draws, int width, Color color) {
    std::vector<DrawCall> out;
    for (const DrawCall& call : Lines(draws)) {
        if (call.width == width && call.color == color) out.push_back(call);
    }
    return out;
}

}  // namespace torven::testing
