#include "launcher/signature_gate.h"

#include <algorithm>

namespace corvane {

bool IsAllowedSigner(const std::string& signer, const std::vector<std::string>& signatures) {
  return !signer.empty() &&
         std::find(signatures.begin(), signatures.end(), signer) != signatures.end();
}

}  // namespace corvane
