#include "ax25/tnc.h"

#include <algorithm>
#include <charconv>

#include "terminal/kiss_transmit.h"

namespace quilmo::ax25 {
namespace {

constexpr char kCtrlC = 3;
constexpr char kXoff = 19;
constexpr char kXon = 17;
constexpr std::size_t kMaxHeard = 20;

enum class Cmd { Connect, Convers, Conok, Check, Cstatus, Disconnect, K, MyCall, Monitor, MaxFrame, Mheard,
                 Unproto, Paclen, Frack, Retry, Help };

// Each command with the shortest form that names it alone.
struct CommandName {
    std::string_view name;
    std::size_t shortest;
    Cmd cmd;
};
constexpr CommandName kCommands[] = {
    {"CONNECT", 1, Cmd::Connect},   {"CONVERS", 4, Cmd::Convers}, {"CONOK", 4, Cmd::Conok},
    {"CHECK", 2, Cmd::Check},       {"CSTATUS", 2, Cmd::Cstatus}, {"DISCONNECT", 1, Cmd::Disconnect},
    {"K", 1, Cmd::K},               {"MYCALL", 2, Cmd::MyCall},   {"MONITOR", 2, Cmd::Monitor},
    {"MAXFRAME", 2, Cmd::MaxFrame}, {"MHEARD", 2, Cmd::Mheard},   {"UNPROTO", 1, Cmd::Unproto},
    {"PACLEN", 1, Cmd::Paclen},     {"FRACK", 1, Cmd::Frack},     {"RETRY", 1, Cmd::Retry},
    {"HELP", 1, Cmd::Help},
};

constexpr std::string_view kHelp =
    "Commands (shortest form in capitals):\r\n"
    "  C call [V digi,...]   connect          D           disconnect\r\n"
    "  CONV or K             converse mode    Ctrl-C      command mode\r\n"
    "  MY call               own callsign     U dest [V digi,...]  unproto path\r\n"
    "  MO ON|OFF             monitor          CONO ON|OFF incoming connections\r\n"
    "  P n  PACLEN 1-256     MA n  MAXFRAME 1-7   F n  FRACK 1-15 s\r\n"
    "  R n  RETRY 1-15       CH n  CHECK 1-250 (x 10 s)\r\n"
    "  CS                    each stream's state  MH   stations heard\r\n"
    "  |A to |J at the start of a line picks a stream.";

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

std::string upperCopy(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = upper(c);
    return out;
}

// Words split at blanks and commas.
std::vector<std::string> words(std::string_view text) {
    std::vector<std::string> out;
    std::string word;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == ',') {
            if (!word.empty()) out.push_back(std::move(word));
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) out.push_back(std::move(word));
    return out;
}

std::optional<Cmd> commandNamed(std::string_view word) {
    const std::string w = upperCopy(word);
    for (const CommandName& c : kCommands) {
        if (w.size() >= c.shortest && w.size() <= c.name.size() && c.name.starts_with(w)) return c.cmd;
    }
    return std::nullopt;
}

std::optional<int> wholeNumber(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// "CALL [V|VIA] DIGI ...": the destination and its digipeaters, or nothing when a call is
// bad or there are more digipeaters than a frame carries.
std::optional<UnprotoPath> pathOf(std::vector<std::string> args) {
    if (args.empty()) return std::nullopt;
    if (args.size() > 1) {
        const std::string via = upperCopy(args[1]);
        if (via == "V" || via == "VIA") args.erase(args.begin() + 1);
    }
    if (args.size() - 1 > kMaxPath) return std::nullopt;
    UnprotoPath path;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::optional<Callsign> call = parseCallsign(args[i]);
        if (!call) return std::nullopt;
        if (i == 0) {
            path.destination = *call;
        } else {
            path.digipeaters.push_back(*call);
        }
    }
    return path;
}

std::string withoutFlowControl(std::string_view text) {
    std::string out;
    for (const char c : text)
        if (c != kXoff && c != kXon) out += c;
    return out;
}

char streamLetter(int stream) { return static_cast<char>('A' + stream); }

}  // namespace

LinkSettings linkSettingsFrom(int paclen, int maxFrame, int frackSeconds, int retry, int checkTens, bool conok) {
    LinkSettings s;
    s.paclen = static_cast<std::size_t>(paclen);
    s.maxFrame = maxFrame;
    s.frackMs = std::int64_t{frackSeconds} * 1000;
    s.retry = retry;
    s.checkMs = std::int64_t{checkTens} * 10000;
    s.conok = conok;
    return s;
}

Tnc::Tnc(TncSettings settings, LinkClock clock, std::function<std::string()> stamp)
    : Tnc(settings, clock, std::move(stamp),
          std::make_unique<LinkManager>(parseCallsign(settings.myCall).value_or(Callsign{}), clock, settings.link)) {}

