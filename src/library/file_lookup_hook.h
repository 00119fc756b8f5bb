#pragma once
// Connects the project file's look-ups of sound files to the file-identity registry.

namespace vn {

// After this, fileRefs read from a project go to the registry, and layers with a
// library id take the current path the registry gives for it.
void InstallLibraryFileLookup();

}  // namespace vn
