// The Linux window draws every scene on the pixels the Windows build draws.
#include <gtest/gtest.h>

#include "pixel_scenes.h"
#include "qt_clock.h"

namespace torven::qt::testing {
namespace {

using namespace torven::testing;

TEST(QtPixels, EverySceneDrawsThePixelsOfTheWindowsBuild) {
    for (const Scene& scene : kScenes) {
        PrivateSettings settings;
        QtClock clock;
        clock.window.now = kFaceTime;
        if (!scene.draw) clock.Load();
        clock.window.SetWidth(static_cast<float>(scene.twips));
        clock.window.SetHeight(static_cast<float>(scene.twips));
        if (scene.draw) {
            clock.window.Fill(0xFFFFFF);
            scene.draw(clock.window);
        }
        const QImage& image = clock.window.Surface();
        const std::string drawn = Pbm(image.width(), image.height(), [&](int x, int y) {
            return image.pixel(x, y) != 0xFFFFFFFF;
        });
        const std::string expected =
            ReadFile(std::string(TORVEN_PIXELS_DIR) + "/" + scene.name + ".pbm");
        EXPECT_EQ(DifferingPixels(drawn, expected), 0) << scene.name;
        WriteFile(std::string(scene.name) + ".pbm", drawn);  // beside the test, to look at
    }
}

}  // namespace
}  // namespace torven::qt::testing
