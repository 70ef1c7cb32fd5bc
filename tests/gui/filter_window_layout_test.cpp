// Every box of the filter window shows its whole caption, meets no other box and not
// the Ok button, and the window keeps the drawn size times the main window's scale.
#include <QCheckBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "aprs/filter_window.h"

using quilmo::FilterFlags;
using quilmo::FilterWindow;

class FilterWindowLayoutTest : public QObject {
    Q_OBJECT
private slots:
    void boxesFitAndKeepApart_data() {
        QTest::addColumn<double>("scale");
        QTest::newRow("full size") << 1.0;
        QTest::newRow("1024x768") << 1024.0 / 1100;
        QTest::newRow("960x540") << 540.0 / 768;
    }
    void boxesFitAndKeepApart() {
        QFETCH(double, scale);
        QTemporaryDir dir;
        FilterFlags flags{};
        FilterWindow window(flags, dir.path().toStdString());
        window.setScale(scale);
        QVERIFY(window.openWindow());
        const auto px = [&](int twips) { return static_cast<int>(std::lround(twips * scale * window.logicalDpiY() / 1440.0)); };
        QCOMPARE(window.size(), QSize(px(4395), px(8820)));

        QList<QWidget*> elements{window.findChild<QPushButton*>("Command1")};
        for (QCheckBox* box : window.findChildren<QCheckBox*>()) elements << box;
        QCOMPARE(elements.size(), 33);
        for (int i = 0; i < elements.size(); ++i) {
            QWidget* w = elements[i];
            QVERIFY2(window.rect().contains(w->geometry()), qPrintable(w->objectName()));
            if (auto* box = qobject_cast<QCheckBox*>(w)) {
                QVERIFY2(box->sizeHint().width() <= box->width() && box->fontMetrics().height() <= box->height(),
                         qPrintable(QString("%1 needs %2x%3 in %4x%5").arg(box->text()).arg(box->sizeHint().width())
                                        .arg(box->fontMetrics().height()).arg(box->width()).arg(box->height())));
            }
            for (int j = i + 1; j < elements.size(); ++j) {
                QVERIFY2(!w->geometry().intersects(elements[j]->geometry()),
                         qPrintable(w->objectName() + " meets " + elements[j]->objectName()));
            }
        }
    }
};

QTEST_MAIN(FilterWindowLayoutTest)
#include "filter_window_layout_test.moc"
