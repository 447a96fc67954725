#include "messages/batchjob.h"

#include <algorithm>

#include "core/log.h"
#include "platform/strnum.h"
#include "platform/textutil.h"
#include "sql/sqldb.h"

namespace {

constexpr const char* kClass = "BatchMessageJob";

std::string TextSQL(const std::string& s) {
    return s.empty() ? "NULL" : SQLStr(s);
}

std::string TimeText(const Recordset* rs, const char* field) {
    return FieldStr(rs, field).empty() ? "" : FieldDate(rs, field).ToText();
}

// The job statement of the job window, for the job's kind of server.
std::string JobSelect(bool mail) {
    return mail ? "SELECT A.*,B.TemplateCode,C.MailServerCode FROM tbl_BatchMsgJob as A "
                  " LEFT JOIN tbl_Template B  ON A.TemplateID = B.TemplateID "
                  " LEFT JOIN tbl_MailServer C  ON A.ServerID = C.MailServerID "
                : "SELECT A.*,B.TemplateCode,C.SMSServerCode FROM tbl_BatchMsgJob as A "
                  " LEFT JOIN tbl_Template B  ON A.TemplateID = B.TemplateID "
                  " LEFT JOIN tbl_SMSServer C  ON A.ServerID = C.SMSServerID ";
}

bool Fail(SQLDB& db, const std::string& sql, const char* procedure) {
    WriteSQLLog(db.ErrDescription(), sql, kClass, procedure);
    return false;
}

}  // namespace

bool BatchMessageJob::AddFromRS(const Recordset* rs) {
    if (rs == nullptr) {
        SetErr(kErrRSNothing, kClass, "AddFromRS", "oRS is nothing");
        return false;
    }
    if (rs->Eof()) {
        SetErr(kErrRSEOF, kClass, "AddFromRS", "oRS is at the end");
        return false;
    }
    RowModified = TimeText(rs, "RowModified");
    RowStatus = FieldStr(rs, "RowStatus");
    BatchMsgJobID = FieldLng(rs, "BatchMsgJobID");
    JobName = FieldStr(rs, "JobName");
    ServerID = FieldLng(rs, "ServerID");
    MessageType = FieldStr(rs, "MessageType");
    TemplateID = FieldLng(rs, "TemplateID");
    SendTime = TimeText(rs, "SendTime");
    ExpiryTime = TimeText(rs, "ExpiryTime");
    Remark = FieldStr(rs, "Remark");
    MessageSubject = FieldStr(rs, "MessageSubject");
    TemplateCode = FieldStr(rs, "TemplateCode");
    TemplateContent = FieldStr(rs, "TemplateContent");
    JobClassID = FieldLng(rs, "JobClassID");
    Parameter1 = FieldStr(rs, "Parameter1");
    Parameter2 = FieldStr(rs, "Parameter2");
    Parameter3 = FieldStr(rs, "Parameter3");
    Parameter4 = FieldStr(rs, "Parameter4");
    ServerCode =
        FieldStr(rs, UpperAscii(MessageType) == "EMAIL" ? "MailServerCode" : "SMSServerCode");
    ClearErr();
    return true;
}

std::string BatchMsgStatusText(const std::string& status) {
    const std::string s = UpperAscii(Trim(status));
    if (s == "S") return "Success";
    if (s == "F") return "Fail";
    if (s == "E") return "Time Expired";
    return "-";
}

bool LoadMsgJobs(SQLDB& db, std::vector<BatchMessageJob>& out) {
    out.clear();
    const std::string count =
        ", (SELECT COUNT(*) FROM tbl_BatchMsg AS M WHERE M.RowStatus='A' AND M.BatchMsgJobID = "
        "A.BatchMsgJobID) AS Recipients";
    // SMS and e-mail jobs join different server tables; both lists are read
    // and put together newest first.
    for (const bool mail : {false, true}) {
        std::string sql = JobSelect(mail);
        sql.replace(sql.find(" FROM"), 0, count);
        sql += " WHERE A.RowStatus='A' AND A.MessageType=" + SQLStr(mail ? "EMAIL" : "SMS");
        auto rs = db.RunSQLReturnRS(sql);
        if (rs == nullptr) return Fail(db, sql, "LoadMsgJobs");
        for (; !rs->Eof(); rs->MoveNext()) {
            BatchMessageJob job;
            job.AddFromRS(rs.get());
            job.Recipients = FieldLng(rs.get(), "Recipients");
            out.push_back(std::move(job));
        }
    }
    std::sort(out.begin(), out.end(), [](const BatchMessageJob& a, const BatchMessageJob& b) {
        return a.BatchMsgJobID > b.BatchMsgJobID;
    });
    return true;
}

bool LoadMsgJob(SQLDB& db, int32_t jobID, BatchMessageJob& job) {
    auto type = db.RunSQLReturnRS("SELECT MessageType FROM tbl_BatchMsgJob WHERE BatchMsgJobID=" +
                                  Str(jobID));
    if (type == nullptr || type->Eof()) return false;
    const bool mail = UpperAscii(FieldStr(type.get(), "MessageType")) == "EMAIL";
    const std::string sql =
        JobSelect(mail) + " WHERE A.RowStatus='A' " + " AND A.BatchMsgJobID=" + Str(jobID);
    auto rs = db.RunSQLReturnRS(sql);
    if (rs == nullptr) return Fail(db, sql, "LoadMsgJob");
    return job.AddFromRS(rs.get());
}

