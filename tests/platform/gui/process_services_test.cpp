#include <QProcess>
#include <QStandardPaths>
#include <csignal>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include "common/pump.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/exceptionguard.h"
#include "platform/core/pczone.h"
#include "platform/core/signalclose.h"
#include "platform/gui/x11probe.h"

namespace {
struct TzGuard {
    QByteArray saved = qgetenv("TZ");
    bool had = qEnvironmentVariableIsSet("TZ");
    ~TzGuard()
    {
        if (had)
            qputenv("TZ", saved);
        else
            qunsetenv("TZ");
        tzset();
    }
};
}  // namespace

TEST(PcZone, ComesFromTheCLibraryWithWindowsSign)
{
    TzGuard g;
    qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    platform::PcZone z = platform::ReadPcZone();
    EXPECT_EQ(z.secondsWest, -3600);
    EXPECT_EQ(z.daylight, 1);
    qputenv("TZ", "EST5");
    z = platform::ReadPcZone();
    EXPECT_EQ(z.secondsWest, 5 * 3600);
    EXPECT_EQ(z.daylight, 0);
}

TEST(SignalClose, TermAndIntRunTheHandlerFromTheEventLoop)
{
    int calls = 0;
    ASSERT_TRUE(platform::InstallCloseOnSignal([&] { ++calls; }));
    ::raise(SIGTERM);
    EXPECT_TRUE(pumpUntil([&] { return calls == 1; }, 3000));
    ::raise(SIGINT);
    EXPECT_TRUE(pumpUntil([&] { return calls == 2; }, 3000));
    platform::RemoveCloseOnSignal();
}

TEST(ExceptionGuard, ShowsTheMessageAndKeepsRunning)
{
    platform::DialogScript::begin();
    EXPECT_FALSE(platform::Guarded([] { throw std::runtime_error("'x' is not a valid integer value"); }));
    EXPECT_FALSE(platform::Guarded([] { throw 42; }));
    EXPECT_TRUE(platform::Guarded([] {}));
    ASSERT_EQ(platform::DialogScript::shown().size(), 2u);
    EXPECT_EQ(platform::DialogScript::shown()[0].text, "'x' is not a valid integer value");
    EXPECT_EQ(platform::DialogScript::shown()[1].text, "");
    int n = 0;
    auto handler = platform::Guard([&] { ++n; throw std::logic_error("late"); });
    handler(true);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(platform::DialogScript::shown().back().text, "late");
    platform::DialogScript::end();
}

TEST(X11Probe, FalseWithoutX11)
{
    // The tests run offscreen.
    EXPECT_FALSE(platform::TopLevelWindowTitled("Projektverwaltung"));
    EXPECT_FALSE(platform::TopLevelWindowTitledOnDisplay(":9999", "Projektverwaltung"));
}

TEST(X11Probe, FindsAWindowByTitleOnARealDisplay)
{
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (xvfb.isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    QProcess server;
    server.setProcessChannelMode(QProcess::SeparateChannels);
    // -displayfd 1: the server picks a free display and prints its number. -noreset: the
    // probe disconnects as the last client, and a resetting server refuses the next connect.
    server.start(xvfb, {"-displayfd", "1", "-noreset", "-nolisten", "tcp", "-screen", "0", "320x200x24"});
    ASSERT_TRUE(server.waitForStarted(5000));
    QByteArray number;
    ASSERT_TRUE(pumpUntil([&] {
        number += server.readAllStandardOutput();
        return number.contains('\n') || server.state() == QProcess::NotRunning;
    }, 10000));
    const QByteArray display = ":" + number.trimmed();

    EXPECT_FALSE(platform::TopLevelWindowTitledOnDisplay(display, "Projektverwaltung"));
    xcb_connection_t* c = xcb_connect(display.constData(), nullptr);
    ASSERT_FALSE(xcb_connection_has_error(c));
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 50, 50, 0,
        XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    const char title[] = "Projektverwaltung";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, sizeof title - 1, title);
    xcb_flush(c);
    xcb_get_input_focus_reply_t* sync = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    free(sync);
    EXPECT_TRUE(platform::TopLevelWindowTitledOnDisplay(display, "Projektverwaltung"));
    EXPECT_FALSE(platform::TopLevelWindowTitledOnDisplay(display, "Projekt"));
    xcb_disconnect(c);
    server.terminate();
    server.waitForFinished(5000);
}
