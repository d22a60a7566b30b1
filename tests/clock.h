// A clock on the in-memory runtime, and readers of what it drew.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "conversions.h"
#include "form1.h"
#include "test_runtime.h"

namespace torven::testing {

inline constexpr Color kWhite = 0xFFFFFF, kBlack = 0, kBlue = 0xFF0000, kRed = 0x0000FF,
                       kGrey = 0x808080, kNavy = 0x800000, kCyan = 0xFFFF00, kMaroon = 0x000080;
inline constexpr double kExact = 0;  // twips per pixel: sizes exactly as assigned
inline constexpr double kPI = 3.1415926535898;

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
        if (++n.second == 60) n.second = 0, ++n.minute;
        if (n.minute == 60) n.minute = 0, n.hour = (n.hour + 1) % 24;
    }
    const FormVariables& v() const { return form.Variables(); }
    std::size_t Count(std::string_view prefix) const { return rt.Find(prefix).size(); }
    std::string Last(std::string_view prefix) const {
        const auto found = rt.Find(prefix);
        return found.empty() ? "" : found.back();
    }

    TestRuntime rt;
    Form1 form;
};

// What the face shows: each shape drawn since the last fill, with the colour it was
// last drawn in, leaving out those drawn over in the background colour.
inline std::map<std::string, std::string> Shown(const std::vector<std::string>& log) {
    std::map<std::string, std::string> shapes;  // shape without its colour -> colour
    std::string background;
    for (const std::string& entry : log) {
        const auto word = entry.find(' '), colour = entry.find(' ', word + 1);
        if (entry.starts_with("fill")) shapes.clear(), background = entry.substr(word + 1);
        if (!entry.starts_with("line") && !entry.starts_with("box") && !entry.starts_with("circle") &&
            !entry.starts_with("arc"))
            continue;
        const auto next = entry.find(' ', colour + 1);
        shapes[entry.substr(0, colour) + entry.substr(next)] =
            entry.substr(colour + 1, next - colour - 1);
    }
    std::erase_if(shapes, [&](const auto& shape) { return shape.second == background; });
    return shapes;
}

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

}  // namespace torven::testing
