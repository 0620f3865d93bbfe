#include "base/hash/md5.h"

namespace corvane {

std::string MD5DigestToHex(const MD5Digest& digest) {
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  text.reserve(digest.size() * 2);
  for (uint8_t byte : digest) {
    text.push_back(kHex[byte >> 4]);
    text.push_back(kHex[byte & 0xf]);
  }
  return text;
}

}  // namespace corvane
