// Shell commands of the guest messages: a template filled for a
// reservation, the messages queued for a reservation, queuing the message of
// an event by hand, the batch message jobs, and the cancel reasons.
#include <algorithm>

#include "app/resvfind.h"
#include "app/shell.h"
#include "app/venueargs.h"
#include "core/globals.h"
#include "core/mltext.h"
#include "messages/batchjob.h"
#include "messages/cancelmsgs.h"
#include "messages/resvmessenger.h"
#include "platform/strnum.h"
#include "platform/textutil.h"
#include "registry/dbconnections.h"
#include "reservations/reservation.h"
#include "sql/sqldb.h"
#include "users/user.h"
#include "venue/outlets.h"

namespace {

int32_t UserID() {
    return g_oUser != nullptr ? g_oUser->UserID() : 0;
}

// Front-end rights of the message functions (index 5), by bit.
bool HasMessageRight(Shell& shell, int32_t bit) {
    if (g_oUser != nullptr && g_oUser->CheckFERight(5, bit, false)) return true;
    shell.Error(GetMLText("You have no right to do this"));
    return false;
}

SQLDB* ConfigDB(Shell& shell) {
    SQLDB* db = DefaultSQLDB();
    if (db == nullptr) shell.Error(GetMLText("No database connection"));
    return db;
}

// The reservation of [OUTLET] ID with every column of its row.
bool OpenRow(Shell& shell, const std::vector<std::string>& target, Found& found, int32_t& id,
             Reservation& r) {
    Outlets outlets;
    if (!FindReservation(shell, outlets, target, id, found)) return false;
    if (!ReadReservationRow(*found.db, id, r)) {
        shell.Error(GetMLText("Reservation not found") + ": " + Str(id));
        return false;
    }
    return true;
}

void Lines(Shell& shell, const std::string& text) {
    std::string line;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\n') {
            if (text[i] != '\r') line += text[i];
            continue;
        }
        shell.Out(line);
        line.clear();
    }
}

// "Message queued: ID" per queued message, then "Message not queued: " and
// the reason for each configured one left out.
void PrintQueued(Shell& shell, const QueueResult& result) {
    for (int32_t id : result.queued)
        shell.Out(GetMLText("Message queued") + ": " + Str(id));
    for (const std::string& note : result.notes)
        shell.Out(GetMLText("Message not queued") + ": " + note);
}

void TemplateShow(Shell& shell, const std::vector<std::string>& args) {
    const char* usage = "template show CODE --resv [OUTLET] ID";
    if (args.size() < 3 || args.size() > 4 || args[1] != "--resv") {
        shell.Error(GetMLText("Usage") + ": " + usage);
        return;
    }
    Found found;
    int32_t id = 0;
    Reservation r;
    if (!OpenRow(shell, std::vector<std::string>(args.begin() + 2, args.end()), found, id, r))
        return;
    ResvMessenger messenger;
    std::string type, subject, text;
    if (!messenger.FillTemplateByCode(args[0], r, false, type, subject, text)) {
        shell.Error(GetMLText("Template not found") + ": " + args[0]);
        return;
    }
    if (type == kMsgEmail) shell.Out("subject\t" + subject);
    Lines(shell, text);
}

void MsgQueue(Shell& shell, const std::vector<std::string>& args) {
    if (args.size() < 2 || args.size() > 3) {
        shell.Error(GetMLText("Usage") + ": msg queue [OUTLET] ID EVENT");
        return;
    }
    if (!HasMessageRight(shell, 1)) return;
    Found found;
    int32_t id = 0;
    Reservation r;
    if (!OpenRow(shell, std::vector<std::string>(args.begin(), args.end() - 1), found, id, r))
        return;
    QueueResult result;
    if (!ResvMessenger().QueueEvent(*found.db, id, args.back(), false, result)) {
        shell.Error(GetMLText("The message cannot be queued") + ": " + args.back());
        return;
    }
    if (!result.configured) {
        shell.Out(GetMLText("No message configured") + ": " + args.back());
        return;
    }
    PrintQueued(shell, result);
}

void Msgs(Shell& shell, const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2) {
        shell.Error(GetMLText("Usage") + ": msgs [OUTLET] ID");
        return;
    }
    Found found;
    int32_t id = 0;
    Reservation r;
    if (!OpenRow(shell, args, found, id, r)) return;
    std::vector<ResvMessage> list;
    if (!LoadResvMessages(*found.db, id, list)) {
        shell.Error(GetMLText("Cannot read the messages"));
        return;
    }
    for (const ResvMessage& m : list)
        shell.Out(Str(m.ReserveMsgID) + "\t" + m.MessageType + "\t" + m.Destination + "\t" +
                  (m.SendTime ? m.SendTime->ToText() : "") + "\t" + m.RowStatus);
}

void Jobs(Shell& shell, const std::vector<std::string>& args) {
    if (!args.empty()) {
        shell.Error(GetMLText("Usage") + ": jobs");
        return;
    }
    SQLDB* db = ConfigDB(shell);
    std::vector<BatchMessageJob> jobs;
    if (db == nullptr || !LoadMsgJobs(*db, jobs)) {
        if (db != nullptr) shell.Error(GetMLText("Cannot read the message jobs"));
        return;
    }
    for (const BatchMessageJob& j : jobs)
        shell.Out(Str(j.BatchMsgJobID) + "\t" + j.JobName + "\t" + j.MessageType + "\t" +
                  j.TemplateCode + "\t" + j.ServerCode + "\t" + j.SendTime + "\t" +
                  Str(j.Recipients));
}

