#pragma once
// The views of a console session: made after sign-in and held by the hub,
// and the commands that open and print them.
#include <cstdint>
#include <memory>

#include "platform/datetime.h"

class KIV;
class ViewSet;

// The current, future and past views with their profiles, telling the
// hub's servers what the workstation shows.
std::shared_ptr<ViewSet> OpenViews(KIV& hub);

// Tells the KIV servers which outlet, date and meal period the workstation
// shows; false (logged) when no server could be told.
bool SendViewFilter(KIV& hub, const DateTime& date, int32_t outletID, int32_t mpOutletID);
