// 10 KB from a BBS over a simulated 1200-baud channel (dw-pair): once into our session on
// station A's KISS port (our data link), once into a plain AGW client on A's AGW port
// (Dire Wolf's data link at both ends), taking turns on the same channel in the same run.
// Prints each transfer's time, the medians and our time as a multiple of Dire Wolf's.
//
//   connected_transfer_bench [--runs N] [--loss P] [--agw]
//   (--agw: our session on A's AGW port instead, so Dire Wolf runs both data links)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "dw_rig.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {

constexpr int kWelcome = 17;            // "Welcome to N0BBB\r"
constexpr qint64 kGiveUpMs = 600000;    // a transfer that takes this long has failed

// Runs the event loop until `done` or the time is up. It sleeps between events: a loop
// that spun would take a core from the two Dire Wolves and lose them audio.
template <typename F>
bool waitFor(F done, qint64 ms) {
    QDeadlineTimer deadline(ms);
    QTimer tick;
    tick.start(50);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Seconds for the BBS's kBytes into our session, or a negative number when it failed.
double ours(Quilmo& q) {
    const std::size_t from = q.rx.size();
    if (!q.type("C N0BBB\r\n") || !waitFor([&] { return q.rx.find("Welcome to N0BBB\r", from) != std::string::npos; }, 60000))
        return -1;
    const std::size_t start = q.rx.size();
    QElapsedTimer took;
    took.start();
    q.type("SEND " + std::to_string(kBytes) + "\r\n");
    const auto dropped = [&] { return q.rx.find("*** DISCONNECTED", start) != std::string::npos; };
    const bool whole = waitFor([&] { return q.rx.size() >= start + kBytes || dropped(); }, kGiveUpMs) && !dropped();
    const double seconds = took.elapsed() / 1000.0;
    q.type("\x03");
    q.type("D\r\n");
    waitFor([&] { return q.rx.find("*** DISCONNECTED", start) != std::string::npos; }, 60000);
    return whole ? seconds : -1;
}

// The same into Dire Wolf's own data link, through a plain AGW client.
double theirs(Bbs& client) {
    client.out.clear();
    client.command("sink");  // the end of each connection ends it too
    client.command("connect N0BBB");
    if (!waitFor([&] { return client.received() >= kWelcome; }, 60000)) return -1;
    const int start = client.received();
    QElapsedTimer took;
    took.start();
    client.command("say SEND " + QByteArray::number(kBytes));
    // The peer's sender may give up on a bad channel: the connection then ends.
    const bool whole = waitFor([&] { return client.received() >= start + kBytes || client.disconnected(); }, kGiveUpMs) &&
                       client.received() >= start + kBytes;
    const double seconds = took.elapsed() / 1000.0;
    client.command("disconnect");
    waitFor([&] { return client.disconnected(); }, 60000);
    return whole ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int runs = 3;
    double loss = 0;
    bool agw = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--runs" && i + 1 < args.size()) runs = args[++i].toInt();
        if (args[i] == "--loss" && i + 1 < args.size()) loss = args[++i].toDouble();
        if (args[i] == "--agw") agw = true;
    }
    QString why;
    if (direwolfMissing(why)) {
        std::fprintf(stderr, "connected_transfer_bench: %s\n", qPrintable(why));
        return 2;
    }
    Pair pair;
    Bbs bbs, client;
    if (!pair.start(loss, why) || !bbs.start(pair.agwB()) || !client.start(pair.agwA(), "N0AAA-2")) {
        std::fprintf(stderr, "connected_transfer_bench: %s\n", qPrintable(why));
        return 1;
    }
    Quilmo q(agw ? agwLink(pair.agwA()) : kissLink(pair.kissA()), {}, "N0AAA-1");
    waitFor([&] { return bbs.saw("registered") && client.saw("registered") && q.has("cmd:"); }, 30000);

    std::vector<double> a, b;
    for (int i = 0; i < runs; ++i) {
        const double s = ours(q);
        const double t = theirs(client);
        std::printf("run %d: Quilmo %.1f s, Dire Wolf %.1f s\n", i + 1, s, t);
        std::fflush(stdout);
        if (s > 0) a.push_back(s);
        if (t > 0) b.push_back(t);
    }
    if (a.size() != static_cast<std::size_t>(runs) || b.size() != static_cast<std::size_t>(runs)) {
        std::printf("some transfers failed\n");
        return 1;
    }
    std::printf("%d bytes at loss %.3f, median of %d: Quilmo (%s) %.1f s, Dire Wolf %.1f s, ratio %.2f\n", kBytes, loss,
                runs, agw ? "AGW" : "KISS", median(a), median(b), median(a) / median(b));
    return 0;
}