Tnc::Tnc(TncSettings settings, LinkClock clock, std::function<std::string()> stamp, std::unique_ptr<DataLinks> links)
    : settings_(std::move(settings)),
      clock_(clock),
      stamp_(std::move(stamp)),
      links_(std::move(links)),
      paclen_(static_cast<int>(settings_.link.paclen)),
      maxFrame_(settings_.link.maxFrame),
      frack_(static_cast<int>(settings_.link.frackMs / 1000)),
      retry_(settings_.link.retry),
      check_(static_cast<int>(settings_.link.checkMs / 10000)) {
    print("cmd:\r\n");
}

// ---- typing

std::string Tnc::typed(std::string_view text) {
    // What is typed while the connection is made waits for it, as a TNC-2 holds it:
    // nothing is sent on a state change the user did not see.
    const Stream& s = streams_[current_];
    const bool escapes = !text.empty() && (text.front() == kCtrlC || text.front() == '|');
    if (s.state == StreamState::Connecting && !escapes)
        return "Nothing was sent: the connection to " + callsignText(s.peer) +
               " is being made. The text stays in the Tx buffer (^C for commands).";
    if (converse_ && s.state == StreamState::Free && !escapes) {
        const std::size_t stop = text.find(kCtrlC);
        if (std::string why = converseRefusal(text.substr(0, stop)); !why.empty()) return why;
    }
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t crlf = text.find("\r\n", at);
        const std::size_t ctrlC = text.find(kCtrlC, at);
        const std::size_t end = std::min(crlf, ctrlC);
        if (end == std::string_view::npos) {
            line(text.substr(at), false);
            break;
        }
        if (end == ctrlC) {
            if (end > at) line(text.substr(at, end - at), false);
            enterCommandMode();
            at = end + 1;
            continue;
        }
        line(text.substr(at, end - at), true);
        at = end + 2;
    }
    collect();
    return {};
}

// Converse text for no connection goes as UI frames, all of it or none.
std::string Tnc::converseRefusal(std::string_view text) const {
    if (!settings_.unprotoProblem.empty()) return settings_.unprotoProblem;
    const KissTransmit check = kissTransmitFrames(text, settings_.myCall, settings_.unproto);
    return check.refused ? check.notice : std::string();
}

void Tnc::line(std::string_view text, bool ended) {
    if (text.size() >= 2 && text[0] == '|') {
        const char letter = upper(text[1]);
        if (letter >= 'A' && letter < streamLetter(kStreams)) {
            current_ = letter - 'A';
            text.remove_prefix(2);
            if (text.empty()) return;
        }
    }
    if (converse_) {
        converseLine(text, ended);
    } else {
        command(text);
    }
}

void Tnc::converseLine(std::string_view text, bool ended) {
    const Stream& s = streams_[current_];
    const std::string clean = withoutFlowControl(text);
    switch (s.state) {
        case StreamState::Connected:
            // A TNC ends a line with CR, as the other end expects it.
            links_->send(s.own, s.peer, clean + (ended ? "\r" : ""));
            return;
        case StreamState::Free:
            if (!clean.empty()) sendUnproto(clean);
            return;
        default:
            answer("?not connected");
            return;
    }
}

void Tnc::sendUnproto(std::string_view text) {
    if (const std::string why = converseRefusal(text); !why.empty()) {
        answer("?" + why);
        return;
    }
    const std::optional<Callsign> source = parseCallsign(settings_.myCall);
    std::optional<UnprotoPath> path = parseUnproto(settings_.unproto);
    if (!path) path = parseUnproto(kDefaultUnproto);
    std::vector<Digipeater> digipeaters;
    for (const Callsign& call : path->digipeaters) digipeaters.push_back({call, false});
    frames_.push_back(ax25UiFrame(*source, path->destination, digipeaters, text));
}

void Tnc::enterCommandMode() {
    converse_ = false;
    print("cmd:\r\n");
}

// ---- commands

