#include "flash/runtime/pe_image.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

#include "flash/runtime/product_version.h"
#include "pe_test_image.h"

namespace dm::test {
namespace {

using ::testing::ElementsAre;

std::uint32_t Read32(const std::vector<std::uint8_t>& image, std::uint32_t at) {
  return image[at] | image[at + 1] << 8 | image[at + 2] << 16 | static_cast<std::uint32_t>(image[at + 3]) << 24;
}

constexpr std::uint32_t kSubdirectory = 0x80000000;
constexpr std::uint32_t kResources = 0x1800;

// An image with every structure the walker reads: relocations, imports, exports, resources, version.
class FullImage : public TestImage {
 public:
  FullImage() : TestImage(0x2000) {
    // Relocations: two blocks, with an absolute (padding) entry.
    Put32(0x1000, 0x2000);
    Put32(0x1004, 16);
    Put16(0x1008, 0x3000);
    Put16(0x100A, 0x3008);
    Put16(0x100C, 0x0000);
    Put16(0x100E, 0x3010);
    Put32(0x1010, 0x2100);
    Put32(0x1014, 12);
    Put16(0x1018, 0x3004);
    Put16(0x101A, 0x0000);
    SetDirectory(kBaseRelocationDirectory, 0x1000, 28);
    Put32(0x2000, 0x10001234);
    Put32(0x2004, 0x11111111);
    Put32(0x2008, 0xFFFFFFF0);
    Put32(0x2010, 0x10000000);
    Put32(0x2104, 5);

    // Imports: an unbound descriptor (names in the first thunks) and a bound one (names in the original
    // thunks, addresses of an earlier binding in the first thunks).
    Put32(0x1100 + 12, 0x1200);
    Put32(0x1100 + 16, 0x1180);
    Put32(0x1114, 0x11A0);
    Put32(0x1114 + 4, 0xFFFFFFFF);
    Put32(0x1114 + 12, 0x1210);
    Put32(0x1114 + 16, 0x11C0);
    PutText(0x1200, "KERNEL32.dll");
    PutText(0x1210, "ordinals.dll");
    Put32(0x1180, 0x1220);
    Put32(0x1184, 0x80000007);
    PutText(0x1222, "GetTickCount");
    Put32(0x11A0, 0x80000003);
    Put32(0x11A4, 0x1240);
    PutText(0x1242, "Named");
    Put32(0x11C0, 0xDEAD0001);
    Put32(0x11C4, 0xDEAD0002);
    SetDirectory(kImportDirectory, 0x1100, 60);

    // Exports: DllGetClassObject is function 2, Beta function 0.
    Put32(0x1300 + 20, 3);
    Put32(0x1300 + 24, 2);
    Put32(0x1300 + 28, 0x1340);
    Put32(0x1300 + 32, 0x1350);
    Put32(0x1300 + 36, 0x1360);
    Put32(0x1340, 0x1500);
    Put32(0x1344, 0x1600);
    Put32(0x1348, 0x1700);
    Put32(0x1350, 0x1370);
    Put32(0x1354, 0x1390);
    Put16(0x1360, 2);
    Put16(0x1362, 0);
    PutText(0x1370, "DllGetClassObject");
    PutText(0x1390, "Beta");
    SetDirectory(kExportDirectory, 0x1300, 0x100);

    // Resources: types 6 (empty), 10 and 16. Type 10 has NAMEDDATA (0x409) and 5 (0x407 and neutral).
    Directory(0x000, 0, 3);
    Entry(0x000, 0, 6, kSubdirectory | 0x100);
    Entry(0x000, 1, 10, kSubdirectory | 0x030);
    Entry(0x000, 2, 16, kSubdirectory | 0x140);
    Directory(0x100, 0, 0);
    Directory(0x030, 1, 1);
    Entry(0x030, 0, kSubdirectory | 0x200, kSubdirectory | 0x060);
    Entry(0x030, 1, 5, kSubdirectory | 0x080);
    Put16(kResources + 0x200, 9);
    PutUtf16(kResources + 0x202, u"NAMEDDATA");
    Directory(0x060, 0, 1);
    Entry(0x060, 0, 0x409, 0x300);
    Directory(0x080, 0, 2);
    Entry(0x080, 0, 0x407, 0x310);
    Entry(0x080, 1, 0, 0x320);
    DataEntry(0x300, 0x1D00, 6);
    DataEntry(0x310, 0x1D10, 7);
    DataEntry(0x320, 0x1D20, 8);
    Directory(0x140, 0, 1);
    Entry(0x140, 0, 1, kSubdirectory | 0x160);
    Directory(0x160, 0, 1);
    Entry(0x160, 0, 0x409, 0x330);
    DataEntry(0x330, 0x1E00, 92);
    SetDirectory(kResourceDirectory, kResources, 0x400);

    // Version block: header, key, one padding word, fixed file information.
    Put16(0x1E00, 92);
    Put16(0x1E02, 52);
    PutUtf16(0x1E06, u"VS_VERSION_INFO");
    Put32(0x1E00 + 40, 0xFEEF04BD);
    Put32(0x1E00 + 40 + 16, 0x000A0001);
    Put32(0x1E00 + 40 + 20, 0x00350040);
  }

