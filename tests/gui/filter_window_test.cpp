// The station filter window over a real filter.ini: what opening shows, what "Ok" stores,
// and where its boxes go at full size and scaled down. Parsing and writing the file are
// unit-tested; these prove the boxes follow it.
#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "aprs/filter_window.h"

using quilmo::FilterFlags;
using quilmo::FilterWindow;

namespace {
struct Fixture {
    QTemporaryDir dir;
    FilterFlags flags{};
    FilterWindow window{flags, dir.path().toStdString()};

    void writeIni(const QByteArray& bytes) {
        QFile f(dir.filePath("filter.ini"));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write filter.ini");
    }
    QByteArray readIni() const {
        QFile f(dir.filePath("filter.ini"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QStringList checked() const {
        QStringList out;
        for (QCheckBox* box : window.findChildren<QCheckBox*>())
            if (box->isChecked()) out << box->text();
        return out;
    }
    void click(const QString& name) const {
        QWidget* w = window.findChild<QWidget*>(name);  // a missing one fails the test with a crash
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(4, w->height() / 2));
    }
};
}  // namespace

class FilterWindowTest : public QObject {
    Q_OBJECT
private slots:
    void opening_showsFileAndOkStoresIt_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("checked");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("no file") << QByteArray() << QStringList{"*all"} << QByteArray("0\r\n");
        QTest::newRow("car and a number too large") << QByteArray("62\r\n300") << QStringList{"*all", "Car"}
                                                    << QByteArray("0\r\n62\r\n");
    }
    void opening_showsFileAndOkStoresIt() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, checked);
        QFETCH(QByteArray, stored);
        Fixture f;
        if (!file.isEmpty()) f.writeIni(file);
        QVERIFY(f.window.openWindow());
        QCOMPARE(f.checked(), checked);
        f.click("Command1");
        QVERIFY(!f.window.isVisible());
        QCOMPARE(f.readIni(), stored);
    }

    void reopenWhileOpen_keepsClicks_thenNothingCheckedStoresAll() {
        Fixture f;
        f.window.openWindow();
        f.click("Check2");
        f.writeIni("62\r\n");
        QVERIFY(!f.window.openWindow());
        QCOMPARE(f.checked(), (QStringList{"*all", "*messages"}));
        for (const char* box : {"Check0", "Check2"}) f.click(box);
        QVERIFY(f.checked().isEmpty());
        f.click("Command1");
        QCOMPARE(f.readIni(), QByteArray("0\r\n"));
        QCOMPARE(f.flags[0], 1);
    }

    // Every box shows its whole caption and meets no other box and not the Ok button, and
    // the window keeps the drawn size times the main window's scale.
    void boxesFitAndKeepApart_data() {
        QTest::addColumn<double>("scale");
        QTest::newRow("full size") << 1.0;
        QTest::newRow("960x540") << 540.0 / 768;
    }
    void boxesFitAndKeepApart() {
        QFETCH(double, scale);
        Fixture f;
        f.window.setScale(scale);
        QVERIFY(f.window.openWindow());
        const auto px = [&](int twips) { return static_cast<int>(std::lround(twips * scale * f.window.logicalDpiY() / 1440.0)); };
        QCOMPARE(f.window.size(), QSize(px(4395), px(8820)));
        QWidgetList elements{f.window.findChild<QPushButton*>("Command1")};
        for (QCheckBox* box : f.window.findChildren<QCheckBox*>()) elements << box;
        QCOMPARE(elements.size(), 33);
        for (int i = 0; i < elements.size(); ++i) {
            const QWidget* w = elements[i];
            QVERIFY2(f.window.rect().contains(w->geometry()), qPrintable(w->objectName()));
            const bool captionFits = w->sizeHint().width() <= w->width() && w->fontMetrics().height() <= w->height();
            QVERIFY2(i == 0 || captionFits, qPrintable(w->objectName()));  // the Ok button keeps its drawn size
            for (int j = i + 1; j < elements.size(); ++j) {
                QVERIFY2(!w->geometry().intersects(elements[j]->geometry()),
                         qPrintable(w->objectName() + " meets " + elements[j]->objectName()));
            }
        }
    }
};

QTEST_MAIN(FilterWindowTest)
#include "filter_window_test.moc"
