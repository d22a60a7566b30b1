// The popup menu, the colour dialog, the message box and the settings file.
#include <gtest/gtest.h>

#include <QAction>
#include <QColorDialog>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>

#include "qt_clock.h"

namespace torven::qt::testing {
namespace {

void PressKey(QWidget* widget, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &press);
}

TEST(PopupMenu, HoldsTheSixteenEntriesWithCaptionsSeparatorsAndCheckMarks) {
    PrivateSettings settings;
    QtClock clock;
    clock.Load();
    const auto menu = BuildPopupMenu(clock.form.Menu(), &clock.window);
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 16);
    const char* const captions[] = {"常に手前に表示",
                                    "アナデジ時計(&A)",
                                    "色変化(&H)",
                                    "",
                                    "大きく(&B)",
                                    "少し大きく(&L)",
                                    "少し小さく(&S)",
                                    "小さく(&M)",
                                    "",
                                    "背景色を設定(&C)",
                                    "枠の色を設定(&F)",
                                    "針の色を設定(&P)",
                                    "",
                                    "設定を初期化(&N)",
                                    "TORVENについて(&V)",
                                    "終了(&X)"};
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(actions[i]->text(), QString::fromUtf8(captions[i]));
        EXPECT_EQ(actions[i]->isSeparator(), i == 3 || i == 8 || i == 12);
        EXPECT_EQ(actions[i]->data().toInt(), i);
        EXPECT_TRUE(actions[i]->isEnabled());
        // Defaults: always in front and the readout on, colours by hour off.
        EXPECT_EQ(actions[i]->isChecked(), i == 0 || i == 1);
    }
}

TEST(PopupMenu, ReturnsTheEntryPickedByItsAccessKeyOrNothing) {
    PrivateSettings settings;
    QtClock clock;
    clock.Load();
    WhenOpened([](QWidget* menu) { PressKey(menu, Qt::Key_B, "b"); });
    EXPECT_EQ(clock.window.PopupMenu(clock.form.Menu()), 4);
    WhenOpened([](QWidget* menu) { PressKey(menu, Qt::Key_Escape, {}); });
    EXPECT_EQ(clock.window.PopupMenu(clock.form.Menu()), -1);
}

TEST(PopupMenu, TheClockKeepsTickingWhileItIsOpen) {
    PrivateSettings settings;
    QtClock clock;
    clock.Load();
    clock.window.now.second = 40;
    int ticksSeen = -1;
    WhenOpened([&](QWidget* menu) {
        // The timer has had its chance to draw the new second before this runs.
        QTimer::singleShot(250, menu, [&, menu] {
            ticksSeen = clock.form.Variables().prevSecondPos;
            menu->close();
        });
    });
    clock.window.PopupMenu(clock.form.Menu());
    EXPECT_EQ(ticksSeen, 40);
}

