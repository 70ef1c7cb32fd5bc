#pragma once
#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

namespace tncsim {

struct Pace {
    double baud = 0;  // pace like a line at this many baud, 10 bits a byte, when above 0
    double lps = 1;   // else this many lines a second
    bool loop = false;
};

// Listens on 127.0.0.1:port (0: a free port the system picks), prints
// tcp://127.0.0.1:PORT on stdout, and gives every client that connects a replay of
// `lines` of its own from the first line, with the same answers to typed text as on the
// pseudo-terminal. Runs until `stop` is set; returns the exit status.
int serveTcp(std::uint16_t port, const Pace& pace, const std::vector<std::string>& lines,
             const volatile std::sig_atomic_t& stop);

}  // namespace tncsim
