#pragma once
// GuestCSV: exports the guest profiles to a comma-separated file and imports
// such a file back. Which fields take part is decided by the profile
// definition (ProfileExport, ProfileImportNew, ProfileImportUpdate).
//
// Import stages the file in two tables in tempdb, updates the active guests
// matched by account and holder number (only the columns the file has) and
// inserts the others with the defaults of a new guest. Every row is checked
// before anything is written: a row that is malformed, has no account
// number, repeats the account and holder number of an earlier row, or holds
// a value its column cannot take is refused with its line and left out;
// rows of the placeholder guest's account are skipped. A file whose field
// line is missing, repeats a column or names a column that is not a guest
// profile field for import imports nothing.
#include <cstdint>
#include <string>
#include <vector>

#include "core/errorstate.h"
#include "profiles/csvcharset.h"
#include "profiles/guestcsvfields.h"

class SQLDB;
class Recordset;

struct GuestImportRefusal {
    int Line = 0;
    std::string Message;  // English, for the text look-up ("No account number")
    std::string Detail;   // what follows it ("DateOfBirth=1985-13-01"); "" when nothing
};

struct GuestImportResult {
    int64_t Updated = 0;
    int64_t Inserted = 0;
    int Skipped = 0;  // rows neither staged nor imported: placeholder and refused rows
    std::vector<GuestImportRefusal> Refused;
    bool RowsChecked = false;  // the file was accepted and its rows were checked
};

class GuestCSV : public ErrorState {
  public:
    explicit GuestCSV(SQLDB& db) : db_(db) {}

    // The placeholder guest's account number, never exported or imported;
    // the system parameter "PseudoGuestNo" unless set.
    void SetPlaceholderAccount(const std::string& account) {
        placeholder_ = account;
        placeholderSet_ = true;
    }
    std::string PlaceholderAccount() const;

    // Writes the exported fields of every active guest but the placeholder,
    // in GuestID order; `conditions` narrow the guests (joined by AND).
    bool ExportGuestProfile(const std::string& path,
                            const std::vector<std::string>& conditions = {});
    // Writes `rs`, whose columns are `fields` in order, with their formats.
    bool ExportGuestProfileRS(const std::string& path, Recordset& rs,
                              const std::vector<GuestCSVField>& fields);
    int ExportedCount() const { return exported_; }

    bool ImportGuestProfile(const std::string& path, CSVCharset charset, GuestImportResult& result);

    // Why the last export or import failed, in English ("" when it did not).
    const std::string& Message() const { return message_; }

    // Staging tables are tbl_Guest_SUFFIX and tbl_GuestFull_SUFFIX; unless
    // set, the suffix is made of this workstation, the time and the process.
    void SetStagingSuffix(const std::string& suffix) { suffix_ = suffix; }

  private:
    class Import;
    bool Fail(const std::string& procedure, const std::string& message);

    SQLDB& db_;
    std::string placeholder_;
    bool placeholderSet_ = false;
    std::string suffix_;
    std::string message_;
    int exported_ = 0;
};
