#include "platform/registry.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/textconv.h"
#endif

namespace {

#ifdef _WIN32

class WindowsRegistry : public Registry {
public:
    std::optional<std::vector<std::string>> subkeyNames(const std::string& key) const override {
        const std::u16string wideKey = text::utf8ToUtf16(key);
        HKEY handle = nullptr;
        // Read access is all that listing needs; asking for more would fail
        // for every user without administrator rights.
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<const wchar_t*>(wideKey.c_str()), 0,
                          KEY_READ | KEY_WOW64_32KEY, &handle) != ERROR_SUCCESS)
            return std::nullopt;
        std::vector<std::string> names;
        for (DWORD index = 0;; ++index) {
            wchar_t name[256];  // the longest key name the registry allows is 255
            DWORD length = 256;
            const LONG status = RegEnumKeyExW(handle, index, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (status != ERROR_SUCCESS) break;
            names.push_back(text::utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(name), length)));
        }
        RegCloseKey(handle);
        return names;
    }
};

#else

class NoRegistry : public Registry {
public:
    std::optional<std::vector<std::string>> subkeyNames(const std::string&) const override { return std::nullopt; }
};

#endif

}  // namespace

const Registry& systemRegistry() {
#ifdef _WIN32
    static const WindowsRegistry registry;
#else
    static const NoRegistry registry;
#endif
    return registry;
}
