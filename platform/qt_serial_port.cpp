#include "platform/qt_serial_port.h"

#include <QFileInfo>

namespace quilmo {
namespace {

bool toParity(char letter, QSerialPort::Parity& out) {
    switch (letter) {
        case 'n': out = QSerialPort::NoParity; return true;
        case 'e': out = QSerialPort::EvenParity; return true;
        case 'o': out = QSerialPort::OddParity; return true;
        case 'm': out = QSerialPort::MarkParity; return true;
        case 's': out = QSerialPort::SpaceParity; return true;
        default: return false;
    }
}

// Qt has no combined RTS/CTS plus XON/XOFF; hardware handshaking is the part a TNC needs.
QSerialPort::FlowControl toFlowControl(int mode) {
    switch (mode) {
        case 1: return QSerialPort::SoftwareControl;
        case 2:
        case 3: return QSerialPort::HardwareControl;
        default: return QSerialPort::NoFlowControl;
    }
}

// A port that reads or raises an error like this has lost its device.
bool isDeviceLoss(QSerialPort::SerialPortError error) {
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
}

}  // namespace

QtSerialPortImpl::QtSerialPortImpl(QObject* parent) : QObject(parent) {
    reconnect_.setInterval(1000);
    connect(&reconnect_, &QTimer::timeout, this, &QtSerialPortImpl::tryReopen);
    connect(&port_, &QSerialPort::readyRead, this, &QtSerialPortImpl::onReadyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPortImpl::onError);
}

QtSerialPortImpl::~QtSerialPortImpl() {
    // Nobody may be called back while the object is going away.
    onReceive = nullptr;
    onConnectionChanged = nullptr;
    onOpenFailed = nullptr;
    close();
}

void QtSerialPortImpl::setReconnectInterval(int milliseconds) { reconnect_.setInterval(milliseconds); }

bool QtSerialPortImpl::open(const PortSettings& settings, std::string& error) {
    close();
    settings_ = settings;
    bool settingsRefused = false;
    if (configureAndOpen(error, settingsRefused)) return true;
    // The device may come later (plugged in after the start) or be free later.
    if (!settingsRefused) reconnect_.start();
    return false;
}

bool QtSerialPortImpl::configureAndOpen(std::string& error, bool& settingsRefused) {
    const PortSettings& s = settings_;
    QSerialPort::Parity parity{};
    openProblem_ = PortOpenProblem::Other;
    settingsRefused = true;
    // QSerialPort accepts any of these before opening and only fails inside open with a
    // vague text, so values no port can take are refused here with a clear one.
    if (s.baudRate <= 0) {
        error = "Unsupported baud rate " + std::to_string(s.baudRate);
        return false;
    }
    if (!toParity(s.parity, parity)) {
        error = std::string("Unsupported parity ") + s.parity;
        return false;
    }
    if (s.dataBits < 5 || s.dataBits > 8) {
        error = "Unsupported number of data bits " + std::to_string(s.dataBits);
        return false;
    }
    if (s.stopBits != 1 && s.stopBits != 2) {
        error = "Unsupported number of stop bits " + std::to_string(s.stopBits);
        return false;
    }
    settingsRefused = false;
    port_.setPortName(QString::fromStdString(s.devicePath));
    port_.setBaudRate(s.baudRate);
    port_.setParity(parity);
    port_.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits));
    port_.setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    port_.setFlowControl(toFlowControl(s.flowControl));
    // Unlimited: QSerialPort stops reading when its buffer is full, and a small one
    // would leave received text to overflow in the driver. The transmit size has
    // no counterpart in QSerialPort; writes are queued whole.
    port_.setReadBufferSize(0);
    if (!port_.open(QIODevice::ReadWrite)) {
        error = port_.errorString().toStdString();
        if (port_.error() == QSerialPort::DeviceNotFoundError) openProblem_ = PortOpenProblem::NoSuchDevice;
        if (port_.error() == QSerialPort::PermissionError) openProblem_ = PortOpenProblem::PermissionDenied;
        port_.clearError();
        return false;
    }
    // Ptys and some USB adapters refuse the modem-line ioctls; the port works without them.
    if (s.flowControl < 2) port_.setRequestToSend(s.rtsOn);
    port_.setDataTerminalReady(s.dtrOn);
    port_.clearError();
    return true;
}

bool QtSerialPortImpl::isOpen() const { return port_.isOpen(); }

PortState QtSerialPortImpl::state() const {
    if (port_.isOpen()) return PortState::Open;
    return waitingForDevice() ? PortState::Lost : PortState::NotOpen;
}

std::string QtSerialPortImpl::readAll() {
    std::string out;
    out.swap(salvaged_);
    if (port_.isOpen()) {
        const QByteArray bytes = port_.readAll();
        out.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    return out;
}

void QtSerialPortImpl::write(std::string_view bytes) {
    if (!port_.isOpen() || bytes.empty()) return;
    port_.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

void QtSerialPortImpl::close() {
    reconnect_.stop();
    lossQueued_ = false;
    salvaged_.clear();
    if (port_.isOpen()) port_.close();
    port_.clearError();
}

void QtSerialPortImpl::onReadyRead() {
    if (onReceive) onReceive();
}

void QtSerialPortImpl::onError(QSerialPort::SerialPortError error) {
    if (!isDeviceLoss(error) || !port_.isOpen() || lossQueued_) return;
    // Closing from inside QSerialPort's own notification is not safe; the close
    // happens as soon as control is back in the event loop.
    lossQueued_ = true;
    QMetaObject::invokeMethod(this, &QtSerialPortImpl::handleDeviceLoss, Qt::QueuedConnection);
}

void QtSerialPortImpl::handleDeviceLoss() {
    if (!lossQueued_) return;  // closed in the meantime
    lossQueued_ = false;
    if (!port_.isOpen()) return;
    // What arrived before the loss is delivered before anyone hears about it.
    const QByteArray rest = port_.readAll();
    salvaged_.append(rest.constData(), static_cast<std::size_t>(rest.size()));
    if (!salvaged_.empty() && onReceive) onReceive();
    if (!port_.isOpen()) return;  // the receiver closed it
    port_.close();
    port_.clearError();
    reconnect_.start();
    if (onConnectionChanged) onConnectionChanged(false);
}

void QtSerialPortImpl::tryReopen() {
    if (!QFileInfo::exists(QString::fromStdString(settings_.devicePath))) return;
    std::string ignored;
    bool settingsRefused = false;
    if (!configureAndOpen(ignored, settingsRefused)) return;
    reconnect_.stop();
    if (onConnectionChanged) onConnectionChanged(true);
    // Anything that came in between the open and now would otherwise wait for more.
    if (port_.bytesAvailable() > 0 && onReceive) onReceive();
}

}  // namespace quilmo