TEST(ColourDialog, CancelChangesNothing) {
    PrivateSettings settings;
    QtClock clock;
    clock.Load();
    Settle();
    const FormVariables before = clock.form.Variables();
    const QImage face = clock.window.Surface();
    for (int command : {9, 10, 11}) {  // background, frame, hands
        WhenOpened([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
        clock.form.Click(command);
        EXPECT_EQ(clock.form.Variables().bgColor, before.bgColor);
        EXPECT_EQ(clock.form.Variables().frameColor, before.frameColor);
        EXPECT_EQ(clock.form.Variables().handColor, before.handColor);
        EXPECT_EQ(clock.window.Surface(), face);
    }
}

TEST(ColourDialog, AConfirmedColourArrivesAsBGR) {
    PrivateSettings settings;
    QtClock clock;
    clock.Load();
    WhenOpened([](QWidget* dialog) {
        auto* picker = qobject_cast<QColorDialog*>(dialog);
        picker->setCurrentColor(QColor(255, 0, 0));
        picker->accept();
    });
    clock.form.Click(11);  // the hands
    EXPECT_EQ(clock.form.Variables().handColor, 255);
    EXPECT_EQ(clock.form.Label1().ForeColor, 255);
    EXPECT_EQ(ToQColor(0x00FF8000), QColor(0, 128, 255));
    EXPECT_EQ(FromQColor(QColor(0, 128, 255)), 0x00FF8000);
}

TEST(AboutBox, HasTheTitleTheTextOneOkButtonAndNoIcon) {
    PrivateSettings settings;
    QtClock clock;
    clock.Load();
    QString title, text;
    int buttons = 0;
    QMessageBox::Icon icon = QMessageBox::Warning;
    WhenOpened([&](QWidget* open) {
        auto* box = qobject_cast<QMessageBox*>(open);
        title = box->windowTitle();
        text = box->text();
        buttons = int(box->buttons().size());
        icon = box->icon();
        box->accept();
    });
    clock.form.Click(14);
    EXPECT_EQ(title, "TORVEN");
    EXPECT_TRUE(text.contains("TORVEN Ver1.1.0")) << text.toStdString();
    EXPECT_FALSE(text.contains(u'\r'));
    EXPECT_EQ(buttons, 1);
    EXPECT_EQ(icon, QMessageBox::NoIcon);
}

TEST(SettingsFile, TextsRoundTripUnderStartupInTheUsersConfigFolder) {
    PrivateSettings settings;
    ClockWindow window;
    const std::pair<const char*, const char*> values[] = {
        {"Top", "120"},         {"Left", "-500"},    {"Size", "1333.333"},
        {"Color1", "16777215"}, {"Anadigi", "True"}, {"Odd", "1, 5"},
        {"At", "@Variant(x)"},  {"Spaces", " x "},   {"Kana", "時計"}};
    for (const auto& [key, text] : values)
        EXPECT_TRUE(window.SaveSetting("TORVEN", "Startup", key, text));
    for (const auto& [key, text] : values)
        EXPECT_EQ(window.GetSetting("TORVEN", "Startup", key, "default"), text) << key;
    EXPECT_EQ(window.GetSetting("TORVEN", "Startup", "Missing", "1600"), "1600");
    EXPECT_EQ(window.GetSetting("Other", "Startup", "Top", "7"), "7");

    QFile file(settings.File());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    EXPECT_TRUE(content.startsWith("[Startup]\n")) << content.toStdString();
    EXPECT_TRUE(content.contains("\nColor1=16777215\n"));
    EXPECT_TRUE(content.contains("\nAnadigi=True\n"));
}

TEST(SettingsFile, HandWrittenValuesComeBackAsTheirText) {
    PrivateSettings settings;
    QDir().mkpath(settings.Path() + "/TORVEN");
    QFile file(settings.File());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Startup]\nTop=1, 5\nLeft=@ByteArray(240)\nSize=\n");
    file.close();
    ClockWindow window;
    EXPECT_EQ(window.GetSetting("TORVEN", "Startup", "Top", "120"), "1, 5");
    EXPECT_EQ(window.GetSetting("TORVEN", "Startup", "Left", "120"), "240");
    EXPECT_EQ(window.GetSetting("TORVEN", "Startup", "Size", "1600"), "");
}

TEST(SettingsFile, AWriteThatCannotReachTheDiskReportsFailure) {
    PrivateSettings settings;
    // A file where the application's folder should be: no permission bits involved.
    QFile blocker(settings.Path() + "/TORVEN");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ClockWindow window;
    EXPECT_FALSE(window.SaveSetting("TORVEN", "Startup", "Top", "120"));
}

TEST(SettingsFile, ACorruptedFileStartsTheClockWithDefaultsForTheBadKeys) {
    PrivateSettings settings;
    QDir().mkpath(settings.Path() + "/TORVEN");
    QFile file(settings.File());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "[Startup]\nTop=abc\nLeft=@Variant(\\0\\0\\0\\x7f)\nSize=3000\nColor1=purple\n"
        "Color2=255\nAnadigi=perhaps\nTemae=False\n\x01\x02garbage line\n");
    file.close();
    QtClock clock;
    clock.Load();
    EXPECT_EQ(clock.window.geometry(), QRect(8, 8, 200, 200));  // Top, Left defaults; Size kept
    EXPECT_EQ(clock.form.Variables().bgColor, 0xFFFFFF);
    EXPECT_EQ(clock.form.Variables().frameColor, 255);
    EXPECT_TRUE(clock.form.Checked("anadigi"));
    EXPECT_FALSE(clock.form.Checked("mnuTopmost"));
    EXPECT_FALSE(clock.window.AlwaysInFront());
    EXPECT_TRUE(clock.window.isVisible());
}

}  // namespace
}  // namespace torven::qt::testing
