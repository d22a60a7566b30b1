// A clock on the in-memory runtime, and readers of what it shows.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "form1.h"
#include "test_runtime.h"

namespace torven::testing {

inline constexpr Color kWhite = 0xFFFFFF, kBlack = 0, kBlue = 0xFF0000, kRed = 0x0000FF,
                       kGrey = 0x808080, kNavy = 0x800000, kCyan = 0xFFFF00, kMaroon = 0x000080;
inline constexpr double kExact = 0;  // twips per pixel: sizes exactly as assigned
using Texts = std::vector<std::string>;

struct Clock {
    explicit Clock(double twipsPerPixel = kExact) : rt(twipsPerPixel), form(rt) { rt.Attach(form); }
    // Loaded from these settings at `now`, on a screen of `dpi`.
    Clock(const std::map<std::string, std::string>& settings, DateTime now,
          double twipsPerPixel = kExact, double dpi = 96)
        : Clock(twipsPerPixel) {
        rt.settings = settings, rt.now = now, rt.dpi = dpi, form.Load();
    }

    void At(int hour, int minute, int second) { rt.now = {2026, 12, 6, hour, minute, second}; }
    // Ticks as the timer would: ten times in each of `seconds` seconds from now.
    void Run(int seconds) {
        for (int s = 0; s < seconds; ++s) {
            if (s > 0 && ++rt.now.second == 60) {
                rt.now.second = 0;
                if (++rt.now.minute == 60) rt.now.minute = 0, rt.now.hour = (rt.now.hour + 1) % 24;
            }
            for (int t = 0; t < 10; ++t)
                form.Timer();
        }
    }
    const FormVariables& v() const { return form.Variables(); }
    int Count(std::string_view prefix) const { return int(rt.Find(prefix).size()); }
    std::string Last(std::string_view prefix) const {
        const Texts found = rt.Find(prefix);
        return found.empty() ? "" : found.back();
    }
    // The assignments to the window's rectangle, in order: "H 3200 W 3200".
    std::string Moves() const {
        std::string moves;
        for (const std::string& entry : rt.log)
            if (entry.size() > 1 && entry[1] == ' ' && std::strchr("LTWH", entry[0]))
                moves += (moves.empty() ? "" : " ") + entry;
        return moves;
    }
    // "120,120 1600x1600 white/blue/black text black" and the switches that are on.
    std::string State() const {
        const Label &time = form.Label1(), &date = form.Label2();
        std::string s = SingleText(rt.Left()) + "," + SingleText(rt.Top()) + " " +
                        SingleText(rt.Width()) + "x" + SingleText(rt.Height()) + " " +
                        ColorName(v().bgColor) + "/" + ColorName(v().frameColor) + "/" +
                        ColorName(v().handColor) + " text " + ColorName(time.ForeColor);
        if (date.ForeColor != time.ForeColor) s += "/" + ColorName(date.ForeColor);
        for (const char* name : {"anadigi", "mnuTopmost", "henka"})
            if (form.Checked(name)) s += std::string(" ") + name;
        return s;
    }

    TestRuntime rt;
    Form1 form;
};

}  // namespace torven::testing
