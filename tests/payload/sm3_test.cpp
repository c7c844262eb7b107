#include <gtest/gtest.h>

#include <string>

#include "payload/sm3.h"

namespace {

std::string Hex(const uint8_t* digest)
{
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (int i = 0; i < kSm3Size; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 15];
    }
    return hex;
}

TEST(Sm3, MatchesTheStandardsExamples)
{
    struct Case {
        std::string message;
        const char* digest;
    } cases[] = {
        {"abc", "66c7f0f462eeedd9d1f2d46bdc10e4e24167c4875cf2f7a2297da02b8f4ba8e0"},
        {std::string(16 * 4, ' ').replace(0, 64, "abcdabcdabcdabcdabcdabcdabcdabcdabcdabcdabcdabcdabcdabcdabcdabcd"),
         "debe9ff92275b8a138604889c18e5a4d6fdb70e5387e5765293dcba39c0c5732"},
    };
    for (const Case& c : cases) {
        uint8_t digest[kSm3Size];
        ComputeSm3(c.message.data(), c.message.size(), digest);
        EXPECT_EQ(Hex(digest), c.digest);

        Sm3Hasher hasher;
        ASSERT_TRUE(hasher.Ok());
        for (char ch : c.message)
            hasher.Update(&ch, 1);
        hasher.Final(digest);
        EXPECT_EQ(Hex(digest), c.digest);
    }
}

}  // namespace
