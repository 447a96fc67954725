#include "profiles/profiledefinition.h"

#include "core/log.h"
#include "platform/textutil.h"

namespace {

// The prefix of the per-operation switch columns; "" when the operation
// edits nothing.
std::string SwitchPrefix(int operation) {
    switch (operation) {
        case kProfileGuest:
            return "IsGuest";
        case kProfileTelephone:
            return "IsTeleResv";
        case kProfileInPerson:
            return "IsInPerResv";
        case kProfileWalkIn:
            return "IsWalkIn";
        case kProfileBulk:
            return "IsBulkResv";
        default:
            return "";
    }
}

}  // namespace

void ProfileDefinition::SetIgnoreProfileList(const std::string& codes) {
    ignoreSet_ = true;
    listHead_.clear();
    ignored_.clear();
    std::string item;
    for (std::size_t i = 0; i <= codes.size(); ++i) {
        if (i == codes.size() || codes[i] == ',') {
            const auto a = item.find_first_not_of(' ');
            if (a != std::string::npos)
                ignored_.push_back(UpperAscii(item.substr(a, item.find_last_not_of(' ') - a + 1)));
            item.clear();
        } else {
            item += codes[i];
        }
    }
}

ProfileField* ProfileDefinition::Field(const std::string& code) {
    auto* p = fields_.Item(code);
    return p == nullptr ? nullptr : p->get();
}

const ProfileField* ProfileDefinition::Field(const std::string& code) const {
    const auto* p = fields_.Item(code);
    return p == nullptr ? nullptr : p->get();
}

ProfileField* ProfileDefinition::FindField(const std::string& code) {
    if (ProfileField* f = Field(code)) return f;
    const std::string wanted = UpperAscii(code);
    for (auto& [key, field] : fields_) {
        if (UpperAscii(key) == wanted) return field.get();
    }
    return nullptr;
}

bool ProfileDefinition::AddField(std::shared_ptr<ProfileField> field) {
    if (field == nullptr || field->ProfileCode().empty()) return false;
    const std::string code = field->ProfileCode();
    listHead_.clear();
    return fields_.Add(code, std::move(field));
}

std::string ProfileDefinition::OrderColumn() const {
    switch (operation_) {
        case kProfileAll:
            return "ProfileID";
        case kProfileGuest:
            return subOperation_ == kProfileGuestSearch ? "GuestSearchOrder" : "GuestModeOrder";
        case kProfileTelephone:
            return "TelephoneModeOrder";
        case kProfileInPerson:
            return "InPersonModeOrder";
        case kProfileBulk:
            return "BulkModeOrder";
        case kProfileWalkIn:
            return "WalkinModeOrder";
        case kProfileResvList:
            return "ResvOpeNormalListOrder";
        default:
            return "";
    }
}

std::vector<ProfileField*> ProfileDefinition::ListedFields() const {
    std::vector<ProfileField*> listed;
    const std::string column = OrderColumn();
    for (const auto& [code, field] : fields_) {
        if (operation_ == kProfileAll || field->AttrLong(column) > 0) listed.push_back(field.get());
    }
    return listed;
}

bool ProfileDefinition::IsUpdatable(const ProfileField& field) const {
    const std::string p = SwitchPrefix(operation_);
    if (p.empty()) return false;
    // Walk-in and bulk forms only create: their "new" switches decide.
    if (operation_ == kProfileWalkIn || operation_ == kProfileBulk) return IsNewEnabled(field);
    return field.AttrFlag(p + "Update") && field.AttrFlag(p + "UpdateEnabled");
}

bool ProfileDefinition::IsNewEnabled(const ProfileField& field) const {
    const std::string p = SwitchPrefix(operation_);
    return !p.empty() && field.AttrFlag(p + "New") && field.AttrFlag(p + "NewEnabled");
}

bool ProfileDefinition::IsMust(const ProfileField& field) const {
    const std::string p = SwitchPrefix(operation_);
    return !p.empty() && field.AttrFlag(p + "Must");
}

void ProfileDefinition::Fail(const std::string& procedure, const std::string& message) {
    SetErr(-1, "ProfileDefinition", procedure, message);
    WriteLog(message, "ProfileDefinition", procedure);
}
