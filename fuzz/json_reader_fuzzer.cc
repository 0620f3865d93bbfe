// The JSON reader in every dialect: no memory error, a failure names a known
// error, and whatever is accepted is valid UTF-8 that the strict dialect
// reads back to the same value.

#include "base/json/json_reader.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane;
  fuzz::QuietLogging();
  fuzz::InputReader input(data, size);
  // All option bits, so that every dialect and every mix of them is reached.
  int options = input.TakeByte() & 0x3F;
  nlohmann::json value;
  JsonReadError error;
  if (!ParseJson(input.rest(), options, &value, &error)) {
    FUZZ_CHECK(value.is_null());
    FUZZ_CHECK(!JsonErrorMessage(error.code).empty());
    FUZZ_CHECK(error.line >= 1 && error.column >= 1);
    return 0;
  }
  // dump() refuses invalid UTF-8 with an exception: that would be a finding.
  std::string text = value.dump();
  nlohmann::json again;
  FUZZ_CHECK(ParseJson(text, JSON_PARSE_RFC, &again, &error));
  FUZZ_CHECK(again == value);
  return 0;
}