void Tnc::command(std::string_view text) {
    std::vector<std::string> args = words(text);
    if (args.empty()) return;
    const std::optional<Cmd> cmd = commandNamed(args.front());
    if (!cmd) {
        answer("?EH");
        return;
    }
    args.erase(args.begin());
    switch (*cmd) {
        case Cmd::Connect: return doConnect(args);
        case Cmd::Disconnect: return doDisconnect();
        case Cmd::Convers:
        case Cmd::K: converse_ = true; return;
        case Cmd::MyCall: return doMyCall(args);
        case Cmd::Unproto: return doUnproto(args);
        case Cmd::Monitor: return doOnOff(args, "MONITOR", settings_.monitor);
        case Cmd::Conok: doOnOff(args, "CONOK", settings_.link.conok); return applyLinkSettings();
        case Cmd::Paclen: return doTiming(args, "PACLEN", 1, 256, paclen_);
        case Cmd::MaxFrame: return doTiming(args, "MAXFRAME", 1, 7, maxFrame_);
        case Cmd::Frack: return doTiming(args, "FRACK", 1, 15, frack_);
        case Cmd::Retry: return doTiming(args, "RETRY", 1, 15, retry_);
        case Cmd::Check: return doTiming(args, "CHECK", 1, 250, check_);
        case Cmd::Cstatus: return doStatus();
        case Cmd::Mheard: return doHeard();
        case Cmd::Help: return answer(kHelp);
    }
}

void Tnc::doConnect(const std::vector<std::string>& args) {
    Stream& s = streams_[current_];
    if (args.empty()) {
        answer("Link state is: " + stateText(s));
        return;
    }
    const std::optional<UnprotoPath> path = pathOf(args);
    if (!path) {
        answer("?bad");
        return;
    }
    const std::optional<Callsign> own = parseCallsign(settings_.myCall);
    if (!own) {
        answer("?MYCALL not set");
        return;
    }
    if (s.state != StreamState::Free) {
        answer("?stream " + std::string(1, streamLetter(current_)) + " in use: " + stateText(s));
        return;
    }
    if (streamOf(*own, path->destination) >= 0) {
        answer("?already connected to " + callsignText(path->destination));
        return;
    }
    if (!links_->connect(*own, path->destination, path->digipeaters)) {
        answer("?all links in use");
        return;
    }
    s = {StreamState::Connecting, *own, path->destination};
}

void Tnc::doDisconnect() {
    Stream& s = streams_[current_];
    if (s.state == StreamState::Free) {
        answer("?not connected");
        return;
    }
    // A second D drops the link at once, as the data link does.
    s.state = StreamState::Releasing;
    links_->disconnect(s.own, s.peer);
}

void Tnc::doMyCall(const std::vector<std::string>& args) {
    if (args.empty()) {
        answer("MYCALL " + settings_.myCall);
        return;
    }
    const std::optional<Callsign> call = parseCallsign(args.front());
    if (args.size() != 1 || !call) {
        answer("?bad");
        return;
    }
    answer("MYCALL was " + settings_.myCall);
    settings_.myCall = callsignText(*call);
    links_->setMyCall(*call);
}

void Tnc::doUnproto(const std::vector<std::string>& args) {
    const std::string shown = settings_.unproto.empty() ? std::string(kDefaultUnproto) : settings_.unproto;
    if (args.empty()) {
        answer("UNPROTO " + shown);
        return;
    }
    const std::optional<UnprotoPath> path = pathOf(args);
    if (!path) {
        answer("?bad");
        return;
    }
    answer("UNPROTO was " + shown);
    settings_.unproto = unprotoText(*path);
    settings_.unprotoProblem.clear();
}

void Tnc::doOnOff(const std::vector<std::string>& args, const char* name, bool& value) {
    if (args.empty()) {
        answer(std::string(name) + (value ? " ON" : " OFF"));
        return;
    }
    const std::string word = upperCopy(args.front());
    if (args.size() != 1 || (word != "ON" && word != "OFF")) {
        answer("?bad");
        return;
    }
    answer(std::string(name) + " was " + (value ? "ON" : "OFF"));
    value = word == "ON";
}

void Tnc::doNumber(const std::vector<std::string>& args, const char* name, int low, int high, int& shown) {
    if (args.empty()) {
        answer(std::string(name) + " " + std::to_string(shown));
        return;
    }
    const std::optional<int> n = args.size() == 1 ? wholeNumber(args.front()) : std::nullopt;
    if (!n || *n < low || *n > high) {
        answer("?bad");
        return;
    }
    answer(std::string(name) + " was " + std::to_string(shown));
    shown = *n;
}

// A server that runs the data link keeps these settings itself.
void Tnc::doTiming(const std::vector<std::string>& args, const char* name, int low, int high, int& shown) {
    if (!links_->timingIsOurs()) {
        answer("?not on AGW");
        return;
    }
    doNumber(args, name, low, high, shown);
    applyLinkSettings();
}

// New values hold for links made from now on; a link keeps what it started with.
void Tnc::applyLinkSettings() {
    const bool conok = settings_.link.conok;
    LinkSettings s = linkSettingsFrom(paclen_, maxFrame_, frack_, retry_, check_, conok);
    s.extended = settings_.link.extended;
    s.maxFrameExtended = settings_.link.maxFrameExtended;
    s.ackDelayMs = settings_.link.ackDelayMs;
    settings_.link = s;
    links_->setSettings(s);
}

