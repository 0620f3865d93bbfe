#include "base/hash/md5.h"

#include "base/strings/string_number_conversions.h"

namespace corvane {

std::string MD5DigestToHex(const MD5Digest& digest) {
  return HexEncodeLower(digest.data(), digest.size());
}

}  // namespace corvane
