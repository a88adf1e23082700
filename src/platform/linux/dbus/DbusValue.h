#pragma once

#include <cstddef>
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

// What is kept of whatever a service sends, so that memory stays bounded: a longer text
// is not kept (its property reads as Kind::Other, a name is dropped), a list or a
// dictionary keeps its first items only, an object its first interfaces, and one
// object's properties take at most DbusMaxFootprint bytes (as DbusFootprint counts).
constexpr std::size_t DbusMaxText = 4096;
constexpr std::size_t DbusMaxItems = 64;
constexpr std::size_t DbusMaxInterfaces = 16;
constexpr std::size_t DbusMaxFootprint = 16 * 1024;

// Which of the bounds a decoding met, so that the cache can say so once.
struct DbusCapsHit {
    bool text = false;
    bool items = false;
    bool objects = false;
    bool Any() const { return text || items || objects; }
};

// The named property, or null when the properties or the property are missing.
const DbusValue* FindProperty(const DbusProperties* properties, const char* name);

using DbusInterfaces = std::map<std::string, DbusProperties>;  // interface → properties
using DbusObjects = std::map<std::string, DbusInterfaces>;     // object path → interfaces

// About how many bytes the properties take in memory.
std::size_t DbusFootprint(const DbusProperties& properties);

// Whether a text from the bus is short enough to keep; notes it when not.
bool KeepDbusText(const char* text, DbusCapsHit& hit);

// Reads a variant ("v") at the message's position; false when the message is malformed.
bool ReadDbusVariant(sd_bus_message* message, DbusValue& value, DbusCapsHit& hit);
// Reads an a{sv} dictionary into properties (merged over what is there, up to
// DbusMaxItems properties in all).
bool ReadDbusProperties(sd_bus_message* message, DbusProperties& properties, DbusCapsHit& hit);
// Reads one object's a{sa{sv}} of interfaces (up to DbusMaxInterfaces of them).
bool ReadDbusInterfaces(sd_bus_message* message, DbusInterfaces& interfaces, DbusCapsHit& hit);
// Reads the a{oa{sa{sv}}} of objects an object manager lists (up to DbusMaxItems of them).
bool ReadDbusObjects(sd_bus_message* message, DbusObjects& objects, DbusCapsHit& hit);
