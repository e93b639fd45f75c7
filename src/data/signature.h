#pragma once
// Save-file signatures: the reversed upper-case hex MD5 of a file's lines. Portable.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "data/md5.h"

namespace dm {

// MD5 over the first N bytes of the UTF-16LE form of text, N being its length in code units. Stored
// files were signed this way, so it must stay so.
Md5Digest TextDigest(std::u16string_view text);

std::u16string BytesToHex(const std::uint8_t* bytes, std::size_t count);
std::u16string ReverseString(std::u16string_view text);

// The 32-character signature line of a file whose other lines, as line text, are signedText.
std::u16string FileSignature(std::u16string_view signedText);

// A file whose first line starts with "<data" is unsigned: the movie's own content and the marker.
bool IsUnsignedFile(std::u16string_view lineText);

inline constexpr std::u16string_view kCorruptedMarker = u"<data corrupted=\"true\"></data>";

}  // namespace dm
