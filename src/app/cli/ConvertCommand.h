// `convert`: the WAV files named, and those under the folders named (walked as the window walks
// a folder, in its order), converted as the window converts a batch, by `options`.
#pragma once

#include "app/cli/CliArguments.h"

class Terminal;

// The exit status: 0, 1, or 128 + the signal that stopped it.
int RunConvert(const CliRequest& request, const Options& options, Terminal& terminal);
