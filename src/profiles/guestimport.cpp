// Guest profile import: check every row of the file, stage the good ones in
// tempdb, update the guests they match and insert the others.
#include <unistd.h>

#include <map>
#include <optional>

#include "core/globals.h"
#include "core/log.h"
#include "platform/datetime.h"
#include "platform/textutil.h"
#include "profiles/csvfile.h"
#include "profiles/guestcsv.h"
#include "registry/client.h"
#include "sql/dbengine.h"
#include "sql/sqldb.h"

namespace {

constexpr const char* kModule = "KIVFunc";
constexpr const char* kProc = "ImportGuestProfile";
// Rows per INSERT ... VALUES statement (SQL Server takes at most 1000).
constexpr std::size_t kRowsPerInsert = 500;
// Columns every new guest gets, from the defaults when the file lacks them.
const char* const kSystemColumns[] = {"rowmodified", "rowstatus",       "dbserverid", "guestno",
                                      "gender",      "dateofbirthtype", "createdt",   "userid"};

using Cell = std::optional<std::string>;  // nullopt is NULL

// A value as a refusal shows it: on one line, and not too long.
std::string Shown(const std::string& value) {
    std::string s;
    for (char c : value)
        s += c == '\r' || c == '\n' || c == '\t' ? ' ' : c;
    if (s.size() > 40) {
        std::size_t cut = 40;
        while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80)
            --cut;
        s = s.substr(0, cut) + "...";
    }
    return s;
}

// The account and holder number as the database compares them: case and
// trailing blanks ignored.
std::string MatchKey(const Cell& account, const Cell& holder) {
    return UpperAscii(TrimRight(account.value_or(""), " ")) + '\x1f' +
           UpperAscii(TrimRight(holder.value_or(""), " "));
}

int FindColumn(const std::vector<std::string>& columns, const std::string& name) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (EqualsNoCase(columns[i], name)) return static_cast<int>(i);
    }
    return -1;
}

// The staging column type of a field: its text at the field's size.
std::string StagingType(const GuestCSVField& f) {
    const std::string db = UpperAscii(f.DBDataType);
    const std::string size = std::to_string(f.DBSize > 0 ? f.DBSize : 4000);
    if (db == "V") return " VARCHAR (" + size + ")";
    if (db == "D") return " VARCHAR (20)";
    // Wide enough for every 32-bit number and money amount.
    if (db == "I" || db == "M") return " VARCHAR (20)";
    if (f.DataType == "D" || f.DataType == "DT" || f.DataType == "T") return " VARCHAR (20)";
    return " NVARCHAR (" + size + ")";
}

// The database name of a connection string, for DATABASEPROPERTYEX.
std::string DatabaseName(const std::string& connectionString) {
    const ConnectionProperties p = ParseConnectionString(connectionString);
    for (const char* key : {"initial catalog", "database", "data source"}) {
        auto it = p.find(key);
        if (it != p.end() && !it->second.empty()) return it->second;
    }
    return "";
}

}  // namespace

class GuestCSV::Import {
  public:
    Import(GuestCSV& owner, GuestImportResult& result)
        : owner_(owner), db_(owner.db_), result_(result) {}

    bool Run(const std::string& path, CSVCharset charset) {
        CSV csv;
        CSVTable table;
        if (!LoadGuestCSVFields(db_, fields_, owner_))
            return Refuse("Cannot read the profile definition");
        if (!csv.LoadCSV(path, "", charset, table)) {
            owner_.CopyErr(csv.ErrNumber(), csv.ErrDescription());
            owner_.message_ = csv.Message();
            return false;
        }
        if (!CheckColumns(table.Columns) || !ReadColumnRules()) return false;
        result_.RowsChecked = true;
        placeholder_ = TrimRight(owner_.PlaceholderAccount(), " ");
        CheckRows(table.Records);
        if (rows_.empty()) return true;
        const bool staged = Stage();
        const bool ok = staged && Apply();
        DropStaging();
        return ok;
    }

