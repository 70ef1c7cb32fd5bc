#pragma once
// A tile server in a few lines of HTTP/1.1 on 127.0.0.1: each request's path decides the
// answer (an image, a 404, or none at all), and every request is noted.
#include <QBuffer>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QTcpServer>
#include <QTcpSocket>

namespace quilmo::test {

class TileServer : public QObject {
public:
    enum class Answer { Image, NotFound, Silence };

    TileServer() {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QString urlTemplate() const { return QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(server_.serverPort()); }
    void close() {
        server_.close();
        for (QTcpSocket* s : server_.findChildren<QTcpSocket*>()) s->abort();
    }

    Answer fallback = Answer::Image;
    QHash<QByteArray, Answer> answers;  // by path, e.g. "/2/2/1.png"
    QColor colour = QColor(0xFF, 0x00, 0xFF);
    QList<QByteArray> paths;            // every request, in order
    QByteArray userAgent;

private:
    void serve(QTcpSocket* socket) {
        QByteArray& pending = buffers_[socket];
        pending += socket->readAll();
        for (qsizetype end; (end = pending.indexOf("\r\n\r\n")) >= 0;) {
            const QByteArray head = pending.left(end);
            pending.remove(0, end + 4);
            const QList<QByteArray> lines = head.split('\n');
            const QByteArray path = lines.value(0).split(' ').value(1);
            for (const QByteArray& line : lines)
                if (line.toLower().startsWith("user-agent:")) userAgent = line.mid(11).trimmed();
            paths << path;
            answer(socket, answers.value(path, fallback));
        }
    }
    void answer(QTcpSocket* socket, Answer how) {
        if (how == Answer::Silence) return;
        if (how == Answer::NotFound) {
            socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
            return;
        }
        QImage image(256, 256, QImage::Format_RGB32);
        image.fill(colour);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nCache-Control: public, max-age=86400\r\nContent-Length: " +
                      QByteArray::number(png.size()) + "\r\n\r\n" + png);
    }

    QTcpServer server_;
    QHash<QTcpSocket*, QByteArray> buffers_;
};

}  // namespace quilmo::test
