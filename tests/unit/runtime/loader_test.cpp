#include "flash/runtime/dll_loader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "loader_test_support.h"

namespace dm::test {
namespace {

using ::testing::AnyOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

using IntOfTwo = int(WINAPI*)(int, int);
using IntOfNone = int(WINAPI*)();
using TextOfNone = const char*(WINAPI*)();
using DwordOfNone = DWORD(WINAPI*)();
using ModuleOfNone = HINSTANCE(WINAPI*)();
using EntryCalls = LONG(WINAPI*)(DWORD*);
using EntryObserver = void(WINAPI*)(HINSTANCE, DWORD);
using SetObserver = void(WINAPI*)(EntryObserver);

std::vector<std::string>* entryLog = nullptr;
void WINAPI LogEntryCall(HINSTANCE, DWORD reason) { entryLog->push_back("entry:" + std::to_string(reason)); }

bool Inside(const void* address, const TDLLLoader& loader, std::size_t size) {
  const auto* base = static_cast<const std::uint8_t*>(loader.MappedImage());
  return address >= base && address < base + size;
}

TEST(DllLoader, MapsRelocatesResolvesImportsAndRunsTheEntryOnce) {
  const auto bytes = ReadFixture(L"loader_fixture.dll");
  const TDLLLoader loader(bytes);
  ASSERT_NE(loader.MappedImage(), nullptr);
  ASSERT_NE(loader.MappedImage(), reinterpret_cast<void*>(0x00400000));  // so the image was relocated

  EXPECT_EQ(ExportOf<IntOfTwo>(loader.FindExport("FixtureAdd"))(2, 3), 5);
  EXPECT_EQ(ExportOf<IntOfNone>(loader.FindExport("FixtureReadThroughPointer"))(), 42);
  const char* greeting = ExportOf<TextOfNone>(loader.FindExport("FixtureGreeting"))();
  EXPECT_TRUE(Inside(greeting, loader, 0x100000));
  EXPECT_STREQ(greeting, "relocated");
  EXPECT_EQ(ExportOf<DwordOfNone>(loader.FindExport("FixtureProcessId"))(), GetCurrentProcessId());  // by name
  EXPECT_EQ(ExportOf<IntOfNone>(loader.FindExport("FixtureCallOrdinalImport"))(), 7007);  // by ordinal

  DWORD reasons[8] = {};
  EXPECT_EQ(ExportOf<EntryCalls>(loader.FindExport("FixtureEntryCalls"))(reasons), 1);
  EXPECT_EQ(reasons[0], static_cast<DWORD>(DLL_PROCESS_ATTACH));
  EXPECT_EQ(ExportOf<ModuleOfNone>(loader.FindExport("FixtureAttachedModule"))(), loader.MappedImage());

  EXPECT_EQ(loader.FindExport("fixtureadd"), nullptr);
  EXPECT_EQ(loader.FindExport("FixtureAd"), nullptr);
}

TEST(DllLoader, UnmappingRunsTheExitCodeThenReleasesModulesInLoadOrderAndFreesTheImage) {
  std::vector<std::string> log;
  entryLog = &log;
  RecordingModules modules(log);
  const auto bytes = ReadFixture(L"loader_fixture.dll");
  void* image = nullptr;
  {
    const TDLLLoader loader(bytes, modules);
    image = loader.MappedImage();
    ExportOf<SetObserver>(loader.FindExport("FixtureSetEntryObserver"))(&LogEntryCall);
    log.push_back("unmap");
  }
  ASSERT_EQ(log.size(), 6u);
  EXPECT_THAT(log[0] + " " + log[1], AnyOf("load:ordinal_provider.dll load:KERNEL32.dll",
                                           "load:KERNEL32.dll load:ordinal_provider.dll"));
  EXPECT_THAT(log, ElementsAre(log[0], log[1], "unmap", "entry:0", "release:" + log[0].substr(5),
                               "release:" + log[1].substr(5)));
  MEMORY_BASIC_INFORMATION memory{};
  ASSERT_NE(VirtualQuery(image, &memory, sizeof(memory)), 0u);
  EXPECT_EQ(memory.State, static_cast<DWORD>(MEM_FREE));
}

int WINAPI ReplacementProcessId() { return 4242; }

class ReplacingLoader final : public TDLLLoader {
 public:
  explicit ReplacingLoader(std::span<const std::uint8_t> bytes) : TDLLLoader(DeferMapping{}, SystemModules()) {
    Map(bytes);
  }
  void* GetImportReplacement(const char* library, const char* procOrOrdinal) override {
    const std::string proc =
        IsOrdinal(procOrOrdinal) ? "#" + std::to_string(reinterpret_cast<std::uintptr_t>(procOrOrdinal)) : procOrOrdinal;
    asked.push_back(std::string(library) + ":" + proc);
    return proc == "GetCurrentProcessId" || proc == "#7" ? reinterpret_cast<void*>(&ReplacementProcessId) : nullptr;
  }
  std::vector<std::string> asked;
};

TEST(DllLoader, OffersEveryImportToGetImportReplacementAndUsesItsAnswerAsIs) {
  const auto bytes = ReadFixture(L"loader_fixture.dll");
  const ReplacingLoader loader(bytes);
  EXPECT_THAT(loader.asked, UnorderedElementsAre("ordinal_provider.dll:#7", "KERNEL32.dll:GetCurrentProcessId"));
  EXPECT_EQ(ExportOf<DwordOfNone>(loader.FindExport("FixtureProcessId"))(), 4242u);
  EXPECT_EQ(ExportOf<IntOfNone>(loader.FindExport("FixtureCallOrdinalImport"))(), 4242);
}

TEST(DllLoader, MapsAndUnmapsAModuleWithoutEntryPoint) {
  const auto bytes = ReadFixture(L"no_entry_fixture.dll");
  const TDLLLoader loader(bytes);
  EXPECT_EQ(ExportOf<IntOfTwo>(loader.FindExport("FixtureMultiply"))(6, 7), 42);
  EXPECT_EQ(GetImageProductVersion(loader.MappedImage()), 0u);
}

TEST(DllLoader, AFaultInTheEntryCodeIsContainedAndRaisedAsAnError) {
  const auto faulting = ReadFixture(L"faulting_fixture.dll");
  try {
    const TDLLLoader loader(faulting);
    FAIL() << "the faulting entry code went unnoticed";
  } catch (const Error& error) {
    EXPECT_THAT(error.what(), HasSubstr("0xC0000005"));
  }
  // The thread's exception handling still works: C++ exceptions and later loads are unaffected.
  EXPECT_THROW(throw std::runtime_error("after"), std::runtime_error);
  const auto bytes = ReadFixture(L"loader_fixture.dll");
  const TDLLLoader loader(bytes);
  EXPECT_EQ(ExportOf<IntOfTwo>(loader.FindExport("FixtureAdd"))(1, 1), 2);
}

TEST(DllLoader, RefusesMalformedBytesWithAnError) {
  auto bytes = ReadFixture(L"loader_fixture.dll");
  const std::vector<std::uint8_t> truncated(bytes.begin(), bytes.begin() + 0x180);
  EXPECT_THROW(TDLLLoader{truncated}, ImageError);
  EXPECT_THROW(TDLLLoader{std::vector<std::uint8_t>(4096, 0xCC)}, ImageError);
  EXPECT_THROW(TDLLLoader{std::span<const std::uint8_t>()}, ImageError);
}

class ThreadLocale {
 public:
  explicit ThreadLocale(LCID locale) : saved_(GetThreadLocale()) { SetThreadLocale(locale); }
  ~ThreadLocale() { SetThreadLocale(saved_); }

