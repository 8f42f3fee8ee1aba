// The part of the Windows registry the program reads: the subkey names of a
// key of HKEY_LOCAL_MACHINE. Behind an interface so that the logic using it
// is tested with a fake; on other systems the registry is empty.
#pragma once

#include <optional>
#include <string>
#include <vector>

class Registry {
public:
    virtual ~Registry() = default;
    // Names of the direct subkeys of HKEY_LOCAL_MACHINE\key (key without a
    // leading separator, parts joined by "\"), in the order the registry
    // lists them; nothing when the key cannot be opened. Never creates it.
    virtual std::optional<std::vector<std::string>> subkeyNames(const std::string& key) const = 0;
};

// The machine's own registry (32-bit view on Windows; always empty elsewhere).
const Registry& systemRegistry();
