// The colour dialog and the message box open in the middle of the clock's screen.
#include <gtest/gtest.h>

#include <QScreen>

#include "qt_clock.h"

namespace torven::qt::testing {
namespace {

TEST(QtDialogs, OpenCentredOnTheClocksScreen) {
    PrivateSettings settings;
    QtClock clock;
    clock.Load();
    const QPoint middle = clock.window.screen()->availableGeometry().center();
    for (int dialog = 0; dialog < 2; ++dialog) {
        QPoint centre;
        WhenOpened([&](QWidget* open) {
            centre = open->frameGeometry().center();
            open->close();
        });
        if (dialog == 0)
            clock.window.ShowColor();
        else
            clock.window.MsgBox("TORVEN", 0, "");
        // Within a few pixels: a dialog settles its final size as it is shown.
        EXPECT_LE((centre - middle).manhattanLength(), 8) << dialog;
    }
}

}  // namespace
}  // namespace torven::qt::testing
