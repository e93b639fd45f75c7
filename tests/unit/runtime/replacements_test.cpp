#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "flash/runtime/flash_ocx_loader.h"
#include "flash/runtime/flash_player_control.h"
#include "flash/runtime/import_replacements.h"

namespace dm {
namespace {

// The order in which the fixture reports its import slots.
enum Import { kCreateURLMoniker, kRegisterClassExA, kCreateWindowExA, kLoadCursorA, kLoadMenuA, kWaveOutWrite,
              kWaveOutOpen, kFlushInstructionCache, kCreateFileA, kCaseVariant, kByOrdinal, kImportCount };

LPCSTR AtomName(ATOM atom) { return reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(atom)); }

const std::array<void*, 9> ReplacementFunctions = {
    reinterpret_cast<void*>(&MyCreateURLMoniker),  reinterpret_cast<void*>(&MyRegisterClassExA),
    reinterpret_cast<void*>(&MyCreateWindowExA),   reinterpret_cast<void*>(&MyLoadCursorA),
    reinterpret_cast<void*>(&MyLoadMenuA),         reinterpret_cast<void*>(&MyWaveOutWrite),
    reinterpret_cast<void*>(&MyWaveOutOpen),       reinterpret_cast<void*>(&MyFlushInstructionCache),
    reinterpret_cast<void*>(&MyCreateFileA)};

std::vector<uint8_t> ReadFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// The fixture runtime mapped privately, as the library maps the real one.
class MappedFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::vector<uint8_t> bytes = ReadFile(DM_REPLACEMENTS_FIXTURE);
    ASSERT_FALSE(bytes.empty()) << DM_REPLACEMENTS_FIXTURE;
    loader_ = std::make_unique<TFlashOCXLoader>(bytes);
    auto reportImports = reinterpret_cast<void(__cdecl*)(void**)>(loader_->FindExport("ImportedAddresses"));
    ASSERT_NE(reportImports, nullptr);
    reportImports(imports_.data());
    // The fixture registered a class from its entry code, before any test could create the map.
    entryClassRecorded_ = ClassNameMap && ClassNameMap->GetValue(u"EntryWindow").has_value();
    ClassNameMap.reset();
  }
  static void TearDownTestSuite() { loader_.reset(); }
  void TearDown() override {
    ClassNameMap.reset();
    SampleSizeMap.reset();
    SavedCursors.reset();
    SoundEnabled = true;
    AudioVolume = 100;
  }

  static HINSTANCE Image() { return static_cast<HINSTANCE>(loader_->MappedImage()); }
  template <class Function>
  static Function Imported(Import which) {
    return reinterpret_cast<Function>(imports_[which]);
  }

  static inline std::unique_ptr<TFlashOCXLoader> loader_;
  static inline std::array<void*, kImportCount> imports_{};
  static inline bool entryClassRecorded_ = false;
};

TEST_F(MappedFixture, ReplacementsAnswerExactNamesOnlyWhateverTheModule) {
  const char* names[] = {"CreateURLMoniker", "RegisterClassExA", "CreateWindowExA", "LoadCursorA", "LoadMenuA",
                         "waveOutWrite",     "waveOutOpen",      "FlushInstructionCache", "CreateFileA"};
  for (size_t i = 0; i < std::size(names); ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(loader_->GetImportReplacement("anything.dll", names[i]), ReplacementFunctions[i]);
    std::string upper(names[i]);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(loader_->GetImportReplacement("user32.dll", upper.c_str()), nullptr);
  }
  EXPECT_EQ(loader_->GetImportReplacement("kernel32.dll", "CreateFileW"), nullptr);
  EXPECT_EQ(loader_->GetImportReplacement("user32.dll", OrdinalAsName(1)), nullptr);
}

