#include "desk/bookingdialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
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
    : QDialog(parent), def_(def) {
    setWindowTitle(change ? ML("Change reservation") : ML("New reservation"));
    auto* top = new QVBoxLayout(this);
    auto* title = new QLabel(heading);
    title->setStyleSheet(QStringLiteral("font-weight: bold"));
    top->addWidget(title);

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
    auto look = [this] {
        if (LookUpGuest(FromQ(guestEdit_->text())) == 0)
            guestLabel_->setText(ML("Guest not found"));
    };
    connect(find, &QPushButton::clicked, this, look);
    connect(guestEdit_, &QLineEdit::returnPressed, this, look);

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
    QStringList items;
    for (const GuestHit& h : hits)
        items << label(h);
    bool ok = false;
    const QString chosen =
        QInputDialog::getItem(this, ML("Guest"), ML("Choose the guest"), items, 0, false, &ok);
    if (ok) TakeGuest(hits[static_cast<std::size_t>(items.indexOf(chosen))]);
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
