// Messages queued by the console's bookings, changes and cancellations on a
// demo installation: what the message server will find in
// tbl_ReservationMsg, and the save refused for a send time outside the
// allowed hours.
#include <gtest/gtest.h>

#include <regex>

#include "platform/datetime.h"
#include "support/installation.h"

namespace {

class QueueTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // A weekday a few days ahead: the reminder goes two hours before.
        for (int d = 3;; ++d) {
            day = DateTime::Now().DatePart().AddDays(d);
            if (day.DayOfWeek() != 1 && day.DayOfWeek() != 7) break;
        }
    }
    std::string Guest(const char* sms, const char* email) {
        auto rs =
            inst.Query("SELECT DYAccountNo FROM tbl_Guest WHERE GuestID > 1 AND ReceiveSMS='" +
                       std::string(sms) + "' AND ReceiveEmail='" + email +
                       "' AND IsNull(DYSMSContact,'') <> '' ORDER BY GuestID");
        return rs == nullptr || rs->Eof() ? "" : rs->Field(0)->ToText();
    }
    std::string Run(const std::string& commands) {
        const RunResult r = inst.Start("admin\nadmin123\n2\n" + commands + "quit\ny\n");
        EXPECT_EQ(r.exitCode, 0) << r.output;
        return r.output;
    }
    std::string Book(const std::string& guest, std::string* output = nullptr) {
        const std::string out =
            Run("book HBR " + day.DateText() + " 03DIN 19:30 4 - --guest " + guest + "\n");
        if (output != nullptr) *output = out;
        std::smatch m;
        return std::regex_search(out, m, std::regex("Reservation saved: (\\d+)")) ? m[1].str() : "";
    }
    // "kind send-time status" of each message of the reservation, in order.
    std::string Messages(const std::string& id) {
        std::string out;
        auto rs = inst.Query(
            "SELECT MessageType, SendTime, RowStatus, Destination, "
            "MessageContent FROM tbl_ReservationMsg WHERE ReserveID=" +
            id + " ORDER BY ReserveMsgID");
        for (; rs != nullptr && !rs->Eof(); rs->MoveNext()) {
            EXPECT_NE(rs->Field(3)->ToText(), "");
            EXPECT_NE(rs->Field(4)->ToText(), "");
            const std::string send = rs->Field(1)->ToText();
            out +=
                (out.empty() ? "" : ", ") + rs->Field(0)->ToText() + " " +
                (send.size() >= 16 && send.compare(0, 10, day.DateText()) == 0 ? send.substr(11, 5)
                                                                               : "now") +
                " " + rs->Field(2)->ToText();
        }
        return out;
    }

    TestInstallation inst;
    DateTime day;
};

TEST_F(QueueTest, SaveChangeAndCancelQueueAndWithdraw) {
    const std::string guest = Guest("YES", "YES");
    ASSERT_NE(guest, "");
    const std::string id = Book(guest);
    ASSERT_NE(id, "");
    EXPECT_EQ(Messages(id), "SMS now A, SMS 17:30 A");

    // Covers alone leave the reminder's time; a new time moves it.
    Run("resv set " + id + " ReserveCover=5\n");
    EXPECT_EQ(Messages(id), "SMS now X, SMS 17:30 X, SMS 17:30 A");
    inst.Sql("UPDATE tbl_ReservationMsg SET SubmitStatus='S' WHERE RowStatus='A' AND ReserveID=" +
             id);
    Run("resv set " + id + " ReserveTime=20:00\n");
    EXPECT_EQ(Messages(id), "SMS now X, SMS 17:30 X, SMS 17:30 A, SMS 18:00 A");

    const std::string out = Run("resv cancel " + id + "\nmsgs " + id + "\n");
    EXPECT_EQ(Messages(id), "SMS now X, SMS 17:30 X, SMS 17:30 A, SMS 18:00 X, EMAIL now A");
    EXPECT_EQ(out.find("Message queued"), std::string::npos) << out;  // output unchanged
    EXPECT_NE(out.find("\tEMAIL\t"), std::string::npos) << out;
}

