#include "launcher/signature_gate.h"

#include <windows.h>

#include "base/files/file_hold.h"
#include "base/files/file_path.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/code_signature.h"
#include "elevation_service/elevation_service_client.h"
#include "launcher/launch_result.h"

namespace corvane {

namespace {

// A valid signature whose signer is on the list: an other signer's valid
// signature is as good as none.
constexpr DWORD kOtherSignerError = static_cast<DWORD>(TRUST_E_EXPLICIT_DISTRUST);

const std::vector<std::string>& ProductSigners() {
  LoadElevationServiceInfo();
  return GetElevationServiceInfo().signatures;
}

bool DecideGate() {
  if (!OwnImageHasSignature()) {
    LOG(INFO) << "signature gate off: the launcher is not signed";
    return false;
  }
  FilePath exe;
  GetPath(FILE_EXE, &exe);
  const FileSignature own = CheckFileSignature(exe, nullptr);
  const std::string signer = WideToUTF8(own.signer);
  if (own.status != SignatureStatus::kValid || !IsAllowedSigner(signer, ProductSigners())) {
    LOG(WARNING) << "signature gate off: the launcher's own signature is not the product's: "
                 << signer << ", " << own.result;
    return false;
  }
  LOG(INFO) << "signature gate on: signed by " << signer;
  return true;
}

}  // namespace

bool SignatureGateOn() {
  static const bool on = DecideGate();
  return on;
}

bool CheckSignedProgram(const FilePath& program, const std::vector<std::string>& signatures,
                        FileHold* hold, std::string* reason) {
  // Read-only sharing: from here until the start nobody writes, renames or
  // deletes it, so the file started is the file checked.
  if (!hold->Hold(program)) {
    const DWORD error = GetLastError();
    *reason = "cannot be opened: " + std::to_string(error);
    SetLastError(error);
    return false;
  }
  const FileSignature signature = CheckFileSignature(program, hold->handle());
  const std::string signer = WideToUTF8(signature.signer);
  DWORD error = signature.result;
  switch (signature.status) {
    case SignatureStatus::kValid:
      if (IsAllowedSigner(signer, signatures)) return true;
      *reason = "signed by " + signer;
      error = kOtherSignerError;
      break;
    case SignatureStatus::kUnsigned:
      *reason = "unsigned";
      break;
    case SignatureStatus::kDamaged:
      *reason = "damaged";
      break;
    case SignatureStatus::kNotTrusted:
      *reason = "not trusted";
      break;
  }
  hold->Release();
  SetLastError(error);
  return false;
}

bool AdmitPrivilegedStart(const FilePath& program, bool elevated, FileHold* hold) {
  if (!elevated && !IsCurrentProcessElevated()) return true;
  if (!SignatureGateOn()) return true;
  std::string reason;
  if (CheckSignedProgram(program, ProductSigners(), hold, &reason)) return true;
  const DWORD error = GetLastError();
  const std::string path = program.AsUTF8Unsafe();
  LOG(ERROR) << "refused to start with elevated rights: " << path << ", " << reason;
  GetLaunchResult().AppendNote("[not started elevated:", path, ",", reason, "]");
  SetLastError(error);
  return false;
}

}  // namespace corvane
