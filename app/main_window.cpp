#include "app/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <vector>

#include "app/app_icon.h"
#include "app/click_label.h"
#include "app/growing_view.h"
#include "app/layout.h"
#include "app/port_status.h"
#include "app/text_display.h"
#include "aprs/decoder.h"
#include "aprs/filter_file.h"
#include "aprs/filter_window.h"
#include "aprs/geometry.h"
#include "aprs/stations_window.h"
#include "platform/qt_text.h"
#include "terminal/kiss_transmit.h"
#include "platform/qt_tick_box_style.h"
#include "terminal/macro_use.h"
#include "terminal/macros.h"
#include "terminal/transmit.h"

namespace quilmo {

namespace {

enum class FontKind { Default, Sans975, Sans975Bold, Arial825, Fixed12, Fixed975 };

QFont fontOf(FontKind kind) {
    QFont font = QApplication::font();
    switch (kind) {
        case FontKind::Default:
            font.setPointSizeF(8.25);
            break;
        case FontKind::Sans975:
            font.setPointSizeF(9.75);
            break;
        case FontKind::Sans975Bold:
            font.setPointSizeF(9.75);
            font.setBold(true);
            break;
        case FontKind::Arial825:
            font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), font.family()});
            font.setPointSizeF(8.25);
            break;
        case FontKind::Fixed12:
            font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
            font.setPointSizeF(12);
            break;
        case FontKind::Fixed975:
            font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
            font.setPointSizeF(9.75);
            break;
    }
    return font;
}

struct LabelSpec {
    int number;
    const char* caption;
    QRgb text;
    QRgb background;
    FontKind font;
    bool clickable;
};

constexpr char kXoffByte = 19;
constexpr char kXonByte = 17;

constexpr QRgb kBlack = 0x000000;
constexpr QRgb kCopiedBlue = 0x0000FF;
constexpr QRgb kFreshGreen = 0x004000;
// Below this a caption is no longer read, clipped or not.
constexpr qreal kSmallestCaptionPoints = 4;

// Captions and colours of every label; the click handlers are wired in connectActions.
const LabelSpec kLabels[] = {
    {1, "Rx", 0xFFFFFF, kBlack, FontKind::Sans975, false},
    {2, "Tx", 0x00FF00, kBlack, FontKind::Sans975, false},
    {3, "Tx buffer - CR to Tx/Send", 0x00FFFF, kBlack, FontKind::Sans975, false},
    {4, "Quilmo - Serial Terminal", 0x808080, kBlack, FontKind::Sans975Bold, false},
    {5, "", 0x808080, kBlack, FontKind::Sans975Bold, false},
    {6, "", 0x808080, kBlack, FontKind::Default, false},
    {7, " ^C  ", 0xFFFFFF, kBlack, FontKind::Default, true},
    {8, " ^D", 0xFFFFFF, kBlack, FontKind::Default, true},
    {9, "^#V1", 0xFFFFFF, kBlack, FontKind::Default, false},
    {10, "^#V2", 0xFFFFFF, kBlack, FontKind::Default, false},
    {11, "^#V3", 0xFFFFFF, kBlack, FontKind::Default, false},
    {12, "macro F1", 0xFF8000, kBlack, FontKind::Default, true},
    {13, "macro F2", 0xFF8000, kBlack, FontKind::Default, true},
    {14, "macro F3", 0xFF8000, kBlack, FontKind::Default, true},
    {15, "macro F4", 0xFF8000, kBlack, FontKind::Default, true},
    {16, "macro F5", 0xFF8000, kBlack, FontKind::Default, true},
    {17, "macro F6", 0xFF8000, kBlack, FontKind::Default, true},
    {18, "macro F7", 0xFF8000, kBlack, FontKind::Default, true},
    {19, "macro F8", 0xFF8000, kBlack, FontKind::Default, true},
    {20, "   ^#H", 0x00FF00, kBlack, FontKind::Default, true},
    {21, "   ^#D", 0x00FF00, kBlack, FontKind::Default, true},
    {22, " - ", 0x00FF00, kBlack, FontKind::Sans975Bold, true},
    {23, " +", 0xFF0000, kBlack, FontKind::Default, true},
    {24, "rx font size", 0xFFFFFF, kBlack, FontKind::Default, false},
    {25, "APRS", 0xFFFF00, kBlack, FontKind::Default, false},
    {26, "", 0xFFFF00, kBlack, FontKind::Default, false},
    {27, "TX without CR/LF [F12]", 0xC00000, kBlack, FontKind::Default, true},
    {28, "  Xoff^S", 0xC00000, kBlack, FontKind::Arial825, true},
    {29, "  Xon^Q", 0x00C000, kBlack, FontKind::Arial825, true},
    {30, "         S T O P P E D", 0xFFFFFF, 0xFF0000, FontKind::Default, false},
    {31, " APRS stop", 0x800000, kBlack, FontKind::Default, true},
    {32, " APRS start", 0x008000, kBlack, FontKind::Default, true},
    {33, "  APRS OFF", 0xFFFFFF, 0x800000, FontKind::Default, false},
    {34, " APRS filter", 0x804000, kBlack, FontKind::Default, true},
    {35, "coord.>clipb.", 0xFFFFFF, kCopiedBlue, FontKind::Default, true},
    {36, " stations", 0xFFFFFF, 0x004080, FontKind::Default, true},
};

