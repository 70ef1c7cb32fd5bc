#include <QApplication>

#include "app/main_window.h"
#include "platform/instance_lock.h"
#include "platform/qt_clock.h"
#include "platform/qt_device_port.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    app.setApplicationName(QString::fromLatin1(quilmo::MainWindow::kProductName));
    const std::string programDirectory = QCoreApplication::applicationDirPath().toStdString();

    // A second copy for the same directory leaves silently: nothing shown, read or written.
    quilmo::InstanceLock lock;
    if (!lock.acquire(programDirectory)) return 0;

    // A serial device or, for DEVICE=tcp://HOST:PORT, a network connection.
    quilmo::QtDevicePort port;
    quilmo::MainWindow window(programDirectory,
                              {port, quilmo::currentLocalTime, quilmo::modalMessageBox,
                               quilmo::systemClipboard, quilmo::quitApplication, std::nullopt});
    window.startUp();
    window.showFullScreen();
    return QApplication::exec();
}
