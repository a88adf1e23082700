#include "PultOptions.h"

#include <charconv>

#include "delivery/Ipv4Address.h"

const char* const PultUsage =
    "Usage: mzorvany-pult [options]\n"
    "A control-room receiver: checks each report datagram (length, checksum, text length\n"
    "and count), prints one line per datagram and acknowledges a well-formed one by\n"
    "echoing its first 21 bytes. A malformed datagram is reported and never acknowledged.\n"
    "Each line is flushed at once. \"listening on ADDRESS:PORT\" goes to standard error\n"
    "when the socket is bound (useful with port 0).\n"
    "\n"
    "  --listen ADDRESS:PORT  address and UDP port to receive on (default 0.0.0.0:830);\n"
    "                         ADDRESS alone keeps port 830, :PORT alone any address\n"
    "  --json                 one JSON object per line instead of text\n"
    "  --no-ack               acknowledge nothing\n"
    "  --drop-first N         leave the first N well-formed reports unacknowledged\n"
    "  --drop-rate P          leave each later report unacknowledged with probability P (0..1)\n"
    "  --seed S               seed of --drop-rate (default 1), for repeatable runs\n"
    "  --count N              exit (status 0) after N datagrams, malformed ones included\n"
    "  --help                 this text\n"
    "\n"
    "Text line:  report from=A:P imsi=I number=N code=C parameter=P ack=yes|no lines=L1|L2...\n"
    "            malformed from=A:P size=S error=E\n"
    "JSON line:  {\"kind\":\"report\",\"from\":..,\"imsi\":..,\"number\":..,\"code\":..,\n"
    "             \"parameter\":..,\"acknowledged\":..,\"lines\":[..]}\n"
    "            {\"kind\":\"malformed\",\"from\":..,\"size\":..,\"error\":..}\n";

namespace {

template <typename T>
bool ParseNumber(const std::string& text, T& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool ParseListen(const std::string& text, Ipv4Endpoint& endpoint) {
    const std::size_t colon = text.rfind(':');
    const std::string host = text.substr(0, colon);
    if (!host.empty()) {
        endpoint.address = ParseIpv4Address(host);
        if (endpoint.address == Ipv4AddressNone && host != "255.255.255.255") {
            return false;
        }
    }
    if (colon == std::string::npos) {
        return true;
    }
    return ParseNumber(text.substr(colon + 1), endpoint.port);
}

}  // namespace

PultOptions ParsePultOptions(const std::vector<std::string>& arguments, std::string& error) {
    PultOptions options;
    error.clear();
    for (std::size_t i = 0; i < arguments.size() && error.empty(); ++i) {
        const std::string& name = arguments[i];
        auto value = [&]() -> const std::string* {
            if (i + 1 >= arguments.size()) {
                error = name + " needs a value";
                return nullptr;
            }
            return &arguments[++i];
        };
        const std::string* text = nullptr;
        if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--json") {
            options.json = true;
        } else if (name == "--no-ack") {
            options.acknowledge = false;
        } else if (name == "--listen") {
            if ((text = value()) && !ParseListen(*text, options.listen)) {
                error = "bad address for --listen: " + *text;
            }
        } else if (name == "--drop-first") {
            if ((text = value()) &&
                (!ParseNumber(*text, options.dropFirst) || options.dropFirst < 0)) {
                error = "bad number for --drop-first: " + *text;
            }
        } else if (name == "--drop-rate") {
            if ((text = value()) && (!ParseNumber(*text, options.dropRate) ||
                                     !(options.dropRate >= 0 && options.dropRate <= 1))) {
                error = "--drop-rate wants a probability from 0 to 1: " + *text;
            }
        } else if (name == "--seed") {
            if ((text = value()) && !ParseNumber(*text, options.seed)) {
                error = "bad number for --seed: " + *text;
            }
        } else if (name == "--count") {
            std::int64_t count = 0;
            if ((text = value()) && (!ParseNumber(*text, count) || count <= 0)) {
                error = "bad number for --count: " + *text;
            }
            options.count = count;
        } else {
            error = "unknown option " + name;
        }
    }
    return options;
}
