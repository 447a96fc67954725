#include "registry/crypto.h"

#include <nettle/arcfour.h>
#include <nettle/md5.h>

namespace {
constexpr const char* kPasswordSalt = "E3A1F95C0B7D4C28A6E2915D3F0B7C84";

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void RC4(const Bytes& key, const Bytes& in, Bytes& out) {
    arcfour_ctx ctx;
    arcfour_set_key(&ctx, key.size(), key.data());
    out.resize(in.size());
    if (!in.empty()) arcfour_crypt(&ctx, in.size(), out.data(), in.data());
}
}  // namespace

const char* const kConnectionKey = "5C19B07D2E8F4A6193D0C7E2B4F8A61D";

bool Crypto::SetProviderName(const std::string& name) {
    if (name != kEnhancedProvider && name != kBaseProvider) {
        errDescription_ = "Invalid Propery Value";
        return false;
    }
    providerName_ = name;
    return true;
}

// The derived RC4 key is the leading bytes of the MD5 digest of the key: all
// 16 for the enhanced provider; 5 for the base provider, whose 40-bit keys
// carry 11 bytes of zero salt, so RC4 still runs on 16 bytes.
Bytes Crypto::DeriveKey(const Bytes& key) const {
    Bytes digest;
    bool ok = false;
    HashMD5(key, digest, ok);
    if (providerName_ == kBaseProvider) std::fill(digest.begin() + 5, digest.end(), 0);
    return digest;
}

void Crypto::Decrypt(const Bytes& key, const Bytes& cipher, Bytes& plain, bool& ok) const {
    RC4(DeriveKey(key), cipher, plain);
    ok = true;
}

void Crypto::Encrypt(const Bytes& key, const Bytes& plain, Bytes& cipher, bool& ok) const {
    RC4(DeriveKey(key), plain, cipher);
    ok = true;
}

void Crypto::HashMD5(const Bytes& data, Bytes& digest, bool& ok) const {
    md5_ctx ctx;
    md5_init(&ctx);
    md5_update(&ctx, data.size(), data.data());
    digest.assign(MD5_DIGEST_SIZE, 0);
    md5_digest(&ctx, MD5_DIGEST_SIZE, digest.data());
    ok = true;
}

std::string Crypto::BytesToHex(const Bytes& bytes) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        out += kHex[b >> 4];
        out += kHex[b & 0xF];
    }
    return out;
}

Bytes Crypto::HexToBytes(const std::string& text) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) break;
        out.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    return out;
}

bool HashPassword(const std::string& password, std::string& hash) {
    Crypto c;
    Bytes digest;
    bool ok = false;
    std::string text = std::string(kPasswordSalt) + password + kPasswordSalt;
    c.HashMD5(Utf8ToUtf16LE(text), digest, ok);
    if (!ok) return false;
    hash = Crypto::BytesToHex(digest);
    return true;
}

std::string HashPassword(const std::string& password) {
    std::string h;
    return HashPassword(password, h) ? h : std::string();
}

bool DecryptCredential(const std::string& hexText, std::string& plain) {
    std::string hex;
    for (char ch : hexText)
        if (ch != ' ' && ch != '\t') hex += ch;
    if (hex.size() % 2 != 0) return false;
    Bytes cipher = Crypto::HexToBytes(hex);
    if (cipher.size() * 2 != hex.size()) return false;
    Crypto c;
    Bytes out;
    bool ok = false;
    c.Decrypt(Utf8ToUtf16LE(kConnectionKey), cipher, out, ok);
    if (!ok || out.size() % 2 != 0) return false;
    plain = Utf16LEToUtf8(out);
    return true;
}

std::string EncryptCredential(const std::string& plain) {
    Crypto c;
    Bytes out;
    bool ok = false;
    c.Encrypt(Utf8ToUtf16LE(kConnectionKey), Utf8ToUtf16LE(plain), out, ok);
    return Crypto::BytesToHex(out);
}
