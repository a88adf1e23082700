#include "platform/linux/dbus/DbusValue.h"

#include <systemd/sd-bus.h>

#include <cstring>

namespace {

// Roughly what a map node or a string's own storage costs beyond its characters.
constexpr std::size_t NodeBytes = 64;
constexpr std::size_t ItemBytes = 32;

std::size_t Footprint(const std::string& name, const DbusValue& value) {
    std::size_t bytes = NodeBytes + name.size() + value.text.size();
    for (const auto& item : value.list) {
        bytes += ItemBytes + item.size();
    }
    return bytes;
}

bool ReadList(sd_bus_message* message, char element, DbusValue& value, DbusCapsHit& hit) {
    const char contents[2] = {element, '\0'};
    if (sd_bus_message_enter_container(message, SD_BUS_TYPE_ARRAY, contents) < 0) {
        return false;
    }
    value.kind = DbusValue::Kind::List;
    const char* item = nullptr;
    int read = 0;
    while ((read = sd_bus_message_read_basic(message, element, &item)) > 0) {
        if (value.list.size() >= DbusMaxItems) {
            hit.items = true;
        } else if (item != nullptr && KeepDbusText(item, hit)) {
            value.list.emplace_back(item);
        }
    }
    return read == 0 && sd_bus_message_exit_container(message) >= 0;
}

bool ReadNumber(sd_bus_message* message, char type, DbusValue& value) {
    value.kind = DbusValue::Kind::Number;
    union {
        std::uint8_t y;
        std::int16_t n;
        std::uint16_t q;
        std::int32_t i;
        std::uint32_t u;
        std::int64_t x;
        std::uint64_t t;
    } raw{};
    if (sd_bus_message_read_basic(message, type, &raw) < 0) {
        return false;
    }
    switch (type) {
        case SD_BUS_TYPE_BYTE:
            value.number = raw.y;
            break;
        case SD_BUS_TYPE_INT16:
            value.number = raw.n;
            break;
        case SD_BUS_TYPE_UINT16:
            value.number = raw.q;
            break;
        case SD_BUS_TYPE_INT32:
            value.number = raw.i;
            break;
        case SD_BUS_TYPE_UINT32:
            value.number = raw.u;
            break;
        case SD_BUS_TYPE_INT64:
            value.number = raw.x;
            break;
        default:
            value.number = static_cast<std::int64_t>(raw.t);
            break;
    }
    return true;
}

bool ReadContents(sd_bus_message* message, const char* contents, DbusValue& value,
                  DbusCapsHit& hit) {
    const std::string type = contents;
    if (type == "s" || type == "o" || type == "g") {
        const char* text = nullptr;
        if (sd_bus_message_read_basic(message, type[0], &text) < 0) {
            return false;
        }
        if (text != nullptr && KeepDbusText(text, hit)) {
            value.kind = DbusValue::Kind::Text;
            value.text = text;
        }
        return true;
    }
    if (type == "b") {
        int flag = 0;
        if (sd_bus_message_read_basic(message, SD_BUS_TYPE_BOOLEAN, &flag) < 0) {
            return false;
        }
        value.kind = DbusValue::Kind::Flag;
        value.flag = flag != 0;
        return true;
    }
    if (type.size() == 1 && std::string("ynqiuxt").find(type[0]) != std::string::npos) {
        return ReadNumber(message, type[0], value);
    }
    if (type == "as" || type == "ao") {
        return ReadList(message, type[1], value, hit);
    }
    value.kind = DbusValue::Kind::Other;
    return sd_bus_message_skip(message, contents) >= 0;
}

}  // namespace

const DbusValue* FindProperty(const DbusProperties* properties, const char* name) {
    if (properties == nullptr) {
        return nullptr;
    }
    auto found = properties->find(name);
    return found != properties->end() ? &found->second : nullptr;
}

std::size_t DbusFootprint(const DbusProperties& properties) {
    std::size_t bytes = 0;
    for (const auto& [name, value] : properties) {
        bytes += Footprint(name, value);
    }
    return bytes;
}

bool KeepDbusText(const char* text, DbusCapsHit& hit) {
    if (std::strlen(text) <= DbusMaxText) {
        return true;
    }
    hit.text = true;
    return false;
}

