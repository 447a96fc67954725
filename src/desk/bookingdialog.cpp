#include "desk/bookingdialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "core/mltext.h"
#include "desk/qtuserinterface.h"
#include "platform/textutil.h"
#include "platform/userinterface.h"
#include "profiles/datatype.h"
#include "profiles/fieldinput.h"
#include "profiles/profiledefinition.h"
#include "profiles/uiproperties.h"

namespace {

QString ML(const char* text) {
    return ToQ(GetMLText(text));
}

bool IsDate(int type) {
    return type == kInputD || type == kInputDD;
}

bool IsTime(const ProfileField& f) {
    return f.InputType() == kInputTM || f.InputType() == kInputTT ||
           ProfileDataType::IsTime(f.DataType());
}

}  // namespace

BookingDialog::BookingDialog(ProfileDefinition& def, const QString& heading, QWidget* parent,
                             bool change)
    : QDialog(parent), def_(def), heading_(heading) {
    setWindowTitle(change ? ML("Change reservation") : ML("New reservation"));
    auto* top = new QVBoxLayout(this);
    title_ = new QLabel(heading);
    title_->setStyleSheet(QStringLiteral("font-weight: bold"));
    top->addWidget(title_);
    tablesEdit_ = new QLineEdit;
    tablesEdit_->setPlaceholderText(ML("A1,A2 and Enter"));
    tablesRow_ = new QWidget;
    auto* tablesRow = new QHBoxLayout(tablesRow_);
    tablesRow->setContentsMargins(0, 0, 0, 0);
    auto* tablesLabel = new QLabel(ML("&Tables"));
    tablesLabel->setBuddy(tablesEdit_);
    tablesRow->addWidget(tablesLabel);
    tablesRow->addWidget(tablesEdit_, 1);
    tablesRow_->hide();
    top->addWidget(tablesRow_);
    tablesEdit_->installEventFilter(this);

    auto* guestRow = new QHBoxLayout;
    guestEdit_ = new QLineEdit;
    guestEdit_->setPlaceholderText(ML("Guest: name, phone or account"));
    auto* find = new QPushButton(ML("&Find guest"));
    guestRow->addWidget(guestEdit_, 1);
    guestRow->addWidget(find);
    top->addLayout(guestRow);
    guestLabel_ = new QLabel(ML("No guest profile"));
    top->addWidget(guestLabel_);
    if (change) {
        guestEdit_->hide();
        find->hide();
        guestLabel_->hide();
    }
    connect(find, &QPushButton::clicked, this, [this] { FindTypedGuest(); });
    guestEdit_->installEventFilter(this);

    auto* form = new QFormLayout;
    for (ProfileField* f : def_.ListedFields()) {
        if (f->IsPseudo() || !(change ? def_.IsUpdatable(*f) : def_.IsNewEnabled(*f))) continue;
        QWidget* control = MakeControl(*f);
        const QString caption = ToQ(f->Desc()) + (def_.IsMust(*f) ? QStringLiteral(" *") : "");
        form->addRow(caption, control);
        control->setObjectName(ToQ(f->ProfileCode()));
        controls_[UpperAscii(f->ProfileCode())] = control;
        shown_.push_back(f);
    }
    top->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &BookingDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &BookingDialog::reject);
    top->addWidget(buttons);
    setMinimumWidth(440);
}

QWidget* BookingDialog::MakeControl(ProfileField& f) {
    const std::string value = f.GetValue();
    if (f.Options().Count() != 0) {
        auto* box = new QComboBox;
        if (!def_.IsMust(f)) box->addItem(QString(), QString());
        for (const auto& [key, o] : f.Options())
            box->addItem(ToQ(o.Name), ToQ(o.Value));
        const int at = box->findData(ToQ(value));
        box->setCurrentIndex(at >= 0 ? at : 0);
        return box;
    }
    if (IsDate(f.InputType())) {
        auto* edit = new QDateEdit;
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        const auto d = DateTime::Parse(value == "NOW" ? DateTime::Now().DateText() : value);
        if (d) edit->setDate(QDate(d->Year, d->Month, d->Day));
        return edit;
    }
    if (IsTime(f)) {
        auto* edit = new QTimeEdit;
        edit->setDisplayFormat(QStringLiteral("HH:mm"));
        const auto t = DateTime::Parse("1900-01-01 " + ProfileField::NormaliseTime(value));
        if (t) edit->setTime(QTime(t->Hour, t->Minute));
        return edit;
    }
    auto* edit = new QLineEdit(ToQ(value == "NOW" ? "" : value));
    return edit;
}

QWidget* BookingDialog::Control(const std::string& code) const {
    const auto it = controls_.find(UpperAscii(code));
    return it == controls_.end() ? nullptr : it->second;
}

