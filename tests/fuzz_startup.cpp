// Start-up with whatever the store holds (the input's lines are the nine keys' texts, in
// order): the clock starts, every value it applied is in range, and it saves all nine.
#include <cmath>
#include <cstdlib>

#include "form1.h"
#include "test_runtime.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    torven::testing::TestRuntime rt(15);
    std::string_view input(reinterpret_cast<const char*>(data), size);
    for (const char* key :
         {"Top", "Left", "Size", "Color1", "Color2", "Color3", "Anadigi", "Temae", "Henka"}) {
        if (input.empty()) break;
        const std::size_t end = std::min(input.find('\n'), input.size());
        rt.settings[key] = input.substr(0, end);
        input.remove_prefix(std::min(end + 1, input.size()));
    }
    torven::Form1 form(rt);
    rt.Attach(form);
    form.Load();

    const auto& v = form.Variables();
    bool ok = rt.Width() >= 390 && rt.Width() <= 80010 && rt.Height() == rt.Width() &&
              std::isfinite(rt.Left()) && std::isfinite(rt.Top()) && rt.visible &&
              rt.Find("save").empty() && form.Checked("mnuTopmost") == rt.topmost;
    for (const auto color : {v.bgColor, v.frameColor, v.handColor})
        ok = ok && color >= 0 && color <= 0xFFFFFF;
    // Reachable: some of it on the monitor.
    const torven::TwipsRect& m = rt.monitors.front();
    ok = ok && rt.Left() < m.right && rt.Top() < m.bottom && rt.Left() + rt.Width() > m.left &&
         rt.Top() + rt.Height() > m.top;
    form.Unload();
    if (!ok || rt.Find("save").size() != 9) std::abort();
    return 0;
}
