// Text from Quilmo.ini, a macro file or the system reaches the main window's labels and
// tooltips as it was written: markup in it is shown, never obeyed.
#include <QLabel>

#include "main_window_harness.h"
#include "plain_text.h"

using namespace quilmo;
using namespace quilmo::test;

class MainWindowMarkupTest : public QObject {
    Q_OBJECT
private slots:
    void markupFromFilesShowsAsWritten() {
        Harness h;
        h.writeFile("macro1.txt", "<b>M1</b> and <img src=\"/etc/x.png\">\r\n");
        h.start("DEVICE=/dev/<b>tty</b>\nKISS=1\nMYCALL=N0CALL\nUNPROTO=<I>CQ</I>\n");
        const QString status = shownText(h.find<QLabel>("Label6"));
        QVERIFY2(status.contains("/dev/<b>tty</b>"), qPrintable(status));
        auto* notice = h.find<QLabel>("Label37");
        QVERIFY(notice->isVisible());
        // The value may give way on a narrow line; the reason quotes it again, as written.
        QVERIFY2(shownText(notice).startsWith("UNPROTO=") && shownText(notice).contains("<I>CQ</I> is no callsign"),
                 qPrintable(shownText(notice)));
        QVERIFY2(shownToolTip(notice->toolTip()).startsWith("UNPROTO=<I>CQ</I> cannot be used"), qPrintable(notice->toolTip()));
        const QString macro = shownToolTip(h.find<QLabel>("Label12")->toolTip());
        QVERIFY2(macro.startsWith("<b>M1</b> and <img src="), qPrintable(macro));
    }
};

QTEST_MAIN(MainWindowMarkupTest)
#include "main_window_markup_test.moc"
