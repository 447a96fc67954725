#pragma once
// Lists for people: the tab-separated records of a console command, printed
// under a header in aligned columns, optionally sorted in natural order.
// Scripts never see this form; they read the records as they are.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// What a list command declares about the records it is about to print.
class TableLayout {
  public:
    // English captions, one per shown column; translated when printed.
    explicit TableLayout(std::vector<std::string> columns) : columns_(std::move(columns)) {}
    // Shown columns compared, in this order, to sort the rows for people
    // (natural order: "A2" before "A10").
    TableLayout& SortBy(std::vector<std::size_t> columns) {
        sortBy_ = std::move(columns);
        return *this;
    }
    // Leading fields of every record that people need not see (a record
    // kind such as "table", which the header already says).
    TableLayout& Skip(std::size_t fields) {
        skip_ = fields;
        return *this;
    }

    const std::vector<std::string>& Columns() const { return columns_; }
    const std::vector<std::size_t>& Sorting() const { return sortBy_; }
    std::size_t Skipped() const { return skip_; }

  private:
    std::vector<std::string> columns_;
    std::vector<std::size_t> sortBy_;
    std::size_t skip_ = 0;
};

// Negative, zero or positive as `a` sorts before, with or after `b`: runs of
// digits compare by value, other text ignoring ASCII case.
int NaturalCompare(std::string_view a, std::string_view b);
// Columns a terminal gives the text: wide East Asian characters take two.
std::size_t DisplayWidth(std::string_view utf8);
// The header and the records (tab-separated) as aligned lines; `header`
// already translated.
std::vector<std::string> AlignTable(const TableLayout& layout,
                                    const std::vector<std::string>& header,
                                    const std::vector<std::string>& records);