bool JobID(Shell& shell, const std::vector<std::string>& args, const char* usage, int32_t& id) {
    if (args.size() != 1 || !AllDigits(args[0]) || args[0].size() > 9) {
        shell.Error(GetMLText("Usage") + ": " + usage);
        return false;
    }
    id = static_cast<int32_t>(std::stol(args[0]));
    return true;
}

void JobShow(Shell& shell, const std::vector<std::string>& args) {
    int32_t id = 0;
    SQLDB* db = JobID(shell, args, "job show ID", id) ? ConfigDB(shell) : nullptr;
    if (db == nullptr) return;
    BatchMessageJob job;
    if (!LoadMsgJob(*db, id, job)) {
        shell.Error(GetMLText("Job not found") + ": " + args[0]);
        return;
    }
    std::vector<BatchMsg> recipients;
    std::vector<std::string> attachments;
    if (!LoadMsgJobRecipients(*db, id, recipients) ||
        !LoadMsgJobAttachments(*db, id, attachments)) {
        shell.Error(GetMLText("Cannot read the message jobs"));
        return;
    }
    shell.Out("job\t" + Str(job.BatchMsgJobID) + "\t" + job.JobName + "\t" + job.MessageType +
              "\t" + job.TemplateCode + "\t" + job.ServerCode + "\t" + job.SendTime + "\t" +
              job.ExpiryTime);
    for (const std::string& name : attachments)
        shell.Out("attachment\t" + name);
    for (const BatchMsg& m : recipients) {
        std::string name = Trim(m.FirstName + " " + m.LastName);
        shell.Out("recipient\t" + Str(m.BatchMsgID) + "\t" + m.AccountNo + "\t" + name + "\t" +
                  m.Destination + "\t" + BatchMsgStatusText(m.MessageStatus));
    }
}

void JobRemove(Shell& shell, const std::vector<std::string>& args) {
    int32_t id = 0;
    if (!JobID(shell, args, "job remove ID", id) || !HasMessageRight(shell, 4)) return;
    SQLDB* db = ConfigDB(shell);
    if (db == nullptr) return;
    // A job removed before is removed again without a change; an id that
    // never was a job is an error.
    auto rs = db->RunSQLReturnRS("SELECT BatchMsgJobID FROM tbl_BatchMsgJob WHERE BatchMsgJobID=" +
                                 Str(id));
    if (rs == nullptr || rs->Eof()) {
        shell.Error(GetMLText("Job not found") + ": " + args[0]);
        return;
    }
    if (!RemoveMsgJob(*db, id, UserID())) {
        shell.Error(GetMLText("Job is not removed") + ": " + args[0]);
        return;
    }
    shell.Out(GetMLText("Job removed") + ": " + Str(id));
}

void CxlReasons(Shell& shell, const std::vector<std::string>& args) {
    std::string maskText;
    for (const std::string& a : args)
        maskText += (maskText.empty() ? "" : ",") + a;
    std::optional<int32_t> mask;
    if (!maskText.empty() && !(mask = ParseCancelMask(maskText))) {
        shell.Error(GetMLText("Usage") + ": cxl reasons [MASK|DCL,NS,BULK,N,NCP]");
        return;
    }
    SQLDB* db = ConfigDB(shell);
    CancelMsgs reasons;
    if (db == nullptr || !reasons.Load(*db)) {
        if (db != nullptr) shell.Error(GetMLText("Cannot read the cancel reasons"));
        return;
    }
    std::vector<const CancelMsg*> list;
    if (mask) {
        reasons.Filter(*mask);
        list = reasons.Filtered();
    } else {
        for (const auto& [id, m] : reasons.Items())
            list.push_back(&m);
    }
    for (const CancelMsg* m : list)
        shell.Out(Str(m->MsgID) + "\t" + m->MsgCode + "\t" + m->MsgSubCat + "\t" +
                  Str(m->CXLMsgSubCat) + "\t" + m->Name(g_nLanguage) + "\t" +
                  (m->IsDefault ? "1" : "0"));
}

}  // namespace

void AddMessageCommands(Shell& shell) {
    shell.Add({"template show", "template show CODE --resv [OUTLET] ID",
               "A template filled for a reservation: subject (e-mail), then the text",
               TemplateShow});
    shell.Add({"msg queue", "msg queue [OUTLET] ID EVENT",
               "Queue the message of an event (NewReservation, ReminderReservation, "
               "CancelReservation) for a reservation",
               MsgQueue});
    shell.Add({"msgs", "msgs [OUTLET] ID",
               "Messages of a reservation: id, kind, destination, send time, row status", Msgs});
    shell.Add({"jobs", "jobs",
               "Batch message jobs: id, name, type, template, server, send time, recipients",
               Jobs});
    shell.Add({"job show", "job show ID", "A batch message job with its attachments and recipients",
               JobShow});
    shell.Add({"job remove", "job remove ID",
               "Remove a batch message job with its recipients and attachments", JobRemove});
    shell.Add({"cxl reasons", "cxl reasons [MASK]",
               "Cancel reasons (all, or those of a mask: a number or DCL, NS, BULK, N, NCP): id, "
               "code, sub-category, flag, name, default",
               CxlReasons});
}
