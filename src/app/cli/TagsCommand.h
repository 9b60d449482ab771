// `tags`: each file's tag as the window shows it, as "名前: 値" lines or as JSON.
#pragma once

#include "app/cli/CliArguments.h"

class Terminal;

// The exit status: 0, or 1 when some file could not be read.
int RunTags(const CliRequest& request, const Options& options, Terminal& terminal);
