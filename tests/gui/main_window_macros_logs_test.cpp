// Macro keys and buttons, and the two text logs from start-up to exit.
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QtTest>

#include "main_window_harness.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {
const std::string kHeader = "------------- 2026-12-05  14:15 -----------------\r\n";
}

class MainWindowMacrosLogsTest : public QObject {
    Q_OBJECT
private slots:
    void macroButtons_enabledWithPreviewAtStartUp();
    void f1_insertsMacroAndF12SendsItExactly();
    void macroButton_insertsLikeItsKey();
    void functionKeys_withShiftOrCtrlDoNothing_data();
    void functionKeys_withShiftOrCtrlDoNothing();
    void altF2_showsMacroWithoutTouchingBuffer();
    void altF5_withoutFile_showsNothing();
    void macroRemovedAfterStartUp_keyDoesNothing();

    void startUp_writesHeaderOnlyForConfiguredLogs_data();
    void startUp_writesHeaderOnlyForConfiguredLogs();
    void rxLog_batchesPast128AndFlushesAtExit();
    void txLog_recordsReadableTextAndFlushesAtExit();
    void checkBoxes_headerOnAndPendingTextOff();
    void exit_closesPortAndTerminatesOnce();
    void windowClose_runsExitSequence();
};

void MainWindowMacrosLogsTest::macroButtons_enabledWithPreviewAtStartUp() {
    Harness h;
    h.writeFile("macro1.txt", "CONNECT\r\n");
    h.writeFile("macro2.txt", std::string(30, 'x'));
    h.writeFile("macro3.txt", "");
    h.writeFile("macro4.txt", std::string(24, 'y'));
    h.start();
    const struct {
        const char* name;
        bool enabled;
        QString toolTip;
    } expected[] = {
        {"Label12", true, "CONNECT|"},
        {"Label13", true, QString(24, 'x') + "..."},
        {"Label14", false, ""},
        {"Label15", true, QString(24, 'y')},
        {"Label16", false, ""},
    };
    for (const auto& e : expected) {
        QWidget* button = h.find<QWidget>(e.name);
        QCOMPARE(button->isEnabled(), e.enabled);
        QCOMPARE(button->toolTip(), e.toolTip);
    }
    QVERIFY(!h.exists("macro3.txt"));  // an empty macro file is deleted
}

void MainWindowMacrosLogsTest::f1_insertsMacroAndF12SendsItExactly() {
    Harness h;
    h.writeFile("macro1.txt", "CONNECT\r\n");
    h.start();
    h.showAndActivate();
    auto* buffer = h.find<QPlainTextEdit>("Text3");
    QTest::keyClicks(buffer, ">");
    QTest::keyClick(h.find<QWidget>("Text1"), Qt::Key_F1);
    QCOMPARE(buffer->toPlainText(), QString(">CONNECT\n"));
    QCOMPARE(QApplication::focusWidget(), buffer);
    QVERIFY(buffer->textCursor().atEnd());
    QTest::keyClick(buffer, Qt::Key_F12);
    QCOMPARE(h.port.written, std::string(">CONNECT\r\n"));
}

void MainWindowMacrosLogsTest::macroButton_insertsLikeItsKey() {
    Harness h;
    h.writeFile("macro8.txt", "^#H^C");
    h.start();
    h.showAndActivate();
    QTest::mouseClick(h.find<QWidget>("Label19"), Qt::LeftButton);
    QCOMPARE(h.find<QPlainTextEdit>("Text3")->toPlainText(), QString("^#H^C"));
    QTest::keyClick(h.find<QWidget>("Text3"), Qt::Key_F12);
    QCOMPARE(h.port.written, std::string("14:15\x03"));
}

void MainWindowMacrosLogsTest::functionKeys_withShiftOrCtrlDoNothing_data() {
    QTest::addColumn<int>("modifiers");
    QTest::newRow("shift") << int(Qt::ShiftModifier);
    QTest::newRow("ctrl") << int(Qt::ControlModifier);
    QTest::newRow("ctrl+alt") << int(Qt::ControlModifier | Qt::AltModifier);
}

