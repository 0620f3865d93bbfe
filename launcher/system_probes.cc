#include "launcher/system_probes.h"

namespace corvane {

const wchar_t kSystemErrorTextExtraChars[] = L"*./:<>?\\|";
// " - 系统错误": the title a Chinese-language system gives the loader's box.
const wchar_t kSystemErrorTitleSuffix[] = L" - \u7cfb\u7edf\u9519\u8bef";

namespace {

bool IsKeptSystemErrorChar(wchar_t c) {
  if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9')) return true;
  for (const wchar_t* extra = kSystemErrorTextExtraChars; *extra; ++extra) {
    if (*extra == c) return true;
  }
  return false;
}

}  // namespace

std::wstring FilterSystemErrorText(std::wstring_view text) {
  std::wstring kept;
  for (wchar_t c : text) {
    if (IsKeptSystemErrorChar(c)) kept.push_back(c);
  }
  return kept;
}

}  // namespace corvane
