// A folder of its own for every test: made empty when the test first asks for it, removed when
// the test passes and kept for a look when it fails. Tests run side by side (ctest -j, several
// build trees at once), so the folder names the process as well as the test.
#pragma once

#include <filesystem>
#include <string>

namespace support {

// The running test's folder (outside any test, one folder for the whole program).
std::filesystem::path ScratchDir();

// The path of a file called name in ScratchDir(); nothing is created.
std::string TempPath(const std::string& name);

}  // namespace support
