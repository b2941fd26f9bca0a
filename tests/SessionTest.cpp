// The desktop session: the window system chosen at start-up and a notification area that
// appears after the program or restarts.
#include "MainWindowFixture.h"
#include "mainwindow/Unit1.h"
#include "platform/CP932.h"
#include "session/PlatformChoice.h"
#include "trayicon/TrayIcon.h"

#include <gtest/gtest.h>

namespace {

SessionEnvironment WaylandWithX() {
    SessionEnvironment environment;
    environment.waylandDisplay = QStringLiteral("wayland-0");
    environment.sessionType = QStringLiteral("wayland");
    environment.display = QStringLiteral(":0");
    return environment;
}

} // namespace

TEST(PlatformChoiceTest, AWaylandSessionRunsOnItsXDisplayWhenOneAnswers) {
    QStringList asked;
    const auto reachable = [&](const QString& display) {
        asked << display;
        return true;
    };
    EXPECT_EQ(ChoosePlatform(WaylandWithX(), reachable), QStringLiteral("xcb"));
    EXPECT_EQ(asked, QStringList{QStringLiteral(":0")});

    // The session type alone also tells a Wayland session.
    SessionEnvironment typeOnly = WaylandWithX();
    typeOnly.waylandDisplay.clear();
    EXPECT_EQ(ChoosePlatform(typeOnly, reachable), QStringLiteral("xcb"));

    // No X display, or one that does not answer: the toolkit's own choice.
    SessionEnvironment noX = WaylandWithX();
    noX.display.clear();
    EXPECT_EQ(ChoosePlatform(noX, reachable), QString());
    EXPECT_EQ(ChoosePlatform(WaylandWithX(), [](const QString&) { return false; }), QString());
}

TEST(PlatformChoiceTest, TheUsersChoiceAndX11SessionsAreLeftAlone) {
    int asked = 0;
    const auto reachable = [&](const QString&) {
        ++asked;
        return true;
    };
    SessionEnvironment chosen = WaylandWithX();
    chosen.qtPlatform = QStringLiteral("wayland");
    EXPECT_EQ(ChoosePlatform(chosen, reachable), QString());
    SessionEnvironment argument = WaylandWithX();
    argument.platformArgument = true;
    EXPECT_EQ(ChoosePlatform(argument, reachable), QString());

    SessionEnvironment x11;
    x11.display = QStringLiteral(":0");
    x11.sessionType = QStringLiteral("x11");
    EXPECT_EQ(ChoosePlatform(x11, reachable), QString());
    EXPECT_EQ(asked, 0);
}

TEST(PlatformChoiceTest, APlatformArgumentIsFoundOnTheCommandLine) {
    char program[] = "tabuko", option[] = "-platform", name[] = "wayland",
         joined[] = "-platform=xcb";
    char* separate[] = {program, option, name};
    char* together[] = {program, joined};
    char* none[] = {program};
    EXPECT_TRUE(CurrentSessionEnvironment(3, separate).platformArgument);
    EXPECT_TRUE(CurrentSessionEnvironment(2, together).platformArgument);
    EXPECT_FALSE(CurrentSessionEnvironment(1, none).platformArgument);
}

class LateTrayTest : public MainWindowFixture {};

TEST_F(LateTrayTest, ATrayThatAppearsLaterGetsTheIconWithItsCurrentPictureAndTip) {
    fake->failNotifyAdd = true;
    CreateForms();
    ASSERT_FALSE(Form1->TrayIconReachable());
    ASSERT_EQ(fake->messageBoxes.size(), 1u);

    // Still no tray: tried again without a second message.
    Form1->TrayAppeared();
    EXPECT_FALSE(Form1->TrayIconReachable());
    EXPECT_EQ(fake->messageBoxes.size(), 1u);

    // The tip changed while there was no tray; the tray that appears gets the current one.
    Form1->TrayIcon1->SetTipHelp("Tabuko [changed]");
    const std::size_t addsBefore = fake->NotifyCalls(platform::NIM_ADD).size();
    fake->failNotifyAdd = false;
    Form1->TrayAppeared();
    ASSERT_TRUE(Form1->TrayIconReachable());
    const auto adds = fake->NotifyCalls(platform::NIM_ADD);
    ASSERT_EQ(adds.size(), addsBefore + 1);
    EXPECT_EQ(std::string(adds.back().szTip), "Tabuko [changed]");
    EXPECT_NE(adds.back().hIcon, 0u);
    EXPECT_EQ(fake->trayIcons.size(), 1u);
    EXPECT_EQ(fake->messageBoxes.size(), 1u);

    // Hiding the wall is allowed now.
    Form1->show();
    Form1->WinHideClick();
    EXPECT_FALSE(Form1->isVisible());
}

TEST_F(LateTrayTest, ATrayThatRestartsGetsTheIconAgain) {
    CreateForms();
    ASSERT_TRUE(Form1->TrayIconReachable());
    const std::size_t deletes = fake->NotifyCalls(platform::NIM_DELETE).size();
    const std::size_t adds = fake->NotifyCalls(platform::NIM_ADD).size();
    Form1->TrayAppeared();
    EXPECT_EQ(fake->NotifyCalls(platform::NIM_DELETE).size(), deletes + 1);
    EXPECT_EQ(fake->NotifyCalls(platform::NIM_ADD).size(), adds + 1);
    EXPECT_TRUE(Form1->TrayIconReachable());
    EXPECT_EQ(fake->trayIcons.size(), 1u);
    EXPECT_TRUE(fake->messageBoxes.empty());
}
