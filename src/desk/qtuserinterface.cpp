#include "desk/qtuserinterface.h"

#include <QInputDialog>
#include <QMessageBox>
#include <ostream>

#include "core/mltext.h"
#include "desk/dialogs.h"
#include "platform/textutil.h"

QString ToQ(const std::string& s) {
    return QString::fromStdString(s);
}

std::string FromQ(const QString& s) {
    return s.toStdString();
}

QtUserInterface::QtUserInterface(bool scripted, std::ostream& transcript)
    : scripted_(scripted), transcript_(transcript) {}

std::optional<std::string> QtUserInterface::NextScriptLine() {
    if (script_.empty()) return std::nullopt;
    std::string line = std::move(script_.front());
    script_.pop_front();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

void QtUserInterface::Write(const std::string& text) {
    if (scripted_) transcript_ << text << std::endl;
    if (onPrint_) onPrint_(ToQ(text));
}

void QtUserInterface::MessageBox(const std::string& text, MsgIcon icon, const std::string& title) {
    if (scripted_) {
        const char* prefix = icon == MsgIcon::Critical      ? "[error] "
                             : icon == MsgIcon::Exclamation ? "[warning] "
                             : icon == MsgIcon::Information ? "[info] "
                                                            : "";
        Write(prefix + text);
        return;
    }
    QMessageBox box(parent_);
    box.setWindowTitle(ToQ(title));
    box.setText(ToQ(text));
    switch (icon) {
        case MsgIcon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        case MsgIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case MsgIcon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case MsgIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MsgIcon::None:
            break;
    }
    box.exec();
}

bool QtUserInterface::AskYesNo(const std::string& text, const std::string& title, bool defaultYes) {
    if (scripted_) {
        const std::optional<std::string> line = NextScriptLine();
        Write(text + (defaultYes ? " [Y/n] " : " [y/N] ") + line.value_or(""));
        if (!line || line->empty()) return defaultYes;
        return (*line)[0] == 'y' || (*line)[0] == 'Y';
    }
    const auto answer =
        QMessageBox::question(parent_, ToQ(title), ToQ(text), QMessageBox::Yes | QMessageBox::No,
                              defaultYes ? QMessageBox::Yes : QMessageBox::No);
    return answer == QMessageBox::Yes;
}

void QtUserInterface::SetStatus(const std::string& text) {
    if (onStatus_) onStatus_(ToQ(text));
}

std::optional<std::string> QtUserInterface::ReadLine(const std::string& prompt, bool secret) {
    if (scripted_) {
        std::optional<std::string> line = NextScriptLine();
        // Scripted input is echoed so the transcript reads like a session;
        // never a secret.
        Write(prompt + (line && !secret ? *line : std::string()));
        return line;
    }
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent_, QStringLiteral("CulinaroTable"), ToQ(prompt),
                              secret ? QLineEdit::Password : QLineEdit::Normal, QString(), &ok);
    if (!ok) return std::nullopt;
    return FromQ(text);
}

void QtUserInterface::Print(const std::string& text) {
    Write(text);
}

std::optional<std::size_t> QtUserInterface::Choose(const std::string& prompt,
                                                   const std::vector<Choice>& items,
                                                   std::size_t current, QWidget* over) {
    if (items.empty()) return std::nullopt;
    if (current >= items.size()) current = 0;
    if (!scripted_) {
        QStringList texts;
        for (const Choice& c : items)
            texts << ToQ(c.second);
        ChoiceDialog dialog(ToQ(prompt), texts, static_cast<int>(current),
                            over != nullptr ? over : parent_);
        if (dialog.exec() != QDialog::Accepted || dialog.Chosen() < 0) return std::nullopt;
        return static_cast<std::size_t>(dialog.Chosen());
    }
    const std::optional<std::string> line = NextScriptLine();
    Write(prompt + ": " + line.value_or(""));
    if (!line) return std::nullopt;
    const std::string typed = UpperAscii(Trim(*line));
    if (typed.empty()) return current;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (UpperAscii(items[i].first) == typed) return i;
    const bool digits = typed.find_first_not_of("0123456789") == std::string::npos;
    if (digits && typed.size() < 6) {
        const std::size_t n = std::stoul(typed);
        if (n >= 1 && n <= items.size()) return n - 1;
    }
    Write("[warning] " + GetMLText("Not in the list") + ": " + *line);
    return std::nullopt;
}
