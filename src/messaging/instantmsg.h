#pragma once
// InstantMsg: one tbl_InstantMsg row, a short text one workstation sent to
// others. Its recipients are tbl_ClientInstantMsg rows.
#include <cstdint>
#include <string>

#include "core/errorstate.h"
#include "platform/datetime.h"

class Recordset;

class InstantMsg : public ErrorState {
  public:
    // Reads the current row without moving the cursor.
    bool AddFromRS(const Recordset* rs);

    const DateTime& RowModified() const { return rowModified_; }
    const std::string& RowStatus() const { return rowStatus_; }
    int32_t InstantMsgID() const { return instantMsgID_; }
    int32_t DBServerID() const { return dbServerID_; }
    // The sending workstation.
    int32_t ClientID() const { return clientID_; }
    const DateTime& SendDT() const { return sendDT_; }
    // The text (column InstantMsg; a member cannot carry the class's name).
    const std::string& MsgText() const { return text_; }

  private:
    DateTime rowModified_;
    std::string rowStatus_;
    int32_t instantMsgID_ = 0;
    int32_t dbServerID_ = 0;
    int32_t clientID_ = 0;
    DateTime sendDT_;
    std::string text_;
};

// The text on one output line: tabs and line breaks (LF, CR LF, CR) become
// the two characters \t and \n, so a record never splits.
std::string OneLineText(const std::string& text);
