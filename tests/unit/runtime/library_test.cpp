#include "flash/runtime/flash_player_control.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "flash/runtime/code_provider.h"
#include "loader_test_support.h"
#include "ui/com.h"

namespace dm::test {
namespace {

using ::testing::AnyOf;
using ::testing::ElementsAre;

constexpr std::uint32_t kFixtureVersion = 0x0A013540;  // 10.1.53.64
constexpr std::uint32_t kStandinVersion = 167858764;    // 10.1.82.76

bool StandinRegistered() { return ReadFlashControlServerPath(261).has_value(); }

TEST(CodeProvider, CreatesObjectsThroughTheRuntimesClassFactory) {
  const auto bytes = ReadFixture(L"loader_fixture.dll");
  TFlashOCXCodeProviderBasedOnStream provider(bytes);
  EXPECT_EQ(provider.GetVersion(), kFixtureVersion);
  ComPtr<IUnknown> object;
  EXPECT_EQ(provider.CreateInstance(IID_IUnknown, object.PutVoid()), S_OK);
  ASSERT_TRUE(object);
  object.Reset();
  const auto references = ExportOf<LONG(WINAPI*)()>(provider.Loader()->FindExport("FixtureFactoryReferences"));
  EXPECT_EQ(references(), 0);  // the factory was released
}

TEST(CodeProvider, WithoutAUsableRuntimeCreateInstanceFailsAndTheVersionIsZero) {
  const auto faulting = ReadFixture(L"faulting_fixture.dll");
  const auto withoutExports = ReadFixture(L"no_entry_fixture.dll");
  const std::vector<std::uint8_t> garbage(4096, 0x5A);
  struct Case {
    const char* what;
    std::optional<std::span<const std::uint8_t>> bytes;
  };
  const Case cases[] = {{"no stream", std::nullopt},
                        {"entry code faults", faulting},
                        {"no DllGetClassObject, no version", withoutExports},
                        {"malformed", garbage}};
  for (const Case& c : cases) {
    const auto provider = c.bytes ? TFlashOCXCodeProviderBasedOnStream(*c.bytes) : TFlashOCXCodeProviderBasedOnStream();
    void* object = nullptr;
    EXPECT_EQ(const_cast<TFlashOCXCodeProviderBasedOnStream&>(provider).CreateInstance(IID_IUnknown, &object), E_FAIL)
        << c.what;
    EXPECT_EQ(provider.GetVersion(), 0u) << c.what;
  }
}

TEST(CodeProvider, ReadsTheRegisteredPathIntoAFixedBufferOf129CharactersAndTheTerminator) {
  struct Case {
    std::optional<std::wstring> registered;
    std::optional<std::uint32_t> version;
  };
  const Case cases[] = {
      {FixturePathOfLength(L"loader_fixture.dll", 129), kFixtureVersion},
      {FixturePathOfLength(L"loader_fixture.dll", 130), std::nullopt},  // the value does not fit: no runtime
      {std::nullopt, std::nullopt},                               // not registered
      {FixturePath(L"missing.dll"), std::nullopt},                 // registered file absent
      {FixturePath(L"loader_fixture.dll") + std::wstring(1, L'\0') + L"junk", kFixtureVersion},
  };
  for (const Case& c : cases) {
    const FakeClassesRoot registry(c.registered);
    TFlashOCXCodeProviderBasedOnSystemInstalledOCX provider(SystemModules(), registry);
    ComPtr<IUnknown> object;
    EXPECT_EQ(provider.GetVersion(), c.version.value_or(0)) << (c.registered ? c.registered->size() : 0);
    EXPECT_EQ(provider.CreateInstance(IID_IUnknown, object.PutVoid()), c.version ? S_OK : E_FAIL);
  }
}

TEST(FlashPlayerControlLibrary, StartsAndEndsInTheLibrarysOrder) {
  std::vector<std::string> log;
  RecordingModules modules(log);
  const FakeClassesRoot registry(FixturePath(L"loader_fixture.dll"));
  {
    const FlashPlayerControlLibrary library(modules, registry);
    ASSERT_NE(FlashOCXCodeProvider, nullptr);
    EXPECT_EQ(FlashOCXCodeProvider->GetVersion(), kFixtureVersion);
    EXPECT_NE(UrlmonModule, nullptr);
    EXPECT_NE(RealCreateURLMoniker, nullptr);
    EXPECT_NE(RealRegisterBindStatusCallback, nullptr);
    EXPECT_THROW(FlashPlayerControlLibrary{}, Error);  // one library at a time
    log.push_back("exit");
  }
  ASSERT_EQ(log.size(), 7u);
  // The runtime's imports first, then urlmon; at exit the runtime's modules go first, in load order.
  EXPECT_THAT(log, ElementsAre(AnyOf("load:ordinal_provider.dll", "load:KERNEL32.dll"),
                               AnyOf("load:ordinal_provider.dll", "load:KERNEL32.dll"), "load:urlmon.dll", "exit",
                               "release:" + log[0].substr(5), "release:" + log[1].substr(5), "release:urlmon.dll"));
  EXPECT_EQ(FlashOCXCodeProvider, nullptr);
  EXPECT_EQ(UrlmonModule, nullptr);
  EXPECT_EQ(RealCreateURLMoniker, nullptr);
  EXPECT_EQ(RealRegisterBindStatusCallback, nullptr);
}

TEST(FlashPlayerControlLibrary, StartsWithoutARuntimeWhenNoneIsRegistered) {
  const FakeClassesRoot registry(std::nullopt);
  const FlashPlayerControlLibrary library(SystemModules(), registry);
  void* object = nullptr;
  EXPECT_EQ(FlashOCXCodeProvider->CreateInstance(IID_IUnknown, &object), E_FAIL);
  EXPECT_EQ(FlashOCXCodeProvider->GetVersion(), 0u);
  EXPECT_NE(RealRegisterBindStatusCallback, nullptr);
}

TEST(FlashPlayerControlLibrary, AFailedUrlmonBindingEndsStartUpWithItsMessageAndLeavesNothingBehind) {
  struct Case {
    const char* refusedModule;
    const char* refusedProcedure;
    const wchar_t* message;
  };
  const Case cases[] = {
      {"urlmon.dll", "", L"LoadLibrary(urlmon.dll) failed"},
      {"", "CreateURLMoniker", L"GetProcAddress(CreateURLMoniker) failed"},
      {"", "RegisterBindStatusCallback", L"GetProcAddress(RegisterBindStatusCallback) failed"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> log;
    RecordingModules modules(log);
    modules.refusedModules.insert(c.refusedModule);
    modules.refusedProcedures.insert(c.refusedProcedure);
    const FakeClassesRoot registry(std::nullopt);
    try {
      const FlashPlayerControlLibrary library(modules, registry);
      ADD_FAILURE() << "started without " << c.refusedModule << c.refusedProcedure;
    } catch (const Error& error) {
      EXPECT_EQ(error.Message(), c.message);
    }
    EXPECT_EQ(FlashOCXCodeProvider, nullptr);
    EXPECT_EQ(UrlmonModule, nullptr);
    EXPECT_EQ(RealCreateURLMoniker, nullptr);
  }
  const FlashPlayerControlLibrary again;  // a failed start-up leaves the library startable
}

TEST(FlashPlayerControlLibrary, MapsTheRegisteredStandinPrivatelyAndReadsItsVersion) {
  if (!StandinRegistered()) GTEST_SKIP() << "no Flash Player control registered in this prefix";
  const FlashPlayerControlLibrary library;
  EXPECT_EQ(FlashOCXCodeProvider->GetVersion(), kStandinVersion);
}

}  // namespace
}  // namespace dm::test
