#pragma once
// The command line of vendora-cli, callable from tests with their own streams.
#include <iosfwd>

namespace vendora {

// Returns the process exit code: 0 on success, 1 when the operation failed, 2 for a
// command line that cannot be understood.
int RunCli(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err,
           bool inputIsTerminal);

}  // namespace vendora
