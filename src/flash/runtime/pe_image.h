#pragma once
// The walker of 32-bit Windows module images: headers, sections, base relocations, imports, exports,
// resources and the product version. Portable (no Windows headers): the in-memory loader maps modules
// with it, and the fuzzer runs it on arbitrary bytes. Every read and write is bounds-checked; anything
// malformed raises ImageError.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <variant>
#include <vector>

#include "ui/error.h"

namespace dm {

class ImageError : public Error {
 public:
  explicit ImageError(std::string_view what);
};

// Little-endian reads of a byte range. Offsets and sizes are 64-bit so that no sum of 32-bit fields
// taken from the image can wrap around.
class ImageReader {
 public:
  explicit ImageReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint64_t Size() const { return bytes_.size(); }
  bool Contains(std::uint64_t offset, std::uint64_t size) const;
  std::uint16_t U16(std::uint64_t offset) const;
  std::uint32_t U32(std::uint64_t offset) const;
  std::span<const std::uint8_t> Bytes(std::uint64_t offset, std::uint64_t size) const;
  // A NUL-terminated 8-bit string that must end inside the range; the view excludes the NUL, and its
  // data() is NUL-terminated.
  std::string_view CString(std::uint64_t offset) const;

 private:
  void Require(std::uint64_t offset, std::uint64_t size) const;

  std::span<const std::uint8_t> bytes_;
};

struct DataDirectory {
  std::uint32_t rva = 0;
  std::uint32_t size = 0;
};

enum DirectoryIndex : std::size_t {
  kExportDirectory = 0,
  kImportDirectory = 1,
  kResourceDirectory = 2,
  kBaseRelocationDirectory = 5,
};

struct SectionHeader {
  std::uint32_t virtualSize = 0;
  std::uint32_t virtualAddress = 0;
  std::uint32_t sizeOfRawData = 0;
  std::uint32_t pointerToRawData = 0;
};

struct ImageHeaders {
  std::uint32_t imageBase = 0;
  std::uint32_t sizeOfImage = 0;
  std::uint32_t sizeOfHeaders = 0;
  std::uint32_t addressOfEntryPoint = 0;
  std::array<DataDirectory, 16> directories{};
  std::vector<SectionHeader> sections;
};

// The largest image the walker accepts; far above any real runtime, low enough to allocate.
inline constexpr std::uint32_t kMaxImageSize = 256u << 20;

// Reads and checks the headers of a module file (or of a mapped image, whose headers are the file's).
ImageHeaders ReadImageHeaders(std::span<const std::uint8_t> file);

// Lays the file out in the image (image.size() == sizeOfImage): the headers, then each section,
// zero-filled to its virtual size.
void CopyHeadersAndSections(const ImageHeaders& headers, std::span<const std::uint8_t> file,
                            std::span<std::uint8_t> image);

// Adds delta (image address - preferred base, modulo 2^32) to every 32-bit fix-up of the image.
void ApplyRelocations(const ImageHeaders& headers, std::span<std::uint8_t> image, std::uint32_t delta);

struct ImportName {
  bool byOrdinal = false;
  std::uint16_t ordinal = 0;  // when byOrdinal
  const char* name = nullptr;  // when not byOrdinal: NUL-terminated, inside the image
};

// Supplies the addresses written into the image's import address tables.
class ImportResolver {
 public:
  // Once per import descriptor, before its entries; moduleName is NUL-terminated, inside the image.
  virtual void BeginModule(const char* moduleName) = 0;
  // The address for one entry of the module last begun; 0 leaves the entry null.
  virtual std::uint32_t Resolve(const ImportName& import) = 0;

 protected:
  ~ImportResolver() = default;
};

void ResolveImports(const ImageHeaders& headers, std::span<std::uint8_t> image, ImportResolver& resolver);

// Image-relative address of the function exported under exactly this name; none when the image has no
// export directory, no such name, or an empty slot for it.
std::optional<std::uint32_t> FindExportRva(const ImageHeaders& headers, std::span<const std::uint8_t> image,
                                           std::string_view name);

// A resource name: an integer identifier or a text name (compared case-sensitively).
using ResourceName = std::variant<std::uint16_t, std::u16string_view>;

struct ResourceData {
  std::uint32_t rva = 0;
  std::uint32_t size = 0;
};

// The first of the languages, in the order given, for which the resource exists.
std::optional<ResourceData> LocateResource(const ImageHeaders& headers, std::span<const std::uint8_t> image,
                                         std::uint16_t type, const ResourceName& name,
                                         std::span<const std::uint16_t> languages);

// Packed product version of the image's version resource (type 16, name 1); 0 when it has none.
std::uint32_t ReadProductVersion(const ImageHeaders& headers, std::span<const std::uint8_t> image,
                                 std::span<const std::uint16_t> languages);

}  // namespace dm
