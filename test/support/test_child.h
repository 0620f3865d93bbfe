// The test child (test/child) plays every outside program: copies of it are
// placed where the launcher looks, steered by "<stem>.control.json" beside
// the copy, and each start appends one JSON line to "<stem>.record.jsonl".

#ifndef TEST_SUPPORT_TEST_CHILD_H_
#define TEST_SUPPORT_TEST_CHILD_H_

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/files/file_path.h"

namespace corvane {
namespace test {

// The test child built beside the running test binary.
FilePath TestChildPath();

// Copies the test child to |exe| (making its directory) and writes
// |control_json| beside it when not empty. False when a step failed.
bool PlaceTestChild(const FilePath& exe, const std::string& control_json);

// The same at |directory|\|name|; returns the copy, or an empty path.
FilePath InstallTestChild(const FilePath& directory, const std::wstring& name,
                          const std::string& control_json);

// The record lines the copy at |exe| wrote so far, as text ("" when none).
std::string ReadChildRecordText(const FilePath& exe);

// The same, one parsed object per start; lines that do not parse are left out.
std::vector<nlohmann::json> ReadChildRecords(const FilePath& exe);

}  // namespace test
}  // namespace corvane

#endif  // TEST_SUPPORT_TEST_CHILD_H_
