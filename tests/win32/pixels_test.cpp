// The reference pixels: each scene drawn by GDI under Wine, written to the build tree
// (copy them to tests/pixels/ when the Windows drawing changes on purpose) and
// compared with the ones the Linux build is held to.
#include <gtest/gtest.h>

#include <cmath>

#include "form1.h"
#include "pixel_scenes.h"
#include "win32_internal.h"
#include "win32_runtime.h"

namespace torven::testing {
namespace {

TEST(Win32Pixels, EverySceneDrawsTheReferencePixels) {
    for (const Scene& scene : kScenes) {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TORVEN");
        Win32Runtime rt([] { return kFaceTime; });
        Form1 form(rt);
        if (!scene.draw) {
            rt.Attach(form);
            form.Load();
        }
        rt.SetWidth(static_cast<float>(scene.twips));
        rt.SetHeight(static_cast<float>(scene.twips));
        if (scene.draw) {
            rt.Fill(0xFFFFFF);
            scene.draw(rt);
        }
        const int side = static_cast<int>(std::lround(rt.Width() / 15));
        const std::string drawn =
            Pbm(side, side, [&](int x, int y) { return rt.PixelAt(x, y) != 0xFFFFFF; });
        WriteFile(std::string("Z:") + TORVEN_PIXELS_OUT + "/" + scene.name + ".pbm", drawn);
        const std::string expected =
            ReadFile(std::string("Z:") + TORVEN_PIXELS_DIR + "/" + scene.name + ".pbm");
        EXPECT_EQ(DifferingPixels(drawn, expected), 0) << scene.name;
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TORVEN");
}

}  // namespace
}  // namespace torven::testing