bool BookingDialog::SetText(const std::string& code, const std::string& text) {
    QWidget* w = Control(code);
    if (auto* box = qobject_cast<QComboBox*>(w)) {
        int at = box->findData(ToQ(text));
        if (at < 0) at = box->findText(ToQ(text));
        if (at >= 0) box->setCurrentIndex(at);
        return at >= 0;
    }
    if (auto* time = qobject_cast<QTimeEdit*>(w)) {
        time->setTime(QTime::fromString(ToQ(ProfileField::NormaliseTime(text)), "HH:mm"));
        return true;
    }
    if (auto* date = qobject_cast<QDateEdit*>(w)) {
        date->setDate(QDate::fromString(ToQ(text), Qt::ISODate));
        return true;
    }
    if (auto* line = qobject_cast<QLineEdit*>(w)) {
        line->setText(ToQ(text));
        return true;
    }
    return false;
}

std::string BookingDialog::TextOf(const std::string& code) const {
    QWidget* w = Control(code);
    if (auto* box = qobject_cast<QComboBox*>(w)) return FromQ(box->currentData().toString());
    // QTimeEdit derives from QDateTimeEdit like QDateEdit: test it first.
    if (auto* time = qobject_cast<QTimeEdit*>(w))
        return FromQ(time->time().toString(QStringLiteral("HH:mm")));
    if (auto* date = qobject_cast<QDateEdit*>(w))
        return FromQ(date->date().toString(QStringLiteral("yyyy-MM-dd")));
    if (auto* line = qobject_cast<QLineEdit*>(w)) return Trim(FromQ(line->text()));
    return "";
}

void BookingDialog::FindTypedGuest() {
    if (LookUpGuest(FromQ(guestEdit_->text())) == 0) guestLabel_->setText(ML("Guest not found"));
}

// Enter on the guest or tables line looks up or changes, and must not reach
// the dialog, where it would press OK.
bool BookingDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == guestEdit_) {
                FindTypedGuest();
                return true;
            }
            if (watched == tablesEdit_) {
                ChangeTables(FromQ(tablesEdit_->text()));
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

int BookingDialog::LookUpGuest(const std::string& text) {
    const std::vector<GuestHit> hits = FindGuests(text);
    if (hits.empty()) return 0;
    auto label = [](const GuestHit& h) {
        return ToQ(h.lastName + (h.firstName.empty() ? "" : ", " + h.firstName) + "  " + h.phone +
                   "  " + h.account);
    };
    if (hits.size() == 1) {
        TakeGuest(hits.front());
        return 1;
    }
    std::vector<QtUserInterface::Choice> items;
    for (const GuestHit& h : hits)
        items.emplace_back(h.account.empty() ? std::to_string(h.guestID) : h.account,
                           FromQ(label(h)));
    // The desk's own interface offers the list (a script answers it too).
    auto* ui = dynamic_cast<QtUserInterface*>(&UI());
    const std::optional<std::size_t> chosen =
        ui != nullptr ? ui->Choose(GetMLText("Choose the guest"), items, 0, this) : std::nullopt;
    if (chosen) TakeGuest(hits[*chosen]);
    return static_cast<int>(hits.size());
}

void BookingDialog::TakeGuest(const GuestHit& hit) {
    guest_ = hit;
    guestLabel_->setText(ML("Guest") + QStringLiteral(": ") + ToQ(hit.lastName) +
                         (hit.firstName.empty() ? QString() : ToQ(", " + hit.firstName)) +
                         QStringLiteral(" (") + ToQ(hit.account) + QStringLiteral(")"));
    // The form shows the guest's name and phone; the operator may still edit them.
    if (!hit.lastName.empty()) SetText("DYLastName", hit.lastName);
    if (!hit.firstName.empty()) SetText("DYFirstName", hit.firstName);
    if (!hit.phone.empty()) SetText("ContactPhone", hit.phone);
}

void BookingDialog::SetTables(const std::string& tables,
                              std::function<std::string(const std::string&)> change) {
    changeTables_ = std::move(change);
    tablesEdit_->setText(ToQ(tables));
    tablesRow_->show();
    title_->setText(heading_ + ToQ(tables));
}

void BookingDialog::ChangeTables(const std::string& typed) {
    if (!changeTables_) return;
    const std::string held = changeTables_(typed);
    tablesEdit_->setText(ToQ(held));
    title_->setText(heading_ + ToQ(held.empty() ? GetMLText("no table") : held));
}

bool BookingDialog::TakeValues() {
    for (ProfileField* f : shown_) {
        const std::string typed = TextOf(f->ProfileCode());
        std::string message;
        if (EnterFieldValue(*f, typed, def_.IsMust(*f), message)) continue;
        UI().MessageBox(GetMLText(message) + ": " + f->Desc(), MsgIcon::Exclamation,
                        GetMLText("New reservation"));
        if (QWidget* w = Control(f->ProfileCode())) w->setFocus();
        return false;
    }
    const std::string time = TextOf("ReserveTime");
    if (timeFits_ && Control("ReserveTime") != nullptr && !timeFits_(time)) {
        UI().MessageBox(GetMLText("The time is not in the meal period") + ": " + time,
                        MsgIcon::Exclamation, GetMLText("New reservation"));
        return false;
    }
    return true;
}

void BookingDialog::accept() {
    if (TakeValues()) QDialog::accept();
}
