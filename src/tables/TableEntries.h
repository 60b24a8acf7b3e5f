// The entries the reference tables hold, one per accepted line of their text files. Each
// stores as its schema word 1 and its fields; Load reports false when the schema word is not
// 1, and the entry then keeps what it held.
#pragma once

#include <cstdint>
#include <string>

#include "core/Archive.h"

namespace tables {

struct CPktEtherType {
    std::uint16_t low = 0;
    std::uint16_t high = 0;
    std::string name;
    void Serialize(core::Archive& ar);
    bool Load(core::Archive& ar);
};

struct CPktEtherVend {
    std::uint8_t prefix[3] = {0, 0, 0};
    std::string description;  // the whole text of the line
    std::string shortName;    // its first word
    void Serialize(core::Archive& ar);
    bool Load(core::Archive& ar);
};

struct CPktIProtType {
    std::uint8_t number = 0;
    std::string keyword;
    std::string description;
    void Serialize(core::Archive& ar);
    bool Load(core::Archive& ar);
};

struct CPktWPortType {
    std::uint16_t port = 0;
    std::string keyword;
    std::string description;
    void Serialize(core::Archive& ar);
    bool Load(core::Archive& ar);
};

struct CPktTCPOptType {
    std::uint8_t kind = 0;
    std::uint8_t length = 0;
    std::string name;
    void Serialize(core::Archive& ar);
    bool Load(core::Archive& ar);
};

}  // namespace tables
