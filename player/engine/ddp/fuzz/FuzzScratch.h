#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The readers take a folder, so each fuzz input is written to files in one
// scratch folder per process, made on first use under $TMPDIR (else /tmp) and
// removed when the process exits. Any failure aborts: a fuzz run that cannot
// write its input would report nothing.
namespace FuzzScratch {

const std::string& folder();

// Writes (replaces) `name` in the scratch folder with the given bytes.
void writeFile(const std::string& name, const std::uint8_t* data, std::size_t size);

} // namespace FuzzScratch
