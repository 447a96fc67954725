#include "sql/recordset.h"

#include <strings.h>
#include <algorithm>

std::vector<FieldInfo> FieldList(const std::vector<std::string>& names) {
    std::vector<FieldInfo> fields;
    for (const auto& n : names) {
        FieldInfo f;
        f.Name = n;
        fields.push_back(std::move(f));
    }
    return fields;
}

Recordset::Recordset(std::vector<FieldInfo> fields, std::vector<Row> rows)
    : fields_(std::make_shared<const std::vector<FieldInfo>>(std::move(fields))),
      rows_(std::move(rows)) {}

Recordset::Recordset(std::shared_ptr<const std::vector<FieldInfo>> fields, std::vector<Row> rows)
    : fields_(std::move(fields)), rows_(std::move(rows)) {
    if (!fields_) fields_ = std::make_shared<const std::vector<FieldInfo>>();
}

Recordset Recordset::Closed(int64_t recordsAffected) {
    Recordset rs;
    rs.open_ = false;
    rs.recordsAffected_ = recordsAffected;
    return rs;
}

int Recordset::FieldIndex(const std::string& name) const {
    const auto& f = *fields_;
    for (std::size_t i = 0; i < f.size(); ++i) {
        // Lengths first: most names differ there, and this runs per field per row.
        if (f[i].Name.size() == name.size() && strcasecmp(f[i].Name.c_str(), name.c_str()) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

const Variant* Recordset::Field(const std::string& name) const {
    return Field(FieldIndex(name));
}

const Variant* Recordset::Field(int index) const {
    if (index < 0 || index >= FieldCount() || Eof() || pos_ < 0) return nullptr;
    const Row& row = rows_[static_cast<std::size_t>(pos_)];
    return &row[static_cast<std::size_t>(index)];
}

void Recordset::AddNew() {
    rows_.emplace_back(fields_->size());
    pos_ = static_cast<long>(rows_.size()) - 1;
    editingNew_ = true;
    changed_.clear();
    original_ = rows_.back();
}

bool Recordset::SetValue(const std::string& name, const Variant& value) {
    int i = FieldIndex(name);
    if (i < 0 || Eof() || pos_ < 0) return false;
    Row& row = CurrentRow();
    if (changed_.empty() && !editingNew_) original_ = row;
    row[static_cast<std::size_t>(i)] = value;
    if (std::find(changed_.begin(), changed_.end(), i) == changed_.end()) changed_.push_back(i);
    return true;
}

bool Recordset::Update(std::string& error) {
    if (!writer_) {
        error = "Recordset is not updatable";
        return false;
    }
    if (Eof() || pos_ < 0) {
        error = "No current record";
        return false;
    }
    bool ok = writer_(*this, editingNew_, error);
    if (ok) {
        editingNew_ = false;
        changed_.clear();
    }
    return ok;
}
