// `set`: the fields given written into each file, by the window's rules: the others keep their
// stored bytes, the file is replaced atomically and read back.
#pragma once

#include "app/cli/CliArguments.h"

class Terminal;

// The exit status: 0, 1 when some file could not be written, or 128 + the signal that stopped
// it (between two files).
int RunSet(const CliRequest& request, const Options& options, Terminal& terminal);
