// The main window with the real serial port on a pseudo-terminal: what the TNC sends
// shows up exactly, what the user types or clicks reaches the TNC as exactly these bytes.
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/main_window.h"
#include "app_far_end.h"
#include "platform/qt_clock.h"
#include "platform/qt_serial_port.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {

struct Program {
    QTemporaryDir dir;
    QtSerialPortImpl port;
    QStringList messages;
    std::unique_ptr<MainWindow> window;

    void start(const std::string& ini) {
        QFile f(dir.filePath("Quilmo.ini"));
        if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write Quilmo.ini");
        f.write(ini.data(), static_cast<qint64>(ini.size()));
        f.close();
        window = std::make_unique<MainWindow>(
            dir.path().toStdString(),
            WindowSeams{port, currentLocalTime, [this](const QString&, const QString& text) { messages << text; },
                        [](const QString&) {}, [] {}, ScreenMetrics{QSize(1024, 768), 96}});
        window->startUp();
        window->show();
        QApplication::setActiveWindow(window.get());
        if (!QTest::qWaitForWindowActive(window.get())) qFatal("main window never became active");
    }
    QWidget* find(const char* name) const { return window->findChild<QWidget*>(QLatin1String(name)); }
};

}  // namespace

class AppPtyTest : public QObject {
    Q_OBJECT
private slots:
    void farEndBytes_appearExactlyInRxView();
    void keysAndButtons_putExactBytesOnLine_data();
    void keysAndButtons_putExactBytesOnLine();
    void openFailure_namesDeviceFirst();
    void farEndClosed_statusLineShowsLoss();
};

void AppPtyTest::farEndBytes_appearExactlyInRxView() {
    FarEnd tnc;
    QVERIFY(tnc.openPair());
    Program p;
    p.start("DEVICE=" + tnc.slavePath + "\nBAUD=9600\n");
    QVERIFY(p.messages.isEmpty());
    const std::string sent = std::string("cmd:\r\nN0CALL>APRS:>44\xb0" " ok\r\n\x07" "\x00" "end", 32);
    QVERIFY(tnc.send(sent));
    QTRY_COMPARE(p.window->rxView().text(), sent);
    QCOMPARE(static_cast<QPlainTextEdit*>(p.find("Text1"))->toPlainText(),
             QString::fromUtf8("cmd:\nN0CALL>APRS:>44° ok\n\u2407\u2400end"));
}

void AppPtyTest::keysAndButtons_putExactBytesOnLine_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("enter") << "CONNECT W1AW" << "Enter" << QByteArray("CONNECT W1AW\r\n");
    QTest::newRow("F12") << "MON ON" << "F12" << QByteArray("MON ON");
    QTest::newRow("xoff") << "" << "Label28" << QByteArray("\x13");
    QTest::newRow("xon") << "" << "Label29" << QByteArray("\x11");
    QTest::newRow("ctrl-c then F12") << "" << "Label7+F12" << QByteArray("\x03");
}

void AppPtyTest::keysAndButtons_putExactBytesOnLine() {
    QFETCH(QString, typed);
    QFETCH(QString, action);
    QFETCH(QByteArray, bytes);
    FarEnd tnc;
    QVERIFY(tnc.openPair());
    Program p;
    p.start("DEVICE=" + tnc.slavePath + "\n");
    QWidget* buffer = p.find("Text3");
    QTest::keyClicks(buffer, typed);
    if (action == "Enter") {
        QTest::keyClick(buffer, Qt::Key_Return);
    } else if (action == "F12") {
        QTest::keyClick(buffer, Qt::Key_F12);
    } else if (action == "Label7+F12") {
        QTest::mouseClick(p.find("Label7"), Qt::LeftButton);
        QTest::keyClick(buffer, Qt::Key_F12);
    } else {
        QTest::mouseClick(p.find(action.toLatin1().constData()), Qt::LeftButton);
    }
    QCOMPARE(QByteArray::fromStdString(tnc.receive(static_cast<std::size_t>(bytes.size()))), bytes);
    // Nothing more follows.
    QCOMPARE(tnc.receive(1, 200), std::string());
}

void AppPtyTest::openFailure_namesDeviceFirst() {
    Program p;
    const std::string missing = p.dir.filePath("no-such-tty").toStdString();
    p.start("DEVICE=" + missing + "\n");
    QCOMPARE(p.messages.size(), 1);
    const QStringList lines = p.messages.front().split("\r\n");
    QCOMPARE(lines.front(), QString::fromStdString(missing));
    QVERIFY(lines.size() == 2 && !lines.back().isEmpty());
    QVERIFY(!p.port.isOpen());
}

void AppPtyTest::farEndClosed_statusLineShowsLoss() {
    FarEnd tnc;
    QVERIFY(tnc.openPair());
    Program p;
    p.start("DEVICE=" + tnc.slavePath + "\n");
    auto* status = static_cast<QLabel*>(p.find("Label6"));
    const QString normal = status->text();
    tnc.close();
    QTRY_VERIFY(status->text().contains("lost"));
    QVERIFY(status->text().startsWith(normal));
}

QTEST_MAIN(AppPtyTest)
#include "app_pty_test.moc"
