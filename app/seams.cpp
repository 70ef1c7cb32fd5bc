#include "app/seams.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>

#include "app/message_dialog.h"

namespace quilmo {

void modalMessageBox(const QString& title, const QString& text) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 800, 600);
    makeMessageDialog(title, text, available)->exec();
}

void systemClipboard(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

void quitApplication() {
    QCoreApplication::quit();
}

ScreenMetrics primaryScreenMetrics() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return {QSize(1024, 768), 96};
    return {screen->geometry().size(), screen->logicalDotsPerInch()};
}

void desktopBell() { QApplication::beep(); }

}  // namespace quilmo