  private:
    // A refusal of the whole file: nothing is imported.
    bool Refuse(const std::string& message) { return owner_.Fail(kProc, message); }
    // A statement that failed: logged with the statement, and the import ends.
    bool Failed(const std::string& message, const std::string& sql) {
        WriteSQLLog(message + ": " + db_.ErrDescription(), sql, kModule, kProc);
        owner_.SetErr(db_.ErrNumber(), kModule, kProc, message);
        owner_.message_ = message;
        return false;
    }
    bool Exec(const std::string& sql, const std::string& message) {
        return db_.RunSQLNoReturn(sql) || Failed(message, sql);
    }
    // The count a batch ends with ("SELECT @@ROWCOUNT AS RC"); -1 on failure.
    int64_t RunCount(const std::string& sql, const std::string& message) {
        auto rs = FirstOpenRecordset(db_.RunSQLReturnRS(sql));
        if (rs == nullptr || rs->Eof()) {
            Failed(message, sql);
            return -1;
        }
        return FieldLng(rs.get(), "RC");
    }

    bool CheckColumns(const std::vector<std::string>& names) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            for (std::size_t j = 0; j < i; ++j) {
                if (EqualsNoCase(names[i], names[j]))
                    return Refuse("Duplicate columns in source file: " + Shown(names[i]));
            }
        }
        for (const std::string& name : names) {
            const GuestCSVField* found = nullptr;
            for (const auto& f : fields_) {
                if (EqualsNoCase(f.Column, name) && (f.ImportNew || f.ImportUpdate)) found = &f;
            }
            // The names go into statements: only the definition's own spelling does.
            if (found == nullptr)
                return Refuse("Not a guest profile field for import: " +
                              (name.empty() ? std::string("(blank)") : Shown(name)));
            columns_.push_back(*found);
            names_.push_back(found->Column);
        }
        account_ = FindColumn(names_, "DYAccountNo");
        holder_ = FindColumn(names_, "DYHolderNo");
        if (account_ < 0) return Refuse("The file has no DYAccountNo column");
        return true;
    }

    // How each file column's values are checked: by the guest table's own
    // column types where the database tells them.
    bool ReadColumnRules() {
        const std::string sql = "SELECT TOP 0 * FROM tbl_Guest";
        auto rs = db_.RunSQLReturnRS(sql);
        if (rs == nullptr) return Failed("Cannot read the guest table", sql);
        for (const auto& f : columns_) {
            const int i = rs->FieldIndex(f.Column);
            if (i < 0) return Refuse("Not a column of the guest table: " + f.Column);
            const FieldInfo& info = rs->FieldAt(i);
            rules_.push_back(RuleFor(f, info.DeclaredType, info.Type));
        }
        return true;
    }

    void Refused(int line, const std::string& message, const std::string& detail = "") {
        result_.Refused.push_back({line, message, detail});
        ++result_.Skipped;
    }

    // Turns one record into staged values; false (refused) when it cannot go in.
    bool CheckRecord(const CSVRecord& record, std::vector<Cell>& cells) {
        if (!record.Error.empty()) {
            Refused(record.Line, record.Error);
            return false;
        }
        if (record.Cells.size() != names_.size()) {
            Refused(record.Line, "Wrong number of values:",
                    std::to_string(record.Cells.size()) + " (the field line has " +
                        std::to_string(names_.size()) + ")");
            return false;
        }
        for (std::size_t i = 0; i < names_.size(); ++i) {
            const std::string& text = record.Cells[i].Text;
            if (text.empty()) {
                cells.emplace_back(std::nullopt);  // an empty cell is NULL, never 1900-01-01
                continue;
            }
            std::string value, reason;
            if (!NormaliseGuestValue(rules_[i], text, value, reason)) {
                Refused(record.Line, reason,
                        reason == "Too long:"
                            ? names_[i] + " (" + std::to_string(rules_[i].MaxLength) +
                                  " characters at most)"
                            : names_[i] + "=" + Shown(text));
                return false;
            }
            cells.emplace_back(std::move(value));
        }
        if (Trim(cells[static_cast<std::size_t>(account_)].value_or("")).empty()) {
            // It would match every guest without an account number.
            Refused(record.Line, "No account number");
            return false;
        }
        return true;
    }

    void CheckRows(const std::vector<CSVRecord>& records) {
        std::map<std::string, int> lineOfKey;
        for (const CSVRecord& record : records) {
            std::vector<Cell> cells;
            if (!CheckRecord(record, cells)) continue;
            const Cell& account = cells[static_cast<std::size_t>(account_)];
            if (!placeholder_.empty() && EqualsNoCase(TrimRight(*account, " "), placeholder_)) {
                ++result_.Skipped;  // the placeholder guest is never imported
                continue;
            }
            const Cell none;
            const std::string key =
                MatchKey(account, holder_ < 0 ? none : cells[static_cast<std::size_t>(holder_)]);
            auto [it, added] = lineOfKey.emplace(key, record.Line);
            if (!added) {
                Refused(record.Line, "Same account and holder number as line",
                        std::to_string(it->second));
                continue;
            }
            rows_.push_back(std::move(cells));
        }
    }

    std::string Suffix() const {
        if (!owner_.suffix_.empty()) return owner_.suffix_;
        const int32_t client = g_oClient != nullptr ? g_oClient->ClientID() : 0;
        return std::to_string(client) + "_" + DateTime::Now().Format("yyyymmddhhnnss") + "_" +
               std::to_string(::getpid());
    }

    std::string Collation() {
        const std::string sql = "Select DATABASEPROPERTYEX('" +
                                SQLEscape(DatabaseName(db_.ConnectionString())) +
                                "', 'Collation') As Collation";
        auto rs = db_.RunSQLReturnRS(sql);
        if (rs == nullptr) WriteSQLLog(db_.ErrDescription(), sql, kModule, kProc);
        const std::string c = FieldStr(rs.get(), "Collation");
        return IsPlainColumnName(c) ? c : "database_default";
    }

    std::string ColumnList() const {
        std::string list;
        for (const auto& n : names_)
            list += (list.empty() ? "" : ",") + n;
        return list;
    }

    bool Stage() {
        const std::string collation = Collation();
        const std::string suffix = Suffix();
        stage_ = "tbl_Guest_" + suffix;
        full_ = "tbl_GuestFull_" + suffix;
        std::string defs;
        for (const auto& f : columns_)
            defs += (defs.empty() ? "" : ",") + f.Column + StagingType(f) + " Collate " + collation;
        if (!Exec("CREATE TABLE tempdb.." + stage_ + " (" + defs + " )",
                  "Fail to create staging table"))
            return false;
        stageMade_ = true;
        const std::string insert =
            "INSERT INTO tempdb.." + stage_ + " (" + ColumnList() + " ) VALUES ";
        for (std::size_t from = 0; from < rows_.size(); from += kRowsPerInsert) {
            std::string sql = insert;
            const std::size_t to = std::min(rows_.size(), from + kRowsPerInsert);
            for (std::size_t r = from; r < to; ++r) {
                sql += r == from ? "(" : ",(";
                for (std::size_t c = 0; c < rows_[r].size(); ++c) {
                    if (c > 0) sql += ",";
                    sql += rows_[r][c] ? SQLStr(*rows_[r][c]) : std::string("NULL");
                }
                sql += ")";
            }
            if (!Exec(sql, "Fail to stage the file")) return false;
        }
        // A copy of the guest table's structure, identity included.
        if (!Exec("SELECT * INTO tempdb.." + full_ + " FROM tbl_Guest WHERE 1=0",
                  "Fail to copy table structure"))
            return false;
        fullMade_ = true;
        const std::string cols = ColumnList();
        return Exec("INSERT INTO tempdb.." + full_ + " (" + cols + ") SELECT " + cols +
                        " FROM tempdb.." + stage_,
                    "Fail to stage the file") &&
               Exec(
                   " UPDATE tempdb.." + full_ + " SET " +
                       " UserID = CASE WHEN USERID IS NULL THEN 1 ELSE  UserID  END, " +
                       " RowStatus = CASE WHEN RowStatus IS NULL THEN 'A' ELSE  RowStatus END, " +
                       " DBServerID = CASE WHEN DBServerID IS NULL THEN 1 ELSE  DBServerID  END, " +
                       " GuestNo = CASE WHEN GuestNo IS NULL THEN '0' ELSE  GuestNo  END, " +
                       " Gender = CASE WHEN Gender IS NULL THEN 'N' ELSE  Gender  END, " +
                       " DateOfBirthType = CASE WHEN DateOfBirthType IS NULL THEN 7 ELSE  "
                       "DateOfBirthType  END, " +
                       " CreateDT = CASE WHEN CreateDT IS NULL THEN GetDate() ELSE  CreateDT  "
                       "END, " +
                       " RowModified = CASE WHEN RowModified IS NULL THEN GetDate() ELSE  "
                       "RowModified  END",
                   "Fail to fill the defaults");
    }

    // The match of a staged row and an active guest. Rows without an account
    // number were refused, so the account compares directly, which lets the
    // database use its account index.
    std::string Match() const {
        return "G.DYAccountNo collate database_default = T2.DYAccountNo collate "
               "database_default And ISNULL(G.DYHolderNo,'') collate database_default = "
               "ISNULL(T2.DYHolderNo,'') collate database_default And G.RowStatus = 'A'";
    }

    bool Apply() {
        const std::string placeholder = SQLStr(placeholder_);
        // Only the columns the file has: the others keep the guest's values.
        std::string set;
        for (const auto& f : columns_) {
            if (f.ImportUpdate) set += "," + f.Column + "=t2." + f.Column;
        }
        if (!set.empty()) {
            const int64_t rc =
                RunCount("UPDATE tbl_Guest SET RowModified =GetDate() " + set + " FROM tempdb.." +
                             full_ + " T2 INNER JOIN tbl_Guest G ON " + Match() +
                             " AND G.DYAccountNo <> " + placeholder + " SELECT @@ROWCOUNT AS RC",
                         "Fail to update guest profile");
            if (rc < 0) return false;
            result_.Updated = rc;
        }
        std::string cols;
        for (const auto& f : columns_) {
            if (f.ImportNew) cols += (cols.empty() ? "" : ",") + f.Column;
        }
        for (const char* c : kSystemColumns) {
            if (FindColumn(names_, c) < 0 ||
                !columns_[static_cast<std::size_t>(FindColumn(names_, c))].ImportNew)
                cols += std::string(",") + c;
        }
        const std::string maxSql = "SELECT ISNULL(MAX(GuestID),0) AS RC FROM tbl_Guest";
        const int64_t lastBefore = RunCount(maxSql, "Fail to insert guest profile");
        if (lastBefore < 0) return false;
        const int64_t rc = RunCount(
            "INSERT INTO tbl_Guest (" + cols + ") SELECT " + cols + " FROM tempdb.." + full_ +
                " t2 " + " WHERE NOT EXISTS(SELECT * FROM tbl_Guest G WHERE " + Match() + ")" +
                " AND t2.DYAccountNo <> " + placeholder + " SELECT @@ROWCOUNT AS RC",
            "Fail to insert guest profile");
        if (rc < 0) return false;
        result_.Inserted = rc;
        // Numbers for the guests just inserted; other guests keep theirs.
        return Exec("UPDATE tbl_Guest SET RowModified = GetDate()," +
                        std::string(" GuestNo = GuestID WHERE GuestNo <> CAST(GuestID AS "
                                    "VARCHAR(10)) AND ") +
                        " RowStatus = 'A' AND GuestID > " + std::to_string(lastBefore),
                    "Fail to number the new guests");
    }

    void DropStaging() {
        // A failed drop is logged and leaves a table no later import uses
        // (the suffix differs); it does not undo what was imported.
        for (const auto& [made, name] :
             {std::pair{fullMade_, full_}, std::pair{stageMade_, stage_}}) {
            const std::string sql = " DROP TABLE tempdb.." + name;
            if (made && !db_.RunSQLNoReturn(sql))
                WriteSQLLog("Fail to drop staging table: " + db_.ErrDescription(), sql, kModule,
                            kProc);
        }
    }

    GuestCSV& owner_;
    SQLDB& db_;
    GuestImportResult& result_;
    std::vector<GuestCSVField> fields_;
    std::vector<GuestCSVField> columns_;  // the file's columns, as defined
    std::vector<std::string> names_;      // their names in the definition's spelling
    std::vector<GuestColumnRule> rules_;
    int account_ = -1, holder_ = -1;
    std::vector<std::vector<Cell>> rows_;
    std::string placeholder_, stage_, full_;
    bool stageMade_ = false, fullMade_ = false;
};

bool GuestCSV::ImportGuestProfile(const std::string& path, CSVCharset charset,
                                  GuestImportResult& result) {
    result = GuestImportResult{};
    message_.clear();
    ClearErr();
    return Import(*this, result).Run(path, charset);
}
