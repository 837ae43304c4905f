#pragma once

// Where the parts of an updater copy lie relative to each other. On macOS a
// copy is the application bundle; on Linux it is the Pathwarden executable
// (its resources are compiled in) placed at the same relative path, so that
// one archive layout and one medium rule serve both. Only this header knows
// the layout.
namespace platform {

// The updater executable inside an unpacked updater archive, relative to the
// folder the archive was unpacked into (it starts with a separator).
constexpr const char* kUpdaterExecutableInArchive = "/Pathwarden Mac/Pathwarden.app/Contents/MacOS/Pathwarden";

// The medium is the folder that holds the bundle: this many levels above the
// executable's own folder (MacOS, Contents, the bundle).
constexpr int kMediumLevelsAboveExecutableFolder = 3;

} // namespace platform
