#include "launcher/localized_texts.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <utility>

#include <minizip/unzip.h>
#include <nlohmann/json.hpp>

#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"

namespace corvane {

namespace {

// Longest member name the archive reader looks up (bytes of UTF-8).
constexpr size_t kMaxMemberNameLength = 255;

constexpr char kIndexName[] = "i18n.json";
constexpr char kDefaultIndexKey[] = "default";

// Read-only stream over the archive bytes for minizip's I/O callbacks.
struct MemoryStream {
  const char* data = nullptr;
  size_t size = 0;
  size_t position = 0;
};

voidpf ZCALLBACK OpenStream(voidpf opaque, const char* /*filename*/, int mode) {
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
  MemoryStream* stream = static_cast<MemoryStream*>(opaque);
  stream->position = 0;
  return stream;
}

uLong ZCALLBACK ReadStream(voidpf /*opaque*/, voidpf handle, void* buffer, uLong size) {
  MemoryStream* stream = static_cast<MemoryStream*>(handle);
  size_t available = stream->size - stream->position;
  size_t count = std::min<size_t>(available, size);
  if (count > 0) std::memcpy(buffer, stream->data + stream->position, count);
  stream->position += count;
  return static_cast<uLong>(count);
}

uLong ZCALLBACK WriteStream(voidpf, voidpf, const void*, uLong) { return 0; }

long ZCALLBACK TellStream(voidpf /*opaque*/, voidpf handle) {
  return static_cast<long>(static_cast<MemoryStream*>(handle)->position);
}

long ZCALLBACK SeekStream(voidpf /*opaque*/, voidpf handle, uLong offset, int origin) {
  MemoryStream* stream = static_cast<MemoryStream*>(handle);
  size_t base = 0;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
      base = 0;
      break;
    case ZLIB_FILEFUNC_SEEK_CUR:
      base = stream->position;
      break;
    case ZLIB_FILEFUNC_SEEK_END:
      base = stream->size;
      break;
    default:
      return -1;
  }
  // Offsets are unsigned; a seek past the end is refused.
  if (offset > stream->size - base) return -1;
  stream->position = base + offset;
  return 0;
}

int ZCALLBACK CloseStream(voidpf, voidpf) { return 0; }

int ZCALLBACK StreamError(voidpf, voidpf) { return 0; }

std::unordered_map<std::string, std::wstring>& Texts() {
  static std::unordered_map<std::string, std::wstring>* texts =
      new std::unordered_map<std::string, std::wstring>();
  return *texts;
}

// Appends the string elements of |list| to |names|; false once an element is
// not a string (collecting stops there).
bool AppendNames(const nlohmann::json& list, std::vector<std::string>* names) {
  if (!list.is_array()) return true;
  for (const nlohmann::json& element : list) {
    if (!element.is_string()) return false;
    names->push_back(element.get<std::string>());
  }
  return true;
}

}  // namespace

struct ZipMemoryArchive::State {
  std::string bytes;
  MemoryStream stream;
  unzFile file = nullptr;
};

ZipMemoryArchive::ZipMemoryArchive(std::string bytes) : state_(new State) {
  state_->bytes = std::move(bytes);
  if (state_->bytes.empty()) return;
  state_->stream.data = state_->bytes.data();
  state_->stream.size = state_->bytes.size();
  zlib_filefunc_def functions = {};
  functions.zopen_file = OpenStream;
  functions.zread_file = ReadStream;
  functions.zwrite_file = WriteStream;
  functions.ztell_file = TellStream;
  functions.zseek_file = SeekStream;
  functions.zclose_file = CloseStream;
  functions.zerror_file = StreamError;
  functions.opaque = &state_->stream;
  state_->file = unzOpen2("memory", &functions);
}

ZipMemoryArchive::~ZipMemoryArchive() {
  if (state_->file) unzClose(state_->file);
}

bool ZipMemoryArchive::IsOpen() const { return state_->file != nullptr; }

bool ZipMemoryArchive::Locate(std::string_view name) {
  if (!state_->file || name.empty() || name.size() > kMaxMemberNameLength) return false;
  if (name.find('\0') != std::string_view::npos) return false;
  std::string member(name);
  std::replace(member.begin(), member.end(), '\\', '/');
  // 2: names compared without regard to ASCII case.
  return unzLocateFile(state_->file, member.c_str(), 2) == UNZ_OK;
}

bool ZipMemoryArchive::HasFile(std::string_view name) { return Locate(name); }

