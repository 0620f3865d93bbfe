// Reading a ZIP archive that is already in memory (an embedded resource).

#ifndef BASE_ZIP_ZIP_MEMORY_ARCHIVE_H_
#define BASE_ZIP_ZIP_MEMORY_ARCHIVE_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace corvane {

// Read-only ZIP archive over bytes in memory (stored and deflated members).
// Member names match without regard to ASCII case.
class ZipMemoryArchive {
 public:
  // Members larger than this are refused rather than allocated.
  static constexpr size_t kMaxMemberSize = 64u << 20;

  // Takes the archive bytes; IsOpen() tells whether they form an archive.
  explicit ZipMemoryArchive(std::string bytes);
  ~ZipMemoryArchive();
  ZipMemoryArchive(const ZipMemoryArchive&) = delete;
  ZipMemoryArchive& operator=(const ZipMemoryArchive&) = delete;

  bool IsOpen() const;
  bool HasFile(std::string_view name);
  bool ReadFile(std::string_view name, std::string* contents);

 private:
  struct State;
  bool Locate(std::string_view name);

  std::unique_ptr<State> state_;
};

}  // namespace corvane

#endif  // BASE_ZIP_ZIP_MEMORY_ARCHIVE_H_