QString colourStyle(const char* type, const QString& name, QRgb text, QRgb background,
                    const QString& extra = {}) {
    return QStringLiteral("%1#%2 { color: %3; background-color: %4; %5}")
        .arg(QLatin1String(type), name, QColor(text).name(), QColor(background).name(), extra);
}

// Push buttons are drawn entirely by the style sheet, or the platform bevel hides their colour.
const QString kButtonFrame = QStringLiteral("border: 1px solid #404040; ");

template <typename View = QPlainTextEdit>
View* makeView(QWidget* parent, const char* name, QRgb colour, FontKind font, bool readOnly, bool wrap) {
    auto* view = new View(parent);
    view->setObjectName(QLatin1String(name));
    view->setReadOnly(readOnly);
    view->setFont(fontOf(font));
    view->setStyleSheet(colourStyle("QPlainTextEdit", view->objectName(), colour, kBlack));
    view->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view->setHorizontalScrollBarPolicy(wrap ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
    // The Tx buffer is edited by hand; undo would only cost memory in the growing views.
    view->setUndoRedoEnabled(!readOnly);
    // Tab walks the console's elements; a tab character never belongs in what is sent.
    view->setTabChangesFocus(true);
    return view;
}

QLineEdit* makeValueField(QWidget* parent, const char* name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setFont(fontOf(FontKind::Default));
    // Without a frame of its own an empty field would vanish into the black window.
    field->setStyleSheet(
        colourStyle("QLineEdit", field->objectName(), 0xFFFF00, kBlack, QStringLiteral("border: 1px solid #606060; ")));
    return field;
}

void moveCaretToEnd(QPlainTextEdit* view) {
    QTextCursor cursor = view->textCursor();
    // Every decoded record comes here; a caret set again where it is would repaint the edit each time.
    if (!cursor.atEnd() || cursor.hasSelection()) {
        cursor.movePosition(QTextCursor::End);
        view->setTextCursor(cursor);
    }
    view->ensureCursorVisible();
}

// The console was drawn for a narrow bitmap sans; the wider system sans would clip the
// captions of the fixed-size labels, so a caption that does not fit gets a smaller size.
// The widget's own size hint counts everything it draws around the text: the frame, and
// the half "x" of indent that a framed label adds before its caption.
void fitCaption(QWidget* widget) {
    const auto* label = qobject_cast<QLabel*>(widget);
    if (label != nullptr && label->text().isEmpty()) return;
    // A check box's hint adds room for a focus frame above and below; only a line of
    // its text has to fit its height.
    const bool checkBox = qobject_cast<QCheckBox*>(widget) != nullptr;
    const auto fits = [widget, checkBox] {
        const QSize need = widget->sizeHint();
        const int height = checkBox ? widget->fontMetrics().height() : need.height();
        return need.width() <= widget->width() && height <= widget->height();
    };
    QFont font = widget->font();
    while (!fits() && font.pointSizeF() > kSmallestCaptionPoints) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
        widget->setFont(font);
    }
}

