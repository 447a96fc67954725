#include "desk/deskapp.h"

#include <QApplication>
#include <QFile>
#include <QInputEvent>
#include <QTimer>
#include <algorithm>
#include <deque>
#include <fstream>
#include <iostream>

#include "app/shell.h"
#include "app/workstation.h"
#include "core/mltext.h"
#include "core/startup.h"
#include "core/version.h"
#include "desk/bookingdialog.h"
#include "desk/deskactions.h"
#include "desk/deskwindow.h"
#include "desk/dialogs.h"
#include "desk/qtuserinterface.h"
#include "platform/textutil.h"

namespace {

void PrintUsage() {
    std::cout
        << "Usage: culinarotable-desk [--root DIR] [--script FILE] [-si] [-i CONNECTION_INI]\n"
           "  --root DIR     installation root (overrides the registry file)\n"
           "  --script FILE  drive the window with the file's lines (sign-in, then "
           "commands)\n"
           "  -si            refuse to start when this workstation already runs the program\n"
           "  -i FILE        connection INI file instead of Client/cfg/KIV4Connstr.ini\n";
}

// Key presses and clicks anywhere in the program keep the session alive.
class ActivityFilter : public QObject {
  public:
    explicit ActivityFilter(DeskWindow& window) : window_(window) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type t = event->type();
        if (t == QEvent::KeyPress || t == QEvent::MouseButtonPress || t == QEvent::Wheel)
            window_.NoteActivity();
        return QObject::eventFilter(watched, event);
    }

  private:
    DeskWindow& window_;
};

// Feeds the script's commands one at a time, letting the event loop run in
// between so changes from other workstations are handled as they come.
void RunNextScriptLine(QtUserInterface& ui, DeskWindow& window) {
    if (!window.isVisible()) return;
    const std::optional<std::string> line = ui.NextScriptLine();
    if (!line) {
        window.Finish("N");
        return;
    }
    window.RunCommand(*line);
    QTimer::singleShot(0, &window, [&ui, &window] { RunNextScriptLine(ui, window); });
}

int RunSession(QtUserInterface& ui) {
    Shell shell;
    if (ui.Scripted()) {
        if (!shell.SignInLoop()) return 0;
        shell.StartSession(shell.OperationMode());
    } else {
        SignInDialog dialog;
        if (dialog.exec() != QDialog::Accepted) return 0;
        shell.StartSession(dialog.Mode());
    }
    DeskWindow window(shell, ui);
    AddDeskCommands(shell, window);
    ActivityFilter activity(window);
    qApp->installEventFilter(&activity);
    window.show();
    if (ui.Scripted())
        QTimer::singleShot(0, &window, [&ui, &window] { RunNextScriptLine(ui, window); });
    const int status = QApplication::exec();
    qApp->removeEventFilter(&activity);
    return status;
}

}  // namespace

namespace {

// "A1,a2" as {"A1", "A2"}; "-" as none.
std::vector<std::string> SplitTableList(const std::string& arg) {
    std::vector<std::string> tables;
    std::string list = arg == "-" ? "" : arg;
    std::replace(list.begin(), list.end(), ',', ' ');
    for (const std::string& t : Shell::SplitWords(list))
        tables.push_back(UpperAscii(t));
    return tables;
}

}  // namespace

void AddDeskCommands(Shell& shell, DeskWindow& window) {
    DeskWindow* w = &window;
    shell.Add({"screenshot", "screenshot FILE", "Save the desk window as a PNG file",
               [w](Shell& sh, const std::vector<std::string>& args) {
                   if (args.size() != 1) {
                       sh.Error(GetMLText("Usage") + ": screenshot FILE");
                       return;
                   }
                   if (!w->Screenshot(args[0]))
                       sh.Error(GetMLText("Cannot write the file") + ": " + args[0]);
                   else
                       sh.Out("screenshot\t" + args[0]);
               }});
    shell.Add({"pick", "pick TABLES|-", "Pick tables on the plans, as clicks do (- picks none)",
               [w](Shell& sh, const std::vector<std::string>& args) {
                   if (args.size() != 1) {
                       sh.Error(GetMLText("Usage") + ": pick TABLES|-");
                       return;
                   }
                   w->PickTables(SplitTableList(args[0]));
                   std::string picked;
                   for (const std::string& t : w->SelectedTables())
                       picked += (picked.empty() ? "" : ",") + t;
                   sh.Out("picked\t" + picked);
               }});
    shell.Add({"formshot", "formshot TABLES|- FILE",
               "Open the booking form for the tables, save it as a PNG file and close it unsaved",
               [w](Shell& sh, const std::vector<std::string>& args) {
                   if (args.size() != 2) {
                       sh.Error(GetMLText("Usage") + ": formshot TABLES|- FILE");
                       return;
                   }
                   w->PickTables(SplitTableList(args[0]));
                   bool saved = false;
                   w->Actions().Book([&](BookingDialog& form) {
                       form.show();
                       QApplication::processEvents();
                       saved = form.grab().save(ToQ(args[1]), "PNG");
                       return false;
                   });
                   if (!saved)
                       sh.Error(GetMLText("Cannot write the file") + ": " + args[1]);
                   else
                       sh.Out("screenshot\t" + args[1]);
               }});
}

int RunDesk(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("culinarotable-desk"));
    QApplication::setDesktopFileName(QStringLiteral("culinarotable-desk"));
    StartupOptions options;
    std::string script;
    std::vector<std::string> rest;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        const std::string a = FromQ(args[i]);
        if ((a == "--root" || a == "--script") && i + 1 < args.size()) {
            (a == "--root" ? options.rootOverride : script) = FromQ(args[++i]);
        } else if (a.rfind("--root=", 0) == 0) {
            options.rootOverride = a.substr(7);
        } else if (a.rfind("--script=", 0) == 0) {
            script = a.substr(9);
        } else if (a == "--help" || a == "-h") {
            PrintUsage();
            return 0;
        } else if (a == "--version") {
            std::cout << "CulinaroTable " CT_VERSION_TEXT << std::endl;
            return 0;
        } else {
            rest.push_back(a);
        }
    }
    std::deque<std::string> lines;
    if (!script.empty()) {
        std::ifstream in(script);
        if (!in) {
            std::cerr << "culinarotable-desk: cannot read " << script << std::endl;
            return 2;
        }
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
    }
    options.commandLine = JoinCommandLine(rest);
    QtUserInterface ui(!script.empty(), std::cout);
    ui.SetScript(std::move(lines));
    ScopedUserInterface scope(ui);
    return Main(options, [&ui] { return RunSession(ui); });
}
