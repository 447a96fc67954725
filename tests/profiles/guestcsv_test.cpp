// Guest profile export and import on a demo installation: round trips, the
// defaults of new guests, matching by account and holder number, and the
// rows and files that must be refused.
#include "profiles/guestcsv.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/shell.h"
#include "profilefixture.h"
#include "sql/recordset.h"

namespace {

using namespace std::string_literals;

class GuestCSVTest : public ProfileTest {
  protected:
    std::string File(const std::string& name = "guests.csv") { return inst.Root() + "/" + name; }
    void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string ReadBack(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Imports `text` (UTF-8) from a file; the result, the message in `message`.
    GuestImportResult Import(const std::string& text, std::string* message = nullptr) {
        Write(File(), text);
        GuestCSV csv(Db());
        GuestImportResult result;
        const bool ok = csv.ImportGuestProfile(File(), CSVCharset::kUTF8, result);
        if (message != nullptr) *message = csv.Message();
        EXPECT_EQ(ok, csv.Message().empty()) << csv.Message();
        return result;
    }
    std::string Guest(const std::string& account, const std::string& column) {
        return One("SELECT " + column + " FROM tbl_Guest WHERE RowStatus='A' AND DYAccountNo='" +
                   account + "'");
    }
    int Guests() { return Count("SELECT COUNT(*) FROM tbl_Guest"); }
    // Every guest row as text: what a refused file must leave unchanged.
    std::string Snapshot() {
        auto rs = inst.Query("SELECT * FROM tbl_Guest ORDER BY GuestID");
        std::string s;
        for (; rs != nullptr && !rs->Eof(); rs->MoveNext()) {
            for (int i = 0; i < rs->FieldCount(); ++i)
                s += rs->Field(i)->ToText() + "|";
            s += "\n";
        }
        return s;
    }
    std::vector<std::string> RunCommand(const std::string& line) {
        ui.Clear();
        Shell shell;
        shell.Execute(line);
        return ui.Texts("print");
    }
};

TEST_F(GuestCSVTest, ExportedTextsReadBackUnchangedAndASecondImportUpdates) {
    inst.Sql(
        "UPDATE tbl_Guest SET DYLastName=N'O\"Neil, \"Jr\"', DYChineseName=N'陳大文', "
        "CompanyName=N'Harbour Ltd' + CHAR(13) + CHAR(10) + N'2/F, \"Pier\" 3', "
        "DateOfBirth='1900-01-01' WHERE DYAccountNo='M100002'");
    GuestCSV csv(Db());
    ASSERT_TRUE(csv.ExportGuestProfile(File())) << csv.Message();
    const int exported = csv.ExportedCount();
    EXPECT_EQ(
        exported,
        Count("SELECT COUNT(*) FROM tbl_Guest WHERE RowStatus='A' AND DYAccountNo<>'99999999'"));
    const std::string text = ReadBack(File());
    EXPECT_EQ(text.rfind("DYSalutation,DYLastName,DYFirstName,DYChineseName,", 0), 0u);
    EXPECT_NE(text.find("\"O\"\"Neil, \"\"Jr\"\"\""), std::string::npos);
    EXPECT_NE(text.find("\"Harbour Ltd\r\n2/F, \"\"Pier\"\" 3\""), std::string::npos);
    // A birth date of 1900-01-01 is no date: an empty quoted value.
    EXPECT_NE(text.find("\"M100002\",\"01\",\"STD\",\"YES\",\"NO\",\"F\",\"\","),
              std::string::npos);
    EXPECT_EQ(text.find("99999999"), std::string::npos);

    const int guests = Guests();
    inst.Sql(
        "UPDATE tbl_Guest SET DYLastName='x', DYChineseName=NULL, CompanyName=NULL "
        "WHERE DYAccountNo='M100002'");
    const GuestImportResult r = Import(text);
    EXPECT_EQ(r.Updated, exported);
    EXPECT_EQ(r.Inserted, 0);
    EXPECT_EQ(r.Skipped, 0);
    EXPECT_TRUE(r.Refused.empty());
    EXPECT_EQ(Guest("M100002", "DYLastName"), "O\"Neil, \"Jr\"");
    EXPECT_EQ(Guest("M100002", "DYChineseName"), "陳大文");
    EXPECT_EQ(Guest("M100002", "CompanyName"), "Harbour Ltd\r\n2/F, \"Pier\" 3");
    // The empty date reads back as NULL, not as 1900-01-01.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_Guest WHERE DYAccountNo='M100002' AND "
                    "DateOfBirth IS NULL"),
              1);
    EXPECT_EQ(Guests(), guests);
    // Exporting again gives the same file, but for the date now NULL.
    ASSERT_TRUE(csv.ExportGuestProfile(File("again.csv")));
    std::string expected = text;
    const std::string noDate = "\"F\",\"\",\"NO\"";
    expected.replace(expected.find(noDate), noDate.size(), "\"F\",,\"NO\"");
    EXPECT_TRUE(ReadBack(File("again.csv")) == expected);
}

