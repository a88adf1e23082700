// A well-formed D-Bus message built from the input (a body signature, then values for it:
// texts and object paths of any shape and length, arrays, dictionaries, nested variants),
// decoded as the cache decodes what services send. The decoders keep within their bounds
// whatever the message holds, and accept every message of the shape they read.
#include <fuzzer/FuzzedDataProvider.h>
#include <sys/socket.h>
#include <systemd/sd-bus.h>

#include <cstring>

#include "FuzzCheck.h"
#include "platform/linux/dbus/DbusValue.h"

namespace {

// Signatures worth reaching; the input may also give its own.
constexpr const char* Shapes[] = {
    "a{sv}", "v", "a{oa{sa{sv}}}", "a{sa{sv}}", "s", "o", "as", "ao", "b", "u", "i", "x", "t", "y",
    "d",     "g", "(ss)"};
constexpr int MaxDepth = 12;
// Bytes of texts and items one message may take, so that nested arrays cannot make a
// message too big to be quick.
constexpr std::size_t MessageBudget = 64 * 1024;
std::size_t spent = 0;

bool Spend(std::size_t bytes) {
    spent += bytes;
    return spent <= MessageBudget;
}

// A bus that is never connected: enough to make messages.
sd_bus* Bus() {
    static sd_bus* bus = [] {
        int fds[2];
        sd_bus* made = nullptr;
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0 || sd_bus_new(&made) < 0 ||
            sd_bus_set_fd(made, fds[0], fds[0]) < 0 || sd_bus_start(made) < 0) {
            std::abort();
        }
        return made;
    }();
    return bus;
}

std::string Shape(FuzzedDataProvider& input) {
    const std::size_t pick = input.ConsumeIntegralInRange<std::size_t>(0, std::size(Shapes));
    return pick < std::size(Shapes) ? Shapes[pick] : input.ConsumeRandomLengthString(16);
}

// A text of any length: a piece of the input, repeated up to the length asked for.
std::string Text(FuzzedDataProvider& input) {
    const std::size_t length = input.ConsumeBool() ? input.ConsumeIntegralInRange(0, 40)
                                                   : input.ConsumeIntegralInRange(0, 4200);
    std::string piece = input.ConsumeRandomLengthString(8);
    for (char& c : piece) {
        c = static_cast<char>(0x20 + (static_cast<unsigned char>(c) % 0x5f));
    }
    if (piece.empty()) {
        piece = "x";
    }
    std::string text;
    while (text.size() < length) {
        text += piece;
    }
    return text.substr(0, length);
}

// "/", or segments of [A-Za-z0-9_] of any number and length.
std::string ObjectPath(FuzzedDataProvider& input) {
    static constexpr char Letters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_";
    const int segments = input.ConsumeIntegralInRange(0, 12);
    std::string path;
    for (int s = 0; s < segments; ++s) {
        path += '/';
        const std::size_t length = input.ConsumeBool() ? input.ConsumeIntegralInRange(1, 12)
                                                       : input.ConsumeIntegralInRange(1, 400);
        const auto letter = input.ConsumeIntegral<std::uint8_t>();
        for (std::size_t i = 0; i < length; ++i) {
            path += Letters[(letter + i) % (sizeof Letters - 1)];
        }
    }
    return path.empty() ? "/" : path;
}

// Just past the complete type that starts at type; null when the signature ends first.
const char* EndOfType(const char* type) {
    int open = 0;
    do {
        if (*type == '(' || *type == '{') {
            ++open;
        } else if (*type == ')' || *type == '}') {
            --open;
        } else if (*type == '\0') {
            return nullptr;
        }
        ++type;
    } while (open > 0 || type[-1] == 'a');
    return type;
}

