#include <windows.h>

#include <memory>
#include <string>

#include "base/strings/utf_string_conversions.h"
#include "base/zip/zip_memory_archive.h"
#include "launcher/localized_texts.h"

namespace corvane {

namespace {

// Buffer size for GetUserDefaultLocaleName (LOCALE_NAME_MAX_LENGTH).
constexpr int kLocaleNameBufferSize = 85;

// Where the archive lives and, once found, the archive over a private copy of
// the resource bytes. Used on the main thread during start-up only.
class ResourceArchive {
 public:
  static ResourceArchive& Get() {
    static ResourceArchive* instance = new ResourceArchive();
    return *instance;
  }

  void Set(HMODULE module, int resource_id) {
    module_ = module;
    resource_id_ = resource_id;
    archive_.reset();
  }

  // The open archive, or nullptr when the resource is missing or empty.
  ZipMemoryArchive* archive() {
    if (!archive_) Load();
    return archive_.get();
  }

 private:
  ResourceArchive() = default;

  void Load() {
    if (resource_id_ <= 0) return;
    HRSRC resource = FindResourceW(module_, MAKEINTRESOURCEW(resource_id_), RT_RCDATA);
    if (!resource) return;
    HGLOBAL loaded = LoadResource(module_, resource);
    if (!loaded) return;
    DWORD size = SizeofResource(module_, resource);
    const void* data = LockResource(loaded);
    if (!data || size == 0) return;
    auto archive = std::make_unique<ZipMemoryArchive>(
        std::string(static_cast<const char*>(data), static_cast<size_t>(size)));
    // Bytes that do not form an archive stay unused; the next use looks again.
    if (archive->IsOpen()) archive_ = std::move(archive);
  }

  HMODULE module_ = nullptr;
  int resource_id_ = 0;
  std::unique_ptr<ZipMemoryArchive> archive_;
};

}  // namespace

void SetResourceArchive(void* module, int resource_id) {
  ResourceArchive::Get().Set(static_cast<HMODULE>(module), resource_id);
}

bool ArchiveHasFile(std::string_view name) {
  ZipMemoryArchive* archive = ResourceArchive::Get().archive();
  return archive && archive->HasFile(name);
}

bool ArchiveReadFile(std::string_view name, std::string* contents) {
  contents->clear();
  ZipMemoryArchive* archive = ResourceArchive::Get().archive();
  return archive && archive->ReadFile(name, contents);
}

std::string GetUserLocaleName() {
  wchar_t buffer[kLocaleNameBufferSize] = {};
  int length = GetUserDefaultLocaleName(buffer, kLocaleNameBufferSize);
  // The length counts the terminating NUL.
  if (length <= 1) return std::string();
  return WideToUTF8(std::wstring_view(buffer, static_cast<size_t>(length - 1)));
}

}  // namespace corvane
