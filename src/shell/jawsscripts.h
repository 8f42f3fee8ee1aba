// Installation of the program's JAWS scripts: at every start the four script
// files of the program's "jaws" folder are copied into the Italian settings
// folder of every JAWS version registered on the computer.
#pragma once

#include <string>

class Registry;

// Registry key (below HKEY_LOCAL_MACHINE) whose subkeys are the JAWS versions.
constexpr const char* kJawsRegistryKey = "SOFTWARE\\Freedom Scientific\\JAWS";

// folderProg: the program folder; folderAppData: the JAWS per-user settings
// root. Never reports anything: a file that cannot be copied is skipped and
// the other files and versions are still tried.
void installJawsScripts(const Registry& registry, const std::string& folderProg, const std::string& folderAppData);
// Copies the four files for one version folder name.
void copyJawsScripts(const std::string& version, const std::string& folderProg, const std::string& folderAppData);
