#include "base/hash/md5.h"

#include <string>

#include <gtest/gtest.h>

namespace corvane {
namespace {

std::string MD5Hex(const std::string& input) {
  MD5Digest digest{};
  EXPECT_TRUE(MD5Sum(input, &digest)) << "length " << input.size();
  return MD5DigestToHex(digest);
}

TEST(MD5Test, Rfc1321AndBlockBoundaryVectors) {
  const struct {
    std::string input;
    const char* digest;
  } kCases[] = {
      // The test suite of RFC 1321, appendix A.5.
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"1234567890123456789012345678901234567890123456789012345678901234567890"
       "1234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
      // Around the padding boundary (length field in the same or the next block).
      {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
      {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
      {std::string(63, 'a'), "b06521f39153d618550606be297466d5"},
      {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
      {std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435"},
  };
  for (const auto& c : kCases) EXPECT_EQ(c.digest, MD5Hex(c.input)) << "length " << c.input.size();
}

TEST(MD5Test, AllByteValues) {
  std::string input;
  for (int repeat = 0; repeat < 4; ++repeat) {
    for (int byte = 0; byte < 256; ++byte) input.push_back(static_cast<char>(byte));
  }
  EXPECT_EQ("b2ea9f7fcea831a4a63b213f41a8855b", MD5Hex(input));
}

}  // namespace
}  // namespace corvane
