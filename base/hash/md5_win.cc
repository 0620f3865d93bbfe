#include "base/hash/md5.h"

#include <windows.h>
#include <bcrypt.h>

#include <limits>

namespace corvane {

namespace {

// Owners of the two BCrypt handles, so every path closes what it opened.
class ScopedAlgorithm {
 public:
  ScopedAlgorithm() {
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle_, BCRYPT_MD5_ALGORITHM, nullptr, 0)))
      handle_ = nullptr;
  }
  ~ScopedAlgorithm() {
    if (handle_) BCryptCloseAlgorithmProvider(handle_, 0);
  }
  ScopedAlgorithm(const ScopedAlgorithm&) = delete;
  ScopedAlgorithm& operator=(const ScopedAlgorithm&) = delete;
  BCRYPT_ALG_HANDLE get() const { return handle_; }

 private:
  BCRYPT_ALG_HANDLE handle_ = nullptr;
};

class ScopedHash {
 public:
  explicit ScopedHash(BCRYPT_ALG_HANDLE algorithm) {
    // A null object buffer lets the provider own the hash state.
    if (!BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &handle_, nullptr, 0, nullptr, 0, 0)))
      handle_ = nullptr;
  }
  ~ScopedHash() {
    if (handle_) BCryptDestroyHash(handle_);
  }
  ScopedHash(const ScopedHash&) = delete;
  ScopedHash& operator=(const ScopedHash&) = delete;
  BCRYPT_HASH_HANDLE get() const { return handle_; }

 private:
  BCRYPT_HASH_HANDLE handle_ = nullptr;
};

}  // namespace

bool MD5Sum(std::string_view data, MD5Digest* digest) {
  ScopedAlgorithm algorithm;
  if (!algorithm.get()) return false;
  ScopedHash hash(algorithm.get());
  if (!hash.get()) return false;
  // BCryptHashData takes at most a ULONG at a time.
  constexpr size_t kMaxChunk = std::numeric_limits<ULONG>::max();
  for (size_t done = 0; done < data.size();) {
    const size_t chunk = data.size() - done < kMaxChunk ? data.size() - done : kMaxChunk;
    auto* bytes = reinterpret_cast<PUCHAR>(const_cast<char*>(data.data() + done));
    if (!BCRYPT_SUCCESS(BCryptHashData(hash.get(), bytes, static_cast<ULONG>(chunk), 0)))
      return false;
    done += chunk;
  }
  MD5Digest result;
  if (!BCRYPT_SUCCESS(
          BCryptFinishHash(hash.get(), result.data(), static_cast<ULONG>(result.size()), 0)))
    return false;
  *digest = result;
  return true;
}

}  // namespace corvane
