#include "app/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QShortcut>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <sstream>
#include <string_view>
#include <vector>

#include "app/app_icon.h"
#include "app/aprs_station.h"
#include "app/click_label.h"
#include "app/console_widgets.h"
#include "app/filter_window.h"
#include "app/growing_view.h"
#include "app/layout.h"
#include "app/link_session.h"
#include "app/map_window.h"
#include "app/messages_window.h"
#include "app/port_status.h"
#include "app/settings_window.h"
#include "app/stations_window.h"
#include "app/text_display.h"
#include "platform/files.h"
#include "platform/qt_text.h"
#include "platform/qt_tick_box_style.h"
#include "terminal/macro_use.h"
#include "terminal/macros.h"

namespace quilmo {

namespace {

int functionKeyNumber(int key) {
    if (key >= Qt::Key_F1 && key <= Qt::Key_F8) return key - Qt::Key_F1 + 1;
    if (key == Qt::Key_F12) return 12;
    return 0;
}

}  // namespace

MainWindow::MainWindow(LinkSession& session, WindowSeams seams, QWidget* parent)
    : QWidget(parent),
      session_(session),
      dir_(session.filesFolder()),
      seams_(std::move(seams)),
      screen_(seams_.screen ? *seams_.screen : primaryScreenMetrics()) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromLatin1(kProductName));
    setWindowIcon(QIcon(quilmoIcon(32)));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    buildWidgets();
    stationsWindow_ = new StationsWindow(session_.stations(), seams_.putClipboard, this);
    stationsWindow_->setLatestRecord([this](const std::string& station) { return session_.latestRecord(station); });
    // A station picked in the list is where the map looks next.
    connect(stationsWindow_, &StationsWindow::stationActivated, this, [this](const QString& station) {
        if (mapWindow_ != nullptr) mapWindow_->centreOnStation(station);
    });
    connect(stationsWindow_, &StationsWindow::showOnMap, this, [this](const QString& station) {
        openMapWindow();
        mapWindow_->centreOnStation(station);
    });
    connect(stationsWindow_, &StationsWindow::sendMessageTo, this, &MainWindow::composeMessageTo);
    buildTabOrder();
    connectActions();
    buildNoticeLine();
    followSession();
    // Function keys work wherever the focus is, so they are caught before any widget sees them.
    qApp->installEventFilter(this);
}

const BoundedText& MainWindow::rxView() const { return text1_->model(); }
const BoundedText& MainWindow::txHistory() const { return text2_->model(); }
const BoundedText& MainWindow::aprsView() const { return text7_->model(); }

MainWindow::~MainWindow() {
    if (messagesListener_ != 0) session_.station()->messaging().removeListener(messagesListener_);
}

// What the session tells, the window shows; what the window shows comes from nowhere else.
void MainWindow::followSession() {
    connect(&session_, &LinkSession::received, this,
            [this](const std::string& text) { text1_->append(text, GrowingView::Trim::BeforeAppend); });
    connect(&session_, &LinkSession::sent, this,
            [this](const std::string& readable) { text2_->append(readable, GrowingView::Trim::AfterAppend); });
    connect(&session_, &LinkSession::xoffShown, this, [this](bool shown) { labels_.at(30)->setVisible(shown); });
    connect(&session_, &LinkSession::packetDecoded, this, [this](const DecodedPacket& packet) {
        if (mapWindow_ != nullptr) mapWindow_->refresh();
        if (!packet.shown) return;
        text7_->append(packet.record, GrowingView::Trim::AfterAppend);
        focusTxBuffer();
    });
    connect(&session_, &LinkSession::coordinatesOffered, this,
            [this] { static_cast<ClickLabel*>(labels_.at(35))->setBackground(QColor(kFreshGreen)); });
    connect(&session_, &LinkSession::portStateChanged, this, [this] { showPortStatus(); });
    connect(&session_, &LinkSession::noticesChanged, this, [this] { showNotices(); });
    // The messaging the window follows goes with the station; a new one is followed after.
    connect(&session_, &LinkSession::stationReplacing, this, [this] {
        if (messagesListener_ != 0) session_.station()->messaging().removeListener(messagesListener_);
        messagesListener_ = 0;
        delete messagesWindow_;
        messagesWindow_ = nullptr;
    });
    connect(&session_, &LinkSession::settingsChanged, this, [this] { settingsApplied(); });
    connect(&session_, &LinkSession::transmitRefused, this, [this](const std::string& why) {
        seams_.messageBox(QString::fromLatin1(kProductName), fromCp1252(why));
        focusTxBuffer();
    });
    // The box waits for the event loop when it comes from the port's own handling.
    connect(&session_, &LinkSession::openFailed, this, [this](const std::string& text) {
        // Settings come from Quilmo.ini (Windows-1252), the reason and the folder from the system (UTF-8).
        seams_.messageBox(QString::fromLatin1(kProductName), fromAirText(text));
    });
}

