#pragma once
#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

#include "tnc.h"

namespace tncsim {

// Listens on 127.0.0.1:port (0: a free port the system picks), prints
// tcp://127.0.0.1:PORT on stdout, and gives every client that connects a TNC of its own:
// the replay of `lines` from the first line and the same answers as on the
// pseudo-terminal. Runs until `stop` is set; returns the exit status. SIGPIPE must be
// ignored, so a client that goes away ends only its own session.
int serveTcp(std::uint16_t port, const Pace& pace, bool kiss, const std::vector<std::string>& lines,
             const volatile std::sig_atomic_t& stop);

}  // namespace tncsim
