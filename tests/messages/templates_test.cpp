// Template filling, expressions, send times and the checks a queued message
// must pass: plain values in, text and times out.
#include "messages/templatefill.h"

#include <gtest/gtest.h>

#include "messages/resvmessenger.h"
#include "messages/sendtime.h"

namespace {

TEST(TemplateFill, ReplacesEveryOccurrenceAndLeavesUnknownPlaceholders) {
    TemplateValues v;
    v.guestName = "Ms Ho";
    v.extra = {{"OutletName", "Harbour"}};
    v.fields = {{"ReserveCover", "4"}, {"Remark", "window `[$ReserveCover$]` seat"}};
    v.tableList = true;
    v.tableNoList = "A1,A2";
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"`[$TPL_GuestName$]` / `[$TPL_GuestName$]`", "Ms Ho / Ms Ho"},
        {"`[$ReserveCover$]` at `[$OutletName$]`", "4 at Harbour"},
        // A back-quote in a value cannot open a placeholder of its own.
        {"`[$Remark$]`", "window '[$ReserveCover$]' seat"},
        {"`[$NoSuchField$]` `[$reservecover$]`", "`[$NoSuchField$]` `[$reservecover$]`"},
        {"`[$SYS_TableNoList$]`", "A1,A2"},
        {"NUM`[$`[$ReserveCover$]`*2$]`", "NUM`[$4*2$]`"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FillPlaceholders(c.in, v), c.out) << c.in;
}

TEST(TemplateFill, AuditPlaceholdersDependOnNewOrExisting) {
    TemplateValues v;
    v.haveAudit = true;
    v.createUser = "admin (Administrator)";
    v.createDT = "01/12/2026 10:00";
    v.updateDT = "";
    const std::string text = "`[$SYS_CreateUser$]`|`[$TPL_CreateDT$]`|`[$UpdateDT$]`";
    EXPECT_EQ(FillPlaceholders(text, v), "admin (Administrator)|01/12/2026 10:00|");
    v.newResv = true;
    EXPECT_EQ(FillPlaceholders(text, v), "admin (Administrator)|`[$TPL_CreateDT$]`|");
}

TEST(TemplateExpressions, EvaluatesNumbersAndDates) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"NUM`[$12+30$]`", "42"},
        {"NUM`[$7/2$]`", "3.5"},
        {"NUM`[$3-5$]` NUM`[$6*7$]`", "-2 42"},
        {"DATE`[$2024-02-28+2$]`", "2024-03-01"},
        {"DATE`[$2024-03-01-2$]`", "2024-02-28"},
        {"DATE`[$2024-03-01-2024-02-28$]`", "2"},
        {"a NUM`[$1+1$]` b NUM`[$2+2$]` c", "a 2 b 4 c"},
        {"NUM`[$1+x$]` `[$7+1$]`", "NUM`[$1+x$]` `[$7+1$]`"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(EvaluateExpressions(c.in, &error), c.out) << c.in;
        EXPECT_EQ(error, "") << c.in;
    }
}

TEST(TemplateExpressions, AFailureKeepsTheTextAsItStood) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        // The sums before the failing division are done, nothing after.
        {"NUM`[$1+1$]` NUM`[$7/0$]` DATE`[$2024-01-01+1$]`",
         "2 NUM`[$7/0$]` DATE`[$2024-01-01+1$]`"},
        {"DATE`[$2024-02-30+1$]`", "DATE`[$2024-02-30+1$]`"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(EvaluateExpressions(c.in, &error), c.out) << c.in;
        EXPECT_NE(error, "") << c.in;
    }
}

DateTime At(const char* text) {
    return *DateTime::Parse(text);
}

