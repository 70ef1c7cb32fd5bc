#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ax25/link_manager.h"

namespace quilmo::ax25 {

struct TncSettings {
    std::string myCall;         // "N0CALL-7"; empty: nothing goes out until MYCALL is given
    std::string unproto;        // "APZQLM,WIDE1-1"; empty: APZQLM direct
    std::string unprotoProblem; // why the configured path cannot be used; converse frames wait for UNPROTO
    LinkSettings link;
    bool monitor = true;
};

// A TNC-2's command line in front of a data link (our own AX.25 links, or an AGWPE
// server's): what a KISS TNC lacks. The
// Tx buffer's text is typed into it, frames heard are handed to it, and it answers with
// frames to transmit and text to print, both waiting until taken. Up to 10 connections
// run at once as streams A to J.
class Tnc {
public:
    static constexpr int kStreams = static_cast<int>(LinkManager::kMaxLinks);

    // `stamp` gives the time MHEARD prints for a station heard now.
    Tnc(TncSettings settings, LinkClock clock, std::function<std::string()> stamp = {});
    // On another data link; the link settings then are the server's, not ours.
    Tnc(TncSettings settings, LinkClock clock, std::function<std::string()> stamp, std::unique_ptr<DataLinks> links);

    // The Tx buffer's bytes as they go out: lines end in CR LF, byte 3 is Ctrl-C. In command
    // mode a line is a command, in converse mode text for the current stream (or a UI frame
    // when that stream has no connection). Empty when taken; otherwise why nothing was done.
    std::string typed(std::string_view text);
    // One frame heard (AX.25 bytes, no checksum).
    void receive(std::string_view frame);
    // Runs the links' timers, and takes what the links have for us since (a server's news).
    void wake();
    std::optional<std::int64_t> nextWakeAt() const;

    // AX.25 frames to transmit, oldest first.
    std::vector<std::string> takeFrames();
    // What the TNC prints: answers, connection news and the connected stations' text.
    std::string takeText();

    bool converse() const { return converse_; }
    int currentStream() const { return current_; }
    // Monitor lines are shown while MONITOR is on and no stream is in use, so they never
    // break into a conversation.
    bool monitorShown() const;
    const TncSettings& settings() const { return settings_; }

private:
    enum class StreamState { Free, Connecting, Connected, Releasing };
    struct Stream {
        StreamState state = StreamState::Free;
        Callsign own;
        Callsign peer;
    };

    void line(std::string_view text, bool ended);
    void command(std::string_view text);
    void converseLine(std::string_view text, bool ended);
    std::string converseRefusal(std::string_view text) const;
    void sendUnproto(std::string_view text);

    void doConnect(const std::vector<std::string>& args);
    void doDisconnect();
    void doMyCall(const std::vector<std::string>& args);
    void doUnproto(const std::vector<std::string>& args);
    void doOnOff(const std::vector<std::string>& args, const char* name, bool& value);
    void doNumber(const std::vector<std::string>& args, const char* name, int low, int high, int& shown);
    void doTiming(const std::vector<std::string>& args, const char* name, int low, int high, int& shown);
    void doStatus();
    void doHeard();
    void applyLinkSettings();

    void collect();
    void streamEvent(const StationEvent& e);
    int streamOf(const Callsign& own, const Callsign& peer) const;
    int freeStream() const;
    void streamText(int stream, std::string_view text);
    void print(std::string_view text);
    void answer(std::string_view line) { print(std::string(line) + "\r\n"); }
    void enterCommandMode();
    std::string stateText(const Stream& s) const;

    TncSettings settings_;
    LinkClock clock_;
    std::function<std::string()> stamp_;
    std::unique_ptr<DataLinks> links_;
    std::array<Stream, kStreams> streams_{};
    int current_ = 0;
    int lastShown_ = 0;
    bool converse_ = false;
    bool atLineStart_ = true;
    // The values as the user sets them, in a TNC-2's units.
    int paclen_, maxFrame_, frack_, retry_, check_;
    struct Heard {
        std::string call;
        std::string when;
    };
    std::deque<Heard> heard_;  // most recent first
    std::vector<std::string> frames_;
    std::string text_;
};

// Quilmo.ini's values in a TNC-2's units: FRACK in seconds, CHECK in tens of seconds.
LinkSettings linkSettingsFrom(int paclen, int maxFrame, int frackSeconds, int retry, int checkTens, bool conok);

}  // namespace quilmo::ax25
