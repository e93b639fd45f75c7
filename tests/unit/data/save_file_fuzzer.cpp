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

  const dm::Lines lines = text.Read(bytes);
  for (const auto& line : lines)
    if (line.find_first_of(u"\r\n", 0, 3) != std::u16string::npos) std::abort();  // no break or NUL inside

  // A signed file must pass the check, yielding exactly the lines that were signed.
  const std::string signedBytes = dm::SignedFileBytes(bytes, text);
  const auto checked = dm::CheckedFileLines(text.Read(signedBytes));
  if (!checked || text.Write(*checked) != signedBytes.substr(34)) std::abort();

  // Signing a signed file changes nothing.
  if (dm::SignedFileBytes(signedBytes, text) != signedBytes) std::abort();
  return 0;
}
