// The bytes of every result the substitute SDK posts, so that the receiving
// side can check what arrived: a 16-byte header of four little-endian 32-bit
// words (thread index, sequence number within the thread, sequence number
// across all threads, payload length), then byte i = (global + i) mod 256.
// Payloads shorter than the header hold only the pattern.

#ifndef ADDON_SDK_PAYLOAD_PATTERN_H_
#define ADDON_SDK_PAYLOAD_PATTERN_H_

#include <stddef.h>
#include <stdint.h>

namespace corvane {

constexpr size_t kPayloadHeaderSize = 16;

inline void StoreLittleEndian32(uint8_t* out, uint32_t value) {
  out[0] = static_cast<uint8_t>(value);
  out[1] = static_cast<uint8_t>(value >> 8);
  out[2] = static_cast<uint8_t>(value >> 16);
  out[3] = static_cast<uint8_t>(value >> 24);
}

inline void FillPayload(uint8_t* payload, size_t size, uint32_t thread_index, uint32_t sequence,
                        uint32_t global_sequence) {
  size_t start = 0;
  if (size >= kPayloadHeaderSize) {
    StoreLittleEndian32(payload, thread_index);
    StoreLittleEndian32(payload + 4, sequence);
    StoreLittleEndian32(payload + 8, global_sequence);
    StoreLittleEndian32(payload + 12, static_cast<uint32_t>(size));
    start = kPayloadHeaderSize;
  }
  for (size_t i = start; i < size; ++i) payload[i] = static_cast<uint8_t>(global_sequence + i);
}

}  // namespace corvane

#endif  // ADDON_SDK_PAYLOAD_PATTERN_H_
