// The Messages window with 10,000 conversations of three messages each, offscreen. What
// each benchmark reports is time on the GUI thread, where the acks go out from:
// - BM_OpenWindow: the window made and shown (the first show fills it);
// - BM_MessageArrives: one message to us, acked, stored and shown, the window open (arg 1)
//   or closed (arg 0), on a station of its own or on the conversation shown;
// - BM_FiveThousandMessages: 5000 messages back to back, window open or closed, with
//   worst_ms, the longest any one of them held the thread (an ack waits at most that long
//   behind the message before it; 5000 in a minute leave 12 ms for each);
// - BM_MessageWhileLocked: a message while another connection holds the write lock, with
//   first_ms, what the first one (the only one that asks the database) waited for it, and
//   retry_ms, the retry that writes all of them once the lock is gone.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <QApplication>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "app/messages_window.h"
#include "platform/sqlite_message_store.h"

namespace {

using namespace quilmo;

constexpr int kConversations = 10'000;
constexpr int kPerConversation = 3;
const std::string kToMe = ":N0CALL-7 :";

std::string stationOf(int n) { return "N" + std::to_string(n) + "ABC-" + std::to_string(n % 16); }

std::string messageText(int n) { return "Gr\xC3\xBC\xC3\x9F" "e aus JN54, QRV 145.500 " + std::to_string(n) + "{" + std::to_string(n % 99999 + 1); }

// A files folder of its own with quilmo.sqlite holding the conversations.
struct Station {
    std::string folder = [] {
        std::string p = (std::filesystem::temp_directory_path() / "quilmo-bench-XXXXXX").string();
        return mkdtemp(p.data()) ? p : std::string();
    }();
    std::int64_t now = 1'780'000'000'000;
    std::unique_ptr<SqliteMessageStore> store;
    std::unique_ptr<Messaging> messaging;
    int heard = 0;

    Station() {
        store = std::make_unique<SqliteMessageStore>(path());
        messaging = std::make_unique<Messaging>("N0CALL-7", store.get(), [this] { return now; });
        messaging->setLinkReady(true);
        for (int round = 0; round < kPerConversation; ++round)
            for (int n = 0; n < kConversations; ++n) hear(stationOf(n));
        messaging->takeOutgoing();
    }
    ~Station() {
        messaging.reset();
        store.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::string path() const { return folder + "/quilmo.sqlite"; }
    void hear(const std::string& station) {
        now += 10;
        messaging->receive(station, kToMe + messageText(++heard));
    }
};

Station& station() {
    static Station s;
    return s;
}

void BM_OpenWindow(benchmark::State& state) {
    Station& s = station();
    for (auto _ : state) {
        MessagesWindow window(*s.messaging, {});
        window.openWindow();
        QApplication::processEvents();
    }
    state.counters["messages"] = static_cast<double>(s.messaging->messages().size());
}
BENCHMARK(BM_OpenWindow)->Unit(benchmark::kMillisecond)->Iterations(5);

// Args: window open, whether the message belongs to the conversation shown, and whether
// the repaint it causes is counted (an event loop paints once per round of events).
void BM_MessageArrives(benchmark::State& state) {
    Station& s = station();
    MessagesWindow window(*s.messaging, {});
    if (state.range(0) != 0) {
        window.openWindow();
        QApplication::processEvents();
    }
    int next = 0;
    for (auto _ : state) {
        s.hear(state.range(1) != 0 ? stationOf(0) : stationOf((next += 7919) % kConversations));
        s.messaging->takeOutgoing();
        if (state.range(2) != 0) QApplication::processEvents();
    }
}
BENCHMARK(BM_MessageArrives)
    ->Args({0, 0, 1})
    ->Args({1, 0, 0})
    ->Args({1, 0, 1})
    ->Args({1, 1, 1})
    ->Unit(benchmark::kMicrosecond);

void BM_FiveThousandMessages(benchmark::State& state) {
    Station& s = station();
    MessagesWindow window(*s.messaging, {});
    if (state.range(0) != 0) {
        window.openWindow();
        QApplication::processEvents();
    }
    double worst = 0;
    int next = 0;
    for (auto _ : state) {
        for (int k = 0; k < 5000; ++k) {
            const auto start = std::chrono::steady_clock::now();
            s.hear(stationOf((next += 7919) % kConversations));
            if (s.messaging->takeOutgoing().empty()) state.SkipWithError("no ack");
            QApplication::processEvents();
            worst = std::max(worst, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
    }
    state.counters["worst_ms"] = worst;
}
BENCHMARK(BM_FiveThousandMessages)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_MessageWhileLocked(benchmark::State& state) {
    Station& s = station();
    sqlite3* other = nullptr;
    sqlite3_open_v2(s.path().c_str(), &other, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    int next = 0;
    const auto first = std::chrono::steady_clock::now();
    s.hear(stationOf(1));
    state.counters["first_ms"] = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - first).count();
    for (auto _ : state) {
        s.hear(stationOf((next += 7919) % kConversations));
        s.messaging->takeOutgoing();
    }
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close_v2(other);
    const auto start = std::chrono::steady_clock::now();
    s.messaging->retryStore();
    state.counters["retry_ms"] = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    state.counters["written"] = s.messaging->storeWaiting() ? 0 : 1;
}
BENCHMARK(BM_MessageWhileLocked)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
