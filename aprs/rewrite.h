#pragma once
#include <string>

namespace quilmo {

// One monitored line while it is being rewritten before dispatch.
struct PacketLine {
    std::string text;
    std::size_t headerEnd = 0;  // length of the header through its ":"; 0 when there is none
    std::string objectLine;     // "object...: " + name, when an object was rewritten
    std::string itemLine;       // "item.....: " + name, when an item was rewritten
};

// Data type: the character after the header's ":"; '\0' without one.
char dataTypeOf(const PacketLine& packet);

// "}" third-party packet: the header names both routes, the inner information follows.
void rewriteEncapsulated(PacketLine& packet);
// ";" object: the name goes to objectLine, the rest becomes a "/" position report.
void rewriteObject(PacketLine& packet);
// ")" item: the name goes to itemLine, the rest becomes a "!" position report.
void rewriteItem(PacketLine& packet);

}  // namespace quilmo
