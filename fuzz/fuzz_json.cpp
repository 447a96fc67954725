// Feeds arbitrary bytes to the JSON reader. Whatever it accepts must write out
// as a text that reads back to the same structure and writes out unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "messaging/json.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    JSON json;
    JsonValue value = json.Parse(text);
    if (value.IsNull()) {
        if (json.ErrorText().empty()) std::abort();  // a failure must say why
        return 0;
    }
    if (!json.ErrorText().empty()) std::abort();
    std::string written = json.ToString(value);
    JsonValue again = json.Parse(written);
    if (!(again == value)) std::abort();
    if (json.ToString(again) != written) std::abort();
    return 0;
}
