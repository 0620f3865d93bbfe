// Who signed a program file, asked of the system's trust check without any
// user interface or network.

#ifndef BASE_WIN_CODE_SIGNATURE_H_
#define BASE_WIN_CODE_SIGNATURE_H_

#include <cstdint>
#include <string>

#include "base/files/file_path.h"

namespace corvane {

enum class SignatureStatus {
  kValid,       // a trusted signature over unchanged contents
  kUnsigned,    // no signature at all
  kDamaged,     // signed, but the contents changed since
  kNotTrusted,  // any other refusal of the trust check
};

struct FileSignature {
  SignatureStatus status = SignatureStatus::kNotTrusted;
  // The trust check's answer (an HRESULT; 0 for a valid signature).
  uint32_t result = 0;
  // The signer's simple display name; empty without a readable signer.
  std::wstring signer;
};

// WinVerifyTrust (generic verify, no UI, no revocation, cached URLs only) of
// |path|, read through |file| (an open handle to it, so that the bytes
// checked are the ones held) when that is not null.
FileSignature CheckFileSignature(const FilePath& path, void* file);

// Whether the running executable's image names a signature at all: a look at
// its loaded headers, nothing checked, nothing loaded.
bool OwnImageHasSignature();

}  // namespace corvane

#endif  // BASE_WIN_CODE_SIGNATURE_H_
