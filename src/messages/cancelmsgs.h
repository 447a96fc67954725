#pragma once
// The cancellation reasons users pick from when cancelling, declining or
// marking a no-show (tbl_Message rows of type 'CXL', category 'MAN'). Each
// reason's sub-category gives it a flag; a filtered view holds the reasons
// whose flag shares a bit with the situation's mask.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/errorstate.h"
#include "core/orderedmap.h"

class SQLDB;
class Recordset;

// Category flags by sub-category.
enum CancelMsgFlag : int32_t {
    kCxlDecline = 1,  // "DCL"
    kCxlNoShow = 2,   // "NS"
    kCxlBulk = 4,     // "BULK"
    kCxlCancel = 8,   // "N"
    kCxlNCP = 16,     // "NCP"
};

// The flag of a sub-category; 0 for any other (never offered by a filter).
int32_t CancelMsgFlagOf(const std::string& subCat);
// A mask from "8", "NS" or "DCL,NS" (sub-category names, ignoring case);
// nothing when a part is neither a number nor a known name.
std::optional<int32_t> ParseCancelMask(const std::string& text);

struct CancelMsg {
    int32_t MsgID = 0;
    std::string MsgCode, MsgCat, MsgSubCat;
    std::string NameL1, NameL2, NameL3;
    bool IsDefault = false, ShowPaymentRef = false, ShowRefuntAmt = false;
    int32_t CXLMsgSubCat = 0;  // the category flag
    std::string Name(int language) const;
};

class CancelMsgs : public ErrorState {
  public:
    // Reads every active reason; false (logged under "CancelMsgs") when the
    // statement fails.
    bool Load(SQLDB& db);
    const OrderedMap<int32_t, CancelMsg>& Items() const { return items_; }
    int32_t Count() const { return static_cast<int32_t>(items_.Count()); }
    // Empties the filtered view and puts back every reason whose flag shares
    // a bit with `mask`.
    void Filter(int32_t mask);
    const std::vector<const CancelMsg*>& Filtered() const { return filtered_; }

  private:
    OrderedMap<int32_t, CancelMsg> items_;
    std::vector<const CancelMsg*> filtered_;
};
