// A statistics table over a vector of plain rows: each column is one function that picks a
// field of the row, and the field's kind decides its text and its order (counts and times
// by value, addresses bytewise, texts alphabetically).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "stats/Address.h"
#include "stats/StatsTable.h"

namespace stats {

struct Seconds {
    std::int64_t nanoseconds = 0;
};
struct Share {
    std::uint64_t part = 0, whole = 0;
};
// A port is a count as far as text and order go; an empty cell is std::monostate.
using Field = std::variant<std::monostate, std::uint64_t, Seconds, Share, Address, std::string_view>;

std::string FieldText(const Field& f);
bool FieldLess(const Field& a, const Field& b);
// Rows ordered by their keys, those marked other last; ties keep their order.
std::vector<std::size_t> OrderByKeys(const std::vector<Field>& keys, const std::vector<bool>& other, bool descending);

template <class Row>
class RowTable final : public StatsTable {
public:
    struct ColumnRule {
        const char* name;
        bool numeric;
        Field (*field)(const Row&);
    };

    RowTable(std::vector<Row> rows, std::vector<ColumnRule> rules)
        : m_rows(std::move(rows)),
          m_rules(std::move(rules)) {
        for (const ColumnRule& s : m_rules) m_columns.push_back({s.name, s.numeric});
    }

    const std::vector<StatsColumn>& Columns() const override { return m_columns; }
    std::size_t RowCount() const override { return m_rows.size(); }
    std::string Text(std::size_t row, std::size_t column) const override {
        return FieldText(m_rules[column].field(m_rows[row]));
    }
    bool Less(std::size_t a, std::size_t b, std::size_t column) const override {
        return FieldLess(m_rules[column].field(m_rows[a]), m_rules[column].field(m_rows[b]));
    }
    std::optional<std::uint32_t> FirstFrame(std::size_t row) const override { return FirstFrameOf(m_rows[row]); }
    // Each row's key is made once, not twice a comparison: a live window sorts its tables
    // again with every new count.
    std::vector<std::size_t> SortedBy(std::size_t column, bool descending) const override {
        std::vector<Field> keys;
        std::vector<bool> other;
        keys.reserve(m_rows.size());
        other.reserve(m_rows.size());
        for (const Row& r : m_rows) {
            keys.push_back(m_rules[column].field(r));
            other.push_back(r.other);
        }
        return OrderByKeys(keys, other, descending);
    }
    bool IsOther(std::size_t row) const override { return m_rows[row].other; }

    const std::vector<Row>& Rows() const noexcept { return m_rows; }

private:
    std::vector<Row> m_rows;
    std::vector<ColumnRule> m_rules;
    std::vector<StatsColumn> m_columns;
};

}  // namespace stats