QString statusStyle(StatusTone tone) {
    switch (tone) {
        case StatusTone::Quiet: return QStringLiteral("QLabel { color: #808080; background-color: #000000; }");
        case StatusTone::Waiting: return QStringLiteral("QLabel { color: #FFFF00; background-color: #000000; }");
        case StatusTone::Alarm: break;
    }
    return QStringLiteral("QLabel { color: #FFFFFF; background-color: #C00000; }");
}

// The state is what the line is for, the settings come next; a long device path gives
// way in its middle, where it says least.
QString fittedStatusText(const PortStatusLine& line, const QFontMetricsF& metrics, qreal width) {
    const QString device = fromCp1252(line.device), details = fromCp1252(line.details), state = fromCp1252(line.state);
    if (metrics.horizontalAdvance(device + details + state) <= width) return device + details + state;
    const qreal room = width - metrics.horizontalAdvance(details + state);
    if (room >= metrics.horizontalAdvance(QStringLiteral("/dev\u2026"))) {
        return metrics.elidedText(device, Qt::ElideMiddle, room) + details + state;
    }
    const qreal left = std::max<qreal>(0, width - metrics.horizontalAdvance(state));
    return metrics.elidedText(device + details, Qt::ElideRight, left) + state;
}

int functionKeyNumber(int key) {
    if (key >= Qt::Key_F1 && key <= Qt::Key_F8) return key - Qt::Key_F1 + 1;
    if (key == Qt::Key_F12) return 12;
    return 0;
}

}  // namespace

MainWindow::MainWindow(std::string programDirectory, WindowSeams seams, QWidget* parent)
    : QWidget(parent),
      dir_(std::move(programDirectory)),
      seams_(std::move(seams)),
      screen_(seams_.screen ? *seams_.screen : primaryScreenMetrics()),
      logFiles_(dir_),
      kml_(dir_) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromLatin1(kProductName));
    setWindowIcon(QIcon(quilmoIcon(32)));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    buildWidgets();
    stationsWindow_ = new StationsWindow(seams_.putClipboard, this);
    buildTabOrder();
    connectActions();
    buildNoticeLine();
    watchFileWrites();
    monotonic_.start();
    // Function keys work wherever the focus is, so they are caught before any widget sees them.
    qApp->installEventFilter(this);
}

const BoundedText& MainWindow::rxView() const { return text1_->model(); }
const BoundedText& MainWindow::txHistory() const { return text2_->model(); }
const BoundedText& MainWindow::aprsView() const { return text7_->model(); }

