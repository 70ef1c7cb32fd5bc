#pragma once
#include <QSize>
#include <QString>
#include <functional>
#include <optional>


namespace quilmo {

// The screen the window lays itself out for: pixels and logical dots per inch.
struct ScreenMetrics {
    QSize pixels;
    double dpi = 96;
};

// Everything the main window reaches outside itself and the session, so tests can answer
// message boxes without blocking, watch the clipboard and keep the test process alive on
// exit. (The port and the clock are the session's.)
struct WindowSeams {
    std::function<void(const QString& title, const QString& text)> messageBox;
    std::function<void(const QString& text)> putClipboard;  // clears it, then puts the text
    std::function<void()> terminate;
    std::optional<ScreenMetrics> screen;  // the primary screen when not given
    // Whether a setup with nothing to work with opens the settings window by itself; the
    // program does, tests that do not look at it leave it alone.
    bool firstStartWindow = false;
    std::function<void()> beep;           // the desktop's bell
};

// The real ones: a message box that fits the screen (app/message_dialog.h), QClipboard, QCoreApplication::quit, the primary screen,
// QApplication::beep.
void modalMessageBox(const QString& title, const QString& text);
void systemClipboard(const QString& text);
void quitApplication();
ScreenMetrics primaryScreenMetrics();
void desktopBell();

}  // namespace quilmo
