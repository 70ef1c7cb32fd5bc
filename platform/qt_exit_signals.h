#pragma once
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace quilmo {

// SIGTERM, SIGHUP and SIGINT as a call on the event loop's thread. The handler only
// writes the signal's number into a socket pair; a notifier reads it whenever an event
// loop runs, so a signal that comes before the loop waits for it instead of being lost.
// One object per process.
class ExitSignals : public QObject {
    Q_OBJECT
public:
    // Catches the signals at once; needs no application object yet.
    ExitSignals();
    // Later signals are ignored: the process is on its way out anyway.
    ~ExitSignals() override;
    ExitSignals(const ExitSignals&) = delete;
    ExitSignals& operator=(const ExitSignals&) = delete;

    // Starts reading (needs the application object). onSignal runs for the first signal
    // only; any later one is read and dropped, so a second stop during shutdown is harmless.
    void watch(std::function<void()> onSignal);
    bool received() const { return received_; }

private:
    void readSignals();

    int fds_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    std::function<void()> onSignal_;
    bool received_ = false;
};

}  // namespace quilmo