TEST_F(GuestCSVTest, NewGuestsGetTheDefaultsAndAreMatchedTheSecondTime) {
    const int before = Guests();
    const std::string otherGuestNo = Guest("M100003", "GuestNo");
    inst.Sql("UPDATE tbl_Guest SET GuestNo='M100004' WHERE DYAccountNo='M100004'");
    const std::string file =
        "DYAccountNo,DYHolderNo,DYLastName,DYChineseName\r\n"
        "N1,,Wong,黃小姐\r\n"
        "N1,02,Wong,Second holder\r\n"
        "99999999,,Placeholder,\r\n";
    GuestImportResult r = Import(file);
    EXPECT_EQ(r.Updated, 0);
    EXPECT_EQ(r.Inserted, 2);
    EXPECT_EQ(r.Skipped, 1);  // the placeholder row
    EXPECT_TRUE(r.Refused.empty());
    EXPECT_EQ(Guests(), before + 2);
    const std::string id =
        One("SELECT GuestID FROM tbl_Guest WHERE DYAccountNo='N1' AND DYHolderNo IS NULL");
    const std::pair<const char*, std::string> defaults[] = {
        {"Gender", "N"}, {"DateOfBirthType", "7"}, {"DBServerID", "1"},
        {"UserID", "1"}, {"RowStatus", "A"},       {"GuestNo", id}};
    for (const auto& [column, value] : defaults)
        EXPECT_EQ(One(std::string("SELECT ") + column + " FROM tbl_Guest WHERE GuestID=" + id),
                  value)
            << column;
    EXPECT_EQ(
        Count("SELECT COUNT(*) FROM tbl_Guest WHERE GuestID=" + id + " AND CreateDT IS NOT NULL"),
        1);
    EXPECT_EQ(Guest("99999999", "DYLastName"), "Non-member");
    // Other guests keep their numbers.
    EXPECT_EQ(Guest("M100003", "GuestNo"), otherGuestNo);
    EXPECT_EQ(Guest("M100004", "GuestNo"), "M100004");

    r = Import(file);
    EXPECT_EQ(r.Updated, 2);
    EXPECT_EQ(r.Inserted, 0);
    EXPECT_EQ(Guests(), before + 2);
}

TEST_F(GuestCSVTest, AnUpdateWritesOnlyTheColumnsTheFileHas) {
    const std::string keep[] = {"DYLastName",      "Gender",       "DateOfBirth",
                                "DateOfBirthType", "ContactPhone", "DYChineseName"};
    std::vector<std::string> before;
    for (const auto& c : keep)
        before.push_back(Guest("M100005", c));
    const GuestImportResult r =
        Import("dyaccountno,DYHOLDERNO,Email\r\nm100005,01,new@example.com\r\n");
    EXPECT_EQ(r.Updated, 1);
    EXPECT_EQ(r.Inserted, 0);
    EXPECT_EQ(Guest("M100005", "Email"), "new@example.com");
    for (std::size_t i = 0; i < std::size(keep); ++i)
        EXPECT_EQ(Guest("M100005", keep[i]), before[i]) << keep[i];
}

