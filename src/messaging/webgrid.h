#pragma once
// WebAllotGrid: the date configuration of the web booking service as the
// allotment grid shows it. The configuration is a JSON object with a
// "Period" list; each period has "perd_name", "perd_start_time",
// "perd_end_time", "perd_active" ("I" is inactive) and a "Section" list;
// each section has "sect_name" and an "Allotment" list of "allot_type",
// "table_size" and "allot_num". The grid edits the parsed structure in place
// and writes it back whole, so members it does not know about travel back to
// the service unchanged.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "messaging/jsonvalue.h"

// The unit an allotment counts in.
enum class AllotUnit { kUnknown, kTables, kCovers };

// "T", "TABLE", "TABLES" or 1 are tables; "C", "COVER", "COVERS" or 2 covers
// (any case); anything else is unknown.
AllotUnit AllotUnitOf(const JsonValue& allotType);

// Allotted minus used as text when the allotment counts covers (what "used"
// counts); "-" when the units differ or a figure is missing.
std::string AllotLeftText(AllotUnit unit, std::optional<int64_t> allotted,
                          std::optional<int64_t> used);

// One line of the grid: a period, a section and a table size. A period
// without sections, or a section without allotments, still gets one line
// (with the missing parts empty), so every period can be seen and switched.
struct WebAllotRow {
    std::size_t period = 0;  // position in the "Period" list
    std::string periodName;
    std::string start;  // "hh:nn" when the service's text is a time, else as given
    std::string end;
    bool active = true;
    std::string section;              // "" when the period has no section
    std::string tableSize;            // "" when there is no allotment
    std::optional<int64_t> allotted;  // allot_num
    AllotUnit unit = AllotUnit::kUnknown;
};

class WebAllotGrid {
  public:
    // Reads the service's return value. False, leaving the grid as it was,
    // when the text is empty, is not JSON, or is not an object with a
    // "Period" list; ErrorText() says why.
    bool Load(const std::string& text);

    const std::vector<WebAllotRow>& Rows() const { return rows_; }
    bool Loaded() const { return config_.IsObject(); }
    // The start time of each period ("hh:nn" or the service's text).
    std::vector<std::string> PeriodStarts() const;

    // Finds the period by name (ignoring ASCII case; the first of equal
    // names); nullopt when there is none.
    std::optional<std::size_t> FindPeriod(const std::string& name) const;
    // Sets "allot_num" of the period's allotment in that section for that
    // table size, keeping the service's type (number or text). False when no
    // such allotment exists.
    bool SetAllotNum(std::size_t period, const std::string& section, int64_t tableSize,
                     int64_t number);
    // Sets "perd_active" to "A" or "I". False when the period does not exist.
    bool SetPeriodActive(std::size_t period, bool active);

    // The configuration as compact JSON text, to send back.
    std::string ToJSON() const;
    const std::string& ErrorText() const { return error_; }

  private:
    void BuildRows();

    JsonValue config_;
    std::vector<WebAllotRow> rows_;
    std::string error_;
};
