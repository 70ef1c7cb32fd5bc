#pragma once
#include <string>
#include <string_view>

namespace quilmo {

// One monitored line while it is being rewritten before dispatch. Most lines need no
// rewrite and are read where they lie; a rewritten line lives in `rewritten`.
struct PacketLine {
    std::string_view text;
    std::size_t headerEnd = 0;  // length of the header through its ":"; 0 when there is none
    std::string rewritten;
    std::string objectLine;     // "object...: " + name, when an object was rewritten
    std::string itemLine;       // "item.....: " + name, when an item was rewritten

    // The object's or item's name, blanks trimmed.
    std::string_view name() const;
    bool killed = false;        // the object or item was killed
    bool named = false;         // an object or item: the packet speaks for it, not for its sender

    void replaceText(std::string&& text) {
        rewritten = std::move(text);
        this->text = rewritten;
    }
};

// Data type: the character after the header's ":"; '\0' without one.
inline char dataTypeOf(const PacketLine& packet) {
    return packet.headerEnd == 0 || packet.headerEnd >= packet.text.size() ? '\0' : packet.text[packet.headerEnd];
}

// "}" third-party packet: the header names both routes, the inner information follows.
void rewriteEncapsulated(PacketLine& packet);
// ";" object: the name goes to objectLine, the rest becomes a "/" position report.
void rewriteObject(PacketLine& packet);
// ")" item: the name goes to itemLine, the rest becomes a "!" position report.
void rewriteItem(PacketLine& packet);

}  // namespace quilmo
