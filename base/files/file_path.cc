#include "base/files/file_path.h"

#include "base/strings/utf_string_conversions.h"

namespace corvane {

namespace {

bool IsDriveLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

}  // namespace

FilePath FilePath::FromUTF8Unsafe(std::string_view utf8) { return FilePath(UTF8ToWide(utf8)); }

size_t FilePath::DriveEnd() const {
  if (path_.size() >= 2 && path_[1] == L':' && IsDriveLetter(path_[0])) return 2;
  return 0;
}

bool FilePath::EndsWithSeparator() const { return !path_.empty() && IsSeparator(path_.back()); }

FilePath FilePath::StripTrailingSeparators() const {
  // A root separator ("\", "C:\") stays; a run of leading separators keeps
  // at most two (the UNC prefix).
  size_t drive = DriveEnd();
  size_t keep = drive + 1;
  std::wstring out = path_;
  size_t end = out.size();
  while (end > keep && IsSeparator(out[end - 1])) --end;
  // "\\" (two leading separators) keeps both; "\\\" keeps one.
  if (end == 1 && out.size() == 2 && IsSeparator(out[0]) && IsSeparator(out[1])) end = 2;
  out.resize(end);
  return FilePath(out);
}

FilePath FilePath::DirName() const {
  FilePath stripped = StripTrailingSeparators();
  std::wstring out = stripped.path_;
  size_t drive = stripped.DriveEnd();
  size_t last = out.find_last_of(L"\\/");
  if (last == std::wstring::npos || last < drive) {
    // No separator: the drive alone, or the current directory.
    out.resize(drive);
  } else if (last == drive) {
    // The root separator stays ("C:\", "\").
    out.resize(last + 1);
  } else if (last == drive + 1 && drive == 0 && IsSeparator(out[0])) {
    // "\\server": the UNC prefix stays.
    out.resize(last + 1);
  } else {
    out.resize(last);
    out = FilePath(out).StripTrailingSeparators().path_;
  }
  if (out.empty()) out = L".";
  return FilePath(out);
}

FilePath FilePath::BaseName() const {
  FilePath stripped = StripTrailingSeparators();
  std::wstring out = stripped.path_.substr(stripped.DriveEnd());
  size_t last = out.find_last_of(L"\\/");
  if (last != std::wstring::npos && last + 1 < out.size()) out.erase(0, last + 1);
  return FilePath(out);
}

FilePath FilePath::Append(std::wstring_view component) const {
  if (component.empty()) return *this;
  if (path_.empty() || path_ == L".") return FilePath(component);
  std::wstring out = path_;
  bool bare_drive = DriveEnd() == out.size();
  if (!IsSeparator(out.back()) && !IsSeparator(component.front()) && !bare_drive)
    out.push_back(kSeparator);
  out.append(component);
  return FilePath(out);
}

FilePath FilePath::Append(const FilePath& component) const { return Append(component.value()); }

FilePath FilePath::AppendASCII(std::string_view component) const {
  return Append(ASCIIToWide(component));
}

std::wstring FilePath::Extension() const {
  std::wstring base = BaseName().value();
  if (base == L"." || base == L"..") return std::wstring();
  size_t dot = base.rfind(kExtensionSeparator);
  if (dot == std::wstring::npos) return std::wstring();
  return base.substr(dot);
}

FilePath FilePath::RemoveExtension() const {
  std::wstring extension = Extension();
  if (extension.empty()) return *this;
  std::wstring out = StripTrailingSeparators().path_;
  out.resize(out.size() - extension.size());
  return FilePath(out);
}

FilePath FilePath::ReplaceExtension(std::wstring_view extension) const {
  std::wstring base = BaseName().value();
  if (path_.empty() || base.empty() || base == L"." || base == L"..") return FilePath();
  // From the stripped path, so "C:\dir\" gives "C:\dir.log" and not a
  // file named ".log" inside it.
  FilePath without = StripTrailingSeparators().RemoveExtension();
  if (extension.empty() || extension == L".") return without;
  std::wstring out = without.path_;
  if (extension.front() != kExtensionSeparator) out.push_back(kExtensionSeparator);
  out.append(extension);
  return FilePath(out);
}

bool FilePath::ReferencesParent() const {
  size_t start = 0;
  while (start <= path_.size()) {
    size_t end = path_.find_first_of(L"\\/", start);
    if (end == std::wstring::npos) end = path_.size();
    std::wstring_view component(path_.data() + start, end - start);
    // Windows drops trailing dots and spaces from a component, so ".. " and
    // "..." name the parent as well.
    if (component.size() >= 2 && component[0] == L'.' && component[1] == L'.' &&
        component.find_first_not_of(L". ") == std::wstring_view::npos) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

bool FilePath::IsAbsolute() const {
  size_t drive = DriveEnd();
  if (drive) return path_.size() > drive && IsSeparator(path_[drive]);
  // UNC: "\\server\share".
  return path_.size() >= 2 && IsSeparator(path_[0]) && IsSeparator(path_[1]);
}

std::string FilePath::AsUTF8Unsafe() const { return WideToUTF8(path_); }

}  // namespace corvane
