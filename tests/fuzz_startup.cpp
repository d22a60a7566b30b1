// Start-up with whatever the store holds (the input's lines are the nine keys' texts, in
// order): the clock starts, and every value it applied is in range.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "form1.h"
#include "test_runtime.h"

using torven::Form1;
using torven::testing::TestRuntime;

namespace {

constexpr std::string_view kKeys[] = {"Top",    "Left",    "Size",  "Color1", "Color2",
                                      "Color3", "Anadigi", "Temae", "Henka"};

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TestRuntime rt(15);
    std::string_view input(reinterpret_cast<const char*>(data), size);
    for (std::string_view key : kKeys) {
        if (input.empty()) break;
        const auto end = input.find('\n');
        rt.settings[std::string(key)] = std::string(input.substr(0, end));
        input = end == std::string_view::npos ? std::string_view{} : input.substr(end + 1);
    }

    Form1 form(rt);
    rt.Attach(form);
    form.Load();

    const auto& v = form.Variables();
    for (auto color : {v.bgColor, v.frameColor, v.handColor})
        Check(color >= 0 && color <= 0xFFFFFF);
    Check(rt.Width() >= 390 && rt.Width() <= 80010);  // whole pixels around 400..80000
    Check(rt.Height() == rt.Width());
    for (float value : {rt.Left(), rt.Top()})
        Check(std::isfinite(value));
    // Reachable: not wholly beyond any edge of the desktop.
    Check(rt.Left() <= rt.desktop.right && rt.Top() <= rt.desktop.bottom);
    Check(rt.Left() + rt.Width() > rt.desktop.left && rt.Top() + rt.Height() > rt.desktop.top);
    Check(rt.visible && rt.Find("save").empty());
    Check(form.Checked("mnuTopmost") == rt.topmost);

    form.Unload();
    Check(rt.Find("save").size() == 9);
    return 0;
}
