#include "base/zip/zip_memory_archive.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include <minizip/unzip.h>

namespace corvane {

namespace {

// Longest member name the archive reader looks up (bytes of UTF-8).
constexpr size_t kMaxMemberNameLength = 255;

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

}  // namespace corvane
