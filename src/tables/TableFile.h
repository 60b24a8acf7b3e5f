// Finding and reading the reference table files: the bare name in the current directory
// first, then $PALOMET_DATA_DIR, the installed data folder, and for a program that runs
// from the build tree the source tree's data. An installed program never looks into the
// tree it was built from.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tables {

inline constexpr std::string_view kEtherTypesFile = "ethernet-types";
inline constexpr std::string_view kEtherVendorsFile = "ethernet-vendors";
inline constexpr std::string_view kProtocolNumbersFile = "protocol-numbers";
inline constexpr std::string_view kPortNumbersFile = "port-numbers";
inline constexpr std::string_view kTcpOptionsFile = "tcp-options";

struct TableFileText {
    std::string path;  // absolute
    std::string text;
};

class TableFile {
public:
    // Far beyond any real table; a larger file is read up to here and no further.
    static constexpr std::size_t kMaxBytes = std::size_t{64} << 20;

    // The folders searched after the current directory, in order (unset ones left out), for
    // this program, and for a program that runs from programDir.
    static std::vector<std::string> SearchDirs();
    static std::vector<std::string> SearchDirsFor(const std::string& programDir);
    // The first regular file of that name in the current directory or a search folder.
    static std::optional<std::string> Find(std::string_view name);
    // The whole file, or nullopt when it is not a regular file or cannot be opened. A read
    // that fails part-way yields the lines read before the failure.
    static std::optional<std::string> Read(const std::string& path);
    // Find, then Read.
    static std::optional<TableFileText> Open(std::string_view name);
};

}  // namespace tables
