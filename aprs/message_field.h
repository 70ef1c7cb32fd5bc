#pragma once
#include <string_view>

namespace quilmo {

// The parts of an APRS message information field ":ADDRESSEE:text{NN". Views into
// the field; nothing is copied.
struct AprsMessageParts {
    enum class Kind { Message, Ack, Reject };

    bool valid = false;           // ":" + nine-character addressee + ":" at the front
    std::string_view addressee;   // blanks trimmed
    std::string_view text;        // a message's text without its number; empty for an ack or reject
    Kind kind = Kind::Message;
    // A message's own number (after "{"), or the number an ack or reject answers.
    std::string_view number;
    // Reply-ack form "{MM}AA" (or "ackMM}AA"): the sender understands reply-acks, and
    // AA (possibly empty) acknowledges one of ours.
    bool replyAckForm = false;
    std::string_view replyAck;
    // Addressed to everyone: a bulletin or an announcement ("BLN…"), a weather service
    // bulletin ("NWS…"). Nobody acknowledges these.
    bool bulletin = false;
};

// Reads the field as sent. Not a message at all: `valid` false. A number that does not
// read as one (more than five characters, or other than letters and digits) stays part
// of the text.
AprsMessageParts parseAprsMessage(std::string_view info);

// A message number as APRS allows it: one to five letters or digits.
bool isMessageNumber(std::string_view text);

}  // namespace quilmo
