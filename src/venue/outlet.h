#pragma once
// Outlet: one tbl_Outlet row (a restaurant of the installation) with its
// meal periods, its floor-plan sections and the extra attributes of the
// race-meeting (ORBA) sites.
#include <cstdint>
#include <string>

#include "core/errorstate.h"
#include "core/orderedmap.h"
#include "platform/datetime.h"
#include "sql/variant.h"
#include "venue/fpsection.h"
#include "venue/mpoutlets.h"
#include "venue/recordfields.h"

class Recordset;

class Outlet : public ErrorState {
  public:
    // Reads the current row; the ORBA system parameter decides which flags
    // and extra attributes are read.
    bool AddFromRS(const Recordset* rs);

    MPOutlets& GetMPOutlets() { return mpOutlets_; }
    const MPOutlets& GetMPOutlets() const { return mpOutlets_; }
    OrderedMap<int32_t, FPSection>& FPSections() { return fpSections_; }
    const OrderedMap<int32_t, FPSection>& FPSections() const { return fpSections_; }
    const OrderedMap<std::string, Variant>& ExtAttributes() const { return extAttributes_; }
    // The stored value; an empty value when the name is not held.
    Variant GetExtAttribute(const std::string& name) const;

    std::string Name(int language) const { return name_.In(language); }
    std::string Desc(int language) const { return desc_.In(language); }
    std::string Address(int language) const { return address_.In(language); }

    const DateTime& RowModified() const { return rowModified_; }
    const std::string& RowStatus() const { return rowStatus_; }
    int32_t OutletID() const { return outletID_; }
    int32_t DBServerID() const { return dbServerID_; }
    const std::string& OutletCode() const { return outletCode_; }
    const std::string& POSOutletCode() const { return posOutletCode_; }
    int32_t POSID() const { return posID_; }
    int32_t AccountID() const { return accountID_; }
    const std::string& NameL1() const { return name_.L1(); }
    const std::string& NameL2() const { return name_.L2(); }
    const std::string& NameL3() const { return name_.L3(); }
    const std::string& DescL1() const { return desc_.L1(); }
    const std::string& DescL2() const { return desc_.L2(); }
    const std::string& DescL3() const { return desc_.L3(); }
    const std::string& AddressL1() const { return address_.L1(); }
    const std::string& AddressL2() const { return address_.L2(); }
    const std::string& AddressL3() const { return address_.L3(); }
    const std::string& Phone() const { return phone_; }
    const std::string& Fax() const { return fax_; }
    int32_t ServiceID() const { return serviceID_; }
    int32_t ShareType() const { return shareType_; }
    bool PrintReceipt() const { return printReceipt_; }
    int32_t OpenPOSCheck() const { return openPOSCheck_; }
    int32_t ResvCoverGreaterWarning() const { return resvCoverGreaterWarning_; }
    int32_t ResvCoverSmallerWarning() const { return resvCoverSmallerWarning_; }
    int32_t ResvBufferTime() const { return resvBufferTime_; }
    int32_t ReqLoginAction() const { return reqLoginAction_; }
    int16_t FVResvDayLimit() const { return fvResvDayLimit_; }
    bool NotAllowDoubleBook() const { return notAllowDoubleBook_; }
    bool PopAlertUpdateGuestProfile() const { return popAlertUpdateGP_; }
    bool MandatoryBlockRemark() const { return mandatoryBlockRemark_; }
    bool PopAlertMsg() const { return popAlertMsg_; }
    int32_t SMSServerID() const { return smsServerID_; }
    int32_t EmailServerID() const { return mailServerID_; }
    bool ResvSumToPOSCheck() const { return resvSumToPOSCheck_; }
    bool AllowSelPrintTpl() const { return allowSelPrintTpl_; }
    bool AllowSelPrinter() const { return allowSelPrinter_; }
    int32_t ShowZeorAmtCheckTime() const { return showZeorAmtCheckTime_; }
    bool PopAlertIsBlackList() const { return popAlertIsBlackList_; }
    bool ShowStatByIntervalInResv() const { return showStatByIntervalInResv_; }
    bool CheckCover() const { return checkCover_; }
    bool AllowWebBooking() const { return allowWebBooking_; }
    bool OverBookingAlert() const { return overBookingAlert_; }
    bool BookerDiscoveryAlert() const { return bookerDiscovery_; }
    bool NotArrivalOverResvCover() const { return notArrivalOverResvCover_; }
    const std::string& DefFilePath() const { return defFilePath_; }
    bool ApplyDefaultCancelCode() const { return applyDefaultCancelCode_; }
    int32_t PubHolidayCalendarGroupID() const { return holidayCalendarGroupID_; }
    int32_t AllotmentType() const { return allotmentType_; }

  private:
    void ReadFlags(const Recordset* rs, bool orba);
    void ReadExtAttributes(const Recordset* rs, bool orba);

    DateTime rowModified_;
    std::string rowStatus_;
    int32_t outletID_ = 0;
    int32_t dbServerID_ = 0;
    std::string outletCode_;
    std::string posOutletCode_;
    int32_t posID_ = 0;
    int32_t accountID_ = 0;
    LangText name_;
    LangText desc_;
    LangText address_;
    std::string phone_;
    std::string fax_;
    int32_t serviceID_ = 0;
    int32_t shareType_ = 0;
    bool printReceipt_ = false;
    int32_t openPOSCheck_ = 0;
    int32_t resvCoverGreaterWarning_ = 0;
    int32_t resvCoverSmallerWarning_ = 0;
    int32_t resvBufferTime_ = 0;
    int32_t reqLoginAction_ = 0;
    int16_t fvResvDayLimit_ = 0;
    bool notAllowDoubleBook_ = false;
    bool popAlertUpdateGP_ = false;
    bool mandatoryBlockRemark_ = false;
    bool popAlertMsg_ = false;
    int32_t smsServerID_ = 0;
    int32_t mailServerID_ = 0;
    bool resvSumToPOSCheck_ = false;
    bool allowSelPrintTpl_ = false;
    bool allowSelPrinter_ = false;
    int32_t showZeorAmtCheckTime_ = 0;
    bool popAlertIsBlackList_ = false;
    bool showStatByIntervalInResv_ = false;
    bool checkCover_ = false;
    bool allowWebBooking_ = false;
    bool overBookingAlert_ = false;
    bool bookerDiscovery_ = false;
    bool notArrivalOverResvCover_ = false;
    std::string defFilePath_;
    bool applyDefaultCancelCode_ = false;
    int32_t holidayCalendarGroupID_ = 0;
    int32_t allotmentType_ = 0;

    MPOutlets mpOutlets_;
    OrderedMap<int32_t, FPSection> fpSections_;
    OrderedMap<std::string, Variant> extAttributes_;
};
