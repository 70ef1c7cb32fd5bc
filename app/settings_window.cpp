#include "app/settings_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "app/map_render.h"
#include "app/map_symbols.h"
#include "platform/files.h"
#include "platform/qt_text.h"

namespace quilmo {
namespace {

struct KeyText {
    std::string_view key;
    const char* label;
    const char* help;
    bool flag;          // a switch, 0 or 1
    const char* later;  // when it takes effect other than at once; null: at once
};

constexpr const char* kNextStart = "takes effect at the next start";

constexpr KeyText kTexts[] = {
    {"MYCALL", "Callsign", "Your callsign with its SSID, e.g. N0CALL-7; needed for anything Quilmo sends of its own", false, nullptr},
    {"MYLAT", "Latitude", "Your latitude: 44\u00B029'30\"N or decimal degrees, 44.5028N or -33.8688", false, nullptr},
    {"MYLONG", "Longitude", "Your longitude: 11\u00B020'15\"E or decimal degrees, 11.3375E or -11.3611", false, nullptr},
    {"SYMBOL", "Symbol", "The beacon's symbol, table and code: /- a house, /> a car", false, nullptr},
    {"BEACON", "Beacon every (minutes)", "Minutes between position beacons; 0 off, at least 5", false, nullptr},
    {"BEACONTEXT", "Beacon text", "The beacon's comment, at most 43 characters", false, nullptr},
    {"UNPROTO", "Path (UNPROTO)", "Destination and digipeaters of frames sent to a KISS TNC, e.g. APZQLM VIA WIDE1-1", false, nullptr},
    {"DEVICE", "Device", "The serial device, tcp://HOST:PORT for a TNC on the network, agw://HOST:PORT for an AGWPE server (Dire Wolf, soundmodem), or aprsis://HOST:PORT for an APRS-IS server", false, nullptr},
    {"COM", "COM port", "Serial port number when no device is given: COM1 is /dev/ttyS0", false, nullptr},
    {"BAUD", "Baud rate", "The serial line's speed", false, nullptr},
    {"PARITY", "Parity", "n none, e even, o odd, m mark, s space", false, nullptr},
    {"BIT", "Data bits", "5 to 8", false, nullptr},
    {"STOP", "Stop bits", "1 or 2", false, nullptr},
    {"XONXOFF", "XON/XOFF flow control", "XON/XOFF flow control (never on a KISS TNC)", true, nullptr},
    {"RTS", "RTS/CTS flow control", "RTS/CTS flow control and the RTS line raised", true, nullptr},
    {"KISS", "KISS TNC", "The device is a KISS TNC", true, nullptr},
    {"KISSRAW", "Raw KISS in the Rx log", "In KISS mode the Rx log gets the raw bytes instead of monitor lines", true, nullptr},
    {"PASSCODE", "Passcode", "Your APRS-IS passcode; -1 receive only", false, nullptr},
    {"FILTER", "Filter", "The filter asked of the server at login, e.g. r/44.49/11.34/50; by default 100 km around you", false, nullptr},
    {"SAVERX", "Rx log on at start", "Start with the received-text log on", true, kNextStart},
    {"SAVETX", "Tx log on at start", "Start with the sent-text log on", true, kNextStart},
    {"BUFFERRX", "Rx buffer size", "The receive buffer size shown in the status line", false, nullptr},
    {"BUFFERTX", "Tx buffer size", "The transmit buffer size shown in the status line", false, nullptr},
    {"CTRLDEND", "^D ends a transmission", "1: a ^D ends what is sent, and nothing more is sent until the TNC answers", false, nullptr},
    {"SPEEDZERO", "Show speed 0", "Show speed and course of decoded positions even when the speed is 0", true, nullptr},
    {"APRS", "APRS panel", "Show the APRS panel", true, kNextStart},
    {"MAPTILES", "Tile server", "A tile server, https://…/{z}/{x}/{y}.png; none: the offline map only", false, nullptr},
    {"MAPATTRIB", "Attribution", "The credit the tile server asks for, shown in a corner of the map", false, nullptr},
    {"WINDOWED", "In a window", "The main window as a normal window with a title bar, at its last size and place, instead of the whole screen", true, kNextStart},
};

const KeyText& textOf(std::string_view key) {
    for (const KeyText& t : kTexts)
        if (t.key == key) return t;
    static const KeyText none{"", "", "", false, nullptr};
    return none;
}

// The field's text in the file's bytes: Windows-1252 where it can, else UTF-8, which the
// reader takes too.
std::string fileBytesOf(const QString& text) { return fitsCp1252(text) ? toCp1252(text) : text.toStdString(); }

// Symbols worth a button: the common ones of both tables.
constexpr std::string_view kSymbols[] = {
    "/-", "/>", "/k", "/u", "/j", "/b", "/[", "/<", "/'", "/X", "/O", "/Y", "/s", "/v", "/R", "/U",
    "/_", "/#", "/&", "/r", "/y", "/n", "/h", "/+", "/a", "/f", "/;", "/l", "/$", "/E", "\\-", "\\>",
    "\\k", "\\j", "\\_", "\\#", "\\&", "\\n", "\\a", "\\u",
};

MarkerKind markerOfSymbol(std::string_view symbol) {
    if (symbol.size() == 2 && symbol[1] == '_') return MarkerKind::Weather;
    constexpr std::string_view moving = "><kujbsvRU[';OXYa";
    if (symbol.size() == 2 && symbol[0] == '/' && moving.find(symbol[1]) != std::string_view::npos) return MarkerKind::Moving;
    return MarkerKind::Fixed;
}

}  // namespace

// The symbol as the map draws it: its picture from the installed symbol set, else the
// map's own disc in its kind's colour with the symbol's code on it.
QPixmap symbolPicture(std::string_view symbol, int size) {
    if (symbol.size() == 2) {
        const QImage image = symbolImage(installedSymbols(), chooseSymbol(symbol[0], symbol[1]), false);
        if (!image.isNull()) return QPixmap::fromImage(image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(MapPainter::colourOf(markerOfSymbol(symbol)));
    painter.setPen(QPen(Qt::black, 1));
    painter.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    QFont font = painter.font();
    font.setPixelSize(std::max(6, size / 2));
    font.setBold(true);
    painter.setFont(font);
    const QString code = symbol.size() == 2 ? QString(QLatin1Char(symbol[1])) : QString();
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, code);
    // An overlay or the alternate table is told by a mark in the corner.
    if (symbol.size() == 2 && symbol[0] != '/') {
        font.setPixelSize(std::max(5, size / 3));
        painter.setFont(font);
        painter.drawText(QRect(0, 0, size, size), Qt::AlignRight | Qt::AlignBottom, QString(QLatin1Char(symbol[0])));
    }
    return picture;
}

SettingsWindow::SettingsWindow(std::string filesFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), dir_(std::move(filesFolder)) {
    setObjectName(QStringLiteral("SettingsWindow"));
    setWindowTitle(tr("Settings"));
    auto* column = new QVBoxLayout(this);
    hint_ = new QLabel(this);
    hint_->setObjectName(QStringLiteral("Hint"));
    hint_->setTextFormat(Qt::PlainText);
    hint_->setWordWrap(true);
    hint_->setStyleSheet(QStringLiteral("QLabel { background-color: #FFF3C0; color: #000000; padding: 4px; }"));
    hint_->hide();
    column->addWidget(hint_);
    tabs_ = new QTabWidget(this);
    column->addWidget(tabs_);
    tabs_->addTab(addGroup(tr("Station"), {"MYCALL", "MYLAT", "MYLONG", "SYMBOL", "BEACON", "BEACONTEXT", "UNPROTO"}), tr("Station"));
    tabs_->addTab(addGroup(tr("Link"), {"DEVICE", "COM", "BAUD", "PARITY", "BIT", "STOP", "XONXOFF", "RTS", "KISS", "KISSRAW"}),
                  tr("Link"));
    tabs_->addTab(addGroup(tr("APRS-IS"), {"PASSCODE", "FILTER"}), tr("APRS-IS"));
    tabs_->addTab(addGroup(tr("Logs and files"), {"SAVERX", "SAVETX", "BUFFERRX", "BUFFERTX", "CTRLDEND", "SPEEDZERO", "APRS"}),
                  tr("Logs and files"));
    tabs_->addTab(addGroup(tr("Map"), {"MAPTILES", "MAPATTRIB"}), tr("Map"));
    tabs_->addTab(addGroup(tr("Window"), {"WINDOWED"}), tr("Window"));

    auto* bottom = new QHBoxLayout;
    saveMessage_ = new QLabel(this);
    saveMessage_->setObjectName(QStringLiteral("SaveMessage"));
    saveMessage_->setTextFormat(Qt::PlainText);
    saveMessage_->setWordWrap(true);
    bottom->addWidget(saveMessage_, 1);
    save_ = new QPushButton(tr("Save"), this);
    save_->setObjectName(QStringLiteral("Save"));
    save_->setToolTip(tr("Write the changed settings to Quilmo.ini and use them at once (Enter)"));
    connect(save_, &QPushButton::clicked, this, [this] { save(); });
    bottom->addWidget(save_);
    column->addLayout(bottom);
    recheck();
}

QWidget* SettingsWindow::addGroup(const QString& title, const std::vector<std::string_view>& keys) {
    auto* page = new QWidget;
    page->setObjectName(title);
    auto* grid = new QGridLayout(page);
    grid->setColumnStretch(2, 1);
    int row = 0;
    for (const std::string_view key : keys) {
        addField(grid, row, std::string(key));
        row += 2;
    }
    grid->setRowStretch(row, 1);
    return page;
}

void SettingsWindow::addField(QGridLayout* grid, int row, const std::string& key) {
    QWidget* page = grid->parentWidget();
    const KeyText& text = textOf(key);
    Field field;
    field.key = key;
    auto* name = new QLabel(QString::fromLatin1(text.label), page);
    name->setToolTip(QString::fromStdString(key) + QStringLiteral("="));
    grid->addWidget(name, row, 0);
    QWidget* editor = makeEditor(key, page);
    editor->setToolTip(QString::fromUtf8(text.help));
    field.line = qobject_cast<QLineEdit*>(editor);
    field.flag = qobject_cast<QCheckBox*>(editor);
    if (auto* combo = qobject_cast<QComboBox*>(editor)) field.line = combo->lineEdit();
    if (field.line != nullptr) {
        field.line->setObjectName(QString::fromStdString(key));
        field.line->setToolTip(QString::fromUtf8(text.help));
        connect(field.line, &QLineEdit::textChanged, this, [this] { recheck(); });
    } else {
        field.flag->setObjectName(QString::fromStdString(key));
        connect(field.flag, &QCheckBox::toggled, this, [this] { recheck(); });
    }
    auto* line = new QHBoxLayout;
    line->addWidget(editor, 1);
    if (key == "MYLAT") {
        auto* pick = new QPushButton(tr("pick on map"), page);
        pick->setObjectName(QStringLiteral("PickOnMap"));
        pick->setToolTip(tr("Take the own position from a click on the map"));
        connect(pick, &QPushButton::clicked, this, [this] { emit pickRequested(); });
        line->addWidget(pick);
    } else if (key == "SYMBOL") {
        auto* choose = new QPushButton(tr("choose…"), page);
        choose->setObjectName(QStringLiteral("ChooseSymbol"));
        connect(choose, &QPushButton::clicked, this, [this] { chooseSymbol(); });
        line->addWidget(choose);
    } else if (key == "PASSCODE") {
        auto* compute = new QPushButton(tr("compute"), page);
        compute->setObjectName(QStringLiteral("ComputePasscode"));
        compute->setToolTip(tr("The passcode of the callsign on the Station page"));
        connect(compute, &QPushButton::clicked, this, [this] { computePasscode(); });
        line->addWidget(compute);
    }
    grid->addLayout(line, row, 1, 1, 2);
    const std::string fallback = settingDefault(key);
    QString defaultText = fallback.empty() ? tr("none") : fromAirText(fallback);
    if (text.flag) defaultText = fallback == "1" ? tr("on") : tr("off");
    auto* notes = new QLabel(tr("default: %1").arg(defaultText) +
                                 (text.later != nullptr ? QStringLiteral("  —  ") + tr(text.later) : QString()),
                             page);
    notes->setTextFormat(Qt::PlainText);
    notes->setStyleSheet(QStringLiteral("QLabel { color: #707070; }"));
    grid->addWidget(notes, row, 3);
    field.problem = new QLabel(page);
    field.problem->setObjectName(QString::fromStdString(key) + QStringLiteral("Problem"));
    field.problem->setTextFormat(Qt::PlainText);  // the value is the user's text, never markup
    field.problem->setStyleSheet(QStringLiteral("QLabel { color: #C00000; }"));
    field.problem->hide();
    grid->addWidget(field.problem, row + 1, 1, 1, 3);
    fields_[key] = field;
}

QWidget* SettingsWindow::makeEditor(const std::string& key, QWidget* parent) {
    if (textOf(key).flag) return new QCheckBox(parent);
    if (key != "DEVICE") return new QLineEdit(parent);
    device_ = new QComboBox(parent);
    device_->setEditable(true);
    device_->setInsertPolicy(QComboBox::NoInsert);
    // Listed by name and description; picking one puts its path in the field.
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        const QString about = port.description().isEmpty() ? port.manufacturer() : port.description();
        device_->addItem(about.isEmpty() ? port.systemLocation() : port.systemLocation() + QStringLiteral("  —  ") + about,
                         port.systemLocation());
    }
    device_->addItem(tr("tcp://HOST:PORT  —  a TNC on the network"), QStringLiteral("tcp://localhost:8001"));
    device_->addItem(tr("agw://HOST:PORT  —  an AGWPE server (Dire Wolf, soundmodem)"), QStringLiteral("agw://localhost:8000"));
    device_->addItem(tr("aprsis://HOST:PORT  —  an APRS-IS server"), QStringLiteral("aprsis://rotate.aprs2.net:14580"));
    connect(device_, &QComboBox::activated, this,
            [this](int index) { device_->setEditText(device_->itemData(index).toString()); });
    return device_;
}

std::string SettingsWindow::valueOf(const Field& field) const {
    if (field.flag != nullptr) return field.flag->isChecked() ? "1" : "0";
    return fileBytesOf(field.line->text());
}

void SettingsWindow::load(const Settings& current) {
    for (auto& [key, field] : fields_) {
        const auto given = current.given.find(key);
        const bool named = given != current.given.end();
        field.original = named ? given->second : settingDefault(key);
        const QSignalBlocker blockLine(field.line), blockFlag(field.flag);
        if (field.flag != nullptr) {
            // A switch shows what the program makes of the value; a value it corrected
            // counts as changed, so a save writes what is used.
            const std::string used = checkSettingValue(key, field.original).value;
            field.flag->setChecked(used == "1");
            if (used != field.original) field.original = "<" + field.original + ">";
        } else {
            field.line->setText(fromAirText(field.original));
        }
    }
    saveMessage_->clear();
    recheck();
}

void SettingsWindow::openWindow(const Settings& current, const QString& hint) {
    load(current);
    hint_->setText(hint);
    hint_->setVisible(!hint.isEmpty());
    tabs_->setCurrentIndex(0);
    show();
    raise();
    activateWindow();
    fields_.at("MYCALL").line->setFocus(Qt::OtherFocusReason);
}

void SettingsWindow::recheck() {
    bool marked = false;
    for (auto& [key, field] : fields_) {
        QString told;
        if (field.line != nullptr) {
            const std::string value = valueOf(field);
            const SettingCheck check = checkSettingValue(key, value);
            if (check.verdict != Verdict::Accepted)
                told = fromAirText(value) + QStringLiteral(": ") + fromAirText(check.reason);
        }
        if ((key == "MYLAT" || key == "MYLONG") && told.isEmpty() && field.line->text().trimmed().isEmpty()) {
            const Field& other = fields_.at(key == "MYLAT" ? "MYLONG" : "MYLAT");
            if (!other.line->text().trimmed().isEmpty()) told = tr("the own position needs a latitude and a longitude");
        }
        field.problem->setText(told);
        field.problem->setVisible(!told.isEmpty());
        if (field.line != nullptr)
            field.line->setStyleSheet(told.isEmpty() ? QString() : QStringLiteral("QLineEdit { border: 2px solid #C00000; }"));
        marked = marked || !told.isEmpty();
    }
    save_->setEnabled(!marked);
}

std::vector<SettingChange> SettingsWindow::changes() const {
    std::vector<SettingChange> out;
    // In the reader's order, so appended lines come in the order of the key table.
    for (const std::string_view key : settingKeys()) {
        const auto field = fields_.find(std::string(key));
        if (field == fields_.end()) continue;
        const std::string value = valueOf(field->second);
        if (value != field->second.original) out.emplace_back(std::string(key), value);
    }
    return out;
}

bool SettingsWindow::save() {
    if (!save_->isEnabled()) {
        saveMessage_->setStyleSheet(QStringLiteral("QLabel { color: #C00000; }"));
        saveMessage_->setText(tr("Not saved: mend the values marked in red first."));
        return false;
    }
    const std::vector<SettingChange> changed = changes();
    if (changed.empty()) {
        saveMessage_->setStyleSheet(QString());
        saveMessage_->setText(tr("Nothing has changed."));
        return true;
    }
    const std::string why = saveConfiguration(dir_, changed, !backedUp_);
    if (!why.empty()) {
        saveMessage_->setStyleSheet(QStringLiteral("QLabel { color: #C00000; }"));
        saveMessage_->setText(fromAirText(why) + QStringLiteral(". ") + tr("Your changes are still here."));
        return false;
    }
    backedUp_ = true;
    lastWritten_ = readWholeFile(joinPath(dir_, "Quilmo.ini")).value_or("");
    for (const auto& [key, value] : changed) fields_.at(key).original = value;
    saveMessage_->setStyleSheet(QString());
    saveMessage_->setText(tr("Saved to Quilmo.ini and in use."));
    emit saved();
    return true;
}

void SettingsWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        save();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SettingsWindow::setPosition(GeoPoint at) {
    const auto degrees = [](double value, char positive, char negative) {
        return QString::number(std::fabs(value), 'f', 5) + QLatin1Char(value < 0 ? negative : positive);
    };
    fields_.at("MYLAT").line->setText(degrees(at.latitude, 'N', 'S'));
    fields_.at("MYLONG").line->setText(degrees(at.longitude, 'E', 'W'));
    show();
    raise();
    activateWindow();
}

void SettingsWindow::chooseSymbol() {
    auto* grid = new QWidget(this, Qt::Popup);
    grid->setObjectName(QStringLiteral("SymbolGrid"));
    grid->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QGridLayout(grid);
    int n = 0;
    for (const std::string_view symbol : kSymbols) {
        auto* button = new QToolButton(grid);
        button->setObjectName(QString::fromLatin1(symbol.data(), static_cast<int>(symbol.size())));
        button->setIcon(QIcon(symbolPicture(symbol, 24)));
        button->setIconSize(QSize(24, 24));
        button->setToolTip(QString::fromLatin1(symbol.data(), static_cast<int>(symbol.size())));
        connect(button, &QToolButton::clicked, this, [this, grid, symbol] {
            fields_.at("SYMBOL").line->setText(QString::fromLatin1(symbol.data(), static_cast<int>(symbol.size())));
            grid->close();
        });
        layout->addWidget(button, n / 8, n % 8);
        ++n;
    }
    QWidget* anchor = findChild<QWidget*>(QStringLiteral("ChooseSymbol"));
    grid->move(anchor->mapToGlobal(QPoint(0, anchor->height())));
    grid->show();
}

void SettingsWindow::computePasscode() {
    const std::int32_t passcode = aprsIsPasscode(fileBytesOf(fields_.at("MYCALL").line->text().trimmed()));
    if (passcode < 0) {
        saveMessage_->setStyleSheet(QStringLiteral("QLabel { color: #C00000; }"));
        saveMessage_->setText(tr("The passcode is computed from the callsign: fill in Callsign on the Station page first."));
        return;
    }
    fields_.at("PASSCODE").line->setText(QString::number(passcode));
}

QWidget* SettingsWindow::editor(const std::string& key) const {
    const Field& field = fields_.at(key);
    return field.line != nullptr ? static_cast<QWidget*>(field.line) : field.flag;
}

QString SettingsWindow::problem(const std::string& key) const { return fields_.at(key).problem->text(); }
QString SettingsWindow::saveMessage() const { return saveMessage_->text(); }
QString SettingsWindow::hint() const { return hint_->isHidden() ? QString() : hint_->text(); }

}  // namespace quilmo