void MainWindow::buildWidgets() {
    text1_ = makeView<GrowingView>(this, "Text1", 0xFFFFFF, FontKind::Fixed12, true, true);
    text2_ = makeView<GrowingView>(this, "Text2", 0x00C000, FontKind::Fixed975, true, false);
    text7_ = makeView<GrowingView>(this, "Text7", 0xFFFF00, FontKind::Fixed975, true, false);
    text2_->setWholeTexts(true);
    text7_->setWholeTexts(true);
    text3_ = makeView(this, "Text3", 0x00FFFF, FontKind::Fixed975, false, false);
    text4_ = makeValueField(this, "Text4");
    text5_ = makeValueField(this, "Text5");
    text6_ = makeValueField(this, "Text6");

    command2_ = new QPushButton(QStringLiteral("X"), this);
    command2_->setObjectName(QStringLiteral("Command2"));
    command2_->setFont(fontOf(FontKind::Sans975));
    command2_->setStyleSheet(colourStyle("QPushButton", command2_->objectName(), 0x000000, 0xFF0000, kButtonFrame));
    command3_ = new QPushButton(QStringLiteral("-"), this);
    command3_->setObjectName(QStringLiteral("Command3"));
    command3_->setFont(fontOf(FontKind::Sans975Bold));
    command3_->setStyleSheet(colourStyle("QPushButton", command3_->objectName(), 0x000000, 0x8080FF, kButtonFrame));

    check1_ = new QCheckBox(QStringLiteral("save Rx"), this);
    check1_->setObjectName(QStringLiteral("Check1"));
    check2_ = new QCheckBox(QStringLiteral("save Tx"), this);
    check2_->setObjectName(QStringLiteral("Check2"));
    auto* tickBoxStyle = new TickBoxStyle;
    tickBoxStyle->setParent(this);
    for (QCheckBox* box : {check1_, check2_}) {
        box->setFont(fontOf(FontKind::Default));
        QPalette boxPalette = box->palette();
        boxPalette.setColor(QPalette::WindowText, Qt::white);
        boxPalette.setColor(QPalette::Window, Qt::black);
        boxPalette.setColor(QPalette::Base, Qt::black);
        boxPalette.setColor(QPalette::Text, Qt::white);
        box->setPalette(boxPalette);
        box->setStyle(tickBoxStyle);
    }

    picture1_ = new QLabel(this);
    picture1_->setObjectName(QStringLiteral("Picture1"));
    picture1_->setPixmap(quilmoIcon(32));
    picture1_->setAlignment(Qt::AlignCenter);
    picture1_->setFocusPolicy(Qt::TabFocus);

    for (const LabelSpec& def : consoleLabels()) {
        const QString caption = QString::fromLatin1(def.caption);
        QLabel* label = nullptr;
        if (def.clickable) {
            auto* button = new ClickLabel(caption, this);
            button->setColours(QColor(def.text), QColor(def.background));
            label = button;
        } else {
            label = new QLabel(caption, this);
            label->setStyleSheet(QStringLiteral("QLabel { color: %1; background-color: %2; }")
                                     .arg(QColor(def.text).name(), QColor(def.background).name()));
        }
        label->setObjectName(QStringLiteral("Label%1").arg(def.number));
        // The status line shows device paths and the system's words: text, never markup.
        label->setTextFormat(Qt::PlainText);
        label->setFont(fontOf(def.font));
        label->setFocusPolicy(Qt::NoFocus);
        labels_[def.number] = label;
    }
    for (int n = 0; n < 8; ++n) macroButtons_[n] = static_cast<ClickLabel*>(labels_.at(12 + n));
}