bool LoadMsgJobRecipients(SQLDB& db, int32_t jobID, std::vector<BatchMsg>& out) {
    out.clear();
    const std::string sql =
        "SELECT A.*,B.DYAccountNo as AccountNo,B.DYLastName as LastName, B.DYFirstName as "
        "FirstName  FROM tbl_BatchMsg as A Left Join tbl_Guest as B ON A.RowStatus='A' AND "
        "A.GuestID = B.GuestID  WHERE A.RowStatus='A' AND A.BatchMsgJobID=" +
        Str(jobID) + " ORDER BY A.BatchMsgID DESC";
    auto rs = db.RunSQLReturnRS(sql);
    if (rs == nullptr) return Fail(db, sql, "LoadMsgJobRecipients");
    for (; !rs->Eof(); rs->MoveNext()) {
        const Recordset* r = rs.get();
        BatchMsg m;
        m.BatchMsgID = FieldLng(r, "BatchMsgID");
        m.BatchMsgJobID = FieldLng(r, "BatchMsgJobID");
        m.GuestID = FieldLng(r, "GuestID");
        m.RowStatus = FieldStr(r, "RowStatus");
        m.Destination = FieldStr(r, "Destination");
        m.MessageContent = FieldStr(r, "MessageContent");
        m.SubmitStatus = FieldStr(r, "SubmitStatus");
        m.MessageStatus = FieldStr(r, "MessageStatus");
        m.AccountNo = FieldStr(r, "AccountNo");
        m.LastName = FieldStr(r, "LastName");
        m.FirstName = FieldStr(r, "FirstName");
        out.push_back(std::move(m));
    }
    return true;
}

bool LoadMsgJobAttachments(SQLDB& db, int32_t jobID, std::vector<std::string>& out) {
    out.clear();
    const std::string sql =
        "SELECT A.* FROM tbl_TemplateAttachment as A  Where A.BatchMsgJobID =" + Str(jobID) +
        " AND A.RowStatus='A' ORDER BY A.TemplateAttachmentID";
    auto rs = db.RunSQLReturnRS(sql);
    if (rs == nullptr) return Fail(db, sql, "LoadMsgJobAttachments");
    for (; !rs->Eof(); rs->MoveNext())
        out.push_back(FieldStr(rs.get(), "ImageName"));
    return true;
}

bool AddMsgJob(SQLDB& db, BatchMessageJob& job, const std::vector<BatchMsg>& recipients,
               const std::vector<std::string>& attachments, int32_t userID) {
    const std::string sql =
        "INSERT INTO tbl_BatchMsgJob (RowModified,RowStatus,JobName,ServerID,MessageType,"
        "TemplateID,TemplateContent,MessageSubject,SendTime,ExpiryTime,JobClassID,Parameter1,"
        "Parameter2,Parameter3,Parameter4,Remark,UpdateUserID) VALUES (GetDate(),'A'," +
        SQLStr(job.JobName) + "," + Str(job.ServerID) + "," + SQLStr(job.MessageType) + "," +
        Str(job.TemplateID) + "," + SQLStr(job.TemplateContent) + "," +
        TextSQL(job.MessageSubject) + "," + TextSQL(job.SendTime) + "," + TextSQL(job.ExpiryTime) +
        "," + Str(job.JobClassID) + "," + TextSQL(job.Parameter1) + "," + TextSQL(job.Parameter2) +
        "," + TextSQL(job.Parameter3) + "," + TextSQL(job.Parameter4) + "," + TextSQL(job.Remark) +
        "," + Str(userID) + ")\r\nSELECT @@IDENTITY AS ID";
    auto rs = FirstOpenRecordset(db.RunSQLReturnRS(sql));
    if (rs == nullptr || rs->Eof()) return Fail(db, sql, "AddMsgJob");
    job.BatchMsgJobID = FieldLng(rs.get(), "ID");
    const std::string id = Str(job.BatchMsgJobID);
    for (const BatchMsg& m : recipients) {
        const std::string add =
            "INSERT INTO tbl_BatchMsg (RowModified,RowStatus,BatchMsgJobID,GuestID,Destination,"
            "MessageContent,UpdateUserID) VALUES (GetDate(),'A'," +
            id + "," + Str(m.GuestID) + "," + SQLStr(m.Destination) + "," +
            SQLStr(m.MessageContent.empty() ? job.TemplateContent : m.MessageContent) + "," +
            Str(userID) + ")";
        if (!db.RunSQLNoReturn(add)) return Fail(db, add, "AddMsgJob");
    }
    for (const std::string& name : attachments) {
        const std::string add =
            "INSERT INTO tbl_TemplateAttachment (RowModified,RowStatus,ImageName,BatchMsgJobID,"
            "UpdateUserID) VALUES (GetDate(),'A'," +
            SQLStr(name) + "," + id + "," + Str(userID) + ")";
        if (!db.RunSQLNoReturn(add)) return Fail(db, add, "AddMsgJob");
    }
    return true;
}

bool RemoveMsgJob(SQLDB& db, int32_t jobID, int32_t userID) {
    const std::string tail = " RowStatus='D' ,RowModified=GetDate() ,UpdateUserID=" + Str(userID) +
                             " Where RowStatus= 'A'  AND BatchMsgJobID =" + Str(jobID);
    for (const char* head : {"Update tbl_BatchMsgJob Set ", "Update tbl_BatchMsg Set ",
                             "Update tbl_TemplateAttachment Set "}) {
        const std::string sql = head + tail;
        if (!db.RunSQLNoReturn(sql)) return Fail(db, sql, "RemoveMsgJob");
    }
    return true;
}
