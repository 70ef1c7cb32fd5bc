// The Messages window offscreen over a messaging object of its own: the keys a user
// writes a message with, what goes out, refusals, the states shown, unread marks, cancel
// and resend, bulletins, the notice without MYCALL. The rules themselves are unit-tested; this proves the window
// follows them.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include "app/messages_window.h"
#include "../unit/memory_message_store.h"
#include "plain_text.h"

using namespace quilmo;

namespace {

QStringList rowsOf(const QTreeWidget* tree) {
    QStringList rows;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = tree->topLevelItem(i);
        rows << row->text(1) + " " + row->text(2) + " | " + row->text(3);
    }
    return rows;
}

QStringList textsOf(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
}

struct Fixture {
    std::int64_t now = 1'780'000'000'000;
    Messaging messaging{"N0CALL-7", nullptr, [this] { return now; }};
    std::vector<std::string> sent;
    MessagesWindow window{messaging, [this](const std::string& info) { sent.push_back(info); }};
    QLineEdit* addressee = window.findChild<QLineEdit*>("Addressee");
    QLineEdit* text = window.findChild<QLineEdit*>("MessageText");
    QTreeWidget* conversation = window.findChild<QTreeWidget*>("Conversation");
    QListWidget* stations = window.findChild<QListWidget*>("MessageStations");
    QLabel* reason = window.findChild<QLabel*>("MessageReason");

    Fixture() { messaging.setLinkReady(true); }
};

}  // namespace

