#pragma once
// Small helpers the KIVFunc operations and the hold rule share; internal to
// src/reservations, not part of any public interface.
#include <cstdint>
#include <memory>
#include <string>

#include "core/globals.h"
#include "platform/strnum.h"
#include "registry/client.h"
#include "sql/sqldb.h"

namespace kivfunc_support {

// The class name the operations log and set errors under.
inline constexpr const char* kClass = "KIVFunc";

// This workstation's client id; 0 before one is registered.
inline int32_t ThisClientID() {
    return g_oClient != nullptr ? g_oClient->ClientID() : 0;
}

// The count of a "... SELECT @@ROWCOUNT AS RC" batch; -1 when there is none.
inline int64_t ReadRC(const std::shared_ptr<Recordset>& rs) {
    std::shared_ptr<Recordset> open = FirstOpenRecordset(rs);
    if (open == nullptr || open->Eof()) return -1;
    return FieldLng(open.get(), "RC", -1);
}

}  // namespace kivfunc_support
