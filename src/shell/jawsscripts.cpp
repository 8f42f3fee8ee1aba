#include "shell/jawsscripts.h"

#include <exception>
#include <filesystem>
#include <string_view>

#include "platform/fileio.h"
#include "platform/registry.h"

namespace {

constexpr const char* kScriptFiles[] = {"ravelund.jss", "ravelund.jsb", "ravelund.jkm", "ravelund.jsd"};

// A subkey name becomes one folder name: anything that would lead elsewhere
// is not a version.
bool isPlainFolderName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string_view::npos;
}

}  // namespace

void copyJawsScripts(const std::string& version, const std::string& folderProg, const std::string& folderAppData) {
    if (!isPlainFolderName(version)) return;
    const std::filesystem::path source = fileio::toPath(folderProg) / "jaws";
    std::error_code ec;
    if (!std::filesystem::is_regular_file(source / kScriptFiles[0], ec)) return;
    const std::filesystem::path destination =
        fileio::toPath(folderAppData) / fileio::toPath(version) / "Settings" / "ITA";
    for (const char* name : kScriptFiles) {
        // A missing source, a missing destination folder or a file in use
        // costs this one file only.
        std::string bytes;
        if (!fileio::tryReadWholeFile(source / name, bytes)) continue;
        try {
            fileio::writeWholeFileAtomic(destination / name, bytes);
        } catch (const std::exception&) {
        }
    }
}

void installJawsScripts(const Registry& registry, const std::string& folderProg, const std::string& folderAppData) {
    const auto versions = registry.subkeyNames(kJawsRegistryKey);
    if (!versions) return;
    for (const std::string& version : *versions) copyJawsScripts(version, folderProg, folderAppData);
}
