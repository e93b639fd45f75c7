#include "pe_test_image.h"

#include <array>
#include <stdexcept>
#include <string>
#include <utility>

namespace dm::test {

TestImage::TestImage(std::uint32_t sectionSize) : sectionSize_(sectionSize), file_(kHeaderSize + sectionSize, 0) {
  PutFile16(0, 0x5A4D);
  PutFile32(0x3C, kNtOffset);
  PutFile32(kNtOffset, 0x00004550);
  PutFile16(kNtOffset + 4, 0x014C);
  PutFile16(kNtOffset + 6, 1);  // sections
  PutFile16(kNtOffset + 20, 224);  // optional header size
  PutFile16(kOptionalOffset, 0x010B);
  PutFile32(kOptionalOffset + 28, kImageBase);
  PutFile32(kOptionalOffset + 56, SizeOfImage());
  PutFile32(kOptionalOffset + 60, kHeaderSize);
  PutFile32(kOptionalOffset + 92, 16);  // data directories
  PutFile32(kSectionTableOffset + 8, sectionSize);
  PutFile32(kSectionTableOffset + 12, kSectionRva);
  PutFile32(kSectionTableOffset + 16, sectionSize);
  PutFile32(kSectionTableOffset + 20, kHeaderSize);
}

std::uint32_t TestImage::FileOffset(std::uint32_t rva, std::uint32_t size) const {
  if (rva < kSectionRva || rva + size > SizeOfImage()) throw std::out_of_range("test image write outside the section");
  return kHeaderSize + (rva - kSectionRva);
}

void TestImage::Put16(std::uint32_t rva, std::uint16_t value) { PutFile16(FileOffset(rva, 2), value); }
void TestImage::Put32(std::uint32_t rva, std::uint32_t value) { PutFile32(FileOffset(rva, 4), value); }

void TestImage::PutText(std::uint32_t rva, std::string_view text) {
  const std::uint32_t at = FileOffset(rva, static_cast<std::uint32_t>(text.size() + 1));
  for (std::size_t i = 0; i < text.size(); ++i) file_[at + i] = static_cast<std::uint8_t>(text[i]);
  file_[at + text.size()] = 0;
}

void TestImage::PutUtf16(std::uint32_t rva, std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) Put16(static_cast<std::uint32_t>(rva + 2 * i), text[i]);
}

void TestImage::SetDirectory(DirectoryIndex index, std::uint32_t rva, std::uint32_t size) {
  PutFile32(static_cast<std::uint32_t>(kOptionalOffset + 96 + 8 * index), rva);
  PutFile32(static_cast<std::uint32_t>(kOptionalOffset + 96 + 8 * index + 4), size);
}

void TestImage::SetEntryPoint(std::uint32_t rva) { PutFile32(kOptionalOffset + 16, rva); }

void TestImage::PutFile32(std::uint32_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) file_.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

void TestImage::PutFile16(std::uint32_t offset, std::uint16_t value) {
  file_.at(offset) = static_cast<std::uint8_t>(value);
  file_.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
}

std::vector<std::uint8_t> TestImage::Mapped() const {
  const ImageHeaders headers = ReadImageHeaders(file_);
  std::vector<std::uint8_t> image(headers.sizeOfImage);
  CopyHeadersAndSections(headers, file_, image);
  return image;
}

void RecordingResolver::BeginModule(const char* moduleName) { module_ = moduleName; }

std::uint32_t RecordingResolver::Resolve(const ImportName& import) {
  std::string call = module_;
  call += ':';
  if (import.byOrdinal) {
    call += '#';
    call += std::to_string(import.ordinal);
  } else {
    call += import.name;
  }
  calls.push_back(std::move(call));
  return nextAddress++;
}

void WalkWholeImage(std::span<const std::uint8_t> file, std::uint32_t maxImageSize) {
  const ImageHeaders headers = ReadImageHeaders(file);
  if (headers.sizeOfImage > maxImageSize) return;
  std::vector<std::uint8_t> image(headers.sizeOfImage);
  CopyHeadersAndSections(headers, file, image);
  ApplyRelocations(headers, image, 0x00A10000);
  RecordingResolver resolver;
  ResolveImports(headers, image, resolver);
  FindExportRva(headers, image, "DllGetClassObject");
  constexpr std::array<std::uint16_t, 5> languages{0x0407, 0x0409, 0x0409, 0, 1033};
  LocateResource(headers, image, 12, std::uint16_t{1}, languages);
  LocateResource(headers, image, 10, std::u16string_view(u"NAMEDDATA"), languages);
  ReadProductVersion(headers, image, languages);
}

}  // namespace dm::test