void MainWindowMacrosLogsTest::functionKeys_withShiftOrCtrlDoNothing() {
    QFETCH(int, modifiers);
    Harness h;
    h.writeFile("macro1.txt", "M1");
    h.start();
    h.showAndActivate();
    auto* buffer = h.find<QPlainTextEdit>("Text3");
    QTest::keyClicks(buffer, "typed");
    QTest::keyClick(buffer, Qt::Key_F1, Qt::KeyboardModifiers(modifiers));
    QTest::keyClick(buffer, Qt::Key_F12, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(buffer->toPlainText(), QString("typed"));
    QCOMPARE(h.port.written, std::string());
    QVERIFY(h.messages.isEmpty());
}

void MainWindowMacrosLogsTest::altF2_showsMacroWithoutTouchingBuffer() {
    Harness h;
    h.writeFile("macro2.txt", "A\r\nB");
    h.start();
    h.showAndActivate();
    QTest::keyClick(h.find<QWidget>("Text3"), Qt::Key_F2, Qt::AltModifier);
    QCOMPARE(h.messages, QStringList{"Macro nr. 2\r\n\r\nA[CR]\r[LF]B"});
    QCOMPARE(h.messageTitles, QStringList{"Quilmo"});
    QCOMPARE(h.find<QPlainTextEdit>("Text3")->toPlainText(), QString());

    // A macro added after start-up can be shown, not inserted.
    h.writeFile("macro6.txt", "late");
    QTest::keyClick(h.find<QWidget>("Text3"), Qt::Key_F6, Qt::AltModifier);
    QTest::keyClick(h.find<QWidget>("Text3"), Qt::Key_F6);
    QCOMPARE(h.messages.size(), 2);
    QVERIFY(h.messages.back().endsWith("late"));
    QCOMPARE(h.find<QPlainTextEdit>("Text3")->toPlainText(), QString());
}

void MainWindowMacrosLogsTest::altF5_withoutFile_showsNothing() {
    Harness h;
    h.start();
    h.showAndActivate();
    QTest::keyClick(h.find<QWidget>("Text1"), Qt::Key_F5, Qt::AltModifier);
    QVERIFY(h.messages.isEmpty());
}

void MainWindowMacrosLogsTest::macroRemovedAfterStartUp_keyDoesNothing() {
    Harness h;
    h.writeFile("macro3.txt", "gone");
    h.start();
    h.showAndActivate();
    QVERIFY(QFile::remove(QString::fromStdString(h.path("macro3.txt"))));
    QTest::mouseClick(h.find<QWidget>("Label14"), Qt::LeftButton);
    QTest::keyClick(h.find<QWidget>("Text3"), Qt::Key_F3);
    QCOMPARE(h.find<QPlainTextEdit>("Text3")->toPlainText(), QString());
    QVERIFY(h.find<QWidget>("Label14")->isEnabled());
}

void MainWindowMacrosLogsTest::startUp_writesHeaderOnlyForConfiguredLogs_data() {
    QTest::addColumn<QString>("ini");
    QTest::addColumn<bool>("rx");
    QTest::addColumn<bool>("tx");
    QTest::newRow("none") << "" << false << false;
    QTest::newRow("rx only") << "SAVERX=1\n" << true << false;
    QTest::newRow("both") << "SAVERX=1\nSAVETX=1\n" << true << true;
}

void MainWindowMacrosLogsTest::startUp_writesHeaderOnlyForConfiguredLogs() {
    QFETCH(QString, ini);
    QFETCH(bool, rx);
    QFETCH(bool, tx);
    Harness h;
    h.writeFile("$log_rx.txt", "old");
    h.start(ini.toStdString());
    QCOMPARE(h.find<QCheckBox>("Check1")->isChecked(), rx);
    QCOMPARE(h.find<QCheckBox>("Check2")->isChecked(), tx);
    QCOMPARE(h.readFile("$log_rx.txt"), rx ? "old" + kHeader : std::string("old"));
    QCOMPARE(h.exists("$log_tx.txt"), tx);
    if (tx) QCOMPARE(h.readFile("$log_tx.txt"), kHeader);
    QCOMPARE(int(h.window->logBuffers().saveRx), rx ? 1 : 0);
    QCOMPARE(int(h.window->logBuffers().saveTx), tx ? 1 : 0);
}

void MainWindowMacrosLogsTest::rxLog_batchesPast128AndFlushesAtExit() {
    Harness h;
    h.start("SAVERX=1\n");
    h.port.feed(std::string(100, 'a'));
    h.port.feed(std::string(28, 'b'));
    QCOMPARE(h.readFile("$log_rx.txt"), kHeader);  // exactly 128 pending: not yet
    h.port.feed("c");
    QCOMPARE(h.readFile("$log_rx.txt"), kHeader + std::string(100, 'a') + std::string(28, 'b') + "c");
    h.port.feed("tail\r\n");
    QTest::mouseClick(h.find<QWidget>("Command2"), Qt::LeftButton);
    QCOMPARE(h.readFile("$log_rx.txt"), kHeader + std::string(100, 'a') + std::string(28, 'b') + "ctail\r\n");
}

void MainWindowMacrosLogsTest::txLog_recordsReadableTextAndFlushesAtExit() {
    Harness h;
    h.start("SAVETX=1\n");
    h.showAndActivate();
    auto* buffer = h.find<QPlainTextEdit>("Text3");
    QTest::keyClicks(buffer, "at ^#H^c");
    QTest::keyClick(buffer, Qt::Key_Return);
    QCOMPARE(h.readFile("$log_tx.txt"), kHeader);
    QTest::mouseClick(h.find<QWidget>("Command2"), Qt::LeftButton);
    QCOMPARE(h.readFile("$log_tx.txt"), kHeader + "at 14:15^c\r\n");
}

void MainWindowMacrosLogsTest::checkBoxes_headerOnAndPendingTextOff() {
    Harness h;
    h.start();
    h.showAndActivate();
    auto* saveRx = h.find<QCheckBox>("Check1");
    QTest::mouseClick(saveRx, Qt::LeftButton);
    QVERIFY(saveRx->isChecked());
    QCOMPARE(h.readFile("$log_rx.txt"), kHeader);
    QCOMPARE(QApplication::focusWidget(), h.find<QWidget>("Text3"));
    h.port.feed(std::string(50, 'r'));
    QTest::mouseClick(saveRx, Qt::LeftButton);
    QCOMPARE(h.readFile("$log_rx.txt"), kHeader + std::string(50, 'r'));
    h.port.feed("not logged");
    QTest::mouseClick(saveRx, Qt::LeftButton);
    QCOMPARE(h.readFile("$log_rx.txt"), kHeader + std::string(50, 'r') + kHeader);

    auto* saveTx = h.find<QCheckBox>("Check2");
    QTest::mouseClick(saveTx, Qt::LeftButton);
    QCOMPARE(h.readFile("$log_tx.txt"), kHeader);
}

void MainWindowMacrosLogsTest::exit_closesPortAndTerminatesOnce() {
    Harness h;
    h.start();
    h.showAndActivate();
    QVERIFY(h.port.isOpen());
    QTest::mouseClick(h.find<QWidget>("Command2"), Qt::LeftButton);
    QVERIFY(!h.port.isOpen());
    QCOMPARE(h.port.closeCalls, 1);
    QCOMPARE(h.terminations, 1);
}

void MainWindowMacrosLogsTest::windowClose_runsExitSequence() {
    Harness h;
    h.start("SAVERX=1\n");
    h.showAndActivate();
    h.port.feed("pending");
    QVERIFY(h.window->close());
    QCOMPARE(h.readFile("$log_rx.txt"), kHeader + "pending");
    QVERIFY(!h.port.isOpen());
    QCOMPARE(h.terminations, 1);
}

QTEST_MAIN(MainWindowMacrosLogsTest)
#include "main_window_macros_logs_test.moc"
