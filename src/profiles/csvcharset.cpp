#include "profiles/csvcharset.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>

#include "platform/textutil.h"

namespace {

constexpr const char* kBom = "\xEF\xBB\xBF";
// glibc's name of the Traditional Chinese Windows code page.
constexpr const char* kBig5CodePage = "CP950";

// The line (from 1) that byte `offset` of `s` stands on.
int LineAt(const std::string& s, std::size_t offset) {
    const auto end = s.begin() + static_cast<std::ptrdiff_t>(std::min(offset, s.size()));
    return 1 + static_cast<int>(std::count(s.begin(), end, '\n'));
}

bool DecodeBig5(const std::string& bytes, std::string& text, std::string& error) {
    iconv_t cd = iconv_open("UTF-8", kBig5CodePage);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        error = "The Big5 character set is not available on this computer";
        return false;
    }
    text.assign(bytes.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* out = text.data();
    std::size_t outLeft = text.size();
    bool ok = true;
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1)) continue;
        if (errno == E2BIG) {
            // Every Big5 character fits in three UTF-8 bytes, so this only
            // happens for odd single bytes; grow and go on.
            const std::size_t used = text.size() - outLeft;
            text.resize(text.size() * 2);
            out = text.data() + used;
            outLeft = text.size() - used;
            continue;
        }
        ok = false;
        error = "Not Big5 text at line " +
                std::to_string(LineAt(bytes, static_cast<std::size_t>(in - bytes.data())));
        break;
    }
    iconv_close(cd);
    text.resize(text.size() - outLeft);
    return ok;
}

}  // namespace

bool ParseCSVCharset(const std::string& name, CSVCharset& out) {
    const std::string n = UpperAscii(name);
    if (n == "UTF-8" || n == "UTF8") {
        out = CSVCharset::kUTF8;
        return true;
    }
    if (n == "ANSI") {
        out = CSVCharset::kANSI;
        return true;
    }
    return false;
}

std::string CSVCharsetName(CSVCharset charset) {
    return charset == CSVCharset::kANSI ? "ANSI" : "UTF-8";
}

bool IsValidUtf8(const std::string& s, std::size_t* badAt) {
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t len = 0;
        char32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            if (badAt != nullptr) *badAt = i;
            return false;
        }
        bool ok = i + len <= n;
        for (std::size_t k = 1; ok && k < len; ++k) {
            const auto d = static_cast<unsigned char>(s[i + k]);
            ok = (d & 0xC0) == 0x80;
            cp = (cp << 6) | (d & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF.
        ok = ok && !(len == 3 && cp < 0x800) && !(len == 4 && cp < 0x10000) &&
             !(cp >= 0xD800 && cp <= 0xDFFF) && cp <= 0x10FFFF;
        if (!ok) {
            if (badAt != nullptr) *badAt = i;
            return false;
        }
        i += len;
    }
    return true;
}

bool DecodeCSVText(const std::string& bytes, CSVCharset charset, std::string& text,
                   std::string& error) {
    error.clear();
    const bool bom = bytes.rfind(kBom, 0) == 0;
    if (bom || charset == CSVCharset::kUTF8) {
        text = bom ? bytes.substr(3) : bytes;
        std::size_t bad = 0;
        if (!IsValidUtf8(text, &bad)) {
            error = "Not UTF-8 text at line " + std::to_string(LineAt(text, bad));
            return false;
        }
    } else if (!DecodeBig5(bytes, text, error)) {
        return false;
    }
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos) {
        error = "A NUL byte at line " + std::to_string(LineAt(text, nul));
        return false;
    }
    return true;
}