void MainWindow::buildTabOrder() {
    const std::vector<QWidget*> order = {text2_, text3_, command2_, check1_, check2_, command3_,
                                         picture1_, text4_, text5_, text6_, text1_, text7_};
    for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void MainWindow::connectActions() {
    auto onClick = [this](int number, auto handler) {
        connect(static_cast<ClickLabel*>(labels_.at(number)), &ClickLabel::clicked, this, handler);
    };
    auto appendButton = [this, &onClick](int number, const char* notation) {
        onClick(number, [this, notation] { appendToTxBuffer(QString::fromLatin1(notation)); });
    };
    appendButton(7, "^C");
    appendButton(8, "^D");
    appendButton(20, "^#H");
    appendButton(21, "^#D");
    onClick(28, [this] {
        appendToTxBuffer(QStringLiteral("^S"));
        tx_dati();
    });
    onClick(29, [this] {
        appendToTxBuffer(QStringLiteral("^Q"));
        tx_dati();
    });
    onClick(27, [this] { tx_dati(); });
    onClick(22, [this] { setRxFontSize(std::max(8, rxFontSize_ - 1)); focusTxBuffer(); });
    onClick(23, [this] { setRxFontSize(std::min(14, rxFontSize_ + 1)); focusTxBuffer(); });
    for (int n = 1; n <= 8; ++n) onClick(11 + n, [this, n] { insertMacro(n); });
    onClick(31, [this] { aprsStop(); });
    onClick(32, [this] { aprsStart(); });
    onClick(34, [this] { aprsFilter(); });
    onClick(35, [this] { copyCoordinates(); });
    onClick(36, [this] { openStationsWindow(); });
    onClick(38, [this] { openMapWindow(); });
    onClick(39, [this] { openMessagesWindow(); });
    onClick(40, [this] { openSettingsWindow(); });
    auto* settingsKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma), this);
    connect(settingsKey, &QShortcut::activated, this, [this] { openSettingsWindow(); });

    connect(command2_, &QPushButton::clicked, this, [this] { exitProgram(); });
    connect(command3_, &QPushButton::clicked, this, [this] { showMinimized(); });
    connect(check1_, &QCheckBox::toggled, this, [this](bool checked) { onSaveToggled(true, checked); });
    connect(check2_, &QCheckBox::toggled, this, [this](bool checked) { onSaveToggled(false, checked); });
}

void MainWindow::applyLayout(bool aprsOn, const std::set<std::string>& only) {
    const WindowLayout layout = screenLayout(screen_.pixels.width(), screen_.pixels.height(), screen_.dpi, aprsOn);
    if (only.empty()) {
        resize(screen_.pixels);
        scaleFonts(layout.scale);
    }
    for (const auto& [name, px] : layout.elements) {
        if (!only.empty() && only.count(name) == 0) continue;
        auto* widget = findChild<QWidget*>(QString::fromStdString(name), Qt::FindDirectChildrenOnly);
        if (widget == nullptr) continue;
        widget->setGeometry(px.x, px.y, px.width, px.height);
    }
    if (only.empty()) picture1_->setPixmap(quilmoIcon(std::min(picture1_->width(), picture1_->height())));
}

// A window laid out for a larger screen is drawn smaller as a whole, its text too.
void MainWindow::scaleFonts(double scale) {
    fontScale_ = scale;
    if (scale == 1) return;
    for (QWidget* w : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (w->isWindow() || !w->testAttribute(Qt::WA_SetFont)) continue;
        QFont font = w->font();
        font.setPointSizeF(font.pointSizeF() * scale);
        w->setFont(font);
    }
}

