#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "aprs/filter_window.h"

using quilmo::FilterFlags;
using quilmo::FilterWindow;

class FilterWindowTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;
    FilterFlags flags_{};
    std::unique_ptr<FilterWindow> window_;

    QString ini() const { return dir_->filePath("filter.ini"); }
    void writeIni(const QByteArray& bytes) {
        QFile f(ini());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray readIni() const {
        QFile f(ini());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QCheckBox* box(int position) const { return window_->findChild<QCheckBox*>(QString("Check%1").arg(position)); }
    QPushButton* ok() const { return window_->findChild<QPushButton*>("Command1"); }
    QStringList checkedBoxes() const {
        QStringList out;
        for (QCheckBox* b : window_->findChildren<QCheckBox*>())
            if (b->isChecked()) out << b->text();
        return out;
    }
    QList<int> selected() const {
        QList<int> out;
        for (int i = 0; i < static_cast<int>(flags_.size()); ++i)
            if (flags_[i] != 0) out << i;
        return out;
    }
    static void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(4, w->height() / 2)); }

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        flags_ = FilterFlags{};
        window_ = std::make_unique<FilterWindow>(flags_, dir_->path().toStdString());
    }

    void windowAndBoxes() {
        QVERIFY(window_->openWindow());
        QCOMPARE(window_->objectName(), "Form2");
        QCOMPARE(window_->windowTitle(), "APRS filter");
        QVERIFY(window_->isWindow() && window_->windowFlags().testFlag(Qt::Tool) && !window_->isModal());
        QCOMPARE(ok()->text(), "Ok");
        QCOMPARE(window_->findChildren<QCheckBox*>().size(), 32);
        const QStringList first = {"*all", "*undefined", "*messages", "*status report", "*station capabilities",
                                   "*telemetry data", "Digipeater"};
        for (int p = 0; p < first.size(); ++p) QCOMPARE(box(p)->text(), first[p]);
        QCOMPARE(box(31)->text(), "Van");
        // Twips at the window's DPI: boxes 250 apart, 200 more before the symbols, "Ok" below them all.
        const auto px = [&](int twips) { return qRound(twips * window_->logicalDpiY() / 1440.0); };
        QCOMPARE(window_->height(), px(8820));
        QCOMPARE(box(5)->y(), px(1370));
        QCOMPARE(box(6)->y(), px(1820));
        QCOMPARE(ok()->geometry().top(), px(8280));
        QCOMPARE(box(31)->x(), box(0)->x());
    }

    void opening_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("checked");
        QTest::addColumn<QList<int>>("flags");
        QTest::addColumn<QByteArray>("stored");  // by "Ok"
        QTest::newRow("no file") << QByteArray("<missing>") << QStringList{"*all"} << QList<int>{0} << QByteArray("0\r\n");
        QTest::newRow("car and too large") << QByteArray("62\r\n300") << QStringList{"*all", "Car"} << QList<int>{0, 62}
                                           << QByteArray("0\r\n62\r\n");
        QTest::newRow("no line end") << QByteArray("35\r\n118") << QStringList{"Digipeater", "Van"}
                                     << QList<int>{35, 118} << QByteArray("35\r\n118\r\n");
        QTest::newRow("unnamed symbol has no box") << QByteArray("33\r\n") << QStringList{} << QList<int>{33}
                                                   << QByteArray("33\r\n");
    }
    void opening() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, checked);
        QFETCH(QList<int>, flags);
        QFETCH(QByteArray, stored);
        if (file != "<missing>") writeIni(file);
        flags_[2] = 1;  // opening replaces what was clicked before
        QSignalSpy loads(window_.get(), &FilterWindow::aboutToLoad);
        QVERIFY(window_->openWindow());
        QCOMPARE(loads.count(), 1);
        QCOMPARE(checkedBoxes(), checked);
        QCOMPARE(selected(), flags);
        QCOMPARE(readIni(), file == "<missing>" ? QByteArray() : file);  // created empty, never rewritten
        click(ok());
        QCOMPARE(readIni(), stored);
    }

    void clicksApplyAtOnceAndOkStoresAllWhenEmpty() {
        writeIni("0\r\n62\r\n");
        QSignalSpy oks(window_.get(), &FilterWindow::okClosed);
        window_->openWindow();
        click(box(31));
        QCOMPARE(selected(), (QList<int>{0, 62, 118}));
        for (int p : {0, 10, 31}) click(box(p));
        QVERIFY(checkedBoxes().isEmpty());
        QCOMPARE(selected(), QList<int>{});
        QCOMPARE(readIni(), QByteArray("0\r\n62\r\n"));
        click(ok());
        QCOMPARE(readIni(), QByteArray("0\r\n"));
        QCOMPARE(selected(), QList<int>{0});
        QVERIFY(!window_->isVisible());
        QCOMPARE(oks.count(), 1);
    }

    void reopeningWhileOpenOnlyRaises() {
        QSignalSpy loads(window_.get(), &FilterWindow::aboutToLoad);
        window_->openWindow();
        click(box(2));
        writeIni("62\r\n");
        QVERIFY(!window_->openWindow());
        QCOMPARE(loads.count(), 1);
        QCOMPARE(selected(), (QList<int>{0, 2}));
    }

    void closeControlKeepsFlagsAndWritesNothing() {
        writeIni("62\r\n");
        QSignalSpy oks(window_.get(), &FilterWindow::okClosed);
        window_->openWindow();
        click(box(10));
        QVERIFY(window_->close());
        QCOMPARE(selected(), QList<int>{});  // not completed to "*all" either
        QCOMPARE(readIni(), QByteArray("62\r\n"));
        QCOMPARE(oks.count(), 0);
        QVERIFY(window_->openWindow());  // reads the file anew, rebuilding the boxes
        QCOMPARE(selected(), QList<int>{62});
        QCOMPARE(window_->findChildren<QCheckBox*>().size(), 32);
    }

    void aboutToLoadComesBeforeTheRead() {
        connect(window_.get(), &FilterWindow::aboutToLoad, this, [this] { writeIni("118\r\n"); });
        window_->openWindow();
        QCOMPARE(checkedBoxes(), QStringList{"Van"});
    }
};

QTEST_MAIN(FilterWindowTest)
#include "filter_window_test.moc"
