#include "venue/outlet.h"

#include "core/config.h"
#include "core/globals.h"

namespace {

bool ORBAMode() {
    return g_oConfig != nullptr && g_oConfig->ORBAMode();
}

// The column's value read by its database type (text, integer, floating or
// date), each through the null-safe reader of that type.
Variant TypedField(const Recordset* rs, const std::string& name) {
    const int index = rs->FieldIndex(name);
    if (index < 0) return Variant();
    switch (rs->FieldAt(index).Type) {
        case adInteger:
        case adBigInt:
        case adBoolean:
            return Variant(static_cast<int64_t>(FieldLng(rs, name)));
        case adDouble:
        case adCurrency:
            return Variant(FieldDbl(rs, name));
        case adDBTimeStamp:
            return Variant(FieldDate(rs, name));
        default:
            return Variant(FieldStr(rs, name));
    }
}

// The race-meeting attributes in the order the booking screens list them.
const char* const kORBAAttributes[] = {
    "DBServerID", "DYType",          "DYBoxType",      "DYBoxLevel", "DYHorseOwner",
    "DYLocation", "DYServiceType",   "DYCrossBet",     "DYCPL",      "DYCPLCharge",
    "DYCoach",    "DYInPerson",      "DYPhoneBooking", "DYWalkin",   "MandatoryCxlRemark",
    "Payment",    "SupportAdmission"};

}  // namespace

Variant Outlet::GetExtAttribute(const std::string& name) const {
    const Variant* v = extAttributes_.Item(name);
    return v == nullptr ? Variant() : *v;
}

bool Outlet::AddFromRS(const Recordset* rs) {
    if (!HasCurrentRow(*this, rs, "Outlet", "oRS is EOF")) return false;
    const bool orba = ORBAMode();
    rowModified_ = FieldDate(rs, "RowModified");
    rowStatus_ = FieldStr(rs, "RowStatus");
    outletID_ = FieldLng(rs, "OutletID");
    dbServerID_ = FieldLng(rs, "DBServerID");
    outletCode_ = FieldStr(rs, "OutletCode");
    posOutletCode_ = FieldStr(rs, "POSOutletCode");
    posID_ = FieldLng(rs, "POSID");
    accountID_ = FieldLng(rs, "AccountID");
    name_.Read(rs, "Name");
    desc_.Read(rs, "Desc");
    address_.Read(rs, "Address");
    phone_ = FieldStr(rs, "Phone");
    fax_ = FieldStr(rs, "Fax");
    serviceID_ = FieldLng(rs, "ServiceID");
    shareType_ = FieldLng(rs, "ShareType");
    openPOSCheck_ = FieldLng(rs, "OpenPOSCheck");
    resvCoverGreaterWarning_ = FieldLng(rs, "ResvCoverGreaterWarning");
    resvCoverSmallerWarning_ = FieldLng(rs, "ResvCoverSmallerWarning");
    resvBufferTime_ = FieldLng(rs, "ResvBufferTime");
    reqLoginAction_ = FieldLng(rs, "ReqLoginAction");
    fvResvDayLimit_ = FieldShort(rs, "FVResvDayLimit");
    smsServerID_ = FieldLng(rs, "SMSServerID");
    mailServerID_ = FieldLng(rs, "MailServerID");
    showZeorAmtCheckTime_ = FieldLng(rs, "ShowZeorAmtCheckTime");
    defFilePath_ = FieldStr(rs, "DefFilePath");
    holidayCalendarGroupID_ = FieldLng(rs, "HolidayCalendarGroupID");
    allotmentType_ = FieldLng(rs, "AllotmentType");
    ReadFlags(rs, orba);
    ReadExtAttributes(rs, orba);
    return true;
}

// Each flag keeps the reading its column always had: text "1", non-zero,
// or exactly 1.
void Outlet::ReadFlags(const Recordset* rs, bool orba) {
    printReceipt_ = FieldFlagText(rs, "PrintReceipt");
    notAllowDoubleBook_ = FieldFlagNonZero(rs, "NotAllowDoubleBook");
    popAlertUpdateGP_ = FieldFlagNonZero(rs, "PopAlertUpdateGP");
    mandatoryBlockRemark_ = FieldFlagNonZero(rs, "MandatoryBlockRemark");
    popAlertMsg_ = FieldFlagText(rs, "PopAlertMsg");
    resvSumToPOSCheck_ = FieldFlagNonZero(rs, "ResvSumToPOSCheck");
    allowSelPrintTpl_ = FieldFlagText(rs, "AllowSelPrintTpl");
    allowSelPrinter_ = FieldFlagText(rs, "AllowSelPrinter");
    popAlertIsBlackList_ = FieldFlagText(rs, "PopAlertIsBlackList");
    showStatByIntervalInResv_ = FieldFlagText(rs, "ShowStatByIntervalInResv");
    checkCover_ = FieldFlagText(rs, "CheckCover");
    allowWebBooking_ = FieldFlagText(rs, "AllowWebBooking");
    // The race-meeting sites have no over-booking or booker alerts.
    overBookingAlert_ = !orba && FieldFlagText(rs, "OverBookingAlert");
    bookerDiscovery_ = !orba && FieldFlagText(rs, "BookerDiscovery");
    notArrivalOverResvCover_ = FieldFlagText(rs, "NotArrivalOverResvCover");
    applyDefaultCancelCode_ = FieldFlagIsOne(rs, "ApplyDefaultCancelCode");
}

void Outlet::ReadExtAttributes(const Recordset* rs, bool orba) {
    extAttributes_.Clear();
    if (!orba) {
        extAttributes_.Add("DBServerID", TypedField(rs, "DBServerID"));
        extAttributes_.Add("MandatoryCxlRemark", TypedField(rs, "MandatoryCxlRemark"));
        return;
    }
    for (const char* name : kORBAAttributes)
        extAttributes_.Add(name, TypedField(rs, name));
    // Not columns of the row: fixed values the race-meeting screens expect.
    extAttributes_.Add("Sticker", Variant(static_cast<int64_t>(0)));
    extAttributes_.Add("OutletSummaryPrefix", Variant(std::string()));
}
