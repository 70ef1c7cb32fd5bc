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
#include <vector>

#include "app/app_icon.h"
#include "app/click_label.h"
#include "app/growing_view.h"
#include "app/layout.h"
#include "app/port_status.h"
#include "app/text_display.h"
#include "aprs/decoder.h"
#include "aprs/filter_window.h"
#include "aprs/geometry.h"
#include "platform/qt_text.h"
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

constexpr QRgb kBlack = 0x000000;
constexpr QRgb kCopiedBlue = 0x0000FF;
constexpr QRgb kFreshGreen = 0x004000;

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
void fitCaption(QLabel* label) {
    const QString text = label->text();
    if (text.isEmpty()) return;
    const qreal available = label->contentsRect().width() - 1;
    QFont font = label->font();
    while (QFontMetricsF(font).horizontalAdvance(text) > available && font.pointSizeF() > 6) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
    }
    label->setFont(font);
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
    buildTabOrder();
    connectActions();
    // Function keys work wherever the focus is, so they are caught before any widget sees them.
    qApp->installEventFilter(this);
}

const BoundedText& MainWindow::rxView() const { return text1_->model(); }
const BoundedText& MainWindow::txHistory() const { return text2_->model(); }
const BoundedText& MainWindow::aprsView() const { return text7_->model(); }

MainWindow::~MainWindow() {
    seams_.port.onReceive = nullptr;
    seams_.port.onConnectionChanged = nullptr;
}

void MainWindow::buildWidgets() {
    text1_ = makeView<GrowingView>(this, "Text1", 0xFFFFFF, FontKind::Fixed12, true, true);
    text2_ = makeView<GrowingView>(this, "Text2", 0x00C000, FontKind::Fixed975, true, false);
    text7_ = makeView<GrowingView>(this, "Text7", 0xFFFF00, FontKind::Fixed975, true, false);
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
    for (QCheckBox* box : {check1_, check2_}) {
        box->setFont(fontOf(FontKind::Default));
        // The platform's indicator is drawn dark on dark; a light box stays visible on black.
        box->setStyleSheet(colourStyle("QCheckBox", box->objectName(), 0xFFFFFF, kBlack) +
                           QStringLiteral("QCheckBox#%1::indicator { width: 9px; height: 9px; "
                                          "border: 1px solid #C0C0C0; background-color: #000000; }"
                                          "QCheckBox#%1::indicator:checked { background-color: #C0C0C0; }")
                               .arg(box->objectName()));
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

    connect(command2_, &QPushButton::clicked, this, [this] {
        exitSequence();
        seams_.terminate();
    });
    connect(command3_, &QPushButton::clicked, this, [this] { showMinimized(); });
    connect(check1_, &QCheckBox::toggled, this, [this](bool checked) { onSaveRxToggled(checked); });
    connect(check2_, &QCheckBox::toggled, this, [this](bool checked) { onSaveTxToggled(checked); });
}

void MainWindow::applyLayout(bool aprsOn, const std::set<std::string>& only) {
    const double screenW = pixelsToTwips(screen_.pixels.width(), screen_.dpi);
    const double screenH = pixelsToTwips(screen_.pixels.height(), screen_.dpi);
    if (only.empty()) resize(screen_.pixels);
    for (const auto& [name, twips] : mainWindowLayout(screenW, screenH, aprsOn)) {
        if (!only.empty() && only.count(name) == 0) continue;
        auto* widget = findChild<QWidget*>(QString::fromStdString(name), Qt::FindDirectChildrenOnly);
        if (widget == nullptr) continue;
        const PixelRect px = toPixels(twips, screen_.dpi);
        widget->setGeometry(px.x, px.y, px.width, px.height);
    }
}

void MainWindow::showAprsPanel(bool aprsOn) {
    applyLayout(aprsOn, {"Text2"});
    text7_->setVisible(aprsOn);
    labels_.at(25)->setVisible(aprsOn);
    for (int n = 31; n <= 35; ++n) labels_.at(n)->setVisible(aprsOn);
    if (!aprsOn) return;
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
    labels_.at(6)->setText(fromCp1252(statusLabelText(settings_)));

    showAprsPanel(settings_.aprsEnabled == 1);
    if (settings_.aprsEnabled != 1) settings_.myPositionSet = false;
    if (settings_.myPositionSet) {
        labels_.at(26)->setText(fromCp1252(settings_.myLat + "   " + settings_.myLong));
        own_.myLongValue = dmsTextToDegrees(settings_.myLong);
        own_.myLatValue = dmsTextToDegrees(settings_.myLat);
    }

    for (const auto& [number, label] : labels_) fitCaption(label);
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
    std::string error;
    if (seams_.port.open(port, error)) return;
    // The port's name comes from Quilmo.ini (Windows-1252), the reason from Qt (UTF-8).
    seams_.messageBox(QString::fromLatin1(kProductName),
                      fromCp1252(portDisplayName(settings_)) + QStringLiteral("\r\n") +
                          QString::fromUtf8(error.data(), static_cast<qsizetype>(error.size())));
}

void MainWindow::onConnectionChanged(bool connected) {
    QString text = fromCp1252(statusLabelText(settings_));
    if (!connected) text += QStringLiteral("  - device lost, waiting");
    labels_.at(6)->setText(text);
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) onActivated();
    return QWidget::event(event);
}