MainWindow::~MainWindow() {
    seams_.port.onReceive = nullptr;
    seams_.port.onConnectionChanged = nullptr;
    seams_.port.onOpenFailed = nullptr;
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

    for (const LabelSpec& def : kLabels) {
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

    connect(command2_, &QPushButton::clicked, this, [this] { exitProgram(); });
    connect(command3_, &QPushButton::clicked, this, [this] { showMinimized(); });
    connect(check1_, &QCheckBox::toggled, this, [this](bool checked) { onSaveRxToggled(checked); });
    connect(check2_, &QCheckBox::toggled, this, [this](bool checked) { onSaveTxToggled(checked); });
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
    labels_.at(36)->setVisible(aprsOn);
    if (!aprsOn) return;
    labels_.at(36)->setToolTip(QStringLiteral("heard stations"));
    labels_.at(31)->setToolTip(QStringLiteral("stop APRS"));
    labels_.at(32)->setToolTip(QStringLiteral("start APRS"));
    labels_.at(34)->setToolTip(QStringLiteral("work with APRS filter"));
    labels_.at(35)->setToolTip(QStringLiteral("copy coord. to clipboard"));
    aprs_.aprsStopped = 1;
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

    settings_ = readConfiguration(dir_);
    for (int n = 1; n <= 8; ++n) {
        const std::string path = macroPath(dir_, n);
        macroPresent_[n - 1] = checkMacroFile(path) == kMacroUsable;
        if (macroPresent_[n - 1]) macroPreview_[n - 1] = readMacroPreview(path);
    }
    for (int n = 0; n < 8; ++n) {
        macroButtons_[n]->setEnabled(macroPresent_[n]);
        macroButtons_[n]->setToolTip(fromCp1252(macroPreview_[n]));
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

    setUpLogs();
    labels_.at(6)->setText(fromCp1252(statusLabelText(settings_) + kissStatusText(settings_, kissMonitor_.dropped())));

    showAprsPanel(settings_.aprsEnabled == 1);
    if (settings_.aprsEnabled != 1) settings_.myPositionSet = false;
    if (settings_.myPositionSet) {
        labels_.at(26)->setText(fromCp1252(settings_.myLat + "   " + settings_.myLong));
        own_.myLongValue = dmsTextToDegrees(settings_.myLong);
        own_.myLatValue = dmsTextToDegrees(settings_.myLat);
    }

    for (const auto& [number, label] : labels_) fitCaption(label);
    for (QWidget* box : {check1_, check2_}) fitCaption(box);
    // Only KISS frames are built from UNPROTO=; a text TNC keeps its own.
    if (settings_.kiss == 1 && !settings_.unprotoProblem.empty()) noteProblem("unproto", settings_.unprotoProblem);
    setUpPort();
}

void MainWindow::setUpLogs() {
    // 2 marks "switched on by the configuration": the box handler then only turns it into 1,
    // and the header is written here, once.
    logBuffers_.saveRx = settings_.saveRx == 1 ? 2 : 0;
    logBuffers_.saveTx = settings_.saveTx == 1 ? 2 : 0;
    check1_->setChecked(logBuffers_.saveRx == 2);
    check2_->setChecked(logBuffers_.saveTx == 2);

    const std::string header = logHeaderLine(seams_.clock());
    if (logBuffers_.saveRx == 1) {
        logBuffers_.rxLogBuffer = header;
        logFiles_.flushRxLog(logBuffers_);
    }
    if (logBuffers_.saveTx == 1) {
        logBuffers_.txLogBuffer = header;
        logFiles_.flushTxLog(logBuffers_);
    }
}

void MainWindow::setUpPort() {
    const PortSettings port = portSettingsFrom(settings_);
    seams_.port.onReceive = [this] { onSerialReceive(); };
    seams_.port.onConnectionChanged = [this](bool connected) { onConnectionChanged(connected); };
    // A network port learns only later that its first attempt failed. The box waits for
    // the event loop, so it never runs inside the port's own handling.
    seams_.port.onOpenFailed = [this](const std::string& reason) {
        QMetaObject::invokeMethod(this, [this, reason] { showOpenFailure(reason, PortOpenProblem::Other); },
                                  Qt::QueuedConnection);
    };
    std::string error;
    const bool opened = seams_.port.open(port, error);
    // A serial device that did not open is waited for, as one that went away.
    portState_ = seams_.port.state();
    showPortStatus();
    if (!opened) showOpenFailure(error, seams_.port.openProblem());
}

void MainWindow::showOpenFailure(const std::string& reason, PortOpenProblem problem) {
    const OpenProblem help = problem == PortOpenProblem::NoSuchDevice       ? OpenProblem::NoSuchDevice
                             : problem == PortOpenProblem::PermissionDenied ? OpenProblem::PermissionDenied
                                                                           : OpenProblem::Other;
    const std::string text = openFailureText(settings_, reason, help, dir_, fileGroupName(portDevicePath(settings_)));
    // The settings come from Quilmo.ini (Windows-1252), the reason and the folder from the system (UTF-8).
    seams_.messageBox(QString::fromLatin1(kProductName), fromAirText(text));
}

void MainWindow::onConnectionChanged(bool connected) {
    // A line cut by the loss is shown and logged as it came, but never glued to the
    // first packet after the device is back.
    aprs_.aprsLineBuffer.clear();
    kissMonitor_.reset();
    portState_ = connected ? PortState::Open : PortState::Lost;
    showPortStatus();
}

void MainWindow::showPortStatus() {
    PortStatusLine line = portStatusLine(settings_, portState_);
    // The dropped-frame count is kept in sight with the state when a long line is shortened.
    line.state += kissStatusText(settings_, kissMonitor_.dropped());
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
    label->setToolTip(shown == whole ? QString() : whole);
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
    const std::int16_t holdBefore = tx_.txHold;
    const ValueFields fields{toCp1252(text4_->text()), toCp1252(text5_->text()), toCp1252(text6_->text())};
    const TransmitPlan plan = planTransmit(txBufferBytes(text3_->document()->toRawText()), fields, seams_.clock(),
                                           settings_.ctrlDEnd, tx_.txHold);
    if (plan.held) return;

    if (settings_.kiss == 1) {
        if (!sendKiss(plan.sendText)) {
            tx_.txHold = holdBefore;  // nothing went out, so nothing waits for an answer
            return;
        }
    } else {
        if (!plan.sendText.empty() && !seams_.port.isOpen()) {
            tx_.txHold = holdBefore;
            refuseTransmit(linkDownText());
            return;
        }
        if (plan.xoff == XoffIndicator::Show) labels_.at(30)->show();
        if (plan.xoff == XoffIndicator::Hide) labels_.at(30)->hide();
        seams_.port.write(plan.sendText);
    }
    text2_->append(plan.readable, GrowingView::Trim::AfterAppend);
    focusTxBuffer();
    if (logBuffers_.saveTx == 1) logFiles_.addTx(logBuffers_, plan.readable);
    logTextAdded(LogKind::Tx);
    text3_->clear();
}

void MainWindow::sendFlowControl(char byte) {
    // A KISS TNC has no monitor to pause; a held line or a closed port sends nothing, and
    // nobody asked for anything else to go out.
    if (settings_.kiss == 1 || tx_.txHold == 1 || !seams_.port.isOpen()) return;
    seams_.port.write(std::string_view(&byte, 1));
    labels_.at(30)->setVisible(byte == kXoffByte);
    const std::string readable = bytesToCaret(std::string_view(&byte, 1));
    text2_->append(readable, GrowingView::Trim::AfterAppend);
    if (logBuffers_.saveTx == 1) logFiles_.addTx(logBuffers_, readable);
    logTextAdded(LogKind::Tx);
}

std::string MainWindow::linkDownText() const {
    return "Nothing was sent: " + portDisplayName(settings_) + " is not connected. The text stays in the Tx buffer.";
}

void MainWindow::refuseTransmit(const std::string& why) {
    seams_.messageBox(QString::fromLatin1(kProductName), fromCp1252(why));
    focusTxBuffer();
}

void MainWindow::onSerialReceive() {
    const std::string chunk = seams_.port.readAll();
    if (chunk.empty()) return;
    tx_.txHold = 0;
    if (settings_.kiss == 1) {
        receiveKiss(chunk);
        logTextAdded(LogKind::Rx);
        return;
    }
    text1_->append(chunk, GrowingView::Trim::BeforeAppend);

    if (settings_.aprsEnabled == 1 && aprs_.aprsStopped == 0) {
        std::vector<std::string> lines;
        aprs_.aprsLineBuffer.append(chunk, lines);
        for (const std::string& line : lines) decodeAprsPacket(line);
    }
    if (logBuffers_.saveRx == 1) logFiles_.addRx(logBuffers_, chunk);
    logTextAdded(LogKind::Rx);
}

void MainWindow::receiveKiss(const std::string& chunk) {
    const std::uint64_t droppedBefore = kissMonitor_.dropped();
    const KissReceived received = kissMonitor_.receive(chunk);
    if (!received.monitorText.empty()) text1_->append(received.monitorText, GrowingView::Trim::BeforeAppend);
    // Each UI frame is one whole packet: it goes to the decoder as it is, with no line
    // assembly that could hold it back or join it with the next one.
    if (settings_.aprsEnabled == 1 && aprs_.aprsStopped == 0) {
        for (const std::string& line : received.aprsLines) decodeAprsPacket(line);
    }
    const std::string& logged = settings_.kissRaw == 1 ? chunk : received.monitorText;
    if (logBuffers_.saveRx == 1 && !logged.empty()) logFiles_.addRx(logBuffers_, logged);
    if (kissMonitor_.dropped() != droppedBefore) showPortStatus();
}

// Converse mode: the lines go out as UI frames, one write each, or nothing goes out.
bool MainWindow::sendKiss(const std::string& sendText) {
    const KissTransmit kiss = kissTransmitFrames(sendText, settings_.myCall, settings_.unproto);
    if (kiss.refused) {
        refuseTransmit(kiss.notice);
        return false;
    }
    if (kiss.frames.empty()) return true;
    if (!settings_.unprotoProblem.empty()) {
        refuseTransmit(settings_.unprotoProblem);
        return false;
    }
    if (!seams_.port.isOpen()) {
        refuseTransmit(linkDownText());
        return false;
    }
    for (const std::string& frame : kiss.frames) seams_.port.write(frame);
    return true;
}

void MainWindow::decodeAprsPacket(const std::string& line) {
    // A packet heard again (through a digipeater, from a second TNC) is shown in the Rx
    // view with every copy, but counts once everywhere else.
    if (duplicates_.isRepeat(line, monotonic_.elapsed())) return;
    const DecoderSettings decoderSettings{settings_.myPositionSet, own_.myLatValue, own_.myLongValue,
                                          settings_.speedZero};
    const LocalTime now = seams_.clock();
    const DecodeContext context{decoderSettings, aprs_.filterFlags, now, true, true};
    const DecodedPacket packet = decodeAprsLine(line, context);
    // Every recognised packet counts, whether the filter shows its record or not.
    if (packet.recognised) stationsWindow_->table().update(packet.station, now);

    if (packet.shown) {
        text7_->append(packet.record, GrowingView::Trim::AfterAppend);
        focusTxBuffer();
        logFiles_.appendAprsLog(logBuffers_, packet.record);
        logTextAdded(LogKind::Aprs);
        if (packet.placemark) kml_.kmlAppendPlacemark(*packet.placemark);
    }
    // The coordinates stay offered until another position replaces them; a packet
    // without a position leaves both them and the button colour alone.
    if (!packet.lastCoordinates.empty()) {
        aprs_.lastCoordinates = packet.lastCoordinates;
        static_cast<ClickLabel*>(labels_.at(35))->setBackground(QColor(kFreshGreen));
    }
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

void MainWindow::onSaveRxToggled(bool checked) {
    logFiles_.onSaveRxChanged(logBuffers_, checked, seams_.clock());
    logTextAdded(LogKind::Rx);
    focusTxBuffer();
}

void MainWindow::onSaveTxToggled(bool checked) {
    logFiles_.onSaveTxChanged(logBuffers_, checked, seams_.clock());
    logTextAdded(LogKind::Tx);
    focusTxBuffer();
}

void MainWindow::openFilterWindow() {
    if (filterWindow_ == nullptr) {
        filterWindow_ = new FilterWindow(aprs_.filterFlags, dir_, this);
        filterWindow_->setScale(fontScale_);
        // The device is asked to pause while the filter is being chosen: XOFF and XON
        // alone, while what the user has typed and not sent stays in the Tx buffer.
        connect(filterWindow_, &FilterWindow::aboutToLoad, this, [this] { sendFlowControl(kXoffByte); });
        connect(filterWindow_, &FilterWindow::okClosed, this, [this] {
            const WriteResult& written = filterWindow_->filterFileWrite();
            noteFileWrite("filter", filterWindow_->filterFilePath(), written);
            // A full disk may have room again later: the choice is written then.
            filterFilePending_ = written.ok() ? std::string() : formatFilterFile(aprs_.filterFlags);
            if (written.ok()) {
                filterRetry_->stop();
            } else {
                filterRetry_->start();
            }
            sendFlowControl(kXonByte);
            focusTxBuffer();
        });
    }
    filterWindow_->openWindow();
}

void MainWindow::aprsStart() {
    openFilterWindow();
    aprs_.aprsStopped = 0;
    showAprsRunning(true);
    kml_.kmlCreateFile(seams_.clock());
    focusTxBuffer();
}

void MainWindow::aprsStop() {
    aprs_.aprsStopped = 1;
    showAprsRunning(false);
    kml_.kmlCloseFile();
    focusTxBuffer();
}

void MainWindow::aprsFilter() {
    if (kml_.kmlDocumentOpen()) kml_.kmlCloseFile();
    openFilterWindow();
}

void MainWindow::copyCoordinates() {
    seams_.putClipboard(fromCp1252(aprs_.lastCoordinates));
    static_cast<ClickLabel*>(labels_.at(35))->setBackground(QColor(kCopiedBlue));
    focusTxBuffer();
}

void MainWindow::openStationsWindow() { stationsWindow_->openWindow(); }

void MainWindow::exitSequence() {
    if (exited_) return;
    exited_ = true;
    if (seams_.port.isOpen()) seams_.port.close();
    for (QTimer* timer : {rxQuiet_, txQuiet_, aprsQuiet_, filterRetry_}) timer->stop();
    logFiles_.flushPending(logBuffers_);
    if (kml_.kmlDocumentOpen()) kml_.kmlCloseFile();
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
    label37_->hide();
}

void MainWindow::watchFileWrites() {
    logFiles_.setWriteObserver([this](const std::string& path, const WriteResult& result, std::uint64_t dropped) {
        noteFileWrite(path, path, result, dropped);
    });
    kml_.setWriteObserver([this](const std::string& path, const WriteResult& result, std::uint64_t dropped) {
        noteFileWrite("kml", path, result, dropped);  // every track of the run is one file to the user
    });
    const auto makeTimer = [this](LogKind log, auto flush) {
        auto* timer = new QTimer(this);
        timer->setSingleShot(true);
        timer->setInterval(2000);
        connect(timer, &QTimer::timeout, this, [this, log, flush] {
            flush();
            logTextAdded(log);  // text a failing file kept is tried again two seconds later
        });
        return timer;
    };
    rxQuiet_ = makeTimer(LogKind::Rx, [this] { logFiles_.flushRxLog(logBuffers_); });
    txQuiet_ = makeTimer(LogKind::Tx, [this] { logFiles_.flushTxLog(logBuffers_); });
    aprsQuiet_ = makeTimer(LogKind::Aprs, [this] { logFiles_.flushAprsLog(logBuffers_); });
    filterRetry_ = new QTimer(this);
    filterRetry_->setInterval(2000);
    connect(filterRetry_, &QTimer::timeout, this, [this] { writeFilterFile(); });
}

void MainWindow::writeFilterFile() {
    const std::string path = joinPath(dir_, "filter.ini");
    const WriteResult result = replaceFile(path, filterFilePending_);
    noteFileWrite("filter", path, result);
    if (result.ok()) {
        filterFilePending_.clear();
        filterRetry_->stop();
    }
}

// A log's timer is restarted by its own new text only, so it fires two seconds after that
// log's last text, and runs only while something waits to be written: a busy channel
// never holds back the text that was sent.
void MainWindow::logTextAdded(LogKind log) {
    QTimer* timer = log == LogKind::Rx ? rxQuiet_ : log == LogKind::Tx ? txQuiet_ : aprsQuiet_;
    const std::string& pending = log == LogKind::Rx   ? logBuffers_.rxLogBuffer
                                 : log == LogKind::Tx ? logBuffers_.txLogBuffer
                                                      : logBuffers_.aprsLogBuffer;
    if (exited_ || pending.empty()) {
        timer->stop();
        return;
    }
    timer->start();
}

void MainWindow::noteProblem(const std::string& key, const std::string& text) {
    if (notices_.noteProblem(key, text)) showNotices();
}

void MainWindow::noteFileWrite(const std::string& key, const std::string& path, const WriteResult& result,
                               std::uint64_t droppedBytes) {
    if (notices_.noteWrite(key, path, result, droppedBytes)) showNotices();
}

void MainWindow::showNotices() {
    // Paths and the system's reasons are UTF-8, settings Windows-1252; shown without a box, so
    // receiving never waits on it.
    const QString text = fromAirText(notices_.text());
    const QRgb background = notices_.failing() ? 0xC00000 : 0x004000;
    label37_->setStyleSheet(QStringLiteral("QLabel#Label37 { color: #FFFFFF; background-color: %1; }")
                                .arg(QColor(background).name()));
    label37_->setToolTip(text);
    label37_->setText(QFontMetrics(label37_->font()).elidedText(text, Qt::ElideMiddle, label37_->width() - 4));
    label37_->setVisible(!text.isEmpty());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing through the window manager loses nothing either: same sequence as "X".
    exitSequence();
    event->accept();
    seams_.terminate();
}

}  // namespace quilmo