TEST_F(GuestCSVTest, BadRowsAreRefusedWithTheirLinesAndTheOthersImported) {
    const std::string file =
        "DYAccountNo,DYHolderNo,DYLastName,DateOfBirth\r\n"
        "A1,,Good,1980-02-29\r\n"              // 2
        ",,No account,\r\n"                    // 3
        "  ,,Blank account,\r\n"               // 4
        "a1 ,,Same as line 2,\r\n"             // 5: case and trailing blanks ignored
        "A2,,Bad date,1981-02-29\r\n"          // 6
        "A3,,\"Broken\" here,\r\n"             // 7
        "A4,,Too few\r\n"                      // 8
        "A5,,\"two\r\nlines\",1970-01-01\r\n"  // 9-10
        "A6,," +
        std::string(101, 'x') +
        ",\r\n"                                    // 11
        "A7,,Bare time,10:30\r\n"                  // 12
        "A2,,Bad date again but first good,\r\n";  // 13
    const GuestImportResult r = Import(file);
    EXPECT_EQ(r.Inserted, 3);
    EXPECT_EQ(r.Skipped, 8);
    std::vector<std::string> refused;
    for (const auto& x : r.Refused)
        refused.push_back(std::to_string(x.Line) + " " + x.Message + " " + x.Detail);
    const std::vector<std::string> expected = {
        "3 No account number ",
        "4 No account number ",
        "5 Same account and holder number as line 2",
        "6 Not a date (yyyy-mm-dd): DateOfBirth=1981-02-29",
        "7 Text after a closing quote ",
        "8 Wrong number of values: 3 (the field line has 4)",
        "11 Too long: DYLastName (100 characters at most)",
        "12 Not a date (yyyy-mm-dd): DateOfBirth=10:30",
    };
    EXPECT_EQ(refused, expected);
    EXPECT_EQ(Guest("A1", "convert(varchar(10), DateOfBirth, 121)"), "1980-02-29");
    EXPECT_EQ(Guest("A5", "DYLastName"), "two\r\nlines");
    EXPECT_EQ(Guest("A2", "DYLastName"), "Bad date again but first good");
    EXPECT_EQ(
        Count("SELECT COUNT(*) FROM tbl_Guest WHERE DYAccountNo='A2' AND DateOfBirth IS NULL"), 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_Guest WHERE DYAccountNo IN ('A3','A4','A6','A7')"),
              0);
    // A row without an account number never reached the guests without one.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_Guest WHERE DYLastName IN ('No account', "
                    "'Blank account')"),
              0);
}

TEST_F(GuestCSVTest, FilesThatCannotBeImportedImportNothing) {
    const std::string before = Snapshot();
    const std::pair<std::string, std::string> cases[] = {
        {"DYAccountNo,DYLastName,dylastname\r\nZ1,a,b\r\n",
         "Duplicate columns in source file: dylastname"},
        {"DYAccountNo,Password\r\nZ1,x\r\n", "Not a guest profile field for import: Password"},
        {"DYAccountNo,GuestID\r\nZ1,5\r\n", "Not a guest profile field for import: GuestID"},
        {"DYAccountNo,,DYLastName\r\nZ1,,a\r\n", "Not a guest profile field for import: (blank)"},
        {"DYLastName,Email\r\nWong,w@example.com\r\n", "The file has no DYAccountNo column"},
        {"\r\n\r\n", "Missing field line in file " + File()},
        {"\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR"s, "Not a CSV text file: Not UTF-8 text at line 1"},
        {"DYAccountNo\r\nZ1\x00\r\n"s, "Not a CSV text file: A NUL byte at line 2"},
    };
    for (const auto& [text, message] : cases) {
        std::string got;
        const GuestImportResult r = Import(text, &got);
        EXPECT_EQ(got, message);
        EXPECT_FALSE(r.RowsChecked);
        EXPECT_TRUE(Snapshot() == before) << message;
    }
    GuestCSV csv(Db());
    GuestImportResult r;
    EXPECT_FALSE(csv.ImportGuestProfile(File("missing.csv"), CSVCharset::kUTF8, r));
    EXPECT_EQ(csv.Message(), "Cannot read file: " + File("missing.csv"));
}

TEST_F(GuestCSVTest, TheReadingDescriptionKeepsOtherFilesSections) {
    Write(File("schema.ini"),
          "[other.csv]\r\nFormat=CSVDelimited\r\nCOL1=\"A\" LongChar \r\n"
          "[guests.csv]\r\nCOL9=\"Stale\" LongChar \r\n");
    Import("DYAccountNo,\"DY\"\"LastName\"\r\n");  // refused, but read and described first
    EXPECT_EQ(ReadBack(File("schema.ini")),
              "[other.csv]\r\nFormat=CSVDelimited\r\nCOL1=\"A\" LongChar \r\n"
              "[guests.csv]\r\nFormat=CSVDelimited\r\nCharacterSet=UTF-8\r\n"
              "COL1=\"DYAccountNo\" LongChar \r\nCOL2=\"DYLastName\" LongChar \r\n");
}

