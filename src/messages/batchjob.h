#pragma once
// Batch message jobs: one text sent to many guests. A job names a
// template, an SMS or mail server and a send time, and holds one
// tbl_BatchMsg row per recipient and the files attached to it
// (tbl_TemplateAttachment). The message server sends the rows and sets
// their status; the workstation creates, lists and removes jobs.
#include <cstdint>
#include <string>
#include <vector>

#include "core/errorstate.h"
#include "platform/datetime.h"

class SQLDB;
class Recordset;

class BatchMessageJob : public ErrorState {
  public:
    std::string RowModified, RowStatus = "A";
    int32_t BatchMsgJobID = 0;
    std::string JobName;
    int32_t ServerID = 0;
    std::string MessageType;  // "SMS" or "EMAIL"
    int32_t TemplateID = 0;
    std::string SendTime, ExpiryTime;  // "yyyy-mm-dd hh:nn:ss" ("" none)
    std::string Remark, MessageSubject, TemplateCode, TemplateContent;
    int32_t JobClassID = 0;
    std::string Parameter1, Parameter2, Parameter3, Parameter4;
    std::string ServerCode;  // SMSServerCode or MailServerCode
    int32_t Recipients = 0;  // active recipients (lists only)

    // Reads the current row; false with 9015 "oRS is nothing" or 9018
    // "oRS is at the end".
    bool AddFromRS(const Recordset* rs);
};

// One recipient of a job.
struct BatchMsg {
    int32_t BatchMsgID = 0, BatchMsgJobID = 0, GuestID = 0;
    std::string RowStatus = "A", Destination, MessageContent, SubmitStatus, MessageStatus;
    std::string AccountNo, LastName, FirstName;
};

// "Success", "Fail", "Time Expired" for S, F, E; "-" otherwise.
std::string BatchMsgStatusText(const std::string& status);

// The active jobs, newest first, with their template and server codes and
// recipient counts.
bool LoadMsgJobs(SQLDB& db, std::vector<BatchMessageJob>& out);
// One active job; false when it is not found or cannot be read.
bool LoadMsgJob(SQLDB& db, int32_t jobID, BatchMessageJob& job);
// The job's recipients, newest first, with the guests' account and names.
bool LoadMsgJobRecipients(SQLDB& db, int32_t jobID, std::vector<BatchMsg>& out);
// The job's attachment names.
bool LoadMsgJobAttachments(SQLDB& db, int32_t jobID, std::vector<std::string>& out);

// Writes a new job with its recipients and attachments (file names); the
// new id goes into job.BatchMsgJobID. Recipients without a text get the
// job's text. False (logged under "BatchMessageJob") on failure; the rows
// written before a failure stay as written.
bool AddMsgJob(SQLDB& db, BatchMessageJob& job, const std::vector<BatchMsg>& recipients,
               const std::vector<std::string>& attachments, int32_t userID);

// Marks the job, its recipients and its attachments removed ('D'), in that
// order; a statement that fails stops the sequence. Removing a job that is
// already removed changes nothing and succeeds.
bool RemoveMsgJob(SQLDB& db, int32_t jobID, int32_t userID);
