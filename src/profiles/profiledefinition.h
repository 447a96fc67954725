#pragma once
// ProfileDefinition: the fields of the guest or reservation forms of one
// operation, read at run time from tbl_ProfileDefinition with their options.
// It builds the reservation-list queries from its fields, fills the fields
// from a guest or a reservation, and writes edited values back.
//
// The work is split by job: profiledefinition.cpp (fields and orders),
// profileloader.cpp (LoadProfile and option lists), resvlistquery.cpp (the
// list queries), profilereader.cpp (reading one guest or reservation),
// profilewriter.cpp (the write-backs).
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/errorstate.h"
#include "core/orderedmap.h"
#include "profiles/profilefield.h"

class SQLDB;
class Reservation;
class Reservations;
class ResvListCriteria;

// The operations a definition is loaded for.
enum ProfileOperation : int {
    kProfileAll = 0,
    kProfileGuest = 1,
    kProfileTelephone = 2,
    kProfileInPerson = 3,
    kProfileBulk = 4,
    kProfileWalkIn = 5,
    kProfileResvList = 6,
};
// Sub-operation of kProfileGuest: the guest search form.
constexpr int kProfileGuestSearch = 1;

// What SaveNewGuest answers besides a new GuestID.
enum : int32_t { kGuestAccountExists = -101, kGuestPhoneExists = -102 };

using ProfileFieldMap = OrderedMap<std::string, std::shared_ptr<ProfileField>>;

class ProfileDefinition : public ErrorState {
  public:
    // The connection the definition and its option tables are read from
    // (the default connection).
    void SetSQLDB(SQLDB* db) { db_ = db; }
    SQLDB* GetSQLDB() const { return db_; }
    void SetLanguage(int language) { language_ = language; }
    int Language() const { return language_; }
    // ProfileCodes left out, comma-separated. Unless set, LoadProfile reads
    // the workstation's "IgnoreProfileList" (section "KIVCnt").
    void SetIgnoreProfileList(const std::string& codes);

    // Loads the fields of one operation in the operation's order. False
    // ("No Operation defined!!!") for an unknown operation.
    bool LoadProfile(int operation, int subOperation = 0);
    int Operation() const { return operation_; }
    int SubOperation() const { return subOperation_; }

    const ProfileFieldMap& Fields() const { return fields_; }
    ProfileField* Field(const std::string& code);
    const ProfileField* Field(const std::string& code) const;
    // By code ignoring case; nullptr when absent.
    ProfileField* FindField(const std::string& code);
    // Adds a field the stored definition lacks (a form's extra argument);
    // false when the code is taken.
    bool AddField(std::shared_ptr<ProfileField> field);
    // The order column of the operation ("TelephoneModeOrder" ...).
    std::string OrderColumn() const;
    // The fields whose order in this operation is above 0, in that order.
    std::vector<ProfileField*> ListedFields() const;
    // Whether the operation may change the field (new record / update).
    bool IsUpdatable(const ProfileField& field) const;
    bool IsNewEnabled(const ProfileField& field) const;
    bool IsMust(const ProfileField& field) const;

    // Reservation lists (resvlistquery.cpp). The list statement, the
    // statement of the bindings of the listed reservations, and both run with
    // the reservations and their bindings put into `out`.
    std::string ResvListSQL(const ResvListCriteria& criteria) const;
    std::string ResvBindingsSQL(const ResvListCriteria& criteria) const;
    bool LoadResvList(SQLDB& db, const ResvListCriteria& criteria, Reservations& out);

    // Reading one record (profilereader.cpp). Each fills the fields'
    // controls and remembers the loaded values; false ("fail in loading
    // valprofile" logged) when the record cannot be read.
    std::string ReservationSQL(int32_t reserveID) const;
    bool LoadReservation(SQLDB& db, int32_t reserveID, Reservation& out);
    bool LoadGuest(SQLDB& db, int32_t guestID, Reservation& out);
    // Fills the fields' controls from a loaded record (or defaults for a new one).
    void FillFields(const Reservation& record);
    void FillDefaults();

    // Write-backs (profilewriter.cpp).
    // The UPDATE of the edited reservation fields; "" when nothing changed.
    std::string ReservationUpdateSQL(int32_t reserveID) const;
    // The edited columns of that UPDATE with their SQL values, in field order.
    std::vector<std::pair<std::string, std::string>> ReservationUpdateColumns() const;
    bool UpdateReservation(SQLDB& db, Reservation& resv);
    bool UpdateReservationLog(SQLDB& db, const Reservation& resv);
    // The new GuestID, or kGuestAccountExists / kGuestPhoneExists, or 0.
    int32_t SaveNewGuest(SQLDB& db);
    bool UpdateGuestProfile(SQLDB& db, int32_t guestID);
    bool UpdateResvGuestAccount(SQLDB& db, int32_t reserveID, int32_t guestID,
                                const std::vector<std::string>& columns);
    // A value as the write-backs put it into a statement, by the field's
    // DBDataType ("NULL" for an empty value).
    static std::string ValueSQL(const ProfileField& field, const std::string& value);
    // The last refusal of a write-back, in English ("" when none).
    const std::string& Message() const { return message_; }

  private:
    bool LoadTableOptions(ProfileField& field);
    void LoadCancelCodes(ProfileField& field);
    void LoadOutletOptions(ProfileField& field);
    void LoadNamedOptions(ProfileField& field, const std::string& sql, const std::string& column,
                          const std::string& firstChoice);
    std::string UserNameColumn(const std::string& alias) const;
    std::string GuestValueSQL(const ProfileField& field) const;
    // "Select" ... the joins of the list statement, without its conditions.
    std::string ResvListHead() const;
    // Whether an edit of the guest's account or holder number takes the
    // pair of another active guest.
    bool AccountTaken(SQLDB& db, int32_t guestID) const;
    void Fail(const std::string& procedure, const std::string& message);

    SQLDB* db_ = nullptr;
    int language_ = 1;
    bool ignoreSet_ = false;
    std::vector<std::string> ignored_;  // upper-case codes
    int operation_ = -1;
    int subOperation_ = 0;
    ProfileFieldMap fields_;
    std::string message_;
    mutable std::string listHead_, listHeadKey_;  // the list statement's head, reused
};
