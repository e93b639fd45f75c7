#pragma once
// A minimal 32-bit module image built in memory: headers and one section whose content the test lays
// out. Also the whole walk over an image, shared by the walker's tests and its fuzzer.
#include <cstdint>
#include <string_view>
#include <vector>

#include "flash/runtime/pe_image.h"

namespace dm::test {

class TestImage {
 public:
  static constexpr std::uint32_t kNtOffset = 0x40;
  static constexpr std::uint32_t kOptionalOffset = kNtOffset + 24;
  static constexpr std::uint32_t kSectionTableOffset = kOptionalOffset + 224;
  static constexpr std::uint32_t kHeaderSize = 0x200;
  static constexpr std::uint32_t kSectionRva = 0x1000;
  static constexpr std::uint32_t kImageBase = 0x10000000;

  explicit TestImage(std::uint32_t sectionSize = 0x1000);

  // Writes into the section's content at an image-relative address.
  void Put16(std::uint32_t rva, std::uint16_t value);
  void Put32(std::uint32_t rva, std::uint32_t value);
  void PutText(std::uint32_t rva, std::string_view text);  // with its NUL
  void PutUtf16(std::uint32_t rva, std::u16string_view text);  // without a NUL

  void SetDirectory(DirectoryIndex index, std::uint32_t rva, std::uint32_t size);
  void SetEntryPoint(std::uint32_t rva);
  // Writes a header field at a file offset (for damaging the headers).
  void PutFile32(std::uint32_t offset, std::uint32_t value);
  void PutFile16(std::uint32_t offset, std::uint16_t value);

  std::vector<std::uint8_t>& File() { return file_; }
  std::uint32_t SizeOfImage() const { return kSectionRva + sectionSize_; }

  // Headers read and the file laid out as the loader does it, before relocation.
  std::vector<std::uint8_t> Mapped() const;

 private:
  std::uint32_t FileOffset(std::uint32_t rva, std::uint32_t size) const;

  std::uint32_t sectionSize_;
  std::vector<std::uint8_t> file_;
};

// Records the import walk and answers with made-up addresses.
class RecordingResolver final : public ImportResolver {
 public:
  void BeginModule(const char* moduleName) override;
  std::uint32_t Resolve(const ImportName& import) override;

  std::vector<std::string> calls;  // "module:Name" or "module:#7"
  std::uint32_t nextAddress = 0xA0000000;

 private:
  std::string module_;
};

// Runs every step of the walker over arbitrary bytes, as the loader and the runtime's look-ups would.
// Raises ImageError for anything malformed.
void WalkWholeImage(std::span<const std::uint8_t> file, std::uint32_t maxImageSize = kMaxImageSize);

}  // namespace dm::test
