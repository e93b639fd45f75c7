#include "flash/runtime/pe_image.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "flash/runtime/product_version.h"

namespace dm {

namespace {

std::wstring ImageErrorText(std::string_view what) {
  std::wstring text = L"Invalid module image: ";
  text.append(what.begin(), what.end());
  return text;
}

constexpr std::uint16_t kMachineI386 = 0x014C;
constexpr std::uint16_t kOptionalHeaderMagicPe32 = 0x010B;
constexpr std::uint32_t kFileHeaderSize = 24;  // "PE\0\0" and the COFF file header
constexpr std::uint32_t kDataDirectoriesOffset = 96;  // inside the optional header
constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::uint32_t kMaxSections = 96;  // the system loader's own limit

constexpr std::uint32_t kImportDescriptorSize = 20;
constexpr std::uint32_t kImportByOrdinalFlag = 0x80000000u;

constexpr std::uint16_t kRelocationAbsolute = 0;
constexpr std::uint16_t kRelocationHighLow = 3;

constexpr std::uint32_t kResourceSubdirectoryFlag = 0x80000000u;
constexpr std::uint32_t kResourceNameIsStringFlag = 0x80000000u;
constexpr std::uint16_t kVersionResourceType = 16;
constexpr std::uint16_t kVersionResourceName = 1;
constexpr std::uint32_t kVersionKeyEnd = 38;  // three 16-bit fields and L"VS_VERSION_INFO" with its NUL
constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr std::uint32_t kFixedFileInfoSize = 52;

void PutU32(std::span<std::uint8_t> image, std::uint64_t offset, std::uint32_t value) {
  if (!ImageReader(image).Contains(offset, 4)) throw ImageError("write outside the image");
  for (int i = 0; i < 4; ++i) image[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Only for offsets already known to lie inside the image.
void AddU32Unchecked(std::uint8_t* at, std::uint32_t delta) {
  std::uint32_t value = static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
                        static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
  value += delta;
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

ImageReader DirectoryReader(const ImageHeaders& headers, std::span<const std::uint8_t> image,
                            DirectoryIndex index, std::string_view what) {
  const DataDirectory& directory = headers.directories[index];
  if (!ImageReader(image).Contains(directory.rva, directory.size)) throw ImageError(what);
  return ImageReader(image.subspan(directory.rva, directory.size));
}

}  // namespace

ImageError::ImageError(std::string_view what) : Error(ImageErrorText(what)) {}

bool ImageReader::Contains(std::uint64_t offset, std::uint64_t size) const {
  return offset <= bytes_.size() && size <= bytes_.size() - offset;
}

void ImageReader::Require(std::uint64_t offset, std::uint64_t size) const {
  if (!Contains(offset, size)) throw ImageError("read outside the image");
}

std::uint16_t ImageReader::U16(std::uint64_t offset) const {
  Require(offset, 2);
  return static_cast<std::uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
}

std::uint32_t ImageReader::U32(std::uint64_t offset) const {
  Require(offset, 4);
  return static_cast<std::uint32_t>(bytes_[offset]) | static_cast<std::uint32_t>(bytes_[offset + 1]) << 8 |
         static_cast<std::uint32_t>(bytes_[offset + 2]) << 16 | static_cast<std::uint32_t>(bytes_[offset + 3]) << 24;
}

std::span<const std::uint8_t> ImageReader::Bytes(std::uint64_t offset, std::uint64_t size) const {
  Require(offset, size);
  return bytes_.subspan(offset, size);
}

std::string_view ImageReader::CString(std::uint64_t offset) const {
  Require(offset, 0);
  const auto* begin = bytes_.data() + offset;
  const void* end = std::memchr(begin, 0, bytes_.size() - offset);
  if (end == nullptr) throw ImageError("unterminated name");
  return {reinterpret_cast<const char*>(begin), static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - begin)};
}

ImageHeaders ReadImageHeaders(std::span<const std::uint8_t> file) {
  const ImageReader reader(file);
  if (!reader.Contains(0, 64) || reader.U16(0) != 0x5A4D) throw ImageError("no DOS header");
  const std::uint64_t nt = reader.U32(0x3C);
  if (!reader.Contains(nt, kFileHeaderSize) || reader.U32(nt) != 0x00004550) throw ImageError("no NT headers");
  if (reader.U16(nt + 4) != kMachineI386) throw ImageError("not an i386 image");
  const std::uint32_t sectionCount = reader.U16(nt + 6);
  const std::uint32_t optionalSize = reader.U16(nt + 20);
  const std::uint64_t optional = nt + kFileHeaderSize;
  if (optionalSize < kDataDirectoriesOffset || !reader.Contains(optional, optionalSize))
    throw ImageError("optional header truncated");
  if (reader.U16(optional) != kOptionalHeaderMagicPe32) throw ImageError("not a 32-bit image");

  ImageHeaders headers;
  headers.addressOfEntryPoint = reader.U32(optional + 16);
  headers.imageBase = reader.U32(optional + 28);
  headers.sizeOfImage = reader.U32(optional + 56);
  headers.sizeOfHeaders = reader.U32(optional + 60);
  const std::uint32_t directoryCount =
      std::min<std::uint32_t>({reader.U32(optional + 92), static_cast<std::uint32_t>(headers.directories.size()),
                               (optionalSize - kDataDirectoriesOffset) / 8});
  for (std::uint32_t i = 0; i < directoryCount; ++i) {
    headers.directories[i].rva = reader.U32(optional + kDataDirectoriesOffset + 8 * i);
    headers.directories[i].size = reader.U32(optional + kDataDirectoriesOffset + 8 * i + 4);
  }

  if (headers.sizeOfImage == 0 || headers.sizeOfImage > kMaxImageSize) throw ImageError("image size out of range");
  if (headers.sizeOfHeaders > headers.sizeOfImage) throw ImageError("header size out of range");
  if (headers.addressOfEntryPoint >= headers.sizeOfImage) throw ImageError("entry point outside the image");
  if (sectionCount > kMaxSections) throw ImageError("too many sections");

  const std::uint64_t table = optional + optionalSize;
  for (std::uint32_t i = 0; i < sectionCount; ++i) {
    const std::uint64_t at = table + std::uint64_t{kSectionHeaderSize} * i;
    SectionHeader section;
    section.virtualSize = reader.U32(at + 8);
    section.virtualAddress = reader.U32(at + 12);
    section.sizeOfRawData = reader.U32(at + 16);
    section.pointerToRawData = reader.U32(at + 20);
    // A zero virtual size means "as much as the raw data", as the system loader reads it.
    if (section.virtualSize == 0) section.virtualSize = section.sizeOfRawData;
    if (std::uint64_t{section.virtualAddress} + section.virtualSize > headers.sizeOfImage)
      throw ImageError("section outside the image");
    headers.sections.push_back(section);
  }
  return headers;
}

void CopyHeadersAndSections(const ImageHeaders& headers, std::span<const std::uint8_t> file,
                            std::span<std::uint8_t> image) {
  if (image.size() != headers.sizeOfImage) throw ImageError("image buffer of the wrong size");
  const ImageReader reader(file);
  if (!reader.Contains(0, headers.sizeOfHeaders)) throw ImageError("headers beyond the end of the file");
  const auto head = reader.Bytes(0, headers.sizeOfHeaders);
  std::copy(head.begin(), head.end(), image.begin());
  for (const SectionHeader& section : headers.sections) {
    const std::uint32_t copied = std::min(section.virtualSize, section.sizeOfRawData);
    if (!reader.Contains(section.pointerToRawData, copied)) throw ImageError("section data beyond the end of the file");
    const auto raw = reader.Bytes(section.pointerToRawData, copied);
    // Each byte is written once: the raw data, then zeros up to the virtual size.
    const auto end = std::copy(raw.begin(), raw.end(), image.begin() + section.virtualAddress);
    std::fill(end, image.begin() + section.virtualAddress + section.virtualSize, std::uint8_t{0});
  }
}

void ApplyRelocations(const ImageHeaders& headers, std::span<std::uint8_t> image, std::uint32_t delta) {
  const ImageReader blocks = DirectoryReader(headers, image, kBaseRelocationDirectory, "relocations outside the image");
  const ImageReader target(image);
  std::uint64_t position = 0;
  while (position < blocks.Size()) {
    const std::uint32_t page = blocks.U32(position);
    const std::uint32_t blockSize = blocks.U32(position + 4);
    if (blockSize < 8) throw ImageError("relocation block too small");
    const std::uint64_t entryCount = (blockSize - 8) / 2;
    const std::uint64_t entries = position + 8;
    if (!blocks.Contains(entries, entryCount * 2)) throw ImageError("relocation block overruns its directory");
    const auto entryBytes = blocks.Bytes(entries, entryCount * 2);
    // A block whose whole page lies in the image needs no check per fix-up.
    const bool pageInside = target.Contains(page, 0x1000 + 3);
    for (std::uint64_t i = 0; i < entryCount; ++i) {
      const std::uint16_t entry = static_cast<std::uint16_t>(entryBytes[2 * i] | entryBytes[2 * i + 1] << 8);
      const std::uint16_t type = entry >> 12;
      if (type == kRelocationAbsolute) continue;
      if (type != kRelocationHighLow) throw ImageError("unsupported relocation type");
      const std::uint64_t at = std::uint64_t{page} + (entry & 0x0FFF);
      if (pageInside)
        AddU32Unchecked(image.data() + at, delta);
      else
        PutU32(image, at, target.U32(at) + delta);
    }
    position = entries + entryCount * 2;
  }
}

void ResolveImports(const ImageHeaders& headers, std::span<std::uint8_t> image, ImportResolver& resolver) {
  const DataDirectory& directory = headers.directories[kImportDirectory];
  if (directory.rva == 0) return;
  const ImageReader reader(image);
  for (std::uint64_t descriptor = directory.rva;; descriptor += kImportDescriptorSize) {
    const std::uint32_t nameRva = reader.U32(descriptor + 12);
    if (nameRva == 0) break;
    const std::uint32_t originalFirstThunk = reader.U32(descriptor);
    const std::uint32_t timeDateStamp = reader.U32(descriptor + 4);
    const std::uint32_t firstThunk = reader.U32(descriptor + 16);
    // A bound table (non-zero time stamp) keeps the names in the original thunks, when there are any.
    const std::uint32_t lookup = timeDateStamp != 0 && originalFirstThunk != 0 ? originalFirstThunk : firstThunk;
    resolver.BeginModule(reader.CString(nameRva).data());
    for (std::uint64_t i = 0;; ++i) {
      const std::uint32_t entry = reader.U32(lookup + 4 * i);
      if (entry == 0) break;
      ImportName import;
      if (entry & kImportByOrdinalFlag) {
        import.byOrdinal = true;
        import.ordinal = static_cast<std::uint16_t>(entry & 0xFFFF);
      } else {
        import.name = reader.CString(std::uint64_t{entry} + 2).data();
      }
      PutU32(image, firstThunk + 4 * i, resolver.Resolve(import));
    }
  }
}

std::optional<std::uint32_t> FindExportRva(const ImageHeaders& headers, std::span<const std::uint8_t> image,
                                           std::string_view name) {
  const DataDirectory& directory = headers.directories[kExportDirectory];
  if (directory.rva == 0) return std::nullopt;
  const ImageReader reader(image);
  const std::uint32_t functionCount = reader.U32(std::uint64_t{directory.rva} + 20);
  const std::uint32_t nameCount = reader.U32(std::uint64_t{directory.rva} + 24);
  const std::uint32_t functions = reader.U32(std::uint64_t{directory.rva} + 28);
  const std::uint32_t names = reader.U32(std::uint64_t{directory.rva} + 32);
  const std::uint32_t ordinals = reader.U32(std::uint64_t{directory.rva} + 36);
  for (std::uint64_t i = 0; i < nameCount; ++i) {
    if (reader.CString(reader.U32(names + 4 * i)) != name) continue;
    const std::uint16_t ordinal = reader.U16(ordinals + 2 * i);
    if (ordinal >= functionCount) throw ImageError("export ordinal outside the function table");
    const std::uint32_t rva = reader.U32(functions + 4 * std::uint64_t{ordinal});
    if (rva == 0) return std::nullopt;
    if (rva >= image.size()) throw ImageError("export outside the image");
    return rva;
  }
  return std::nullopt;
}

namespace {

// One level of a resource directory: entries of 8 bytes after a 16-byte header, named ones first.
class ResourceDirectory {
 public:
  ResourceDirectory(const ImageReader& tree, std::uint32_t offset) : tree_(tree), offset_(offset) {
    count_ = std::uint32_t{tree.U16(std::uint64_t{offset} + 12)} + tree.U16(std::uint64_t{offset} + 14);
  }

  std::uint32_t Count() const { return count_; }
  std::uint32_t Name(std::uint32_t i) const { return tree_.U32(EntryOffset(i)); }
  std::uint32_t Target(std::uint32_t i) const { return tree_.U32(EntryOffset(i) + 4); }

  ResourceDirectory Subdirectory(std::uint32_t i) const {
    const std::uint32_t target = Target(i);
    if (!(target & kResourceSubdirectoryFlag)) throw ImageError("resource entry is not a directory");
    return ResourceDirectory(tree_, target & ~kResourceSubdirectoryFlag);
  }

  bool NameEquals(std::uint32_t i, std::u16string_view text) const {
    const std::uint32_t name = Name(i);
    if (!(name & kResourceNameIsStringFlag)) return false;
    const std::uint64_t at = name & ~kResourceNameIsStringFlag;
    const std::uint16_t length = tree_.U16(at);
    if (length != text.size()) return false;
    for (std::uint16_t c = 0; c < length; ++c)
      if (tree_.U16(at + 2 + 2 * std::uint64_t{c}) != text[c]) return false;
    return true;
  }

 private:
  std::uint64_t EntryOffset(std::uint32_t i) const { return std::uint64_t{offset_} + 16 + 8 * std::uint64_t{i}; }

  const ImageReader& tree_;
  std::uint32_t offset_;
  std::uint32_t count_ = 0;
};

std::optional<std::uint32_t> FindIdEntry(const ResourceDirectory& directory, std::uint16_t id) {
  for (std::uint32_t i = 0; i < directory.Count(); ++i) {
    const std::uint32_t name = directory.Name(i);
    if (!(name & kResourceNameIsStringFlag) && (name & 0xFFFF) == id) return i;
  }
  return std::nullopt;
}

std::optional<std::uint32_t> FindNamedEntry(const ResourceDirectory& directory, const ResourceName& name) {
  if (const auto* id = std::get_if<std::uint16_t>(&name)) return FindIdEntry(directory, *id);
  const auto text = std::get<std::u16string_view>(name);
  for (std::uint32_t i = 0; i < directory.Count(); ++i)
    if (directory.NameEquals(i, text)) return i;
  return std::nullopt;
}

}  // namespace

std::optional<ResourceData> LocateResource(const ImageHeaders& headers, std::span<const std::uint8_t> image,
                                         std::uint16_t type, const ResourceName& name,
                                         std::span<const std::uint16_t> languages) {
  if (headers.directories[kResourceDirectory].rva == 0) return std::nullopt;
  const ImageReader tree = DirectoryReader(headers, image, kResourceDirectory, "resources outside the image");
  // The walk has a fixed depth of three levels, so a directory that points back at an ancestor
  // cannot make it loop.
  const ResourceDirectory root(tree, 0);
  const auto typeEntry = FindIdEntry(root, type);
  if (!typeEntry) return std::nullopt;
  const ResourceDirectory names = root.Subdirectory(*typeEntry);
  const auto nameEntry = FindNamedEntry(names, name);
  if (!nameEntry) return std::nullopt;
  const ResourceDirectory languageDirectory = names.Subdirectory(*nameEntry);
  for (const std::uint16_t language : languages) {
    for (std::uint32_t i = 0; i < languageDirectory.Count(); ++i) {
      if ((languageDirectory.Name(i) & 0xFFFF) != language) continue;
      const std::uint32_t target = languageDirectory.Target(i);
      if (target & kResourceSubdirectoryFlag) throw ImageError("resource data entry is a directory");
      ResourceData data{tree.U32(target), tree.U32(std::uint64_t{target} + 4)};
      if (!ImageReader(image).Contains(data.rva, data.size)) throw ImageError("resource data outside the image");
      return data;
    }
  }
  return std::nullopt;
}

std::uint32_t ReadProductVersion(const ImageHeaders& headers, std::span<const std::uint8_t> image,
                                 std::span<const std::uint16_t> languages) {
  const auto resource = LocateResource(headers, image, kVersionResourceType, kVersionResourceName, languages);
  if (!resource) return 0;
  const ImageReader block(image.subspan(resource->rva, resource->size));
  std::uint64_t fixed = kVersionKeyEnd;
  while (block.Contains(fixed, 2) && block.U16(fixed) == 0) fixed += 2;
  if (!block.Contains(fixed, kFixedFileInfoSize) || block.U32(fixed) != kFixedFileInfoSignature)
    throw ImageError("version resource without fixed file information");
  return PackProductVersion(block.U32(fixed + 16), block.U32(fixed + 20));
}

}  // namespace dm
