// The signature gate: a signed launcher gives elevated rights only to
// programs signed by its product's companies (the "signatures" of the
// elevation service's description). An unsigned launcher (development and
// test builds) starts what it always started.

#ifndef LAUNCHER_SIGNATURE_GATE_H_
#define LAUNCHER_SIGNATURE_GATE_H_

#include <string>
#include <vector>

namespace corvane {

class FileHold;
class FilePath;

// True when |signer| (UTF-8) is exactly one of |signatures|.
bool IsAllowedSigner(const std::string& signer, const std::vector<std::string>& signatures);

// Whether the gate is on: this launcher's own image carries a valid
// signature by one of the product's companies. Decided once per process, at
// the first privileged start; logged then.
bool SignatureGateOn();

// Opens |program| so that nobody can change or remove it (|hold|) and checks
// its signature: true when it is valid and by one of |signatures|. Otherwise
// false, |hold| released, |reason| ("unsigned", "damaged", "not trusted",
// "signed by <name>", or the open's failure), the last error set.
bool CheckSignedProgram(const FilePath& program, const std::vector<std::string>& signatures,
                        FileHold* hold, std::string* reason);

// The launcher's launch admission: a start that asks for elevation, or any
// start while the launcher runs elevated, needs a program that passes
// CheckSignedProgram when the gate is on. A refusal notes the file and the
// reason in the launch result.
bool AdmitPrivilegedStart(const FilePath& program, bool elevated, FileHold* hold);

}  // namespace corvane

#endif  // LAUNCHER_SIGNATURE_GATE_H_