class MessagesWindowTest : public QObject {
    Q_OBJECT
private slots:
    void writeSendRefuseAnswer() {
        Fixture f;
        f.window.openWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        QCOMPARE(f.window.windowTitle(), QString("Messages"));
        QCOMPARE(QApplication::focusWidget(), f.addressee);

        QTest::keyClicks(f.addressee, "w1aw");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), f.text);
        QTest::keyClicks(f.text, "Hello there");
        QTest::keyClick(f.text, Qt::Key_Return);
        QCOMPARE(f.sent, std::vector<std::string>{":W1AW     :Hello there{1"});
        QCOMPARE(f.text->text(), QString());
        QCOMPARE(textsOf(f.stations), QStringList{"W1AW"});
        QCOMPARE(rowsOf(f.conversation), QStringList{"out Hello there | sending 1/7"});

        QTest::keyClicks(f.text, "pipe | here");
        QTest::keyClick(f.text, Qt::Key_Return);
        QVERIFY(f.reason->isVisible());
        QCOMPARE(f.reason->text(), QString("The text holds '|', which a message cannot carry ('|', '~' and '{' are not allowed)."));
        QCOMPARE(f.text->text(), QString("pipe | here"));
        QCOMPARE(f.sent.size(), 1U);

        // Their ack and a message of another station arrive while the window is open.
        f.messaging.receive("W1AW", ":N0CALL-7 :ack1");
        f.messaging.receive("K1ABC-9", ":N0CALL-7 :Are you there?{4");
        QCOMPARE(rowsOf(f.conversation), QStringList{"out Hello there | acknowledged"});
        QCOMPARE(textsOf(f.stations), (QStringList{"K1ABC-9 (1)", "W1AW"}));
        QCOMPARE(f.messaging.unreadCount(), 1);
        QTest::mouseClick(f.stations->viewport(), Qt::LeftButton, {}, f.stations->visualItemRect(f.stations->item(0)).center());
        QCOMPARE(f.addressee->text(), QString("K1ABC-9"));
        QCOMPARE(rowsOf(f.conversation), QStringList{"in Are you there? | "});
        QCOMPARE(f.messaging.unreadCount(), 0);
        QCOMPARE(textsOf(f.stations), (QStringList{"K1ABC-9", "W1AW"}));
        QCOMPARE(QApplication::focusWidget(), f.text);
    }

    void cancelResendBulletinsNotices() {
        Fixture f;
        f.window.openWindow();
        f.addressee->setText("W1AW");
        f.text->setText("Hi");
        QTest::keyClick(f.text, Qt::Key_Return);
        auto* cancel = f.window.findChild<QPushButton*>("CancelMessage");
        auto* resend = f.window.findChild<QPushButton*>("ResendMessage");
        QVERIFY(!cancel->isEnabled() && !resend->isEnabled());  // nothing chosen
        f.conversation->setCurrentItem(f.conversation->topLevelItem(0));
        QVERIFY(cancel->isEnabled() && !resend->isEnabled());
        QTest::mouseClick(cancel, Qt::LeftButton);
        QCOMPARE(rowsOf(f.conversation), QStringList{"out Hi | cancelled"});
        QTest::mouseClick(resend, Qt::LeftButton);
        QCOMPARE(f.sent, (std::vector<std::string>{":W1AW     :Hi{1", ":W1AW     :Hi{2"}));
        QCOMPARE(rowsOf(f.conversation), QStringList{"out Hi | sending 1/7"});

        f.messaging.receive("W1AW", ":BLN1     :Net tonight at 20:00");
        QCOMPARE(textsOf(f.window.findChild<QListWidget*>("Bulletins")), QStringList{"BLN1 W1AW: Net tonight at 20:00"});
        QVERIFY(!f.window.findChild<QLabel*>("MessagesNotice")->isVisible());
        Messaging noCall("", nullptr, [] { return 0; });
        MessagesWindow window(noCall, {});
        window.openWindow();
        QCOMPARE(window.findChild<QLabel*>("MessagesNotice")->text(),
                 QString("Messages are sent only with your callsign in Quilmo.ini (MYCALL=)."));
    }

    // Typed text in any script goes out as the Tx buffer sends it, counted in characters;
    // text heard is shown as read, its control characters in caret notation.
    void textInAnyScript() {
        Fixture f;
        f.window.openWindow();
        f.addressee->setText("W1AW");
        f.text->setText(QStringLiteral("Gr\u00FC\u00DFe \u2713"));
        QCOMPARE(f.window.findChild<QLabel*>("MessageLength")->text(), QString("7/67"));
        QTest::keyClick(f.text, Qt::Key_Return);
        f.text->setText(QStringLiteral("Gr\u00FC\u00DFe"));
        QTest::keyClick(f.text, Qt::Key_Return);
        QCOMPARE(f.sent, (std::vector<std::string>{":W1AW     :Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x93{1", ":W1AW     :Gr\xFC\xDF" "e{2"}));
        f.messaging.receive("W1AW", ":N0CALL-7 :Gr\xC3\xBC\xC3\x9F" "e \x1B[1mfett{3");
        QCOMPARE(rowsOf(f.conversation), (QStringList{QStringLiteral("out Gr\u00FC\u00DFe \u2713 | sending 1/7"),
                                                      QStringLiteral("out Gr\u00FC\u00DFe | sending 1/7"),
                                                      QStringLiteral("in Gr\u00FC\u00DFe ^[[1mfett | ")}));
    }

    // While open, a change moves only the row of its station (the rows of the others stay
    // what they are) and redraws only its conversation; while hidden, nothing is followed
    // and the window is right again when shown.
    void followsEachChangeWhereItHappens() {
        Fixture f;
        f.messaging.receive("W1AW", ":N0CALL-7 :one{1");
        f.messaging.receive("K1ABC", ":N0CALL-7 :two{2");
        f.window.openWindow();  // on the newest unread conversation, which is read now
        QCOMPARE(textsOf(f.stations), (QStringList{"K1ABC", "W1AW (1)"}));
        QCOMPARE(rowsOf(f.conversation), QStringList{"in two | "});
        QListWidgetItem* w1aw = f.stations->item(1);
        QTest::mouseClick(f.stations->viewport(), Qt::LeftButton, {}, f.stations->visualItemRect(w1aw).center());
        QCOMPARE(rowsOf(f.conversation), QStringList{"in one | "});

        f.messaging.receive("DB0XYZ", ":N0CALL-7 :three{3");
        f.messaging.receive("K1ABC", ":N0CALL-7 :four{4");
        QCOMPARE(textsOf(f.stations), (QStringList{"K1ABC (1)", "DB0XYZ (1)", "W1AW"}));
        QCOMPARE(f.stations->item(2), w1aw);
        QVERIFY(w1aw->isSelected());
        QCOMPARE(rowsOf(f.conversation), QStringList{"in one | "});
        f.messaging.receive("W1AW", ":N0CALL-7 :five{5");
        QCOMPARE(f.stations->item(0), w1aw);
        QCOMPARE(textsOf(f.stations), (QStringList{"W1AW", "K1ABC (1)", "DB0XYZ (1)"}));
        QCOMPARE(rowsOf(f.conversation), (QStringList{"in one | ", "in five | "}));
        QCOMPARE(f.messaging.unreadCount(), 2);

        f.window.hide();
        f.messaging.receive("N0ABC", ":N0CALL-7 :six{6");
        f.messaging.receive("W1AW", ":N0CALL-7 :seven{7");
        QCOMPARE(f.messaging.unreadCount("W1AW"), 1);  // not read while nobody sees it
        QCOMPARE(f.stations->count(), 3);
        f.window.openWindow();
        QCOMPARE(textsOf(f.stations), (QStringList{"W1AW", "N0ABC (1)", "K1ABC (1)", "DB0XYZ (1)"}));
        QCOMPARE(rowsOf(f.conversation), (QStringList{"in one | ", "in five | ", "in seven | "}));
        QCOMPARE(f.messaging.unreadCount("W1AW"), 0);
    }

    // The notice quotes the store's reason, which can hold a path or a file's words: as text.
    // From a station's menu elsewhere: the addressee filled, its conversation chosen, the
    // focus in the text.
    void composeToAStation() {
        Fixture f;
        f.window.composeTo("IW0ABC-9");
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        QCOMPARE(f.addressee->text(), QString("IW0ABC-9"));
        QCOMPARE(QApplication::focusWidget(), f.text);
        QTest::keyClicks(f.text, "hello");
        QTest::keyClick(f.text, Qt::Key_Return);
        QCOMPARE(f.sent.size(), std::size_t{1});
        QVERIFY2(f.sent[0].starts_with(":IW0ABC-9 :hello{"), f.sent[0].c_str());
    }

    void noticeShowsMarkupAsWritten() {
        test::MemoryMessageStore store;
        store.failWith = "<b>/home/x</b> cannot be read.";
        Messaging failing("N0CALL", &store, [] { return 0; });
        MessagesWindow window(failing, {});
        window.openWindow();
        QCOMPARE(test::shownText(window.findChild<QLabel*>("MessagesNotice")),
                 QString("<b>/home/x</b> cannot be read. Messages are kept only until the program ends."));
    }

};

QTEST_MAIN(MessagesWindowTest)
#include "messages_window_test.moc"
