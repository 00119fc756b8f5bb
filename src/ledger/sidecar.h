#pragma once
// The sidecar an export leaves beside its files: copies of all its Print records,
// so that a delivered file can be traced on a machine whose ledger never saw it.
#include <cstdint>
#include <string>
#include <vector>

namespace vn {

constexpr const char* kSidecarSuffix = ".vnprints.json";

// The sidecar's base name: the export's name, else the output folder's name, else "Varnel".
std::string SidecarBaseName(const std::string& exportName, const std::string& outputFolder);

// Writes folder/base.vnprints.json holding the record texts; does nothing when folder
// or base is empty or there are no records. False when it was not written.
bool WriteSidecar(const std::string& folder, const std::string& base, const std::vector<std::string>& recordTexts);

// The sidecars that may describe a file: in its folder, the folder above and the
// "Audio Files" folder inside its folder.
std::vector<std::string> FindSidecars(const std::string& audioPath);

// The records of a sidecar's text, each exactly as it is written there.
std::vector<std::string> sidecarRecordTexts(const std::string& sidecarText);

// Copies the one record of a nearby sidecar that matches the file into the local
// ledger and rebuilds the index. Empty keys (and 0 hashes) are not compared. A
// sidecar in which several records match gives nothing.
bool ImportFromSidecars(const std::string& audioPath, const std::string& printToken, uint64_t outputHash,
                        uint64_t pcmHash);

}  // namespace vn
