// The message tables on a real database: which outlet configuration
// applies, removing batch jobs, and the cancel reasons of a situation.
#include "messages/msgconfig.h"

#include <gtest/gtest.h>

#include "messages/batchjob.h"
#include "messages/cancelmsgs.h"
#include "sql/sqldb.h"
#include "support/tempdir.h"
#include "support/testdb.h"

namespace {

class MessageDBTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CreateTestDatabase(dir.File("kiv.db"));
        db.SetConnectionString("Provider=SQLite;Data Source=" + dir.File("kiv.db"));
    }
    void Run(const std::string& sql) { ASSERT_TRUE(db.RunSQLNoReturn(sql)) << db.ErrDescription(); }
    std::string One(const std::string& sql) {
        auto rs = db.RunSQLReturnRS(sql);
        return rs == nullptr || rs->Eof() ? "?" : rs->Field(0)->ToText();
    }

    TempDir dir;
    SQLDB db;
};

TEST_F(MessageDBTest, ConfigurationOfTheDateThenTheCalendarThenTheDefault) {
    Run("INSERT INTO tbl_CalendarGroup (CalendarGroupID, CalendarGroupCode, RowStatus) VALUES "
        "(1, 'WE', 'A'), (2, 'OLD', 'D');"
        "INSERT INTO tbl_Calendar (CalendarGroupID, CalendarDate, RowStatus) VALUES "
        "(1, '2026-12-12', 'A'), (1, '2026-12-19', 'A'), (2, '2026-12-26', 'A');"
        // Outlet 1, event 3: default, weekend group, one date (meal period 12),
        // a default of meal period 11 only, and a deleted date row.
        "INSERT INTO tbl_SMSOutlet (SMSOutletID, OutletID, MPOutletID, EventID, DefTemplateID, "
        "CalendarGroupID, BizDate, MessageType, RowStatus) VALUES "
        "(1, 1, NULL, 3, 30, NULL, NULL, 'SMS', 'A'),"
        "(2, 1, 0, 3, 31, 1, NULL, 'SMS', 'A'),"
        "(3, 1, 12, 3, 32, NULL, '2026-12-19', 'SMS', 'A'),"
        "(4, 1, 11, 3, 33, NULL, NULL, 'SMS', 'A'),"
        "(5, 1, 12, 3, 34, NULL, '2026-12-15', 'SMS', 'D'),"
        "(6, 1, 0, 3, 35, 2, NULL, 'SMS', 'A'),"
        "(7, 2, 0, 3, 36, NULL, NULL, 'EMAIL', 'A')");
    const struct {
        int outlet, mp;
        const char* date;
        const char* type;
        int templateID;  // 0: none
        char level;
    } cases[] = {
        {1, 12, "2026-12-19", "SMS", 32, 'A'},  // the date beats the weekend
        {1, 13, "2026-12-19", "SMS", 31, 'B'},  // another meal period: the weekend
        {1, 12, "2026-12-12", "SMS", 31, 'B'},
        {1, 12, "2026-12-15", "SMS", 30, 'C'},  // deleted date row ignored
        {1, 11, "2026-12-15", "SMS", 33, 'C'},  // the meal period's own default first
        {1, 12, "2026-12-26", "SMS", 30, 'C'},  // deleted calendar group ignored
        {1, 12, "2026-12-15", "EMAIL", 0, 0},
        {2, 12, "2026-12-15", "EMAIL", 36, 'C'},
    };
    for (const auto& c : cases) {
        MessageConfig config;
        bool found = false;
        ASSERT_TRUE(FindMessageConfig(db, c.outlet, c.mp, *DateTime::Parse(c.date), 3, c.type,
                                      config, found));
        EXPECT_EQ(found ? config.DefTemplateID : 0, c.templateID) << c.date << " mp " << c.mp;
        EXPECT_EQ(found ? config.level : 0, c.level) << c.date << " mp " << c.mp;
    }
}

