#pragma once
// A tile server in a few lines of HTTP/1.1 on 127.0.0.1: each request's path decides the
// answer (an image, a 404, none at all, or one of the ways a server can misbehave), and
// every request is noted.
#include <QBuffer>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace quilmo::test {

class TileServer : public QObject {
public:
    enum class Answer {
        Image,      // tileSide pixels square
        NotFound,
        Silence,
        Trickle,    // the image's bytes, one every trickleMs after the header
        HugeImage,  // 5000×5000 pixels, a few kB on the wire
        Html,       // a web page with 200 OK
        Markup,     // 500 with markup in the reason phrase
        Redirect,   // `redirects` times on this host, then the image
        Away,       // a redirect to `awayHost`
        BigBody,    // 3 MB of something with 200 OK
    };
    static constexpr const char* kMarkupReason = "<b>x</b><img src=\"/local/file\">%1";

    TileServer() {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    quint16 port() const { return server_.serverPort(); }
    QString urlTemplate() const { return QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(port()); }
    void close() {
        server_.close();
        for (QTcpSocket* s : server_.findChildren<QTcpSocket*>()) s->abort();
    }

    Answer fallback = Answer::Image;
    QHash<QByteArray, Answer> answers;  // by path without its query, e.g. "/2/2/1.png"
    QColor colour = QColor(0xFF, 0x00, 0xFF);
    int tileSide = 256;
    QHash<QByteArray, int> sides;       // by path, where not tileSide
    int trickleMs = 50;
    int redirects = 0;
    QByteArray awayHost;                // "host:port"
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
            answer(socket, path, answers.value(path.split('?').value(0), fallback));
        }
    }
    static QByteArray png(const QImage& image) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }
    QByteArray tile(int side) {
        if (tilePng_.isEmpty() || tilePngSide_ != side || tilePngColour_ != colour) {
            QImage image(side, side, QImage::Format_RGB32);
            image.fill(colour);
            tilePng_ = png(image);
            tilePngSide_ = side;
            tilePngColour_ = colour;
        }
        return tilePng_;
    }
    static QByteArray ok(const QByteArray& type, qsizetype length) {
        return "HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\nCache-Control: public, max-age=86400\r\nContent-Length: " +
               QByteArray::number(length) + "\r\n\r\n";
    }
    static QByteArray redirect(const QByteArray& location) {
        return "HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: 0\r\n\r\n";
    }
    void answer(QTcpSocket* socket, const QByteArray& path, Answer how) {
        const QByteArray base = path.split('?').value(0);
        const QByteArray image = tile(sides.value(base, tileSide));
        switch (how) {
            case Answer::Silence: return;
            case Answer::NotFound: socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"); return;
            case Answer::Image: socket->write(ok("image/png", image.size()) + image); return;
            case Answer::Trickle:
                socket->write(ok("image/png", image.size()));
                return trickle(socket, image);
            case Answer::HugeImage: {
                QImage huge(5000, 5000, QImage::Format_Mono);
                huge.fill(0);
                const QByteArray bytes = png(huge);
                socket->write(ok("image/png", bytes.size()) + bytes);
                return;
            }
            case Answer::Html: {
                const QByteArray page = "<html><body>Please log in to use this network.</body></html>";
                socket->write(ok("text/html", page.size()) + page);
                return;
            }
            case Answer::Markup:
                socket->write(QByteArray("HTTP/1.1 500 ") + kMarkupReason + "\r\nContent-Length: 0\r\n\r\n");
                return;
            case Answer::Redirect: {
                const int hop = path.contains("?hop=") ? path.split('=').last().toInt() : 0;
                if (hop >= redirects) return answer(socket, path, Answer::Image);
                socket->write(redirect("http://127.0.0.1:" + QByteArray::number(port()) + base + "?hop=" + QByteArray::number(hop + 1)));
                return;
            }
            case Answer::Away: socket->write(redirect("http://" + awayHost + base)); return;
            case Answer::BigBody: {
                const QByteArray body(3 * 1024 * 1024, 'x');
                socket->write(ok("image/png", body.size()) + body);
                return;
            }
        }
    }
    void trickle(QTcpSocket* socket, QByteArray bytes) {
        auto* timer = new QTimer(socket);
        QPointer<QTcpSocket> alive(socket);
        connect(timer, &QTimer::timeout, timer, [timer, alive, bytes, sent = qsizetype(0)]() mutable {
            if (!alive || sent >= bytes.size()) return timer->stop();
            alive->write(bytes.mid(sent++, 1));
        });
        timer->start(trickleMs);
    }

    QTcpServer server_;
    QHash<QTcpSocket*, QByteArray> buffers_;
    QByteArray tilePng_;
    int tilePngSide_ = 0;
    QColor tilePngColour_;
};

}  // namespace quilmo::test
