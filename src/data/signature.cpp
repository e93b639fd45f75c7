#include "data/signature.h"

#include <bit>

namespace dm {

// The UTF-16LE form of the text is its own memory on the little-endian machines we build for.
static_assert(std::endian::native == std::endian::little);

Md5Digest TextDigest(std::u16string_view text) {
  return md5({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

std::u16string BytesToHex(const std::uint8_t* bytes, std::size_t count) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string hex(2 * count, u'0');
  for (std::size_t i = 0; i < count; ++i) {
    hex[2 * i] = kDigits[bytes[i] >> 4];
    hex[2 * i + 1] = kDigits[bytes[i] & 0x0F];
  }
  return hex;
}

std::u16string ReverseString(std::u16string_view text) { return std::u16string(text.rbegin(), text.rend()); }

std::u16string FileSignature(std::u16string_view signedText) {
  const Md5Digest digest = TextDigest(signedText);
  return ReverseString(BytesToHex(digest.data(), digest.size()));
}

bool IsUnsignedFile(std::u16string_view lineText) { return lineText.starts_with(u"<data"); }

}  // namespace dm
