// The kvproto command-line tool: decoding printer bytes into JSON lines and
// printing the frames of the command vocabulary as hex.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

// A mistake in the command line or the input: message on stderr, status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

using ToolArgs = std::vector<std::string>;

// kvproto decode [--family main|sz] [--format auto|bin|hex|json] [FILE|-]
int runDecode(const ToolArgs& args);
// kvproto build COMMAND [ARGS...]; kvproto list
int runBuild(const ToolArgs& args);
int runList();

// Parses a decimal or 0x-prefixed number no larger than max.
unsigned long parseNumber(const std::string& text, unsigned long max, const char* what);