void MainWindow::showAprsPanel(bool aprsOn) {
    applyLayout(aprsOn, {"Text2"});
    text7_->setVisible(aprsOn);
    labels_.at(25)->setVisible(aprsOn);
    // The own position sits where the Tx view reaches down without APRS; left shown
    // there, empty, its black box would hide a strip of the sent text.
    labels_.at(26)->setVisible(aprsOn);
    for (int n = 31; n <= 35; ++n) labels_.at(n)->setVisible(aprsOn);
    for (const int n : {36, 38, 39}) labels_.at(n)->setVisible(aprsOn);
    if (!aprsOn) return;
    labels_.at(36)->setToolTip(QStringLiteral("heard stations"));
    labels_.at(38)->setToolTip(QStringLiteral("map of heard stations"));
    labels_.at(39)->setToolTip(QStringLiteral("APRS messages"));
    labels_.at(31)->setToolTip(QStringLiteral("stop APRS"));
    labels_.at(32)->setToolTip(QStringLiteral("start APRS"));
    labels_.at(34)->setToolTip(QStringLiteral("work with APRS filter"));
    labels_.at(35)->setToolTip(QStringLiteral("copy coord. to clipboard"));
    showAprsRunning(false);
}

void MainWindow::showAprsRunning(bool running) {
    labels_.at(31)->setVisible(running);
    labels_.at(35)->setVisible(running);
    labels_.at(32)->setVisible(!running);
    labels_.at(33)->setVisible(!running);
}

void MainWindow::startUp() {
    applyLayout(false, {});

    for (ClickLabel* button : macroButtons_) button->setEnabled(false);
    labels_.at(20)->setToolTip(QStringLiteral(" hour "));
    labels_.at(21)->setToolTip(QStringLiteral(" day "));
    labels_.at(30)->hide();
    labels_.at(33)->hide();

    session_.readSettings();
    watchSettingsFile();
    windowed_ = session_.settings().windowed == 1;
    if (windowed_) {
        // The last size and place, else most of the screen; the layout follows the window.
        std::istringstream place(readWholeFile(joinPath(dir_, kWindowPlaceName)).value_or(""));
        int x = 0, y = 0, width = 0, height = 0;
        if (!(place >> x >> y >> width >> height) || width < 200 || height < 150) {
            width = screen_.pixels.width() * 4 / 5;
            height = screen_.pixels.height() * 4 / 5;
            x = (screen_.pixels.width() - width) / 2;
            y = (screen_.pixels.height() - height) / 2;
        }
        screen_.pixels = QSize(width, height);
        move(x, y);
        applyLayout(false, {});
    }
    labels_.at(40)->setToolTip(QStringLiteral("Quilmo.ini settings"));
    for (int n = 1; n <= 8; ++n) {
        const std::string path = macroPath(dir_, n);
        macroPresent_[n - 1] = checkMacroFile(path) == kMacroUsable;
        if (macroPresent_[n - 1]) macroPreview_[n - 1] = readMacroPreview(path);
    }
    for (int n = 0; n < 8; ++n) {
        macroButtons_[n]->setEnabled(macroPresent_[n]);
        macroButtons_[n]->setToolTip(plainToolTip(fromCp1252(macroPreview_[n])));
    }

    labels_.at(5)->setText(QString::fromLatin1(kVersionText));
    for (QWidget* w : {static_cast<QWidget*>(picture1_), static_cast<QWidget*>(labels_.at(4)),
                       static_cast<QWidget*>(labels_.at(5))}) {
        w->setToolTip(QString::fromLatin1(kCreditText));
    }
    labels_.at(22)->setToolTip(QStringLiteral(" font size - "));
    labels_.at(23)->setToolTip(QStringLiteral(" font size + "));
    labels_.at(27)->setToolTip(QStringLiteral(" click to send whithout CR/LR "));
    labels_.at(7)->setToolTip(QStringLiteral("send CTRL-C"));
    labels_.at(8)->setToolTip(QStringLiteral("send CTRL-D"));
    labels_.at(28)->setToolTip(QStringLiteral("send XOff/CTRL-S"));
    labels_.at(29)->setToolTip(QStringLiteral("send XOn/CTRL-Q"));

    const Settings& settings = session_.settings();
    // The boxes are ticked as Quilmo.ini says; their handler then writes no header, the session does.
    session_.prepareLogSwitches();
    check1_->setChecked(session_.logBuffers().saveRx == 2);
    check2_->setChecked(session_.logBuffers().saveTx == 2);
    session_.writeLogHeaders();
    labels_.at(6)->setText(fromCp1252(statusLabelText(settings) + kissStatusText(settings, session_.kissDropped())));

    showAprsPanel(settings.aprsEnabled == 1);
    if (settings.myPositionSet) labels_.at(26)->setText(fromCp1252(settings.myLat + "   " + settings.myLong));

    for (const auto& [number, label] : labels_) fitCaption(label);
    for (QWidget* box : {check1_, check2_}) fitCaption(box);
    followMessages();
    showNotices();
    session_.openPort();
    // A new user with nothing to work with is shown where to start, once the window is up.
    if (seams_.firstStartWindow && needsFirstSetup(session_.settings())) {
        QTimer::singleShot(0, this, [this] {
            openSettingsWindow(QStringLiteral("Welcome to Quilmo. Fill in your callsign first, then on the Link page "
                                              "the device your TNC or radio is on, and press Save."));
        });
    }
}