// Appends one value of the complete type at signature, and moves past that type.
bool Append(sd_bus_message* m, const char*& signature, FuzzedDataProvider& input, int depth) {
    if (depth > MaxDepth) {
        return false;
    }
    const char type = *signature++;
    if (type != '\0' && std::strchr("ybnqiuxtd", type) != nullptr) {  // fixed-size numbers
        std::uint64_t raw = input.ConsumeIntegral<std::uint64_t>();
        raw &= type == 'b' ? 1 : ~std::uint64_t{0};
        return sd_bus_message_append_basic(m, type, &raw) >= 0;
    }
    if (type == 's' || type == 'o' || type == 'g') {
        const std::string text = type == 's'   ? Text(input)
                                 : type == 'o' ? ObjectPath(input)
                                               : Shape(input);
        return Spend(text.size()) && sd_bus_message_append_basic(m, type, text.c_str()) >= 0;
    }
    switch (type) {
        case 'v': {
            const std::string contents = Shape(input);
            const char* inner = contents.c_str();
            return sd_bus_message_open_container(m, 'v', inner) >= 0 &&
                   Append(m, inner, input, depth + 1) && *inner == '\0' &&
                   sd_bus_message_close_container(m) >= 0;
        }
        case 'a':
        case '(':
        case '{': {
            const char* end = EndOfType(type == 'a' ? signature : signature - 1);
            if (end == nullptr) {
                return false;
            }
            // An array holds its element type; a struct or dictionary entry its members.
            const std::string contents =
                type == 'a' ? std::string(signature, end) : std::string(signature, end - 1);
            const char container = type == 'a' ? 'a' : type == '(' ? 'r' : 'e';
            if (sd_bus_message_open_container(m, container, contents.c_str()) < 0) {
                return false;
            }
            int count = 1;
            if (type == 'a') {
                count = input.ConsumeBool() ? input.ConsumeIntegralInRange(0, 4)
                                            : input.ConsumeIntegralInRange(0, 70);
            }
            for (int i = 0; i < count; ++i) {
                const char* each = contents.c_str();
                while (*each != '\0') {
                    if (!Spend(8) || !Append(m, each, input, depth + 1)) {
                        return false;
                    }
                }
            }
            signature = end;
            return sd_bus_message_close_container(m) >= 0;
        }
        default:
            return false;
    }
}

void CheckBounds(const DbusProperties& properties) {
    FUZZ_CHECK(properties.size() <= DbusMaxItems);
    FUZZ_CHECK(DbusFootprint(properties) <= DbusMaxFootprint);
    for (const auto& [name, value] : properties) {
        FUZZ_CHECK(name.size() <= DbusMaxText && value.text.size() <= DbusMaxText);
        FUZZ_CHECK(value.list.size() <= DbusMaxItems);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    spent = 0;
    const std::string body = Shape(input);
    sd_bus_message* m = nullptr;
    if (sd_bus_message_new_signal(Bus(), &m, "/", "fuzz.Values", "Changed") < 0) {
        return 0;
    }
    const char* signature = body.c_str();
    bool built = true;
    while (built && *signature != '\0') {
        built = Append(m, signature, input, 0);
    }
    if (built && sd_bus_message_seal(m, 1, 0) >= 0 && sd_bus_message_rewind(m, 1) >= 0) {
        DbusCapsHit hit;
        if (body == "v") {
            DbusValue value;
            FUZZ_CHECK(ReadDbusVariant(m, value, hit));
            FUZZ_CHECK(value.text.size() <= DbusMaxText && value.list.size() <= DbusMaxItems);
        } else if (body == "a{sv}") {
            DbusProperties properties;
            FUZZ_CHECK(ReadDbusProperties(m, properties, hit));
            CheckBounds(properties);
        } else if (body == "a{sa{sv}}") {
            DbusInterfaces interfaces;
            FUZZ_CHECK(ReadDbusInterfaces(m, interfaces, hit));
            FUZZ_CHECK(interfaces.size() <= DbusMaxInterfaces);
            for (const auto& [name, properties] : interfaces) {
                CheckBounds(properties);
            }
        } else {
            // Any other shape: every decoder says no or reads it within bounds.
            DbusObjects objects;
            if (ReadDbusObjects(m, objects, hit)) {
                FUZZ_CHECK(body.rfind("a{oa{sa{sv}}}", 0) == 0 && objects.size() <= DbusMaxItems);
            }
            FUZZ_CHECK(sd_bus_message_rewind(m, 1) >= 0);
            DbusProperties properties;
            if (ReadDbusProperties(m, properties, hit)) {
                CheckBounds(properties);
            }
        }
    }
    sd_bus_message_unref(m);
    return 0;
}
