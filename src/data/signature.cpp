#include "data/signature.h"

#include <algorithm>
#include <array>

namespace dm {

Md5Digest TextDigest(std::u16string_view text) {
  const std::size_t byteCount = text.size();
  Md5 hash;
  std::array<std::uint8_t, 1024> chunk;
  for (std::size_t done = 0; done < byteCount;) {
    std::size_t size = std::min(chunk.size(), byteCount - done);  // done and size stay even until the end
    for (std::size_t i = 0; i < size; ++i) {
      char16_t unit = text[(done + i) / 2];
      chunk[i] = static_cast<std::uint8_t>((done + i) % 2 == 0 ? unit & 0xFF : unit >> 8);
    }
    hash.Update({chunk.data(), size});
    done += size;
  }
  return hash.Finish();
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

std::u16string FileSignature(const Lines& lines) {
  const Md5Digest digest = TextDigest(JoinLines(lines));
  return ReverseString(BytesToHex(digest.data(), digest.size()));
}

bool IsUnsignedFirstLine(std::u16string_view line) { return line.starts_with(u"<data"); }

}  // namespace dm