void MainWindow::showAtStart() {
    if (windowed_) {
        show();
    } else {
        showFullScreen();
    }
}

void MainWindow::showPortStatus() {
    PortStatusLine line = portStatusLine(session_.settings(), session_.portState());
    // The dropped-frame count is kept in sight with the state when a long line is shortened.
    line.state += kissStatusText(session_.settings(), session_.kissDropped());
    QLabel* label = labels_.at(6);
    QFont font = fontOf(FontKind::Default);
    font.setPointSizeF(font.pointSizeF() * fontScale_);
    font.setBold(line.tone != StatusTone::Quiet);
    label->setFont(font);
    label->setStyleSheet(statusStyle(line.tone));
    const QString whole = fromCp1252(line.text());
    const QString shown = fittedStatusText(line, QFontMetricsF(font), label->contentsRect().width() - 1);
    label->setText(shown);
    // What a shortened line leaves out is still there to read.
    label->setToolTip(shown == whole ? QString() : plainToolTip(whole));
}

void MainWindow::onActivated() {
    setRxFontSize(11);
    focusTxBuffer();
}

namespace {
// Tool tips and menus come and go without being windows the user works in.
bool isTransientWindow(const QWidget* window) {
    const Qt::WindowType type = window->windowType();
    return type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen;
}
}  // namespace

// Activation belongs to coming back from another window of this program (the filter
// window, a message box) and to the first showing; coming back from another
// application leaves the font size and the focus as the user had them.
void MainWindow::noteActiveWindow() {
    QWidget* active = QApplication::activeWindow();
    if (active == nullptr || isTransientWindow(active)) return;
    if (active != this) {
        otherWindowWasActive_ = true;
        return;
    }
    if (activatedOnce_ && !otherWindowWasActive_) return;
    activatedOnce_ = true;
    otherWindowWasActive_ = false;
    onActivated();
}

// Without a window manager nobody hands the focus back when a window of the program
// closes; the console takes it itself, which also runs the activation.
void MainWindow::otherWindowHidden(QWidget* window) {
    if (window == this || !window->isWindow() || isTransientWindow(window)) return;
    QTimer::singleShot(0, this, [this] {
        if (!isVisible() || isMinimized() || QApplication::activeWindow() != nullptr) return;
        activateWindow();
    });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::WindowActivate) noteActiveWindow();
    if (type == QEvent::Hide && watched->isWidgetType()) otherWindowHidden(static_cast<QWidget*>(watched));
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this) return false;

    if (functionKeyNumber(key->key()) != 0) {
        if (type == QEvent::KeyPress) handleFunctionKey(key);
        return true;  // no widget gets an F-key, whatever the modifiers
    }
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (watched != text3_ || !enter) return false;
    if (type == QEvent::KeyPress) {
        // The edit inserts nothing for Ctrl+Enter or Alt+Enter and a line separator for
        // Shift+Enter; every Enter is the same line break here, whatever is held.
        text3_->textCursor().insertText(QStringLiteral("\n"));
        text3_->ensureCursorVisible();
        enterPressedInTxBuffer_ = true;
        return true;
    }
    // The line break went in on the press; the release sends it. A release without
    // its press (the Enter that closed a message box) sends nothing.
    if (key->isAutoRepeat() || !enterPressedInTxBuffer_) return true;
    enterPressedInTxBuffer_ = false;
    tx_dati();
    return true;
}

