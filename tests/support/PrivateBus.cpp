#include "support/PrivateBus.h"

#include <systemd/sd-bus.h>
#include <unistd.h>

namespace {

constexpr std::uint64_t CallTimeoutMicros = 5'000'000;

// Anyone may own and call anything: the bus is the test's alone.
std::string Config(const std::string& socket) {
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>system</type><listen>unix:path=" +
           socket +
           "</listen><auth>EXTERNAL</auth>"
           "<policy context=\"default\"><allow user=\"*\"/><allow own=\"*\"/>"
           "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
           "</policy></busconfig>\n";
}

}  // namespace

PrivateBus::PrivateBus(const TempFolder& home) : home_(home), socket_(home / "system_bus") {
    WriteWholeFile(home / "bus.conf", Config(socket_));
}

bool PrivateBus::Start() {
    unlink(socket_.c_str());
    daemon_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{FindProgram("dbus-daemon"), "--nofork",
                                 "--config-file=" + home_ / "bus.conf"},
        home_ / "dbus-daemon");
    return WaitFor([&] { return HasOwner("org.freedesktop.DBus"); }, std::chrono::seconds(10));
}

void PrivateBus::Signal(int signal) {
    if (daemon_) {
        daemon_->Signal(signal);
    }
}

std::unique_ptr<ChildProcess> PrivateBus::StartMock(const std::string& templateName,
                                                    const std::string& busName,
                                                    const std::string& parameters) {
    auto mock = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/bin/python3", "-m", "dbusmock", "--system", "-t",
                                 templateName, "-p", parameters, "-l", home_ / busName + ".log"},
        home_ / (busName + "." + std::to_string(++mocks_)),
        std::vector<std::string>{Environment()});
    return WaitFor([&] { return HasOwner(busName); }, std::chrono::seconds(15)) ? std::move(mock)
                                                                                : nullptr;
}

bool PrivateBus::HasOwner(const std::string& busName) {
    int owned = 0;
    return Call(
               "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
               "NameHasOwner",
               [&](sd_bus_message* m) { return sd_bus_message_append(m, "s", busName.c_str()); },
               [&](sd_bus_message* reply) { sd_bus_message_read(reply, "b", &owned); }) &&
           owned != 0;
}

bool PrivateBus::Call(const std::string& service, const std::string& path,
                      const std::string& interface, const std::string& method,
                      const std::function<int(sd_bus_message*)>& append,
                      const std::function<void(sd_bus_message*)>& read) {
    // Sent without waiting, then waited for with a deadline: sd-bus's blocking call would
    // first wait for the bus's greeting without one.
    auto onReply = [](sd_bus_message* reply, void* kept, sd_bus_error*) {
        *static_cast<sd_bus_message**>(kept) = sd_bus_message_ref(reply);
        return 0;
    };
    sd_bus_message* reply = nullptr;
    sd_bus* bus = nullptr;
    sd_bus_message* call = nullptr;
    sd_bus_slot* slot = nullptr;
    const std::string address = "unix:path=" + socket_;
    const bool sent = sd_bus_new(&bus) >= 0 && sd_bus_set_address(bus, address.c_str()) >= 0 &&
                      sd_bus_set_bus_client(bus, 1) >= 0 && sd_bus_start(bus) >= 0 &&
                      sd_bus_message_new_method_call(bus, &call, service.c_str(), path.c_str(),
                                                     interface.c_str(), method.c_str()) >= 0 &&
                      (!append || append(call) >= 0) &&
                      sd_bus_call_async(bus, &slot, call, onReply, &reply, CallTimeoutMicros) >= 0;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::microseconds(CallTimeoutMicros);
    while (sent && !reply && std::chrono::steady_clock::now() < deadline) {
        if (sd_bus_process(bus, nullptr) < 0 || (!reply && sd_bus_wait(bus, 100'000) < 0)) {
            break;
        }
    }
    const bool ok = reply && !sd_bus_message_is_method_error(reply, nullptr);
    if (ok && read) {
        read(reply);
    }
    sd_bus_message_unref(reply);
    sd_bus_slot_unref(slot);
    sd_bus_message_unref(call);
    sd_bus_close(bus);
    sd_bus_unref(bus);
    return ok;
}

std::string MockLog(const TempFolder& home, const std::string& busName) {
    return ReadWholeFile(home / busName + ".log");
}
