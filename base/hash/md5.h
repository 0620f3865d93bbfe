// MD5 digests (RFC 1321), computed by the operating system's provider.

#ifndef BASE_HASH_MD5_H_
#define BASE_HASH_MD5_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

using MD5Digest = std::array<uint8_t, 16>;

// The digest of |data|. False when the system's provider is unavailable;
// |digest| is left as it was then.
bool MD5Sum(std::string_view data, MD5Digest* digest);

// 32 lower-case hexadecimal digits, two per byte in byte order.
std::string MD5DigestToHex(const MD5Digest& digest);

}  // namespace corvane

#endif  // BASE_HASH_MD5_H_