TEST(SendTimes, EveryOption) {
    const DateTime resv = At("2026-12-10 19:30:00");
    const DateTime now = At("2026-12-01 09:15:00");
    const struct {
        SendSchedule s;
        const char* expected;  // "" none, "!" refused
    } cases[] = {
        {{kSendNow, 0, 0, 0, "", ""}, "2026-12-01 09:15:00"},
        {{kSendByMinutes, 120, 0, 0, "", ""}, "2026-12-10 17:30:00"},
        {{kSendByMinutes, 30, 1, 0, "", ""}, "2026-12-10 20:00:00"},
        {{kSendByDays, 0, 0, 1, "", "10:00"}, "2026-12-09 10:00:00"},
        {{kSendByDays, 0, 1, 2, "", "09:30"}, "2026-12-12 09:30:00"},
        {{kSendBeforeDay, 0, 0, 3, "2026-12-20", "08:00"}, "2026-12-17 08:00:00"},
        {{kSendOnDemand, 0, 0, 0, "", ""}, ""},
        {{kSendByDays, 0, 0, 1, "", "25:00"}, "!"},
        {{kSendBeforeDay, 0, 0, 1, "", "08:00"}, "!"},
        {{7, 0, 0, 0, "", ""}, "!"},
    };
    for (const auto& c : cases) {
        std::optional<DateTime> t;
        const bool ok = ComputeSendTime(c.s, resv, now, t);
        const std::string got = !ok ? "!" : t ? t->ToText() : "";
        EXPECT_EQ(got, c.expected) << "option " << c.s.sendOption;
    }
}

TEST(SendTimes, WindowOfAllowedHours) {
    const struct {
        int parameter;
        const char* time;
        bool allowed;
    } cases[] = {
        {0, "2026-12-01 03:00:00", true},        {8002200, "2026-12-01 08:00:00", true},
        {8002200, "2026-12-01 21:59:00", true},  {8002200, "2026-12-01 22:00:00", false},
        {8002200, "2026-12-01 07:59:00", false}, {22000700, "2026-12-01 23:30:00", true},
        {22000700, "2026-12-01 06:00:00", true}, {22000700, "2026-12-01 12:00:00", false},
        {8008000, "2026-12-01 03:00:00", true},  {8002599, "2026-12-01 03:00:00", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SendWindow(c.parameter).Allows(At(c.time)), c.allowed)
            << c.parameter << " " << c.time;
    EXPECT_EQ(SendWindow(8002200).Text(), "08:00-22:00");
}

TEST(MessageChecks, RefusalsOfTheSaveChain) {
    const DateTime now = At("2026-12-01 12:00:00");
    const SendWindow window(8002200);
    auto sms = [&](const char* dest, const char* send) {
        ResvMessage m;
        m.MessageType = kMsgSMS;
        m.Destination = dest;
        m.SendTime = At(send);
        m.ResvTime = At("2026-12-10 19:30:00");
        return m;
    };
    EXPECT_EQ(ResvMessenger::Validate(sms("9123 4567", "2026-12-10 17:30:00"), now, window), "");
    EXPECT_EQ(ResvMessenger::Validate(sms(" ", "2026-12-10 17:30:00"), now, window),
              "Destination cannot be empty");
    EXPECT_EQ(ResvMessenger::Validate(sms("call me", "2026-12-10 17:30:00"), now, window),
              "Invalid phone for sending SMS message");
    EXPECT_EQ(ResvMessenger::Validate(sms("91234567", "2026-12-10 23:30:00"), now, window),
              "This send time 2026-12-10 23:30 is not allowed to send message");

    ResvMessage mail = sms("guest@example.com", "2026-12-10 23:30:00");
    mail.MessageType = kMsgEmail;
    EXPECT_EQ(ResvMessenger::Validate(mail, now, window), "");  // the hours bind SMS only
    mail.ExpiryTime = At("2026-12-01 11:00:00");
    EXPECT_EQ(ResvMessenger::Validate(mail, now, window), "The Email has already been expired");

    EXPECT_EQ(ResvMessenger::CheckSendTime(sms("91234567", "2026-12-10 20:00:00")),
              "Message send time should not be later than the reservation time.");
    ResvMessage late = sms("91234567", "2026-12-10 18:00:00");
    late.ExpiryTime = At("2026-12-10 17:00:00");
    EXPECT_EQ(ResvMessenger::CheckSendTime(late),
              "Message send time should not later than the expiry time.");
}

}  // namespace
