#ifndef BASE_FILES_FILE_PATH_H_
#define BASE_FILES_FILE_PATH_H_

#include <iosfwd>
#include <string>
#include <string_view>

namespace corvane {

// A Windows path held as wide text. Both '\' and '/' separate components; a
// leading letter and colon is a drive. Operations are purely textual: nothing
// here touches the disk.
class FilePath {
 public:
  using StringType = std::wstring;
  static constexpr wchar_t kSeparator = L'\\';
  static constexpr wchar_t kExtensionSeparator = L'.';

  FilePath() = default;
  explicit FilePath(std::wstring_view path) : path_(path) {}

  static FilePath FromUTF8Unsafe(std::string_view utf8);

  const std::wstring& value() const { return path_; }
  bool empty() const { return path_.empty(); }

  // Everything before the last separator (without it). A separator that ends
  // a root ("C:\", "\") is kept. No separator: "." (or the drive, "C:").
  FilePath DirName() const;
  // The last component (trailing separators ignored). "C:\" -> "\".
  FilePath BaseName() const;

  // Joins with one '\' inserted when needed. Appending to an empty path yields
  // the component itself.
  FilePath Append(std::wstring_view component) const;
  FilePath Append(const FilePath& component) const;
  FilePath AppendASCII(std::string_view component) const;

  // Extension of the base name including its dot ("" when none; the names "."
  // and ".." have none).
  std::wstring Extension() const;
  FilePath RemoveExtension() const;
  // Drops the text from the last dot of the base name and adds |extension|,
  // putting a dot in front unless it starts with one. "." and ".." and the
  // empty path give an empty path. An empty |extension| just removes.
  FilePath ReplaceExtension(std::wstring_view extension) const;

  // True when any component is exactly "..".
  bool ReferencesParent() const;
  bool IsAbsolute() const;
  bool EndsWithSeparator() const;
  FilePath StripTrailingSeparators() const;

  std::string AsUTF8Unsafe() const;

  static bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

  bool operator==(const FilePath& other) const { return path_ == other.path_; }
  bool operator!=(const FilePath& other) const { return path_ != other.path_; }
  bool operator<(const FilePath& other) const { return path_ < other.path_; }

 private:
  // Index just past the drive letter and colon, 0 when there is none.
  size_t DriveEnd() const;

  std::wstring path_;
};

// Streams the path as UTF-8 into a standard stream (test messages); a
// template, so that only a program that streams a path carries the standard
// streams. LOG takes paths without it.
template <typename Char, typename Traits>
std::basic_ostream<Char, Traits>& operator<<(std::basic_ostream<Char, Traits>& out,
                                             const FilePath& path) {
  return out << path.AsUTF8Unsafe();
}

}  // namespace corvane

#endif  // BASE_FILES_FILE_PATH_H_