TEST_F(MappedFixture, NineImportsAreReplacedAndTheOthersResolvedByTheSystem) {
  for (size_t i = 0; i < ReplacementFunctions.size(); ++i) EXPECT_EQ(imports_[i], ReplacementFunctions[i]) << i;
  EXPECT_EQ(imports_[kCaseVariant], nullptr) << "user32 has no such name, and no replacement may stand in";
  HMODULE oleaut = GetModuleHandleW(L"oleaut32.dll");
  ASSERT_NE(oleaut, nullptr);
  EXPECT_EQ(imports_[kByOrdinal], reinterpret_cast<void*>(GetProcAddress(oleaut, MAKEINTRESOURCEA(2))));
}

TEST_F(MappedFixture, ClassesAreRegisteredPrivatelyUnderTheHostAndWindowsFindThem) {
  auto registerClass = Imported<decltype(&RegisterClassExA)>(kRegisterClassExA);
  auto createWindow = Imported<decltype(&CreateWindowExA)>(kCreateWindowExA);
  const std::string privateName = "FlashPlayerControl_FixtureWindow_" + std::to_string(LibraryNumber());

  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = Image();
  windowClass.lpszClassName = "FixtureWindow";
  ATOM first = registerClass(&windowClass);
  ASSERT_NE(first, 0);
  ATOM again = registerClass(&windowClass);
  EXPECT_NE(again, 0) << "registering the same class again replaces the earlier registration";
  EXPECT_EQ(std::string(windowClass.lpszClassName), "FixtureWindow") << "the caller's description is not changed";
  WNDCLASSEXA found{};
  found.cbSize = sizeof found;
  EXPECT_TRUE(GetClassInfoExA(HostInstance(), privateName.c_str(), &found));
  EXPECT_FALSE(GetClassInfoExA(Image(), "FixtureWindow", &found));
  ASSERT_TRUE(ClassNameMap);
  EXPECT_EQ(ClassNameMap->Count(), 1u);

  for (LPCSTR className : {static_cast<LPCSTR>("fixturewindow"), AtomName(again)}) {
    HWND window = createWindow(0, className, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, Image(), nullptr);
    ASSERT_NE(window, nullptr);
    char name[256];
    GetClassNameA(window, name, sizeof name);
    EXPECT_EQ(std::string(name), privateName);
    EXPECT_EQ(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)), HostInstance());
    DestroyWindow(window);
  }
  // A class the runtime did not register passes unchanged.
  HWND button = createWindow(0, "BUTTON", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, Image(), nullptr);
  EXPECT_NE(button, nullptr);
  DestroyWindow(button);
  UnregisterClassA(privateName.c_str(), HostInstance());
}

TEST_F(MappedFixture, EntryCodeCanRegisterClassesBeforeTheLibraryStarts) {
  EXPECT_TRUE(entryClassRecorded_);
  WNDCLASSEXA found{};
  found.cbSize = sizeof found;
  const std::string privateName = "FlashPlayerControl_EntryWindow_" + std::to_string(LibraryNumber());
  EXPECT_TRUE(GetClassInfoExA(HostInstance(), privateName.c_str(), &found));
}

TEST(ReplacementObjects, LiveFromLibraryStartUpToExit) {
  {
    FlashPlayerControlLibrary library;
    EXPECT_TRUE(ClassNameMap && ContentManager && SampleSizeMap && SavedCursors);
    EXPECT_TRUE(SoundEnabled);
    EXPECT_EQ(AudioVolume, 100);
    ComPtr<IMoniker> moniker;
    ASSERT_EQ(MyCreateURLMoniker(nullptr, L"http://host/a.swf", moniker.Put()), S_OK);
    EXPECT_TRUE(moniker.As<IBinding>(IID_IBinding)) << "the library's moniker";
  }
  EXPECT_FALSE(ClassNameMap || ContentManager || SampleSizeMap || SavedCursors);
}