 private:
  LCID saved_;
};

std::string ResourceText(const void* image, WORD type, const char* name) {
  DWORD size = 0;
  const void* data = nullptr;
  if (!FindImageResource(image, type, name, size, data)) return "<none>";
  return std::string(static_cast<const char*>(data));
}

TEST(FindImageResource, TriesTheThreadLocaleThenTheDefaultsThenNeutral) {
  const auto bytes = ReadFixture(L"loader_fixture.dll");
  const TDLLLoader loader(bytes);
  const void* image = loader.MappedImage();
  {
    const ThreadLocale german(MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT));
    EXPECT_EQ(ResourceText(image, 10, MAKEINTRESOURCEA(100)), "german");
  }
  {
    // Neither French nor the defaults have resource 100: the neutral language has.
    const ThreadLocale french(MAKELCID(MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH), SORT_DEFAULT));
    EXPECT_EQ(ResourceText(image, 10, MAKEINTRESOURCEA(100)), "neutral");
    EXPECT_EQ(ResourceText(image, 10, MAKEINTRESOURCEA(200)), "english");  // 1033 at the latest
  }
  EXPECT_EQ(ResourceText(image, 10, "NAMEDDATA"), "named");
  EXPECT_EQ(ResourceText(image, 10, "NamedData"), "<none>");
  EXPECT_EQ(ResourceText(image, 10, MAKEINTRESOURCEA(999)), "<none>");
  EXPECT_EQ(ResourceText(image, 12, MAKEINTRESOURCEA(100)), "<none>");
  EXPECT_EQ(GetImageProductVersion(image), 0x0A013540u);

  const int onTheHeap = 0;
  EXPECT_EQ(ResourceText(&onTheHeap, 10, MAKEINTRESOURCEA(100)), "<none>");
  EXPECT_EQ(ResourceText(nullptr, 10, MAKEINTRESOURCEA(100)), "<none>");
}

TEST(FindImageResource, ReadsModulesOfTheSystemLoaderToo) {
  const HMODULE module = LoadLibraryW(FixturePath(L"loader_fixture.dll").c_str());
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(ResourceText(module, 10, MAKEINTRESOURCEA(200)), "english");
  EXPECT_EQ(GetImageProductVersion(module), 0x0A013540u);
  FreeLibrary(module);
}

}  // namespace
}  // namespace dm::test
