#include "registry/crypto.h"

#include <gtest/gtest.h>

// The expected texts were computed independently of this code with Python's
// hashlib.md5 and a ten-line RC4 written from the algorithm's description:
//   md5((salt + pw + salt).encode('utf-16-le')).hexdigest().upper()
//   rc4(md5(key.encode('utf-16-le')).digest(), text.encode('utf-16-le')).hex().upper()
namespace {

TEST(CryptoTest, HexConversionBothWays) {
    EXPECT_EQ(Crypto::BytesToHex({0, 10, 255}), "000AFF");
    EXPECT_EQ(Crypto::HexToBytes("000AFF"), (Bytes{0, 10, 255}));
    EXPECT_EQ(Crypto::HexToBytes("0aff"), (Bytes{10, 255}));
}

TEST(CryptoTest, PasswordHashesMatchIndependentValues) {
    EXPECT_EQ(HashPassword(""), "09E94AB523336A9928386057A039CCA6");
    EXPECT_EQ(HashPassword("demo123"), "DD1BA474991911937748845D32170E5C");
    EXPECT_EQ(HashPassword("Admin#2024"), "96F31884F0BFEA69A2D8E062631979A6");
}

TEST(CryptoTest, CredentialsDecipherAndRoundTrip) {
    std::string plain;
    ASSERT_TRUE(DecryptCredential("59F25840", plain));
    EXPECT_EQ(plain, "sa");
    ASSERT_TRUE(DecryptCredential("79F25C40D11A302C769DBEDD488100D4", plain));
    EXPECT_EQ(plain, "Secret'1");
    EXPECT_EQ(EncryptCredential("Secret'1"), "79F25C40D11A302C769DBEDD488100D4");
    EXPECT_FALSE(DecryptCredential("59F258", plain));  // odd number of UTF-16 bytes
    EXPECT_FALSE(DecryptCredential("XYZ1", plain));    // not hexadecimal
}

TEST(CryptoTest, RC4IsSymmetricAndKeepsTheLength) {
    Crypto c;
    Bytes key = {1, 2, 3}, plain = {10, 20, 30, 40, 50}, cipher, back;
    bool ok = false;
    c.Encrypt(key, plain, cipher, ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(cipher.size(), plain.size());
    EXPECT_NE(cipher, plain);
    c.Decrypt(key, cipher, back, ok);
    EXPECT_EQ(back, plain);
    EXPECT_FALSE(c.SetProviderName("Other Provider"));
    EXPECT_EQ(c.ErrDescription(), "Invalid Propery Value");
    EXPECT_TRUE(c.SetProviderName(Crypto::kBaseProvider));
}

}  // namespace