TEST_F(MappedFixture, CursorsAndMenusComeFromTheMappedImageOnly) {
  auto loadCursor = Imported<decltype(&LoadCursorA)>(kLoadCursorA);
  auto loadMenu = Imported<decltype(&LoadMenuA)>(kLoadMenuA);

  HCURSOR byId = loadCursor(Image(), MAKEINTRESOURCEA(1));
  HCURSOR byName = loadCursor(Image(), "POINTER");
  EXPECT_NE(byId, nullptr);
  EXPECT_NE(byName, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(byId, &info));
  EXPECT_FALSE(info.fIcon);
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);
  DestroyCursor(byId);
  DestroyCursor(byName);
  EXPECT_EQ(loadCursor(Image(), MAKEINTRESOURCEA(99)), nullptr);
  EXPECT_EQ(loadCursor(Image(), "pointer"), nullptr) << "resource names compare case-sensitively";
  EXPECT_EQ(loadCursor(nullptr, MAKEINTRESOURCEA(32512)), LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));

  // A saved cursor of the module is handed out instead of building one.
  HCURSOR system = LoadCursorA(nullptr, MAKEINTRESOURCEA(32515));
  CreateIfAbsent(SavedCursors).Add(system, Image(), MAKEINTRESOURCEA(1));
  SavedCursors->Add(system, Image(), "Saved");
  EXPECT_EQ(loadCursor(Image(), MAKEINTRESOURCEA(1)), system);
  EXPECT_EQ(loadCursor(Image(), "Saved"), system);

  HMENU menu = loadMenu(Image(), MAKEINTRESOURCEA(2));
  ASSERT_NE(menu, nullptr);
  char text[32];
  GetMenuStringA(GetSubMenu(menu, 0), 100, text, sizeof text, MF_BYCOMMAND);
  EXPECT_STREQ(text, "&Play");
  DestroyMenu(menu);
  EXPECT_EQ(loadMenu(Image(), MAKEINTRESOURCEA(3)), nullptr);
  EXPECT_EQ(loadMenu(nullptr, MAKEINTRESOURCEA(2)), nullptr);
}

