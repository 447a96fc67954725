#pragma once
// The booking form: one row per field the profile definition lists for the
// form, in its order, with its caption, a control of its input type (a list
// of its options, a date or time editor, a line), its default, and a star on
// the mandatory ones. A guest is looked up by name, phone or account. On OK
// every value goes through the field's own input rules; a refused value is
// shown and the form stays open.
#include <QDialog>
#include <functional>
#include <map>
#include <string>

#include "app/booking.h"

class QLabel;
class QLineEdit;
class ProfileDefinition;
class ProfileField;

class BookingDialog : public QDialog {
  public:
    // `def` holds its defaults (a new booking) or the reservation's values
    // (`change`: the fields the form may update, no guest look-up);
    // `heading` names the tables and the day.
    BookingDialog(ProfileDefinition& def, const QString& heading, QWidget* parent = nullptr,
                  bool change = false);

    // The control of field `code` (any case); nullptr when the form has none.
    QWidget* Control(const std::string& code) const;
    // Puts `text` into the control of `code` (an option by value or name).
    bool SetText(const std::string& code, const std::string& text);
    // Looks the guest up: one hit is taken at once, several are offered in a
    // list. The number of hits.
    int LookUpGuest(const std::string& text);
    int32_t GuestID() const { return guest_.guestID; }
    // A check of the reservation time ("hh:nn") made on OK; false refuses it
    // with "The time is not in the meal period".
    void SetCheck(std::function<bool(const std::string&)> timeFits) {
        timeFits_ = std::move(timeFits);
    }
    // Adds a line of the booking's tables, "A1,A2": on Enter `change` gets
    // the typed tables and returns those the booking holds then, which the
    // line and the heading show.
    void SetTables(const std::string& tables,
                   std::function<std::string(const std::string&)> change);
    // Changes the tables as typed on the line and Enter.
    void ChangeTables(const std::string& typed);
    // Enters every value into its field; false (after a message naming the
    // field) at the first refusal.
    bool TakeValues();
    // The fields shown, in form order.
    const std::vector<ProfileField*>& Shown() const { return shown_; }

    void accept() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* MakeControl(ProfileField& f);
    std::string TextOf(const std::string& code) const;
    void TakeGuest(const GuestHit& hit);
    void FindTypedGuest();

    ProfileDefinition& def_;
    std::vector<ProfileField*> shown_;
    std::map<std::string, QWidget*> controls_;  // by upper-case code
    QLabel* title_ = nullptr;
    QString heading_;
    QWidget* tablesRow_ = nullptr;
    QLineEdit* tablesEdit_ = nullptr;
    std::function<std::string(const std::string&)> changeTables_;
    QLineEdit* guestEdit_ = nullptr;
    QLabel* guestLabel_ = nullptr;
    GuestHit guest_;
    std::function<bool(const std::string&)> timeFits_;
};