bool ReadDbusVariant(sd_bus_message* message, DbusValue& value, DbusCapsHit& hit) {
    value = DbusValue{};
    char type = 0;
    const char* contents = nullptr;
    if (sd_bus_message_peek_type(message, &type, &contents) <= 0 || type != SD_BUS_TYPE_VARIANT ||
        contents == nullptr) {
        return false;
    }
    if (sd_bus_message_enter_container(message, SD_BUS_TYPE_VARIANT, contents) < 0) {
        return false;
    }
    return ReadContents(message, contents, value, hit) &&
           sd_bus_message_exit_container(message) >= 0;
}

bool ReadDbusProperties(sd_bus_message* message, DbusProperties& properties, DbusCapsHit& hit) {
    if (sd_bus_message_enter_container(message, SD_BUS_TYPE_ARRAY, "{sv}") < 0) {
        return false;
    }
    std::size_t footprint = DbusFootprint(properties);
    int entered = 0;
    while ((entered = sd_bus_message_enter_container(message, SD_BUS_TYPE_DICT_ENTRY, "sv")) > 0) {
        const char* name = nullptr;
        DbusValue value;
        if (sd_bus_message_read_basic(message, SD_BUS_TYPE_STRING, &name) < 0 ||
            !ReadDbusVariant(message, value, hit) || sd_bus_message_exit_container(message) < 0) {
            return false;
        }
        if (!KeepDbusText(name, hit)) {
            continue;
        }
        auto found = properties.find(name);
        if (found == properties.end() && properties.size() >= DbusMaxItems) {
            hit.items = true;
            continue;
        }
        const std::size_t before = found != properties.end() ? Footprint(name, found->second) : 0;
        const std::size_t after = Footprint(name, value);
        if (footprint - before + after > DbusMaxFootprint) {
            hit.items = true;
            continue;
        }
        footprint = footprint - before + after;
        properties[name] = std::move(value);
    }
    return entered == 0 && sd_bus_message_exit_container(message) >= 0;
}

bool ReadDbusInterfaces(sd_bus_message* message, DbusInterfaces& interfaces, DbusCapsHit& hit) {
    if (sd_bus_message_enter_container(message, SD_BUS_TYPE_ARRAY, "{sa{sv}}") < 0) {
        return false;
    }
    int entered = 0;
    while ((entered = sd_bus_message_enter_container(message, SD_BUS_TYPE_DICT_ENTRY, "sa{sv}")) >
           0) {
        const char* interface = nullptr;
        DbusProperties properties;
        if (sd_bus_message_read_basic(message, SD_BUS_TYPE_STRING, &interface) < 0 ||
            !ReadDbusProperties(message, properties, hit) ||
            sd_bus_message_exit_container(message) < 0) {
            return false;
        }
        if (!KeepDbusText(interface, hit)) {
            continue;
        }
        if (interfaces.size() >= DbusMaxInterfaces && interfaces.count(interface) == 0) {
            hit.items = true;
            continue;
        }
        interfaces[interface] = std::move(properties);
    }
    return entered == 0 && sd_bus_message_exit_container(message) >= 0;
}

bool ReadDbusObjects(sd_bus_message* message, DbusObjects& objects, DbusCapsHit& hit) {
    if (sd_bus_message_enter_container(message, SD_BUS_TYPE_ARRAY, "{oa{sa{sv}}}") < 0) {
        return false;
    }
    int entered = 0;
    while ((entered = sd_bus_message_enter_container(message, SD_BUS_TYPE_DICT_ENTRY,
                                                     "oa{sa{sv}}")) > 0) {
        const char* path = nullptr;
        DbusInterfaces interfaces;
        if (sd_bus_message_read_basic(message, SD_BUS_TYPE_OBJECT_PATH, &path) < 0 ||
            !ReadDbusInterfaces(message, interfaces, hit) ||
            sd_bus_message_exit_container(message) < 0) {
            return false;
        }
        if (!KeepDbusText(path, hit)) {
            continue;
        }
        if (objects.size() >= DbusMaxItems && objects.count(path) == 0) {
            hit.objects = true;
            continue;
        }
        objects[path] = std::move(interfaces);
    }
    return entered == 0 && sd_bus_message_exit_container(message) >= 0;
}
