#include "sql/dbengine.h"

#include "platform/textutil.h"

ConnectionProperties ParseConnectionString(const std::string& text) {
    ConnectionProperties props;
    std::size_t p = 0;
    while (p < text.size()) {
        std::size_t eq = text.find('=', p);
        if (eq == std::string::npos) break;
        std::string key = LowerAscii(Trim(text.substr(p, eq - p)));
        std::size_t v = eq + 1;
        while (v < text.size() && (text[v] == ' ' || text[v] == '\t'))
            ++v;
        std::string value;
        if (v < text.size() && (text[v] == '"' || text[v] == '\'')) {
            // A quoted value may hold semicolons; a doubled quote stands for itself.
            char q = text[v++];
            while (v < text.size()) {
                if (text[v] == q) {
                    if (v + 1 < text.size() && text[v + 1] == q) {
                        value += q;
                        v += 2;
                        continue;
                    }
                    ++v;
                    break;
                }
                value += text[v++];
            }
            std::size_t semi = text.find(';', v);
            p = semi == std::string::npos ? text.size() : semi + 1;
        } else {
            std::size_t semi = text.find(';', v);
            value = Trim(text.substr(v, semi == std::string::npos ? std::string::npos : semi - v));
            p = semi == std::string::npos ? text.size() : semi + 1;
        }
        if (!key.empty()) props[key] = value;
    }
    return props;
}
