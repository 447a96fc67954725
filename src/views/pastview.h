#pragma once
// PastView: the working state behind the list of an earlier business date:
// the outlet, meal period and date and the day's full reservation list. It
// draws no plans, so it holds no statuses, holds or blocks.
#include "views/resvview.h"

class PastView final : public ResvView {
  public:
    PastView() : ResvView("PastView") {}
};