bool ZipMemoryArchive::ReadFile(std::string_view name, std::string* contents) {
  contents->clear();
  if (!Locate(name)) return false;
  unz_file_info info = {};
  if (unzGetCurrentFileInfo(state_->file, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
    return false;
  if (info.uncompressed_size == 0 || info.uncompressed_size > kMaxMemberSize) return false;
  if (unzOpenCurrentFile(state_->file) != UNZ_OK) return false;
  std::string data(info.uncompressed_size, '\0');
  size_t filled = 0;
  bool ok = true;
  while (filled < data.size()) {
    int read = unzReadCurrentFile(state_->file, &data[filled],
                                  static_cast<unsigned>(data.size() - filled));
    if (read <= 0) {
      ok = false;
      break;
    }
    filled += static_cast<size_t>(read);
  }
  // Closing checks the CRC of a completely read member.
  if (unzCloseCurrentFile(state_->file) != UNZ_OK) ok = false;
  if (!ok) return false;
  *contents = std::move(data);
  return true;
}

std::string NormalizeLocaleName(std::string_view locale) {
  std::string name(locale);
  static const std::pair<const char*, const char*> kPrefixes[] = {
      {"ar", "ar-SA"}, {"fr", "fr-FR"}, {"es", "es-ES"}, {"de", "de-DE"}, {"ru", "ru-RU"},
  };
  bool replaced = false;
  for (const auto& prefix : kPrefixes) {
    if (StartsWith(name, prefix.first)) {
      name = prefix.second;
      replaced = true;
      break;
    }
  }
  if (!replaced && StartsWith(name, "pt")) {
    name = StartsWith(name, "pt-br", CompareCase::INSENSITIVE_ASCII) ? "pt-BR" : "pt-PT";
  }
  return ToLowerASCII(name);
}

std::vector<std::string> ChooseLanguageFilesForLocale(std::string_view locale,
                                                      std::string_view index_bytes) {
  std::vector<std::string> names;
  nlohmann::json index =
      nlohmann::json::parse(index_bytes.begin(), index_bytes.end(), nullptr, false, false);
  if (index.is_discarded() || !index.is_object()) return names;
  std::string key = NormalizeLocaleName(locale);
  auto entry = index.find(key);
  if (entry != index.end() && !AppendNames(*entry, &names)) return names;
  auto fallback = index.find(kDefaultIndexKey);
  if (fallback != index.end()) AppendNames(*fallback, &names);
  return names;
}

std::vector<std::string> ChooseLanguageFiles(std::string_view index_bytes) {
  return ChooseLanguageFilesForLocale(GetUserLocaleName(), index_bytes);
}

bool InitLocalizedTextsForLocale(std::string_view locale, const ArchiveHasFileFunction& has_file,
                                 const ArchiveReadFileFunction& read_file) {
  if (!has_file(kIndexName)) return false;
  std::string index;
  if (!read_file(kIndexName, &index) || index.empty()) return false;
  std::vector<std::string> candidates = ChooseLanguageFilesForLocale(locale, index);
  std::string chosen;
  for (const std::string& candidate : candidates) {
    std::string name = "lang\\" + candidate + ".json";
    if (has_file(name)) {
      chosen = std::move(name);
      break;
    }
  }
  if (chosen.empty()) return false;
  std::string contents;
  if (!read_file(chosen, &contents) || contents.empty()) return false;
  nlohmann::json texts =
      nlohmann::json::parse(contents.begin(), contents.end(), nullptr, false, false);
  if (texts.is_discarded()) return false;
  std::unordered_map<std::string, std::wstring>& table = Texts();
  if (texts.is_object()) {
    // nlohmann's object keeps its members in ascending key order.
    for (const auto& member : texts.items()) {
      if (!member.value().is_string()) break;
      table[member.key()] = UTF8ToWide(member.value().get_ref<const std::string&>());
    }
  }
  return !table.empty();
}

bool InitLocalizedTexts(const ArchiveHasFileFunction& has_file,
                        const ArchiveReadFileFunction& read_file) {
  return InitLocalizedTextsForLocale(GetUserLocaleName(), has_file, read_file);
}

std::wstring LocalizedText(std::string_view key) {
  const std::unordered_map<std::string, std::wstring>& table = Texts();
  auto it = table.find(std::string(key));
  return it == table.end() ? std::wstring() : it->second;
}

void ClearLocalizedTexts() { Texts().clear(); }

}  // namespace corvane
