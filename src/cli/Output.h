// Row output for palomet-cli: aligned columns for people by default, tab-separated values
// or a JSON array for programs. Rows are written as they come, so a million-frame listing
// never sits in memory.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

enum class OutputFormat { Human, Tsv, Json };

struct Column {
    std::string name;
    std::size_t width = 0;  // minimum width in human output
    bool numeric = false;   // right-aligned for people, a bare number in JSON
};

class Output {
public:
    Output(std::ostream& out, OutputFormat format, std::vector<Column> columns);
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void Row(const std::vector<std::string>& cells);
    // Closes the JSON array; the destructor calls it too.
    void Finish();

    // A string literal for JSON, quotes included.
    static std::string JsonQuote(std::string_view text);

private:
    void Header();
    void Line(const std::vector<std::string>& cells);  // human or TSV

    std::ostream& m_out;
    OutputFormat m_format;
    std::vector<Column> m_columns;
    bool m_started = false;
    bool m_finished = false;
    std::size_t m_rows = 0;
};

}  // namespace cli
