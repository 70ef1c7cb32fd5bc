#include <QApplication>

#include "app/link_session.h"
#include "app/main_window.h"
#include "platform/app_paths.h"
#include "platform/instance_lock.h"
#include "platform/qt_clock.h"
#include "platform/qt_device_port.h"
#include "platform/qt_exit_signals.h"

int main(int argc, char* argv[]) {
    // First of all: from here on a stop request waits for the event loop and ends the
    // program through its exit sequence.
    quilmo::ExitSignals exitSignals;
    QApplication app(argc, argv);
    app.setApplicationName(QString::fromLatin1(quilmo::MainWindow::kProductName));
    // Desktops match the window to the menu entry of the installed package by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.quilmo.Quilmo"));
    const std::string programDirectory = quilmo::filesFolder(QCoreApplication::applicationDirPath().toStdString(),
                                                             quilmo::userFoldersFromEnvironment());

    // A second copy for the same directory leaves silently: nothing shown, read or written.
    quilmo::InstanceLock lock;
    if (!lock.acquire(programDirectory)) return 0;

    // A serial device or, for DEVICE=tcp://HOST:PORT, a network connection.
    quilmo::QtDevicePort port;
    quilmo::LinkSession session(programDirectory, port, quilmo::currentLocalTime);
    quilmo::MainWindow window(session, {quilmo::modalMessageBox, quilmo::systemClipboard, quilmo::quitApplication,
                                        std::nullopt, true, quilmo::desktopBell});
    exitSignals.watch([&window] {
        window.exitProgram();
        // quit() leaves alone the loop of a message box that start-up is waiting on; exit() ends it too.
        QCoreApplication::exit(0);
    });
    window.startUp();
    // A stop that came while start-up waited on a message box has already run the exit sequence.
    if (exitSignals.received()) return 0;
    if (lock.error() != 0) session.noteFileWrite("lock", lock.path(), {0, lock.error()});
    window.showAtStart();
    return QApplication::exec();
}