void MainWindow::handleFunctionKey(QKeyEvent* key) {
    const int n = functionKeyNumber(key->key());
    const Qt::KeyboardModifiers mods =
        key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (mods == Qt::NoModifier) {
        if (n == 12) {
            tx_dati();
        } else {
            insertMacro(n);
        }
    } else if (mods == Qt::AltModifier && n <= 8) {
        showMacro(n);
    }
}

void MainWindow::focusTxBuffer() {
    text3_->setFocus(Qt::OtherFocusReason);
    moveCaretToEnd(text3_);
}

void MainWindow::appendToTxBuffer(const QString& text) {
    QTextCursor cursor(text3_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    focusTxBuffer();
}

void MainWindow::setRxFontSize(int size) {
    rxFontSize_ = size;
    QFont font = text1_->font();
    font.setPointSizeF(size * fontScale_);
    text1_->setFont(font);
}

void MainWindow::tx_dati() {
    const ValueFields fields{toCp1252(text4_->text()), toCp1252(text5_->text()), toCp1252(text6_->text())};
    const LinkSession::Transmit result = session_.transmit(txBufferBytes(text3_->document()->toRawText()), fields);
    if (result != LinkSession::Transmit::Sent) return;
    focusTxBuffer();
    text3_->clear();
}

void MainWindow::insertMacro(int n) {
    if (!macroPresent_[n - 1]) return;
    const std::string path = macroPath(dir_, n);
    if (checkMacroFile(path) != kMacroUsable) return;
    const auto text = readMacroFile(path);
    if (!text) return;
    appendToTxBuffer(editText(*text));
}

void MainWindow::showMacro(int n) {
    const auto message = macroMessage(dir_, n);
    if (!message) return;
    seams_.messageBox(QString::fromLatin1(kProductName), fromCp1252(*message));
}

void MainWindow::onSaveToggled(bool rx, bool checked) {
    session_.logSwitched(rx, checked);
    focusTxBuffer();
}

void MainWindow::openFilterWindow() {
    if (filterWindow_ == nullptr) {
        filterWindow_ = new FilterWindow(session_.filterFlags(), dir_, this);
        filterWindow_->setScale(fontScale_);
        // The device is asked to pause while the filter is being chosen.
        connect(filterWindow_, &FilterWindow::aboutToLoad, this, [this] { session_.filterWindowOpening(); });
        connect(filterWindow_, &FilterWindow::okClosed, this, [this] {
            session_.filterWindowClosed(filterWindow_->filterFilePath(), filterWindow_->filterFileWrite());
            focusTxBuffer();
        });
    }
    filterWindow_->openWindow();
}

void MainWindow::aprsStart() {
    openFilterWindow();
    session_.startAprs();
    showAprsRunning(true);
    focusTxBuffer();
}

void MainWindow::aprsStop() {
    session_.stopAprs();
    showAprsRunning(false);
    focusTxBuffer();
}

void MainWindow::aprsFilter() {
    session_.closeTrackForFilter();
    openFilterWindow();
}

void MainWindow::copyCoordinates() {
    seams_.putClipboard(fromCp1252(session_.aprsState().lastCoordinates));
    static_cast<ClickLabel*>(labels_.at(35))->setBackground(QColor(kCopiedBlue));
    focusTxBuffer();
}

void MainWindow::openStationsWindow() { stationsWindow_->openWindow(); }

void MainWindow::openMapWindow() {
    if (mapWindow_ == nullptr) {
        const Settings& settings = session_.settings();
        std::optional<GeoPoint> own;
        if (settings.myPositionSet) own = GeoPoint{session_.ownPosition().myLatValue, session_.ownPosition().myLongValue};
        mapWindow_ = new MapWindow({session_.stations(), session_.tracks(), own, settings.mapTiles, settings.mapAttribution,
                                    [this](const std::string& station) { return session_.latestRecord(station); },
                                    [this] { return session_.now(); }, {}, 15000, seams_.putClipboard},
                                   this);
        connect(mapWindow_, &MapWindow::sendMessageTo, this, &MainWindow::composeMessageTo);
    }
    mapWindow_->openWindow();
}

void MainWindow::openMessagesWindow() {
    AprsStation* station = session_.station();
    if (station == nullptr) return;
    if (messagesWindow_ == nullptr) {
        messagesWindow_ = new MessagesWindow(
            station->messaging(), [this](const std::string& information) { session_.transmitInformation(information); },
            this);
    }
    messagesWindow_->openWindow();
}

void MainWindow::composeMessageTo(const QString& station) {
    openMessagesWindow();
    if (messagesWindow_ != nullptr) messagesWindow_->composeTo(toCp1252(station));
}

void MainWindow::followMessages() {
    AprsStation* station = session_.station();
    if (station == nullptr) return;
    messagesHeard_ = station->messaging().messages().size();  // those kept from earlier runs ring nothing
    messagesListener_ = station->messaging().addListener([this] {
        ringForNewMessages();
        showUnreadCount();
    });
    showUnreadCount();
}

// Once for every message of theirs that arrived since the last change: one the user may
// not be looking at the screen for.
void MainWindow::ringForNewMessages() {
    const std::vector<StoredMessage>& all = session_.station()->messaging().messages();
    int arrived = 0;
    for (std::size_t i = messagesHeard_; i < all.size(); ++i)
        if (!all[i].outgoing) ++arrived;
    messagesHeard_ = all.size();
    if (session_.settings().messageBell != 1) return;
    for (int i = 0; i < arrived && seams_.beep; ++i) seams_.beep();
}

// " messages (2)": the caption grows with the count, and shrinks its font only as far as
// the count needs.
void MainWindow::showUnreadCount() {
    const int unread = session_.station()->messaging().unreadCount();
    if (unread == unreadShown_) return;
    unreadShown_ = unread;
    QLabel* label = labels_.at(39);
    label->setText(unread > 0 ? QStringLiteral(" messages (%1)").arg(unread) : QStringLiteral(" messages"));
    // Unread messages turn the button amber, so a glance at the window finds them.
    const auto& specs = consoleLabels();
    const LabelSpec& normal = *std::find_if(specs.begin(), specs.end(), [](const LabelSpec& l) { return l.number == 39; });
    static_cast<ClickLabel*>(label)->setColours(unread > 0 ? QColor(kBlack) : QColor(normal.text),
                                                QColor(unread > 0 ? kUnreadAmber : normal.background));
    QFont font = fontOf(FontKind::Default);
    font.setPointSizeF(font.pointSizeF() * fontScale_);
    label->setFont(font);
    fitCaption(label);
}

void MainWindow::exitSequence() {
    keepWindowPlace();
    session_.exitSequence();
}

void MainWindow::exitProgram() {
    exitSequence();
    seams_.terminate();
}

void MainWindow::buildNoticeLine() {
    label37_ = new QLabel(this);
    label37_->setObjectName(QStringLiteral("Label37"));
    label37_->setFont(fontOf(FontKind::Default));
    label37_->setFocusPolicy(Qt::NoFocus);
    // Paths, settings' values and servers' words: never markup.
    label37_->setTextFormat(Qt::PlainText);
    label37_->hide();
}

void MainWindow::showNotices() {
    // Paths and the system's reasons are UTF-8, settings Windows-1252; shown without a box, so
    // receiving never waits on it.
    const std::string& bytes = session_.notices().text();
    const FileNotices::Span part = session_.notices().shortenable();
    const QString text = fromAirText(bytes);
    const QRgb background = session_.notices().failing() ? 0xC00000 : 0x004000;
    label37_->setStyleSheet(QStringLiteral("QLabel#Label37 { color: #FFFFFF; background-color: %1; }")
                                .arg(QColor(background).name()));
    label37_->setToolTip(plainToolTip(text));
    // The path or value gives way, never the reason; the span lies between whole characters.
    const std::string_view all(bytes);
    const std::size_t at = std::min(part.at, all.size()), length = std::min(part.length, all.size() - at);
    label37_->setText(fittedNoticeText(fromAirText(all.substr(0, at)), fromAirText(all.substr(at, length)),
                                       fromAirText(all.substr(at + length)), QFontMetricsF(label37_->font()),
                                       label37_->width() - 4));
    label37_->setVisible(!text.isEmpty());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing through the window manager loses nothing either: same sequence as "X".
    exitSequence();
    event->accept();
    seams_.terminate();
}

// ---- settings

void MainWindow::openSettingsWindow(const QString& hint) {
    if (settingsWindow_ == nullptr) {
        settingsWindow_ = new SettingsWindow(dir_, this);
        settingsWindow_->resize(760, 520);
        connect(settingsWindow_, &SettingsWindow::saved, this, [this] { readSettingsAgain(false); });
        connect(settingsWindow_, &SettingsWindow::pickRequested, this, [this] {
            openMapWindow();
            connect(mapWindow_, &MapWindow::positionPicked, settingsWindow_, &SettingsWindow::setPosition,
                    Qt::UniqueConnection);
            mapWindow_->pickPosition();
        });
    }
    settingsWindow_->openWindow(session_.settings(), hint);
}

// Editors replace the file rather than write into it, so its folder is watched too.
void MainWindow::watchSettingsFile() {
    const std::string path = joinPath(dir_, "Quilmo.ini");
    iniBytes_ = readWholeFile(path).value_or("");
    iniWatcher_ = new QFileSystemWatcher(this);
    iniWatcher_->addPath(QString::fromStdString(dir_));
    iniWatcher_->addPath(QString::fromStdString(path));
    iniSettled_ = new QTimer(this);
    iniSettled_->setSingleShot(true);
    iniSettled_->setInterval(300);
    connect(iniSettled_, &QTimer::timeout, this, [this] { settingsFileChanged(); });
    connect(iniWatcher_, &QFileSystemWatcher::fileChanged, iniSettled_, qOverload<>(&QTimer::start));
    connect(iniWatcher_, &QFileSystemWatcher::directoryChanged, iniSettled_, qOverload<>(&QTimer::start));
}

void MainWindow::settingsFileChanged() {
    const QString path = QString::fromStdString(joinPath(dir_, "Quilmo.ini"));
    // A replaced file is a new one: it is watched afresh.
    if (QFileInfo::exists(path) && !iniWatcher_->files().contains(path)) iniWatcher_->addPath(path);
    const std::optional<std::string> bytes = readWholeFile(path.toStdString());
    // Gone for a moment while an editor replaces it, or the same bytes (a save of ours).
    if (!bytes || *bytes == iniBytes_) return;
    readSettingsAgain(true);
}

void MainWindow::readSettingsAgain(bool byHand) {
    iniBytes_ = readWholeFile(joinPath(dir_, "Quilmo.ini")).value_or("");
    session_.applySettings(parseConfiguration(iniBytes_));
    if (!byHand) return;
    session_.noteProblem("settings", "Quilmo.ini read again");
    QTimer::singleShot(10000, this, [this] { session_.clearProblem("settings"); });
}

// Everything the window shows of the settings, shown again.
void MainWindow::settingsApplied() {
    const Settings& settings = session_.settings();
    showPortStatus();
    labels_.at(26)->setText(settings.myPositionSet ? fromCp1252(settings.myLat + "   " + settings.myLong) : QString());
    if (session_.station() != nullptr && messagesListener_ == 0) followMessages();
    // The map takes its tiles and the own position when it is made: made again, it shows
    // the new ones where the old one was.
    if (mapWindow_ != nullptr) {
        const bool shown = mapWindow_->isVisible();
        const QRect place = mapWindow_->geometry();
        mapWindow_->deleteLater();
        mapWindow_ = nullptr;
        if (shown) {
            openMapWindow();
            mapWindow_->setGeometry(place);
        }
    }
    if (settingsWindow_ != nullptr && !settingsWindow_->isVisible()) settingsWindow_->load(settings);
}

void MainWindow::keepWindowPlace() {
    if (!windowed_ || isFullScreen()) return;
    const QRect place = geometry();
    const std::string text = std::to_string(place.x()) + " " + std::to_string(place.y()) + " " +
                             std::to_string(place.width()) + " " + std::to_string(place.height()) + "\n";
    writeWholeFile(joinPath(dir_, kWindowPlaceName), text);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!windowed_ || event->size() == screen_.pixels) return;
    screen_.pixels = event->size();
    const bool aprsOn = session_.settings().aprsEnabled == 1;
    applyLayout(aprsOn, {});
    for (const auto& [number, label] : labels_) fitCaption(label);
    showPortStatus();
    showNotices();
}

}  // namespace quilmo
