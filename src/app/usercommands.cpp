// Shell commands of the signed-in user: help, whoami, password, relogin, quit.
#include <algorithm>

#include "app/shell.h"
#include "core/globals.h"
#include "core/mltext.h"
#include "core/userlog.h"
#include "platform/userinterface.h"
#include "users/passwordchange.h"
#include "users/signin.h"
#include "users/user.h"

namespace {

void Help(Shell& shell, const std::vector<std::string>&) {
    std::vector<const ShellCommand*> list;
    for (const ShellCommand& c : shell.Commands())
        list.push_back(&c);
    std::sort(list.begin(), list.end(),
              [](const ShellCommand* a, const ShellCommand* b) { return a->name < b->name; });
    shell.BeginTable(TableLayout({"Usage", "Help"}));
    for (const ShellCommand* c : list)
        shell.Out(c->usage + "\t" + GetMLText(c->help));
}

void WhoAmI(Shell& shell, const std::vector<std::string>&) {
    const User& u = *g_oUser;
    shell.BeginTable(TableLayout({"Login", "Name", "Role", "Level", "Mode", "Outlet IDs"}));
    shell.Out(u.LoginID() + "\t" + u.UserName(g_nLanguage) + "\t" + u.RoleCode() + "\t" +
              std::to_string(u.RoleLevel()) + "\t" +
              GetMLText(OperationModeName(shell.OperationMode())) + "\t" + u.OutletIDList());
}

void ChangePassword(Shell&, const std::vector<std::string>&) {
    PasswordChange window(g_oUser->UserID(), g_oUser->LoginID(),
                          ReadPasswordRules(g_oUser->UserID()));
    window.Run();
}

void Relogin(Shell& shell, const std::vector<std::string>&) {
    WriteUserLog(kUserLogGeneral, "User [" + g_oUser->LoginID() + "] signs out");
    LogInOutSignOut("O");
    if (!shell.SignInLoop()) shell.Quit();
}

void Quit(Shell& shell, const std::vector<std::string>&) {
    if (!UI().AskYesNo(GetMLText("Are you sure to quit ?"), "CulinaroTable", false)) return;
    shell.EndSession("N");
    shell.Quit();
}

}  // namespace

void AddUserCommands(Shell& shell) {
    shell.Add({"help", "help", "List the commands", Help});
    shell.Add({"whoami", "whoami",
               "Show the signed-in user: login, name, role, level, operation mode, outlet IDs",
               WhoAmI});
    shell.Add({"password", "password", "Change your password", ChangePassword});
    shell.Add({"relogin", "relogin", "Sign out and sign in again", Relogin});
    shell.Add({"quit", "quit", "Sign out and end the program", Quit});
}