void Tnc::doStatus() {
    for (int i = 0; i < kStreams; ++i) {
        const std::string flag = i == current_ ? "  IO  " : "      ";
        answer(std::string(1, streamLetter(i)) + " stream" + flag + stateText(streams_[i]));
    }
}

void Tnc::doHeard() {
    if (heard_.empty()) {
        answer("(none heard)");
        return;
    }
    for (const Heard& h : heard_) answer(h.call + (h.when.empty() ? "" : "  " + h.when));
}

std::string Tnc::stateText(const Stream& s) const {
    switch (s.state) {
        case StreamState::Free: return "DISCONNECTED";
        case StreamState::Connecting: return "CONNECT in progress to " + callsignText(s.peer);
        case StreamState::Connected: return "CONNECTED to " + callsignText(s.peer);
        case StreamState::Releasing: return "DISCONNECT in progress from " + callsignText(s.peer);
    }
    return "DISCONNECTED";
}

// ---- the air

void Tnc::receive(std::string_view frame) {
    if (const std::optional<Frame> a = decodeAddresses(frame)) {
        const std::string call = callsignText(a->source);
        std::erase_if(heard_, [&](const Heard& h) { return h.call == call; });
        heard_.push_front({call, stamp_ ? stamp_() : std::string()});
        if (heard_.size() > kMaxHeard) heard_.pop_back();
    }
    links_->receive(frame);
    collect();
}

void Tnc::wake() {
    links_->wake();
    collect();
}

std::optional<std::int64_t> Tnc::nextWakeAt() const { return links_->nextWakeAt(); }

std::vector<std::string> Tnc::takeFrames() {
    std::vector<std::string> out;
    out.swap(frames_);
    return out;
}

std::string Tnc::takeText() {
    std::string out;
    out.swap(text_);
    return out;
}

bool Tnc::monitorShown() const {
    return settings_.monitor && std::none_of(streams_.begin(), streams_.end(), [](const Stream& s) {
               return s.state != StreamState::Free;
           });
}

void Tnc::collect() {
    for (const std::string& note : links_->takeNotes()) answer(note);
    for (std::string& f : links_->takeFrames()) frames_.push_back(std::move(f));
    for (const StationEvent& e : links_->takeEvents()) streamEvent(e);
}

int Tnc::streamOf(const Callsign& own, const Callsign& peer) const {
    for (int i = 0; i < kStreams; ++i) {
        const Stream& s = streams_[i];
        if (s.state != StreamState::Free && sameStation(s.own, own) && sameStation(s.peer, peer)) return i;
    }
    return -1;
}

// An incoming connection takes the current stream when it is free, else the first free one.
int Tnc::freeStream() const {
    if (streams_[current_].state == StreamState::Free) return current_;
    for (int i = 0; i < kStreams; ++i)
        if (streams_[i].state == StreamState::Free) return i;
    return -1;
}

void Tnc::streamEvent(const StationEvent& e) {
    int stream = streamOf(e.own, e.peer);
    const std::string peer = callsignText(e.peer);
    switch (e.event.kind) {
        case EventKind::Connected:
            if (stream < 0) stream = freeStream();
            if (stream < 0) return;  // the manager holds no more links than there are streams
            streams_[stream] = {StreamState::Connected, e.own, e.peer};
            streamText(stream, "*** CONNECTED to " + peer + "\r\n");
            if (stream == current_) converse_ = true;
            return;
        case EventKind::Disconnected: {
            if (stream < 0) return;
            if (e.event.reason == DisconnectReason::Busy) streamText(stream, "*** " + peer + " busy\r\n");
            if (e.event.reason == DisconnectReason::RetryCountExceeded) streamText(stream, "*** retry count exceeded\r\n");
            streamText(stream, "*** DISCONNECTED\r\n");
            streams_[stream] = {};
            if (stream == current_ && converse_) enterCommandMode();
            return;
        }
        case EventKind::Data:
            if (stream >= 0) streamText(stream, e.event.data);
            return;
        case EventKind::FrameRejected:
        case EventKind::Reset:
            if (stream >= 0) streamText(stream, "*** link reset with " + peer + "\r\n");
            return;
    }
}

void Tnc::streamText(int stream, std::string_view text) {
    if (stream != lastShown_) {
        if (!atLineStart_) print("\r\n");
        print("|" + std::string(1, streamLetter(stream)));
        lastShown_ = stream;
    }
    print(text);
}

void Tnc::print(std::string_view text) {
    if (text.empty()) return;
    text_ += text;
    atLineStart_ = text.back() == '\n' || text.back() == '\r';
}

}  // namespace quilmo::ax25
