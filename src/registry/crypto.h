#pragma once
// Cipher service: RC4 under a key derived from the MD5 digest of the key
// bytes, MD5 digests and hexadecimal text, byte-compatible with the stored
// credentials (INI files, tbl_DBServer) and user password hashes of existing
// installations.
#include <string>

#include "platform/textcodec.h"

class Crypto {
  public:
    static constexpr const char* kEnhancedProvider =
        "Microsoft Enhanced Cryptographic Provider v1.0";
    static constexpr const char* kBaseProvider = "Microsoft Base Cryptographic Provider v1.0";

    const std::string& ProviderName() const { return providerName_; }
    // Only the two provider names are accepted; false (name unchanged) and
    // the error "Invalid Propery Value" otherwise.
    bool SetProviderName(const std::string& name);
    const std::string& ErrDescription() const { return errDescription_; }

    void Decrypt(const Bytes& key, const Bytes& cipher, Bytes& plain, bool& ok) const;
    void Encrypt(const Bytes& key, const Bytes& plain, Bytes& cipher, bool& ok) const;
    void HashMD5(const Bytes& data, Bytes& digest, bool& ok) const;

    static std::string BytesToHex(const Bytes& bytes);
    // Pairs of hexadecimal digits from the left; a pair that is not hex, or a
    // lone last digit, ends the conversion.
    static Bytes HexToBytes(const std::string& text);

  private:
    Bytes DeriveKey(const Bytes& key) const;

    std::string providerName_ = kEnhancedProvider;
    std::string errDescription_;
};

// The key under which stored database logins and passwords are enciphered.
extern const char* const kConnectionKey;

// HashPassword: MD5 of salt & password & salt in UTF-16LE, as 32 upper-case
// hexadecimal digits. False only when hashing failed.
bool HashPassword(const std::string& password, std::string& hash);
std::string HashPassword(const std::string& password);

// Deciphers hexadecimal credential text under the connection key; false when
// it cannot be deciphered.
bool DecryptCredential(const std::string& hexText, std::string& plain);
// The stored form of a credential: hexadecimal cipher text under the connection key.
std::string EncryptCredential(const std::string& plain);
