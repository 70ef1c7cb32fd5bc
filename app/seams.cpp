#include "app/seams.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace quilmo {

void modalMessageBox(const QString& title, const QString& text) {
    QMessageBox::information(nullptr, title, text, QMessageBox::Ok);
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

}  // namespace quilmo
