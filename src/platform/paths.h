#pragma once
// Where the program keeps its files, and who and where it runs.
#include <string>

namespace vn {

// "$APPDATA/Varnel" when APPDATA is set, else "${XDG_DATA_HOME:-$HOME/.local/share}/Varnel";
// empty when none of them is set. Not created here.
std::string appDataFolder();
// Creates appDataFolder() with its parents; returns it (empty when there is none).
std::string ensureAppDataFolder();
// "${XDG_DOCUMENTS_DIR:-$HOME/Documents}/Varnel".
std::string documentsFolder();
// $USER, else $LOGNAME, else empty.
std::string userName();
std::string hostName();
// The program's version text, for example "2026.12.0".
const char* programVersion();

// Small path helpers over byte strings (paths are stored byte for byte).
std::string pathJoin(const std::string& folder, const std::string& name);
std::string parentFolder(const std::string& path);
std::string fileNameOf(const std::string& path);
// File name without the part from its last dot ("Vol.2" -> "Vol").
std::string stemOf(const std::string& path);
// The extension with its dot, or empty.
std::string extensionOf(const std::string& path);
bool fileExists(const std::string& path);
bool folderExists(const std::string& path);
bool endsWithNoCase(const std::string& text, const std::string& suffix);

}  // namespace vn