TEST_F(QueueTest, AGuestWhoSaidNoGetsNoMessageOfThatKind) {
    const std::string guest = Guest("NO", "YES");
    ASSERT_NE(guest, "");
    const std::string id = Book(guest);
    ASSERT_NE(id, "");
    EXPECT_EQ(Messages(id), "");
    const std::string out = Run("msg queue " + id + " ReminderReservation\nmsg queue " + id +
                                " CancelReservation\nmsg queue " + id + " Birthday\n");
    EXPECT_NE(out.find("Message not queued: The guest does not receive SMS messages"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("No message configured: Birthday"), std::string::npos) << out;
    EXPECT_EQ(Messages(id), "EMAIL now A");
}

TEST_F(QueueTest, ASendTimeOutsideTheAllowedHoursRefusesTheSave) {
    const std::string guest = Guest("YES", "YES");
    ASSERT_NE(guest, "");
    // Only 03:00 to 03:01 is allowed: neither the confirmation nor the reminder fits.
    inst.Sql("UPDATE tbl_Parameter SET ParaValue='3000301' WHERE ParaName='SMSVALIDSENDTIME'");
    std::string out;
    EXPECT_EQ(Book(guest, &out), "");
    EXPECT_TRUE(std::regex_search(
        out, std::regex("This send time \\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2} is not allowed to "
                        "send message")))
        << out;
    EXPECT_EQ(inst.Query("SELECT COUNT(*) FROM tbl_ReservationMsg WHERE ReserveID > 0 AND "
                         "RowModified > DateAdd(mi, -5, GetDate())")
                  ->Field(0)
                  ->ToText(),
              "0");
}

TEST_F(QueueTest, ConsoleShowsTemplatesJobsAndReasons) {
    const std::string id = Book(Guest("YES", "YES"));
    ASSERT_NE(id, "");
    inst.Sql(
        "INSERT INTO tbl_Template (TemplateCode, Type, Template, Subject, RowStatus) VALUES "
        "('T_MAIL', 'EMAIL', 'Dear `[$TPL_GuestName$]`,\r\nNUM`[$`[$ReserveCover$]`+1$]` "
        "seats `[$NoSuchField$]`', 'Booking `[$ReserveNo$]`', 'A')");
    const std::string out = Run("template show T_MAIL --resv HBR " + id +
                                "\njobs\njob show 1\njob remove 1\njob remove 1\njob remove "
                                "99\njobs\ncxl reasons NS\ncxl reasons DCL,N\ncxl reasons X\n");
    EXPECT_TRUE(std::regex_search(out, std::regex("subject\tBooking \\d+\n"))) << out;
    EXPECT_TRUE(
        std::regex_search(out, std::regex("Dear [^\n]+,\n5 seats `\\[\\$NoSuchField\\$\\]`\n")))
        << out;
    EXPECT_NE(out.find("1\tSeasonal menu\tSMS\tPROMOTION\tSMS1\t"), std::string::npos) << out;
    EXPECT_NE(out.find("attachment\tmenu.pdf\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\tSuccess\n"), std::string::npos) << out;
    std::size_t removed = 0;
    for (std::size_t p = 0; (p = out.find("Job removed: 1\n", p)) != std::string::npos; ++p)
        ++removed;
    EXPECT_EQ(removed, 2u) << out;
    EXPECT_NE(out.find("Job not found: 99"), std::string::npos) << out;
    EXPECT_NE(out.find("N01\tNS\t2\tNo show\t1\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("\tNS\t2\t", out.find("cxl reasons DCL,N")), std::string::npos) << out;
    EXPECT_NE(out.find("D01\tDCL\t1\t"), std::string::npos) << out;
    EXPECT_NE(out.find("Usage: cxl reasons"), std::string::npos) << out;
    EXPECT_EQ(
        inst.Query("SELECT COUNT(*) FROM tbl_BatchMsg WHERE RowStatus='A'")->Field(0)->ToText(),
        "0");
}

}  // namespace
