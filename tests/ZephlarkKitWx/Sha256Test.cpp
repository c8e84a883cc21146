#include "Sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Fed in pieces of 1 to 127 bytes, so that every boundary between the pieces and the 64-byte
// blocks is crossed.
std::string Digest(const std::string& message)
{
    Sha256 sha;
    for (size_t at = 0, piece = 1; at < message.size(); at += piece, piece = piece % 127 + 1)
        sha.Add(message.data() + at, std::min(piece, message.size() - at));
    return Sha256::Hex(sha.Finish());
}

TEST(Sha256, MatchesTheStandardDigests)
{
    // 56 bytes: the padding spills into a second block.
    EXPECT_EQ(Digest("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Digest(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

} // namespace