void MainWindow::onActivated() {
    setRxFontSize(11);
    focusTxBuffer();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this) return false;

    if (functionKeyNumber(key->key()) != 0) {
        if (type == QEvent::KeyPress) handleFunctionKey(key);
        return true;  // no widget gets an F-key, whatever the modifiers
    }
    // The edit has inserted the line break on the press; the release sends it.
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (watched == text3_ && type == QEvent::KeyRelease && enter && !key->isAutoRepeat()) tx_dati();
    return false;
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
    font.setPointSize(size);
    text1_->setFont(font);
}

void MainWindow::tx_dati() {
    const ValueFields fields{toCp1252(text4_->text()), toCp1252(text5_->text()), toCp1252(text6_->text())};
    const TransmitPlan plan = planTransmit(txBufferBytes(text3_->toPlainText()), fields, seams_.clock(),
                                           settings_.ctrlDEnd, tx_.txHold);
    if (plan.held) return;

    if (plan.xoff == XoffIndicator::Show) labels_.at(30)->show();
    if (plan.xoff == XoffIndicator::Hide) labels_.at(30)->hide();
    if (seams_.port.isOpen()) seams_.port.write(plan.sendText);
    text2_->append(plan.readable, GrowingView::Trim::AfterAppend);
    focusTxBuffer();
    if (logBuffers_.saveTx == 1) logFiles_.addTx(logBuffers_, plan.readable);
    text3_->clear();
}

void MainWindow::onSerialReceive() {
    const std::string chunk = seams_.port.readAll();
    if (chunk.empty()) return;
    tx_.txHold = 0;
    text1_->append(chunk, GrowingView::Trim::BeforeAppend);

    if (settings_.aprsEnabled == 1 && aprs_.aprsStopped == 0) {
        std::vector<std::string> lines;
        aprs_.aprsLineBuffer.append(chunk, lines);
        for (const std::string& line : lines) decodeAprsPacket(line);
    }
    if (logBuffers_.saveRx == 1) logFiles_.addRx(logBuffers_, chunk);
}

void MainWindow::decodeAprsPacket(const std::string& line) {
    const DecoderSettings decoderSettings{settings_.myPositionSet, own_.myLatValue, own_.myLongValue,
                                          settings_.speedZero};
    const DecodeContext context{decoderSettings, aprs_.filterFlags, seams_.clock()};
    const DecodedPacket packet = decodeAprsLine(line, context);

    if (packet.shown) {
        text7_->append(packet.record, GrowingView::Trim::AfterAppend);
        focusTxBuffer();
        logFiles_.appendAprsLog(packet.record);
        if (packet.placemark) kml_.kmlAppendPlacemark(*packet.placemark);
    }
    // The coordinates stay offered until another position replaces them; a packet
    // without a position leaves both them and the button colour alone.
    if (!packet.lastCoordinates.empty()) {
        aprs_.lastCoordinates = packet.lastCoordinates;
        // Restyling the button costs more than decoding the packet; it only changes once.
        auto* button = static_cast<ClickLabel*>(labels_.at(35));
        if (button->background() != QColor(kFreshGreen)) button->setBackground(QColor(kFreshGreen));
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
    const std::string path = macroPath(dir_, n);
    if (checkMacroFile(path) != kMacroUsable) return;
    const auto text = readMacroFile(path);
    if (!text) return;
    seams_.messageBox(QString::fromLatin1(kProductName), fromCp1252(showMacroText(n, *text)));
}

void MainWindow::onSaveRxToggled(bool checked) {
    logFiles_.onSaveRxChanged(logBuffers_, checked, seams_.clock());
    focusTxBuffer();
}

void MainWindow::onSaveTxToggled(bool checked) {
    logFiles_.onSaveTxChanged(logBuffers_, checked, seams_.clock());
    focusTxBuffer();
}

void MainWindow::openFilterWindow() {
    if (filterWindow_ == nullptr) {
        filterWindow_ = new FilterWindow(aprs_.filterFlags, dir_, this);
        // The device is asked to pause while the filter is being chosen.
        connect(filterWindow_, &FilterWindow::aboutToLoad, this, [this] {
            appendToTxBuffer(QStringLiteral("^S"));
            tx_dati();
        });
        connect(filterWindow_, &FilterWindow::okClosed, this, [this] {
            appendToTxBuffer(QStringLiteral("^Q"));
            tx_dati();
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

void MainWindow::exitSequence() {
    if (exited_) return;
    exited_ = true;
    if (seams_.port.isOpen()) seams_.port.close();
    if (!logBuffers_.rxLogBuffer.empty()) logFiles_.flushRxLog(logBuffers_);
    if (!logBuffers_.txLogBuffer.empty()) logFiles_.flushTxLog(logBuffers_);
    if (kml_.kmlDocumentOpen()) kml_.kmlCloseFile();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing through the window manager loses nothing either: same sequence as "X".
    exitSequence();
    event->accept();
    seams_.terminate();
}

}  // namespace quilmo