TEST_F(GuestCSVTest, ConsoleImportsABig5FileAndListsTheRefusedRows) {
    // 陳大文 and 黃 in Big5 (code page 950).
    Write(File("big5.csv"),
          "DYAccountNo,DYHolderNo,DYChineseName,DYLastName\r\n"
          "B1,,\xB3\xAF\xA4\x6A\xA4\xE5,Chan\r\n"
          ",,\xB6\xC0,Wong\r\n"
          "M100002,01,,Leung\r\n");
    EXPECT_EQ(RunCommand("guest import " + File("big5.csv") + " --charset ANSI"),
              (std::vector<std::string>{"1 guest profile is updated", "1 guest profile is inserted",
                                        "skipped\t1", "refused\t3\tNo account number"}));
    EXPECT_EQ(Guest("B1", "DYChineseName"), "陳大文");
    EXPECT_EQ(Guest("M100002", "DYChineseName"), "");
    // Read as UTF-8, the same bytes are refused as a whole.
    EXPECT_EQ(RunCommand("guest import " + File("big5.csv")),
              std::vector<std::string>{"Not a CSV text file: Not UTF-8 text at line 2"});
    EXPECT_EQ(RunCommand("guest import " + File("big5.csv") + " --charset latin1"),
              std::vector<std::string>{"Usage: guest import FILE [--charset ANSI|UTF-8]"});

    const auto out = RunCommand("guest export " + File("out.csv"));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], std::to_string(Count("SELECT COUNT(*) FROM tbl_Guest WHERE RowStatus='A' AND "
                                           "DYAccountNo<>'99999999'")) +
                          " guest profile is exported");
    EXPECT_NE(ReadBack(File("out.csv")).find("\"B1\""), std::string::npos);
}

TEST(GuestColumnRules, ValuesAreCheckedByTheColumnsTypes) {
    const GuestCSVField text{"Remark", "S", "NV", 5};
    const GuestCSVField date{"DateOfBirth", "D", "N", 10};
    struct Case {
        GuestColumnRule rule;
        const char* text;
        const char* value;  // nullptr: refused
    };
    const Case cases[] = {
        {RuleFor(text, "INT", adInteger), "+12", "12"},
        {RuleFor(text, "INT", adInteger), "-7", "-7"},
        {RuleFor(text, "INT", adInteger), "2147483648", nullptr},
        {RuleFor(text, "INT", adInteger), "1.5", nullptr},
        {RuleFor(text, "MONEY", adCurrency), "12.50", "12.50"},
        {RuleFor(text, "MONEY", adCurrency), "1e5", nullptr},
        {RuleFor(text, "MONEY", adCurrency), ".", nullptr},
        {RuleFor(text, "BIT", adBoolean), "True", "1"},
        {RuleFor(text, "BIT", adBoolean), "Y", nullptr},
        {RuleFor(text, "TIME", adDBTimeStamp), " 9:30 ", "09:30:00"},
        {RuleFor(text, "TIME", adDBTimeStamp), "2024-01-01 09:30", nullptr},
        {RuleFor(text, "DATETIME", adDBTimeStamp), "2024/3/1 19:30", "2024-03-01 19:30:00"},
        {RuleFor(text, "DATE", adDBTimeStamp), "1753-01-01", "1753-01-01"},
        {RuleFor(text, "DATE", adDBTimeStamp), "1752-12-31", nullptr},
        {RuleFor(text, "DATE", adDBTimeStamp), "31/12/1999", nullptr},
        // The field's size and the column's length: the smaller holds.
        {RuleFor(text, "NVARCHAR(50)", adVarWChar), "陳大文中文", "陳大文中文"},
        {RuleFor(text, "NVARCHAR(50)", adVarWChar), "陳大文中文字", nullptr},
        {RuleFor(GuestCSVField{"Name", "S", "NV", 100}, "NVARCHAR(3)", adVarWChar), "abcd",
         nullptr},
        {RuleFor(text, "NVARCHAR(50)", adVarWChar), " kpt ", " kpt "},
        // Without a declared type: the ADO type, then the field's own types.
        {RuleFor(date, "", adDBTimeStamp), "1999-12-31 10:00", "1999-12-31"},
        {RuleFor(date, "", 0), "10:30", nullptr},
        {RuleFor(GuestCSVField{"N", "S", "I", 4}, "", 0), "x", nullptr},
    };
    for (const auto& c : cases) {
        std::string value, reason;
        const bool ok = NormaliseGuestValue(c.rule, c.text, value, reason);
        EXPECT_EQ(ok, c.value != nullptr) << c.text;
        if (ok && c.value != nullptr) {
            EXPECT_EQ(value, c.value) << c.text;
        } else if (!ok) {
            EXPECT_FALSE(reason.empty()) << c.text;
        }
    }
}

}  // namespace