TEST_F(MessageDBTest, RemovingAJobMarksItsRecipientsAndAttachmentsAndCanBeRepeated) {
    Run("INSERT INTO tbl_SMSServer (SMSServerID, SMSServerCode, RowStatus) VALUES (1,'SMS1','A');"
        "INSERT INTO tbl_Template (TemplateID, TemplateCode, Type, RowStatus) VALUES "
        "(5,'PROMO','BATCH','A')");
    BatchMessageJob job;
    job.JobName = "Winter menu";
    job.MessageType = "SMS";
    job.ServerID = 1;
    job.TemplateID = 5;
    job.TemplateContent = "Our winter menu, O'Brien's favourite";
    job.SendTime = "2026-12-20 10:00:00";
    std::vector<BatchMsg> recipients(3);
    recipients[0].Destination = "91234567";
    recipients[1].Destination = "92345678";
    recipients[2].Destination = "93456789";
    recipients[2].MessageContent = "Personal text";
    ASSERT_TRUE(AddMsgJob(db, job, recipients, {"menu.pdf", "map.png"}, 7));
    BatchMessageJob other = job;
    ASSERT_TRUE(AddMsgJob(db, other, {recipients[0]}, {"other.pdf"}, 7));
    Run("UPDATE tbl_BatchMsg SET MessageStatus='S' WHERE BatchMsgID=1");

    std::vector<BatchMessageJob> jobs;
    ASSERT_TRUE(LoadMsgJobs(db, jobs));
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[1].BatchMsgJobID, job.BatchMsgJobID);
    EXPECT_EQ(jobs[1].Recipients, 3);
    EXPECT_EQ(jobs[1].TemplateCode, "PROMO");
    EXPECT_EQ(jobs[1].ServerCode, "SMS1");
    std::vector<BatchMsg> list;
    ASSERT_TRUE(LoadMsgJobRecipients(db, job.BatchMsgJobID, list));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].MessageContent, "Personal text");  // newest first
    EXPECT_EQ(list[2].MessageContent, job.TemplateContent);
    EXPECT_EQ(BatchMsgStatusText(list[2].MessageStatus), "Success");
    EXPECT_EQ(BatchMsgStatusText(list[1].MessageStatus), "-");

    const std::string id = std::to_string(job.BatchMsgJobID);
    auto active = [&] {
        std::string counts;
        for (const char* table : {"tbl_BatchMsgJob", "tbl_BatchMsg", "tbl_TemplateAttachment"})
            counts += (counts.empty() ? "" : "/") +
                      One(std::string("SELECT COUNT(*) FROM ") + table + " WHERE RowStatus='A'");
        return counts;
    };
    EXPECT_EQ(active(), "2/4/3");
    ASSERT_TRUE(RemoveMsgJob(db, job.BatchMsgJobID, 9));
    EXPECT_EQ(active(), "1/1/1");
    EXPECT_EQ(One("SELECT COUNT(*) FROM tbl_BatchMsg WHERE UpdateUserID=9"), "3");
    Run("UPDATE tbl_BatchMsgJob SET RowModified='2000-01-01' WHERE BatchMsgJobID=" + id);
    ASSERT_TRUE(RemoveMsgJob(db, job.BatchMsgJobID, 9));
    EXPECT_EQ(One("SELECT RowModified FROM tbl_BatchMsgJob WHERE BatchMsgJobID=" + id),
              "2000-01-01 00:00:00");
    BatchMessageJob gone;
    EXPECT_FALSE(LoadMsgJob(db, job.BatchMsgJobID, gone));
}

TEST_F(MessageDBTest, CancelReasonsOfASituation) {
    Run("INSERT INTO tbl_Message (MsgType, MsgCode, MsgCat, MsgSubCat, NameL1, IsDefault, "
        "RowStatus) VALUES ('CXL','C01','MAN','N','Changed plans',1,'A'),"
        "('CXL','N01','MAN','NS','No show',0,'A'), ('CXL','X01','MAN','ODD','Odd',0,'A'),"
        "('CXL','D01','MAN','DCL','Full',0,'A'), ('CXL','D02','MAN','DCL','Gone',0,'D'),"
        "('CXL','A01','AUTO','N','Automatic',0,'A'), ('OTH','C09','MAN','N','Other',0,'A')");
    CancelMsgs reasons;
    ASSERT_TRUE(reasons.Load(db));
    EXPECT_EQ(reasons.Count(), 4);  // the odd one is loaded
    const struct {
        const char* mask;
        const char* codes;
    } cases[] = {
        {"2", "N01"},     {"8", "C01"},           {"NS", "N01"}, {"dcl,N", "C01 D01"},
        {"9", "C01 D01"}, {"255", "C01 D01 N01"}, {"0", ""},
    };
    for (const auto& c : cases) {
        const auto mask = ParseCancelMask(c.mask);
        ASSERT_TRUE(mask.has_value()) << c.mask;
        reasons.Filter(*mask);
        std::string codes;
        for (const CancelMsg* m : reasons.Filtered())
            codes += (codes.empty() ? "" : " ") + m->MsgCode;
        EXPECT_EQ(codes, c.codes) << c.mask;
    }
    EXPECT_FALSE(ParseCancelMask("ODD").has_value());
    EXPECT_FALSE(ParseCancelMask("NS,").has_value());
}

}  // namespace
