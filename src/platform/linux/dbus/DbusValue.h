#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct sd_bus_message;

// One property value as the backends need it: texts and object paths, flags, numbers and
// lists of texts or paths. Other types are kept as Kind::Other.
struct DbusValue {
    enum class Kind { Other, Text, Flag, Number, List };
    Kind kind = Kind::Other;
    std::string text;
    bool flag = false;
    std::int64_t number = 0;
    std::vector<std::string> list;
};

using DbusProperties = std::map<std::string, DbusValue>;

// The named property, or null when the properties or the property are missing.
const DbusValue* FindProperty(const DbusProperties* properties, const char* name);

// Reads a variant ("v") at the message's position; false when the message is malformed.
bool ReadDbusVariant(sd_bus_message* message, DbusValue& value);
// Reads an a{sv} dictionary into properties (merged over what is there).
bool ReadDbusProperties(sd_bus_message* message, DbusProperties& properties);