TEST(SavedCursorTable, MatchesModuleAndNameKind) {
  TSavedCursors table;
  const auto moduleA = reinterpret_cast<HMODULE>(0x10000000), moduleB = reinterpret_cast<HMODULE>(0x20000000);
  const auto first = reinterpret_cast<HCURSOR>(0x11), second = reinterpret_cast<HCURSOR>(0x22),
             named = reinterpret_cast<HCURSOR>(0x33);
  table.Add(first, moduleA, MAKEINTRESOURCEA(5));
  table.Add(second, moduleA, MAKEINTRESOURCEA(5));
  table.Add(named, moduleA, "Hand");
  struct Case {
    const char* name;
    HMODULE module;
    LPCSTR cursorName;
    HCURSOR expected;
  };
  const Case cases[] = {
      {"first record of the identifier", moduleA, MAKEINTRESOURCEA(5), first},
      {"text name", moduleA, "Hand", named},
      {"text names match exactly", moduleA, "hand", nullptr},
      {"another module", moduleB, MAKEINTRESOURCEA(5), nullptr},
      {"unknown identifier", moduleA, MAKEINTRESOURCEA(6), nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(table.Find(c.module, c.cursorName), c.expected);
  }
}

TEST_F(MappedFixture, FlushedRangeBecomesExecutable) {
  auto flush = Imported<decltype(&FlushInstructionCache)>(kFlushInstructionCache);
  void* page = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  ASSERT_NE(page, nullptr);
  EXPECT_TRUE(flush(GetCurrentProcess(), page, 16));
  MEMORY_BASIC_INFORMATION memory{};
  VirtualQuery(page, &memory, sizeof memory);
  EXPECT_EQ(memory.Protect, DWORD{PAGE_EXECUTE_READWRITE});
  VirtualFree(page, 0, MEM_RELEASE);
}

TEST_F(MappedFixture, WaveOutputPassesThroughVolumeAndMute) {
  auto write = Imported<decltype(&waveOutWrite)>(kWaveOutWrite);
  // Handles the system never gave out: the system's write refuses them after the buffer was prepared.
  const auto sixteenBit = reinterpret_cast<HWAVEOUT>(0x5A10), eightBit = reinterpret_cast<HWAVEOUT>(0x5A20),
             unknown = reinterpret_cast<HWAVEOUT>(0x5A30);
  CreateIfAbsent(SampleSizeMap).Add(0x5A10, 2);
  SampleSizeMap->Add(0x5A20, 1);
  SampleSizeMap->Add(0x5A10, 1);  // a reused handle keeps its first size
  struct Case {
    const char* name;
    HWAVEOUT handle;
    bool sound;
    int32_t volume;
    std::vector<uint8_t> before, after;
  };
  const Case cases[] = {
      {"volume 100 unchanged", sixteenBit, true, 100, {0x34, 0x12, 0xFF, 0x7F, 0x01}, {0x34, 0x12, 0xFF, 0x7F, 0x01}},
      {"16-bit half, odd byte kept", sixteenBit, true, 50, {0x10, 0x00, 0xF0, 0xFF, 0x7F}, {0x08, 0x00, 0xF8, 0xFF, 0x7F}},
      {"8-bit half", eightBit, true, 50, {0x10, 0xF0}, {0x08, 0xF8}},
      {"unknown handle unchanged", unknown, true, 50, {0x10, 0x00}, {0x10, 0x00}},
      {"sound off plays zeros", sixteenBit, false, 100, {0x10, 0x20, 0x30}, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SoundEnabled = c.sound;
    AudioVolume = c.volume;
    std::vector<uint8_t> buffer = c.before;
    WAVEHDR header{};
    header.lpData = reinterpret_cast<LPSTR>(buffer.data());
    header.dwBufferLength = static_cast<DWORD>(buffer.size());
    EXPECT_EQ(write(c.handle, &header, sizeof header), waveOutWrite(c.handle, &header, sizeof header));
    EXPECT_EQ(buffer, c.after);
  }
}

TEST_F(MappedFixture, WaveOpenRecordsTheSampleSizeOfAnOpenedDevice) {
  auto open = Imported<decltype(&waveOutOpen)>(kWaveOutOpen);
  WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
  MMRESULT queried = open(nullptr, WAVE_MAPPER, &format, 0, 0, WAVE_FORMAT_QUERY);
  EXPECT_EQ(queried, waveOutOpen(nullptr, WAVE_MAPPER, &format, 0, 0, WAVE_FORMAT_QUERY));
  EXPECT_FALSE(SampleSizeMap && SampleSizeMap->Count() > 0) << "a query opens no device";
  HWAVEOUT device = nullptr;
  if (open(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
    GTEST_SKIP() << "no wave-out device here";
  ASSERT_TRUE(SampleSizeMap);
  EXPECT_EQ(SampleSizeMap->Find(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(device))), 2u);
  waveOutClose(device);
}

TEST_F(MappedFixture, MonikersAndFileOpensBeforeTheContentManagerExistBehaveAsTheSystem) {
  ASSERT_FALSE(ContentManager);
  auto createMoniker = Imported<decltype(&CreateURLMoniker)>(kCreateURLMoniker);
  ComPtr<IMoniker> moniker;
  ASSERT_EQ(createMoniker(nullptr, L"http://host/movie.swf", moniker.Put()), S_OK);
  EXPECT_FALSE(moniker.As<IBinding>(IID_IBinding)) << "the genuine moniker, not the library's";

  auto createFile = Imported<decltype(&CreateFileA)>(kCreateFileA);
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  HANDLE self = createFile(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(self, INVALID_HANDLE_VALUE);
  CloseHandle(self);
}

TEST_F(MappedFixture, MonikersGoToTheContentManagerOnceItExists) {
  CreateURLMonikerFunction create = nullptr;
  RegisterBindStatusCallbackFunction registerCallback = nullptr;
  ContentManager = std::make_unique<TContentManager>(UrlMonikerFunctions{create, registerCallback});
  auto createMoniker = Imported<decltype(&CreateURLMoniker)>(kCreateURLMoniker);
  ComPtr<IMoniker> moniker;
  EXPECT_EQ(createMoniker(nullptr, L"http://host/movie.swf", moniker.Put()), S_OK);
  EXPECT_TRUE(moniker.As<IBinding>(IID_IBinding));
  moniker.Reset();
  ContentManager.reset();
}

}  // namespace
}  // namespace dm
