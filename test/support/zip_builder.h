// Small ZIP archives written by tests, with room for lies in the headers.

#ifndef TEST_SUPPORT_ZIP_BUILDER_H_
#define TEST_SUPPORT_ZIP_BUILDER_H_

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {
namespace test {

struct ZipMember {
  std::string name;
  std::string data;
  bool deflate = false;
  uint32_t claimed_size = 0;  // 0: the real uncompressed size
  bool bad_crc = false;
};

// A complete archive of |members| in order (stored or raw-deflated), with a
// central directory.
std::string BuildZip(const std::vector<ZipMember>& members);

}  // namespace test
}  // namespace corvane

#endif  // TEST_SUPPORT_ZIP_BUILDER_H_
