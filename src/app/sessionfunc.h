#pragma once
// The reservation operations a console command works with; internal to
// src/app.
#include <memory>

#include "app/shell.h"
#include "messaging/kiv.h"
#include "reservations/kivfunc.h"

// The operations of the session: the hub's, or a private set that cannot
// announce when no hub was opened (a shell driven without sign-in).
class SessionFunc {
  public:
    explicit SessionFunc(Shell& shell) {
        if (shell.Hub() != nullptr) {
            func_ = &shell.Hub()->Func();
        } else {
            own_ = std::make_unique<KIVFunc>();
            func_ = own_.get();
        }
    }
    SessionFunc(const SessionFunc&) = delete;
    SessionFunc& operator=(const SessionFunc&) = delete;
    KIVFunc& operator*() { return *func_; }
    KIVFunc* operator->() { return func_; }

  private:
    std::unique_ptr<KIVFunc> own_;
    KIVFunc* func_ = nullptr;
};
