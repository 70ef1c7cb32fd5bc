#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <set>

#include "aprs/filter_window.h"

using quilmo::FilterFlags;
using quilmo::FilterWindow;

namespace {

std::set<int> selected(const FilterFlags& flags) {
    std::set<int> out;
    for (int i = 0; i < static_cast<int>(flags.size()); ++i)
        if (flags[i] != 0) out.insert(i);
    return out;
}

// Layout is given in twips; the window scales it by its logical DPI.
int twipsToPx(int twips, int dpi) { return qRound(twips * dpi / 1440.0); }

}  // namespace

class FilterWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    FilterFlags flags_{};
    std::unique_ptr<FilterWindow> window_;

    QString iniPath() const { return dir_->filePath(QStringLiteral("filter.ini")); }
    void writeIni(const QByteArray& bytes) {
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray readIni() const {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QCheckBox* box(int position) const {
        return window_->findChild<QCheckBox*>(QStringLiteral("Check%1").arg(position));
    }
    QPushButton* ok() const { return window_->findChild<QPushButton*>(QStringLiteral("Command1")); }
    QStringList checkedCaptions() const {
        QStringList out;
        for (int p = 0; box(p); ++p)
            if (box(p)->isChecked()) out << box(p)->text();
        return out;
    }
    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(4, w->height() / 2)); }

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        flags_ = FilterFlags{};
        window_ = std::make_unique<FilterWindow>(flags_, dir_->path().toStdString());
    }
    void cleanup() {
        window_.reset();
        dir_.reset();
    }

    void isModelessTopLevelToolWindow() {
        QCOMPARE(window_->objectName(), QStringLiteral("Form2"));
        QCOMPARE(window_->windowTitle(), QStringLiteral("APRS filter"));
        QVERIFY(window_->isWindow());
        QVERIFY(window_->windowFlags().testFlag(Qt::Tool));
        QVERIFY(!window_->isModal());
        QVERIFY(ok());
        QCOMPARE(ok()->text(), QStringLiteral("Ok"));
    }

    void boxesInOrder() {
        window_->openWindow();
        const QStringList classes = {"*all", "*undefined", "*messages", "*status report", "*station capabilities",
                                     "*telemetry data"};
        for (int p = 0; p < classes.size(); ++p) QCOMPARE(box(p)->text(), classes[p]);
        QCOMPARE(box(6)->text(), QStringLiteral("Digipeater"));
        QCOMPARE(box(10)->text(), QStringLiteral("Car"));
        QCOMPARE(box(31)->text(), QStringLiteral("Van"));
        QVERIFY(!box(32));
        QCOMPARE(window_->findChildren<QCheckBox*>().size(), 32);
    }

    void missingFileSelectsAllAndOkWritesIt() {
        QSignalSpy loads(window_.get(), &FilterWindow::aboutToLoad);
        QSignalSpy oks(window_.get(), &FilterWindow::okClosed);
        QVERIFY(window_->openWindow());
        QVERIFY(window_->isVisible());
        QCOMPARE(loads.count(), 1);
        QCOMPARE(readIni(), QByteArray());  // created empty
        QCOMPARE(checkedCaptions(), QStringList{"*all"});
        QCOMPARE(selected(flags_), std::set<int>{0});

        click(ok());
        QCOMPARE(readIni(), QByteArray("0\r\n"));
        QVERIFY(!window_->isVisible());
        QCOMPARE(oks.count(), 1);
    }

    void fileSelectsBoxes_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("checked");
        QTest::addColumn<QList<int>>("flags");
        QTest::newRow("car and too large") << QByteArray("62\r\n300") << QStringList{"*all", "Car"} << QList<int>{0, 62};
        QTest::newRow("messages only") << QByteArray("2\r\n") << QStringList{"*messages"} << QList<int>{2};
        QTest::newRow("last line without line end")
            << QByteArray("35\r\n118") << QStringList{"Digipeater", "Van"} << QList<int>{35, 118};
        QTest::newRow("blank line selects all") << QByteArray("\r\n5\r\n") << QStringList{"*all", "*telemetry data"}
                                                << QList<int>{0, 5};
        QTest::newRow("negative selects all") << QByteArray("-62\r\n") << QStringList{"*all"} << QList<int>{0};
        // A symbol without a name has no box, but its flag still filters.
        QTest::newRow("unnamed symbol") << QByteArray("33\r\n") << QStringList{} << QList<int>{33};
    }
    void fileSelectsBoxes() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, checked);
        QFETCH(QList<int>, flags);
        writeIni(file);
        window_->openWindow();
        QCOMPARE(checkedCaptions(), checked);
        QCOMPARE(selected(flags_), std::set<int>(flags.begin(), flags.end()));
        QCOMPARE(readIni(), file);  // opening never rewrites the file
    }

    void openingReplacesEarlierFlags() {
        flags_[2] = 1;
        flags_[256] = 1;
        writeIni("62\r\n");
        window_->openWindow();
        QCOMPARE(selected(flags_), (std::set<int>{62, 256}));
    }

    void clickEditsFlagAtOnce() {
        window_->openWindow();
        click(box(6));
        QCOMPARE(selected(flags_), (std::set<int>{0, '#'}));
        click(box(0));
        QCOMPARE(selected(flags_), std::set<int>{'#'});
        click(box(6));
        QCOMPARE(selected(flags_), std::set<int>{});
        QCOMPARE(readIni(), QByteArray());  // nothing written before "Ok"
    }

    void uncheckingEverythingStoresAll() {
        writeIni("0\r\n62\r\n");
        window_->openWindow();
        click(box(0));
        click(box(10));
        QVERIFY(checkedCaptions().isEmpty());
        QCOMPARE(selected(flags_), std::set<int>{});
        click(ok());
        QCOMPARE(readIni(), QByteArray("0\r\n"));
        QCOMPARE(selected(flags_), std::set<int>{0});
    }

    void okWritesSelectionAscending() {
        window_->openWindow();
        click(box(31));
        click(box(2));
        click(box(0));
        click(ok());
        QCOMPARE(readIni(), QByteArray("2\r\n118\r\n"));
    }

    void reopeningWhileOpenOnlyRaises() {
        QSignalSpy loads(window_.get(), &FilterWindow::aboutToLoad);
        window_->openWindow();
        click(box(2));
        writeIni("62\r\n");
        QVERIFY(!window_->openWindow());
        QCOMPARE(loads.count(), 1);
        QCOMPARE(selected(flags_), (std::set<int>{0, 2}));
        QCOMPARE(checkedCaptions(), (QStringList{"*all", "*messages"}));
    }

    void closeControlKeepsFlagsWritesNothing() {
        writeIni("62\r\n");
        QSignalSpy loads(window_.get(), &FilterWindow::aboutToLoad);
        QSignalSpy oks(window_.get(), &FilterWindow::okClosed);
        window_->openWindow();
        click(box(10));
        QVERIFY(window_->close());
        QVERIFY(!window_->isVisible());
        QCOMPARE(selected(flags_), std::set<int>{});  // not completed to "*all" either
        QCOMPARE(readIni(), QByteArray("62\r\n"));
        QCOMPARE(oks.count(), 0);

        // The next opening reads the file anew.
        QVERIFY(window_->openWindow());
        QCOMPARE(loads.count(), 2);
        QCOMPARE(selected(flags_), std::set<int>{62});
    }

    void aboutToLoadComesBeforeTheRead() {
        // Whatever happens on aboutToLoad (XOFF goes out) is over before the file is read.
        connect(window_.get(), &FilterWindow::aboutToLoad, this, [this] { writeIni("118\r\n"); });
        window_->openWindow();
        QCOMPARE(selected(flags_), std::set<int>{118});
        QCOMPARE(checkedCaptions(), QStringList{"Van"});
    }

    void reopeningAfterOkRebuildsBoxes() {
        window_->openWindow();
        click(ok());
        writeIni("62\r\n");
        window_->openWindow();
        QCOMPARE(window_->findChildren<QCheckBox*>().size(), 32);
        QCOMPARE(checkedCaptions(), QStringList{"Car"});
    }

    void unreadableFileCountsAsEmpty() {
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("filter.ini")));
        QSignalSpy oks(window_.get(), &FilterWindow::okClosed);
        window_->openWindow();
        QCOMPARE(selected(flags_), std::set<int>{0});
        click(box(10));
        click(ok());
        QVERIFY(!window_->isVisible());
        QCOMPARE(oks.count(), 1);
        QCOMPARE(selected(flags_), (std::set<int>{0, 62}));
    }

    void layoutFollowsTwips() {
        window_->openWindow();
        const int dx = window_->logicalDpiX();
        const int dy = window_->logicalDpiY();
        QCOMPARE(window_->size(), QSize(twipsToPx(4395, dx), twipsToPx(8820, dy)));
        QCOMPARE(box(0)->geometry(), QRect(twipsToPx(240, dx), twipsToPx(120, dy), twipsToPx(3800, dx),
                                           twipsToPx(200, dy)));
        QCOMPARE(box(5)->y(), twipsToPx(120 + 5 * 250, dy));
        QCOMPARE(box(6)->y(), twipsToPx(120 + 6 * 250 + 200, dy));
        QCOMPARE(box(31)->y(), twipsToPx(120 + 31 * 250 + 200, dy));
        for (int p = 1; p < 32; ++p) QCOMPARE(box(p)->x(), box(0)->x());
        QCOMPARE(ok()->geometry(), QRect(twipsToPx(3360, dx), twipsToPx(8280, dy), twipsToPx(975, dx),
                                         twipsToPx(375, dy)));
        QVERIFY(box(31)->geometry().bottom() < ok()->y());
    }
};

QTEST_MAIN(FilterWindowTest)
#include "filter_window_test.moc"
