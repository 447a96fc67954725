#pragma once
// One data-change notification ("msg" row of a DATACHANGE packet) and the
// dispatcher that hands it to the handler registered for its table.
#include <cstdint>
#include <functional>
#include <map>
#include <string>

class ScriptNode;

struct DataChangeMsg {
    int32_t DBServerID = 0;
    std::string Module;
    std::string Operation;    // lower case
    std::string Field;        // the key column
    std::string Table;        // lower case
    int32_t FieldID = 0;      // 0 unless "fieldid" is a 32-bit integer
    std::string FieldIDText;  // "fieldid" as received

    static DataChangeMsg FromGroup(const ScriptNode& msg);
};

// The key column a notification of `table` may name, in the spelling the
// handlers use in their statements; nullptr when `field` is not one of the
// table's key columns (case ignored) or the table has none.
const char* KeyColumnOf(const std::string& table, const std::string& field);
// Whether a notification may reach its handler: the field is the table's key
// column and "fieldid" is a positive 32-bit integer. Packets come from the
// network, so nothing else of them ever reaches a statement.
bool AcceptableChange(const DataChangeMsg& msg);

// Handlers are registered by table name (case ignored). A table without a
// handler is logged and ignored, so is a notification AcceptableChange
// refuses; a handler that throws is logged and the next message still runs.
class DataChangeDispatcher {
  public:
    using Handler = std::function<void(const DataChangeMsg&)>;

    void Register(const std::string& table, Handler handler);
    void Unregister(const std::string& table);
    bool Has(const std::string& table) const;
    // True when a handler ran (whatever it did).
    bool Dispatch(const DataChangeMsg& msg) const;

  private:
    std::map<std::string, Handler> handlers_;
};

// Decimal text to a 32-bit integer; false for anything else (blanks, signs
// alone, trailing characters, overflow).
bool ParseInt32(const std::string& text, int32_t& value);
