#pragma once
// The user interface of the desk window. People get dialogs: message boxes,
// yes/no questions, line and password entries. A script (--script FILE)
// answers instead, as a script answers the console: every question and entry
// takes the next line, and messages are written out as the console writes
// them, so a scripted run never waits on a dialog.
#include <QString>
#include <deque>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/userinterface.h"

class QWidget;

class QtUserInterface : public UserInterface {
  public:
    // `transcript` receives what a scripted run writes (stdout in the
    // program); unused for people.
    QtUserInterface(bool scripted, std::ostream& transcript);

    void MessageBox(const std::string& text, MsgIcon icon, const std::string& title) override;
    bool AskYesNo(const std::string& text, const std::string& title, bool defaultYes) override;
    void SetStatus(const std::string& text) override;
    std::optional<std::string> ReadLine(const std::string& prompt, bool secret) override;
    void Print(const std::string& text) override;

    // One of `items` (a key and the text shown) chosen from a list, `current`
    // preselected; nothing when the user chose none. A script answers with
    // an item's key (case ignored) or its number from 1; an empty line
    // takes `current`. `over` is the dialog's parent when not the window.
    using Choice = std::pair<std::string, std::string>;
    std::optional<std::size_t> Choose(const std::string& prompt, const std::vector<Choice>& items,
                                      std::size_t current = 0, QWidget* over = nullptr);

    bool Scripted() const { return scripted_; }
    // The parent of the dialogs (the main window once it exists).
    void SetDialogParent(QWidget* parent) { parent_ = parent; }
    // Where printed lines and status texts go in the window.
    void OnPrint(std::function<void(const QString&)> fn) { onPrint_ = std::move(fn); }
    void OnStatus(std::function<void(const QString&)> fn) { onStatus_ = std::move(fn); }

    // The script's lines not yet taken.
    void SetScript(std::deque<std::string> lines) { script_ = std::move(lines); }
    bool ScriptEnded() const { return script_.empty(); }
    std::optional<std::string> NextScriptLine();

  private:
    void Write(const std::string& text);

    bool scripted_;
    std::ostream& transcript_;
    QWidget* parent_ = nullptr;
    std::function<void(const QString&)> onPrint_, onStatus_;
    std::deque<std::string> script_;
};

QString ToQ(const std::string& s);
std::string FromQ(const QString& s);
