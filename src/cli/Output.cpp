// Row output in three formats.
#include "cli/Output.h"

#include <algorithm>
#include <ostream>

#include "core/DisplayText.h"

namespace cli {

Output::Output(std::ostream& out, OutputFormat format, std::vector<Column> columns)
    : m_out(out),
      m_format(format),
      m_columns(std::move(columns)) {
    // A column is never narrower than its name, so the header lines up with the rows.
    for (auto& c : m_columns) c.width = std::max(c.width, c.name.size());
}

Output::~Output() { Finish(); }

std::string Output::JsonQuote(std::string_view text) {
    std::string q = "\"";
    core::AppendJsonText(q, text);
    return q + "\"";
}

void Output::Header() {
    m_started = true;
    if (m_format == OutputFormat::Json) {
        m_out << '[';
        return;
    }
    std::vector<std::string> names;
    for (const auto& c : m_columns) names.push_back(c.name);
    Line(names);
}

void Output::Row(const std::vector<std::string>& cells) {
    if (!m_started) Header();
    switch (m_format) {
        case OutputFormat::Json: {
            m_out << (m_rows == 0 ? "\n" : ",\n") << '{';
            for (std::size_t i = 0; i < cells.size() && i < m_columns.size(); ++i) {
                if (i > 0) m_out << ", ";
                m_out << JsonQuote(m_columns[i].name) << ": ";
                const bool bare = m_columns[i].numeric && !cells[i].empty();
                m_out << (bare ? cells[i] : JsonQuote(cells[i]));
            }
            m_out << '}';
            break;
        }
        case OutputFormat::Tsv:
        case OutputFormat::Human:
            Line(cells);
            break;
    }
    ++m_rows;
}

void Output::Line(const std::vector<std::string>& cells) {
    switch (m_format) {
        case OutputFormat::Json:
        case OutputFormat::Tsv: {
            // Tabs and line ends inside a cell are escaped with the rest, so a row stays a row.
            std::string line;
            for (std::size_t i = 0; i < cells.size(); ++i) {
                if (i > 0) line.push_back('\t');
                core::AppendDisplayText(line, cells[i]);
            }
            m_out << line << '\n';
            break;
        }
        case OutputFormat::Human: {
            std::string line;
            for (std::size_t i = 0; i < cells.size(); ++i) {
                const std::string cell = core::DisplayText(cells[i]);
                const std::size_t width = i < m_columns.size() ? m_columns[i].width : 0;
                const std::size_t pad = cell.size() < width ? width - cell.size() : 0;
                const bool last = i + 1 == cells.size();
                if (i > 0) line += "  ";
                if (i < m_columns.size() && m_columns[i].numeric) line.append(pad, ' ');
                line += cell;
                if (!(i < m_columns.size() && m_columns[i].numeric) && !last) line.append(pad, ' ');
            }
            m_out << line << '\n';
            break;
        }
    }
}

void Output::Finish() {
    if (m_finished) return;
    m_finished = true;
    if (m_format != OutputFormat::Json) return;
    if (!m_started) m_out << '[';
    m_out << (m_rows ? "\n]\n" : "]\n");
    m_out.flush();
}

}  // namespace cli
