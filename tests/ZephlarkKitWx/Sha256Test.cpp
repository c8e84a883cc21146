#include "Sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Vector
{
    std::string message;
    size_t repeat;
    const char* digest;
};

class Sha256Vectors : public testing::TestWithParam<Vector>
{
};

// Fed in pieces of 1 to 127 bytes, so that every boundary between the pieces and the 64-byte
// blocks (and the padding's spill into a second block) is crossed.
TEST_P(Sha256Vectors, MatchTheStandardDigests)
{
    std::string message;
    for (size_t i = 0; i < GetParam().repeat; ++i)
        message += GetParam().message;
    Sha256 sha;
    for (size_t at = 0, piece = 1; at < message.size(); at += piece, piece = piece % 127 + 1)
        sha.Add(message.data() + at, std::min(piece, message.size() - at));
    EXPECT_EQ(Sha256::Hex(sha.Finish()), GetParam().digest);
}

INSTANTIATE_TEST_SUITE_P(
    Fips180, Sha256Vectors,
    testing::Values(
        Vector{"", 1, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        Vector{"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 1,
               "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        Vector{"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklm"
               "nopqrlmnopqrsmnopqrstnopqrstu",
               1, "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        Vector{"a", 1000000, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"}));

} // namespace
