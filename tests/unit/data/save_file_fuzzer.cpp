// Arbitrary file bytes through the reading rule, both passes' per-file logic and the writing rule.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "data/signature.h"
#include "data/signing_passes.h"
#include "test_code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const dm::test::Latin1CodePage ansi;
  static const dm::SaveFileText text(ansi);
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // Line text: no NUL, and every CR is the start of a CR LF that ends a line.
  const std::u16string lines = text.Read(bytes);
  if (!lines.empty() && !lines.ends_with(u"\r\n")) std::abort();
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i] == u'\0' || (lines[i] == u'\r') != (i + 1 < lines.size() && lines[i + 1] == u'\n') ||
        (lines[i] == u'\n' && (i == 0 || lines[i - 1] != u'\r')))
      std::abort();

  // A signed file must pass the check, yielding exactly the lines that were signed.
  const std::string signedBytes = dm::SignedFileBytes(bytes, text);
  const auto checked = dm::CheckedFileText(text.Read(signedBytes));
  if (!checked || text.Write(*checked) != signedBytes.substr(34)) std::abort();

  // Signing a signed file changes nothing.
  if (dm::SignedFileBytes(signedBytes, text) != signedBytes) std::abort();
  return 0;
}
