// kvproto: command-line access to the device protocol library. Printer
// families are chosen with --odm (default 28); errors go to stderr with a
// non-zero status (1 for bad input data, 2 for a bad command line).
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "protocol/command_builders.h"
#include "tools/kvproto/kvproto.h"

namespace {

const char* kUsage =
    "usage: kvproto [--odm TYPE] decode [--family main|sz] [--format auto|bin|hex|json] [FILE|-]\n"
    "       kvproto [--odm TYPE] build COMMAND [ARGS...]\n"
    "       kvproto list\n"
    "decode prints one JSON object per reply: class, sub-command, kind, result and report.\n"
    "build prints the bytes of a command as hex (a download: one line per command).\n";

}  // namespace

unsigned long parseNumber(const std::string& text, unsigned long max, const char* what) {
    // Decimal, or hexadecimal after 0x: a leading zero is not octal ("010" is
    // ten), and no sign or blanks, which strtoul would quietly take.
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    const auto isDigit = [hex](unsigned char c) { return hex ? std::isxdigit(c) != 0 : std::isdigit(c) != 0; };
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), isDigit))
        throw UsageError(std::string("invalid ") + what + ": \"" + text + "\"");
    errno = 0;
    char* end = nullptr;
    const unsigned long value = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || value > max)
        throw UsageError(std::string("invalid ") + what + ": \"" + text + "\" (0 to " + std::to_string(max) + ")");
    return value;
}

int main(int argc, char** argv) {
    ToolArgs args(argv + 1, argv + argc);
    try {
        uint32_t odm = 28;
        while (!args.empty() && args[0] == "--odm") {
            if (args.size() < 2) throw UsageError("--odm needs a printer type");
            odm = uint32_t(parseNumber(args[1], 0xFFFFFFFFul, "printer type"));
            args.erase(args.begin(), args.begin() + 2);
        }
        setODMType(odm);
        if (args.empty() || args[0] == "--help" || args[0] == "-h") {
            std::fputs(kUsage, args.empty() ? stderr : stdout);
            return args.empty() ? 2 : 0;
        }
        const std::string command = args[0];
        args.erase(args.begin());
        if (command == "decode") return runDecode(args);
        if (command == "build") return runBuild(args);
        if (command == "list") return runList();
        throw UsageError("unknown command \"" + command + "\"");
    } catch (const UsageError& e) {
        std::fprintf(stderr, "kvproto: %s\n%s", e.what(), kUsage);
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kvproto: %s\n", e.what());
        return 1;
    }
}
