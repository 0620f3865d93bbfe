#include "test/support/zip_builder.h"

#include <zlib.h>

namespace corvane {
namespace test {

namespace {

void Put16(std::string* out, uint32_t value) {
  out->push_back(static_cast<char>(value & 0xFF));
  out->push_back(static_cast<char>((value >> 8) & 0xFF));
}

void Put32(std::string* out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// Empty when zlib fails, which a test then sees as a member that does not read.
std::string RawDeflate(const std::string& data) {
  z_stream stream = {};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    return std::string();
  std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
  stream.avail_out = static_cast<uInt>(out.size());
  const bool finished = deflate(&stream, Z_FINISH) == Z_STREAM_END;
  out.resize(finished ? stream.total_out : 0);
  deflateEnd(&stream);
  return out;
}

}  // namespace

std::string BuildZip(const std::vector<ZipMember>& members) {
  std::string out;
  std::string central;
  for (const ZipMember& m : members) {
    std::string payload = m.deflate ? RawDeflate(m.data) : m.data;
    uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), static_cast<uInt>(m.data.size())));
    if (m.bad_crc) crc ^= 1;
    uint32_t size = m.claimed_size ? m.claimed_size : static_cast<uint32_t>(m.data.size());
    uint32_t offset = static_cast<uint32_t>(out.size());
    auto common = [&](std::string* header) {
      Put16(header, 20);                 // version needed
      Put16(header, 0);                  // flags
      Put16(header, m.deflate ? 8 : 0);  // method
      Put16(header, 0);                  // time
      Put16(header, 0x21);               // date: 1980-01-01
      Put32(header, crc);
      Put32(header, static_cast<uint32_t>(payload.size()));
      Put32(header, size);
      Put16(header, static_cast<uint32_t>(m.name.size()));
      Put16(header, 0);  // extra length
    };
    Put32(&out, 0x04034b50);
    common(&out);
    out += m.name;
    out += payload;

    Put32(&central, 0x02014b50);
    Put16(&central, 20);  // version made by
    common(&central);
    Put16(&central, 0);  // comment length
    Put16(&central, 0);  // disk
    Put16(&central, 0);  // internal attributes
    Put32(&central, 0);  // external attributes
    Put32(&central, offset);
    central += m.name;
  }
  uint32_t central_offset = static_cast<uint32_t>(out.size());
  out += central;
  Put32(&out, 0x06054b50);
  Put16(&out, 0);
  Put16(&out, 0);
  Put16(&out, static_cast<uint32_t>(members.size()));
  Put16(&out, static_cast<uint32_t>(members.size()));
  Put32(&out, static_cast<uint32_t>(central.size()));
  Put32(&out, central_offset);
  Put16(&out, 0);
  return out;
}

}  // namespace test
}  // namespace corvane
