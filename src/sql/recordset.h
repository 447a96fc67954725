#pragma once
// A client-side recordset: every row of one result set read into memory, a
// cursor over them, fields by index or by name (ignoring case), the ADO type
// code of each field, and the next result set of the batch that produced it.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sql/variant.h"

// ADO type codes the fields report.
enum AdoType : int {
    adInteger = 3,
    adDouble = 5,
    adCurrency = 6,
    adBoolean = 11,
    adBigInt = 20,
    adDBTimeStamp = 135,
    adVarChar = 200,
    adVarWChar = 202,
    adLongVarWChar = 203,
    adLongVarBinary = 205,
};

struct FieldInfo {
    std::string Name;
    int Type = adVarWChar;
    // Where the column came from, for recordsets that write rows back.
    std::string BaseTable;
    std::string BaseColumn;
    // The column's declared type ("DATE", "NVARCHAR(50)"), "" for expressions.
    std::string DeclaredType;
};

// Fields of the given names with the default text type (for procedures that
// build their result sets).
std::vector<FieldInfo> FieldList(const std::vector<std::string>& names);

class Recordset {
  public:
    using Row = std::vector<Variant>;

    Recordset() = default;
    Recordset(std::vector<FieldInfo> fields, std::vector<Row> rows);
    // Shares one field list between the recordsets of a repeated statement.
    Recordset(std::shared_ptr<const std::vector<FieldInfo>> fields, std::vector<Row> rows);
    // The closed recordset of a statement that returns no rows: it has no
    // fields, and reports the rows the statement changed (-1 when it does not
    // count rows).
    static Recordset Closed(int64_t recordsAffected);

    bool IsOpen() const { return open_; }
    int64_t RecordsAffected() const { return recordsAffected_; }

    // Cursor. A new recordset stands on its first row (or at EOF when empty).
    bool Eof() const { return pos_ >= static_cast<long>(rows_.size()); }
    bool Bof() const { return pos_ < 0 || rows_.empty(); }
    void MoveFirst() { pos_ = 0; }
    void MoveNext() {
        if (!Eof()) ++pos_;
    }
    void MovePrevious() {
        if (pos_ >= 0) --pos_;
    }
    void MoveLast() { pos_ = static_cast<long>(rows_.size()) - 1; }
    long RecordCount() const { return static_cast<long>(rows_.size()); }
    long Position() const { return pos_; }

    int FieldCount() const { return static_cast<int>(fields_->size()); }
    const FieldInfo& FieldAt(int index) const {
        return fields_->at(static_cast<std::size_t>(index));
    }
    // Index of the first field of that name, ignoring case; -1 when absent.
    int FieldIndex(const std::string& name) const;
    bool HasField(const std::string& name) const { return FieldIndex(name) >= 0; }
    // The current row's value; nullptr when the field is absent or there is
    // no current row.
    const Variant* Field(const std::string& name) const;
    const Variant* Field(int index) const;

    const std::vector<FieldInfo>& Fields() const { return *fields_; }
    const std::vector<Row>& Rows() const { return rows_; }

    // The next result set of the batch; nullptr when there is none.
    std::shared_ptr<Recordset> NextRecordset() const { return next_; }
    void SetNextRecordset(std::shared_ptr<Recordset> next) { next_ = std::move(next); }

    // Editing (updatable recordsets). SetValue changes the current row (or the
    // row begun by AddNew); Update writes it through the writer the engine
    // attached and fails without one.
    using Writer = std::function<bool(Recordset& rs, bool isNew, std::string& error)>;
    bool Updatable() const { return static_cast<bool>(writer_); }
    void SetWriter(Writer w) { writer_ = std::move(w); }
    void AddNew();
    bool SetValue(const std::string& name, const Variant& value);
    bool Update(std::string& error);
    bool EditingNew() const { return editingNew_; }
    // Names of the fields changed since the last Update.
    const std::vector<int>& ChangedFields() const { return changed_; }
    Row& CurrentRow() { return rows_.at(static_cast<std::size_t>(pos_)); }
    const Row& OriginalRow() const { return original_; }

  private:
    std::shared_ptr<const std::vector<FieldInfo>> fields_ =
        std::make_shared<const std::vector<FieldInfo>>();
    bool open_ = true;
    int64_t recordsAffected_ = -1;
    std::vector<Row> rows_;
    long pos_ = 0;
    std::shared_ptr<Recordset> next_;
    Writer writer_;
    bool editingNew_ = false;
    std::vector<int> changed_;
    Row original_;
};
