// A statistics table as the command line prints it and the workbench shows it: named
// columns, rows whose cells are made on demand, an order by any column, and the TSV that a
// copy puts on the clipboard. Rows that went over a table's cap are one "other" row, which
// sorts last whichever way, and the table's notes say so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace stats {

struct StatsColumn {
    std::string name;
    bool numeric = false;  // right-aligned, a bare number in JSON
};

class StatsTable {
public:
    virtual ~StatsTable() = default;

    virtual const std::vector<StatsColumn>& Columns() const = 0;
    virtual std::size_t RowCount() const = 0;
    virtual std::string Text(std::size_t row, std::size_t column) const = 0;
    // Row a before row b in the column's ascending order (numbers by value).
    virtual bool Less(std::size_t a, std::size_t b, std::size_t column) const = 0;
    // The frame a double-click goes to: the first of a conversation, endpoint or interval.
    virtual std::optional<std::uint32_t> FirstFrame(std::size_t row) const = 0;
    virtual bool IsOther(std::size_t row) const = 0;

    // Every row ordered by a column, the "other" row last; ties keep the table's own order.
    virtual std::vector<std::size_t> SortedBy(std::size_t column, bool descending) const;
    // The header and the rows in the given order, tab-separated, each line ended by '\n'.
    std::string Tsv(std::span<const std::size_t> order) const;

    // What the reader must know about the rows (a cap reached), one sentence each.
    std::vector<std::string> notes;
};

// Texts of the numbers the tables show.
std::string CountText(std::uint64_t n);
// Nanoseconds as seconds with six decimals: "12.000250".
std::string SecondsText(std::int64_t nanoseconds);
// part of whole as a percentage with two decimals: "94.80"; "0.00" of nothing.
std::string ShareText(std::uint64_t part, std::uint64_t whole);

}  // namespace stats