  void Directory(std::uint32_t at, std::uint16_t named, std::uint16_t numbered) {
    Put16(kResources + at + 12, named);
    Put16(kResources + at + 14, numbered);
  }
  void Entry(std::uint32_t directory, std::uint32_t index, std::uint32_t name, std::uint32_t target) {
    Put32(kResources + directory + 16 + 8 * index, name);
    Put32(kResources + directory + 16 + 8 * index + 4, target);
  }
  void DataEntry(std::uint32_t at, std::uint32_t rva, std::uint32_t size) {
    Put32(kResources + at, rva);
    Put32(kResources + at + 4, size);
  }
};

TEST(ImageWalker, LaysOutHeadersAndSectionsZeroFilledToTheirVirtualSize) {
  TestImage image(0x1000);
  image.Put32(0x1000, 0xCAFEBABE);
  image.Put32(0x1FFC, 0x12345678);
  // Only the first 0x800 bytes of the section are in the file; the rest must read as zeros.
  image.PutFile32(TestImage::kSectionTableOffset + 16, 0x800);
  const auto mapped = image.Mapped();
  ASSERT_EQ(mapped.size(), image.SizeOfImage());
  EXPECT_TRUE(std::equal(image.File().begin(), image.File().begin() + TestImage::kHeaderSize, mapped.begin()));
  EXPECT_EQ(Read32(mapped, 0x1000), 0xCAFEBABEu);
  EXPECT_EQ(Read32(mapped, 0x1FFC), 0u);
}

TEST(ImageWalker, AddsTheDeltaToEveryHighLowFixUpAndNothingElse) {
  FullImage file;
  auto image = file.Mapped();
  ApplyRelocations(ReadImageHeaders(file.File()), image, 0x00A10000);
  EXPECT_EQ(Read32(image, 0x2000), 0x10A11234u);
  EXPECT_EQ(Read32(image, 0x2004), 0x11111111u);
  EXPECT_EQ(Read32(image, 0x2008), 0x00A0FFF0u);  // modulo 2^32
  EXPECT_EQ(Read32(image, 0x2010), 0x10A10000u);
  EXPECT_EQ(Read32(image, 0x2104), 0x00A10005u);
}

TEST(ImageWalker, ResolvesImportsByNameAndByOrdinalFromTheRightLookupTable) {
  FullImage file;
  auto image = file.Mapped();
  RecordingResolver resolver;
  ResolveImports(ReadImageHeaders(file.File()), image, resolver);
  EXPECT_THAT(resolver.calls, ElementsAre("KERNEL32.dll:GetTickCount", "KERNEL32.dll:#7", "ordinals.dll:#3",
                                          "ordinals.dll:Named"));
  EXPECT_EQ(Read32(image, 0x1180), 0xA0000000u);
  EXPECT_EQ(Read32(image, 0x1184), 0xA0000001u);
  EXPECT_EQ(Read32(image, 0x11C0), 0xA0000002u);
  EXPECT_EQ(Read32(image, 0x11C4), 0xA0000003u);
}

TEST(ImageWalker, FindsExportsByExactNameThroughTheOrdinalTable) {
  FullImage file;
  const auto image = file.Mapped();
  const auto headers = ReadImageHeaders(file.File());
  EXPECT_EQ(FindExportRva(headers, image, "DllGetClassObject"), 0x1700u);
  EXPECT_EQ(FindExportRva(headers, image, "Beta"), 0x1500u);
  EXPECT_EQ(FindExportRva(headers, image, "dllgetclassobject"), std::nullopt);
  EXPECT_EQ(FindExportRva(headers, image, "DllGetClass"), std::nullopt);
  EXPECT_EQ(FindExportRva(ReadImageHeaders(TestImage().File()), TestImage().Mapped(), "Beta"), std::nullopt);
}

TEST(ImageWalker, FindsResourcesInTheOrderOfTheLanguagesGiven) {
  FullImage file;
  const auto image = file.Mapped();
  const auto headers = ReadImageHeaders(file.File());
  struct Case {
    std::uint16_t type;
    ResourceName name;
    std::array<std::uint16_t, 5> languages;
    std::optional<std::uint32_t> rva;
  };
  const Case cases[] = {
      {10, std::uint16_t{5}, {0x407, 0x409, 0x409, 0, 1033}, 0x1D10},
      {10, std::uint16_t{5}, {0x40C, 0x409, 0x409, 0, 1033}, 0x1D20},  // only the neutral language has it
      {10, std::u16string_view(u"NAMEDDATA"), {0x40C, 0x407, 0x407, 0, 0x409}, 0x1D00},
      {10, std::u16string_view(u"nameddata"), {0x409, 0x409, 0x409, 0, 1033}, std::nullopt},
      {10, std::uint16_t{6}, {0x409, 0x409, 0x409, 0, 1033}, std::nullopt},
      {6, std::uint16_t{5}, {0x409, 0x409, 0x409, 0, 1033}, std::nullopt},
      {11, std::uint16_t{5}, {0x409, 0x409, 0x409, 0, 1033}, std::nullopt},
  };
  for (const Case& c : cases) {
    const auto found = LocateResource(headers, image, c.type, c.name, c.languages);
    EXPECT_EQ(found ? std::optional(found->rva) : std::nullopt, c.rva) << "type " << c.type;
  }
}

TEST(ImageWalker, ReadsThePackedProductVersionOrZeroWithoutAVersionResource) {
  FullImage file;
  constexpr std::array<std::uint16_t, 5> languages{0x409, 0x409, 0x409, 0, 1033};
  EXPECT_EQ(ReadProductVersion(ReadImageHeaders(file.File()), file.Mapped(), languages), 0x0A013540u);
  TestImage bare;
  EXPECT_EQ(ReadProductVersion(ReadImageHeaders(bare.File()), bare.Mapped(), languages), 0u);
}

TEST(ProductVersion, PacksThePartsWithCarryModulo2To32) {
  struct Case {
    std::uint32_t mostSignificant, leastSignificant, packed;
  };
  const Case cases[] = {
      {0x000A0001, 0x00350040, 0x0A013540},  // 10.1.53.64
      {0x000A0001, 0x0052004C, 167858764},   // 10.1.82.76
      {0x00010100, 0x00000000, 0x02000000},  // 1.256.0.0: the minor part carries into the major byte
      {0x0000FFFF, 0x00000000, 0xFFFF0000},  // 0.65535.0.0 spills into the top byte
      {0x01000000, 0x00000000, 0x00000000},  // 256.0.0.0 wraps
  };
  for (const Case& c : cases) EXPECT_EQ(PackProductVersion(c.mostSignificant, c.leastSignificant), c.packed);
  EXPECT_EQ(MajorVersion(167858764), 10u);
}

// Each case damages an otherwise valid image; the walk must refuse it with ImageError.
TEST(ImageWalker, RefusesMalformedImagesWithAnImageError) {
  const std::pair<const char*, std::function<void(FullImage&)>> cases[] = {
      {"truncated DOS header", [](FullImage& i) { i.File().resize(40); }},
      {"NT headers beyond the file", [](FullImage& i) { i.PutFile32(0x3C, 0xFFFFFFF0); }},
      {"wrong PE signature", [](FullImage& i) { i.PutFile32(TestImage::kNtOffset, 0x00004551); }},
      {"not i386", [](FullImage& i) { i.PutFile16(TestImage::kNtOffset + 4, 0x8664); }},
      {"64-bit optional header", [](FullImage& i) { i.PutFile16(TestImage::kOptionalOffset, 0x020B); }},
      {"optional header too small", [](FullImage& i) { i.PutFile16(TestImage::kNtOffset + 20, 64); }},
      {"image size zero", [](FullImage& i) { i.PutFile32(TestImage::kOptionalOffset + 56, 0); }},
      {"image size huge", [](FullImage& i) { i.PutFile32(TestImage::kOptionalOffset + 56, 0xFFFFF000); }},
      {"headers larger than the image", [](FullImage& i) { i.PutFile32(TestImage::kOptionalOffset + 60, 0x4000); }},
      {"headers beyond the file", [](FullImage& i) { i.File().resize(0x100); }},
      {"entry point outside", [](FullImage& i) { i.SetEntryPoint(0x3000); }},
      {"section wraps past 2^32",
       [](FullImage& i) { i.PutFile32(TestImage::kSectionTableOffset + 12, 0xFFFFF000); }},
      {"section raw data beyond the file",
       [](FullImage& i) { i.PutFile32(TestImage::kSectionTableOffset + 20, 0x7FFFFFFF); }},
      {"too many sections", [](FullImage& i) { i.PutFile16(TestImage::kNtOffset + 6, 97); }},
      {"relocation block of size 0", [](FullImage& i) { i.Put32(0x1004, 0); }},
      {"relocation block past its directory", [](FullImage& i) { i.Put32(0x1004, 0x100); }},
      {"relocation target outside", [](FullImage& i) { i.Put32(0x1000, 0x2FFE); }},
      {"relocation directory outside", [](FullImage& i) { i.SetDirectory(kBaseRelocationDirectory, 0x2FF0, 0x20); }},
      {"unsupported relocation type", [](FullImage& i) { i.Put16(0x100A, 0xA008); }},
      {"import descriptors run off the image",
       [](FullImage& i) {
         for (std::uint32_t at = 0x2F00; at < 0x3000; at += 4) i.Put32(at, 0x1200);
         i.SetDirectory(kImportDirectory, 0x2F00, 20);
       }},
      {"import name unterminated",
       [](FullImage& i) {
         for (std::uint32_t at = 0x2FF0; at < 0x3000; at += 2) i.Put16(at, 0x4141);
         i.Put32(0x1100 + 12, 0x2FF0);
       }},
      {"import thunks without terminator",
       [](FullImage& i) {
         for (std::uint32_t at = 0x2F00; at < 0x3000; at += 4) i.Put32(at, 0x80000001);
         i.Put32(0x1100 + 16, 0x2F00);
       }},
      {"export ordinal outside the function table", [](FullImage& i) { i.Put16(0x1360, 3); }},
      {"export function outside", [](FullImage& i) { i.Put32(0x1348, 0x3000); }},
      {"export names outside", [](FullImage& i) { i.Put32(0x1300 + 32, 0xFFFFFFF0); }},
      {"resource directory outside", [](FullImage& i) { i.SetDirectory(kResourceDirectory, kResources, 0x10000); }},
      {"resource subdirectory outside", [](FullImage& i) { i.Entry(0x000, 1, 10, kSubdirectory | 0x3FF0); }},
      {"resource entry count beyond the directory", [](FullImage& i) { i.Directory(0x000, 0x7FFF, 0x7FFF); }},
      {"resource name entry not a directory", [](FullImage& i) { i.Entry(0x000, 1, 10, 0x030); }},
      {"resource language entry is a directory", [](FullImage& i) { i.Entry(0x060, 0, 0x409, kSubdirectory | 0x300); }},
      {"resource data outside", [](FullImage& i) { i.DataEntry(0x300, 0x2FF0, 0x20); }},
      {"resource string outside", [](FullImage& i) { i.Entry(0x030, 0, kSubdirectory | 0x3FFF, kSubdirectory | 0x60); }},
      {"version block truncated", [](FullImage& i) { i.DataEntry(0x330, 0x1E00, 60); }},
      {"version block without fixed information", [](FullImage& i) { i.Put32(0x1E00 + 40, 0x12345678); }},
      {"version block of padding only", [](FullImage& i) { i.Put32(0x1E00 + 40, 0); }},
  };
  for (const auto& [what, damage] : cases) {
    FullImage image;
    damage(image);
    EXPECT_THROW(WalkWholeImage(image.File()), ImageError) << what;
  }
}

TEST(ImageWalker, WalksAValidImageAndEndsOnResourceDirectoryLoops) {
  FullImage image;
  EXPECT_NO_THROW(WalkWholeImage(image.File()));
  // Every level points back at the root: the walk has a fixed depth, so it cannot loop, and the root's
  // entries read as a data entry are refused.
  image.Entry(0x000, 1, 10, kSubdirectory | 0x000);
  constexpr std::array<std::uint16_t, 1> languages{10};
  const auto headers = ReadImageHeaders(image.File());
  EXPECT_THROW(LocateResource(headers, image.Mapped(), 10, std::uint16_t{10}, languages), ImageError);
  EXPECT_EQ(LocateResource(headers, image.Mapped(), 10, std::uint16_t{5}, languages), std::nullopt);
}

}  // namespace
}  // namespace dm::test
