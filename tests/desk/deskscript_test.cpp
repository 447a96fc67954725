// Scripted runs: the Qt user interface answers from the script as the
// console answers from standard input, and the program runs a whole script
// on the offscreen platform and ends with it.
#include <gtest/gtest.h>

#include <QImage>
#include <fstream>
#include <sstream>

#include "desk/qtuserinterface.h"
#include "kiv/kivtestsupport.h"
#include "platform/datetime.h"
#include "support/installation.h"
#include "support/process_run.h"
#include "support/tempdir.h"

namespace {

TEST(QtUserInterfaceTest, AScriptAnswersQuestionsAndEntriesWithItsNextLines) {
    std::ostringstream out;
    QtUserInterface ui(true, out);
    ui.SetScript({"y", "", "N", "Yes", "secret", "visible"});
    struct Case {
        bool defaultYes, expected;
    };
    // A line starting with y is yes, an empty line takes the default.
    for (const Case& c :
         std::vector<Case>{{false, true}, {true, true}, {true, false}, {false, true}})
        EXPECT_EQ(ui.AskYesNo("Sure?", "T", c.defaultYes), c.expected);
    EXPECT_EQ(ui.ReadLine("Password: ", true), "secret");
    EXPECT_EQ(ui.ReadLine("Login: ", false), "visible");
    // The end of the script: entries end, questions take their default.
    EXPECT_EQ(ui.ReadLine("Login: ", false), std::nullopt);
    EXPECT_TRUE(ui.AskYesNo("Again?", "T", true));
    EXPECT_FALSE(ui.AskYesNo("Again?", "T", false));
    ui.MessageBox("Careful", MsgIcon::Exclamation, "T");
    const std::string text = out.str();
    EXPECT_EQ(text.find("secret"), std::string::npos) << text;
    EXPECT_NE(text.find("Login: visible\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[warning] Careful\n"), std::string::npos) << text;
}

TEST(DeskProgramTest, RunsAScriptToItsEndAndSavesTheWindow) {
    KivServerProcess server;
    ASSERT_TRUE(server.Running());
    TestInstallation inst;
    inst.Sql("UPDATE tbl_ServiceServer SET IPPort = " + std::to_string(server.Port()) +
             " WHERE ServiceID = 1");
    TempDir dir;
    const std::string png = dir.Path() + "/dinner.png", script = dir.Path() + "/script.txt";
    const std::string yesterday = DateTime::Now().AddDays(-1).DateText();
    std::ofstream(script) << "admin\nadmin123\n1\n"
                             "view current HBR today 03DIN\n"
                             "screenshot " +
                                 png +
                                 "\n"
                                 "view past HBR " +
                                 yesterday + " 03DIN\n";
    const RunResult run =
        RunProgram(ProgramPath("culinarotable-desk"), {"--root", inst.Root(), "--script", script},
                   "", {{"COMPUTERNAME", kTestComputer}, {"QT_QPA_PLATFORM", "offscreen"}});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("Signed in as admin"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\nview\tcurrent\tHBR\t"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\nview\tpast\tHBR\t" + yesterday), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("screenshot\t" + png), std::string::npos) << run.output;
    const QImage shot(ToQ(png));
    EXPECT_FALSE(shot.isNull());
}

}  // namespace
