#include "flash/runtime/dll_loader.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "flash/runtime/entry_guard.h"
#include "ui/com.h"

namespace dm {

namespace {

// Images mapped here, with their extent, so that look-ups by address stay inside them. The runtime's
// own threads may look up resources while the main thread maps or unmaps another image.
class MappedImages {
 public:
  static MappedImages& Instance() {
    static MappedImages images;
    return images;
  }

  void Add(std::span<const std::uint8_t> image) {
    std::lock_guard lock(mutex_);
    images_.push_back(image);
  }

  void Remove(const void* base) {
    std::lock_guard lock(mutex_);
    std::erase_if(images_, [base](const auto& image) { return image.data() == base; });
  }

  std::optional<std::span<const std::uint8_t>> Find(const void* base) {
    std::lock_guard lock(mutex_);
    const auto found =
        std::find_if(images_.begin(), images_.end(), [base](const auto& image) { return image.data() == base; });
    if (found == images_.end()) return std::nullopt;
    return *found;
  }

 private:
  std::mutex mutex_;
  std::vector<std::span<const std::uint8_t>> images_;
};

// Registers an image for the duration of a load; kept once the load succeeds.
class ImageRegistration {
 public:
  explicit ImageRegistration(std::span<const std::uint8_t> image) : base_(image.data()) {
    MappedImages::Instance().Add(image);
  }
  ~ImageRegistration() {
    if (base_) MappedImages::Instance().Remove(base_);
  }
  ImageRegistration(const ImageRegistration&) = delete;
  ImageRegistration& operator=(const ImageRegistration&) = delete;
  void Keep() { base_ = nullptr; }

 private:
  const void* base_;
};

// The bytes of a module image: one mapped here, or one the system loader loaded (and checked).
std::span<const std::uint8_t> ImageBytes(const void* image) {
  if (const auto mapped = MappedImages::Instance().Find(image)) return *mapped;
  HMODULE module = nullptr;
  if (image != nullptr &&
      GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         static_cast<LPCWSTR>(image), &module) &&
      module == image) {
    const auto* base = static_cast<const std::uint8_t*>(image);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    return {base, nt->OptionalHeader.SizeOfImage};
  }
  throw ImageError("no module image at this address");
}

std::array<std::uint16_t, 5> ResourceLanguages() {
  return {LANGIDFROMLCID(GetThreadLocale()), LANGIDFROMLCID(GetSystemDefaultLCID()),
          LANGIDFROMLCID(GetUserDefaultLCID()), 0, 1033};
}

struct VirtualFreeDeleter {
  void operator()(void* memory) const noexcept { VirtualFree(memory, 0, MEM_RELEASE); }
};
using ImageMemory = std::unique_ptr<void, VirtualFreeDeleter>;

// Modules loaded for an image's imports; released in load order unless handed over.
class ImportedModules {
 public:
  explicit ImportedModules(ModuleSystem& system) : system_(system) {}
  ~ImportedModules() {
    for (HMODULE module : handles) system_.Release(module);
  }
  ImportedModules(const ImportedModules&) = delete;
  ImportedModules& operator=(const ImportedModules&) = delete;
  std::vector<HMODULE> Take() { return std::exchange(handles, {}); }

  std::vector<HMODULE> handles;

 private:
  ModuleSystem& system_;
};

std::wstring EntryFaultText(DWORD exceptionCode) {
  wchar_t text[96];
  std::swprintf(text, std::size(text), L"The module's entry code failed with exception 0x%08lX",
                static_cast<unsigned long>(exceptionCode));
  return text;
}

}  // namespace

class TDLLLoader::Resolver final : public ImportResolver {
 public:
  Resolver(TDLLLoader& loader, ImportedModules& modules) : loader_(loader), modules_(modules) {}

  void BeginModule(const char* moduleName) override {
    moduleName_ = moduleName;
    module_ = loader_.system_.Load(moduleName);
    if (module_) modules_.handles.push_back(module_);
  }

  std::uint32_t Resolve(const ImportName& import) override {
    const char* proc = import.byOrdinal ? OrdinalAsName(import.ordinal) : import.name;
    if (void* replacement = loader_.GetImportReplacement(moduleName_, proc))
      return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(replacement));
    if (!module_) return 0;
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(loader_.system_.Find(module_, proc)));
  }

 private:
  TDLLLoader& loader_;
  ImportedModules& modules_;
  const char* moduleName_ = nullptr;
  HMODULE module_ = nullptr;
};

TDLLLoader::TDLLLoader(std::span<const std::uint8_t> moduleBytes, ModuleSystem& modules) : system_(modules) {
  Map(moduleBytes);
}

void TDLLLoader::Map(std::span<const std::uint8_t> moduleBytes) {
  ImageHeaders headers = ReadImageHeaders(moduleBytes);
  ImageMemory memory(VirtualAlloc(nullptr, headers.sizeOfImage, MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE));
  if (!memory) throw Error(L"The module image could not be allocated: " + SystemMessage(GetLastError()));
  const std::span<std::uint8_t> image(static_cast<std::uint8_t*>(memory.get()), headers.sizeOfImage);
  CopyHeadersAndSections(headers, moduleBytes, image);
  ApplyRelocations(headers, image,
                   static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(image.data())) - headers.imageBase);
  ImportedModules imported(system_);
  Resolver resolver(*this, imported);
  ResolveImports(headers, image, resolver);

  // Registered before the entry code runs: it may look up its own resources.
  ImageRegistration registration(image);
  if (headers.addressOfEntryPoint != 0) {
    const auto entry = reinterpret_cast<ModuleEntry>(image.data() + headers.addressOfEntryPoint);
    if (const DWORD fault = CallModuleEntryGuarded(entry, static_cast<HINSTANCE>(memory.get()), DLL_PROCESS_ATTACH)) {
      // Whatever the entry code set up before it failed (threads, hooks, window classes) may still point
      // into the image or rely on its imports: they stay until the process ends.
      memory.release();
      imported.Take();
      registration.Keep();
      throw Error(EntryFaultText(fault));
    }
  }
  registration.Keep();
  headers_ = std::move(headers);
  modules_ = imported.Take();
  mappedImage_ = memory.release();
}

TDLLLoader::~TDLLLoader() {
  if (!mappedImage_) return;
  if (headers_.addressOfEntryPoint != 0) {
    const auto entry = reinterpret_cast<ModuleEntry>(static_cast<std::uint8_t*>(mappedImage_) +
                                                     headers_.addressOfEntryPoint);
    // After a failed exit the module's state is unknown: leave it and its imports in place.
    if (CallModuleEntryGuarded(entry, static_cast<HINSTANCE>(mappedImage_), DLL_PROCESS_DETACH) != 0) return;
  }
  for (HMODULE module : modules_) system_.Release(module);
  MappedImages::Instance().Remove(mappedImage_);
  VirtualFree(mappedImage_, 0, MEM_RELEASE);
}

void* TDLLLoader::FindExport(const char* name) const {
  if (!mappedImage_) return nullptr;
  const std::span<const std::uint8_t> image(static_cast<const std::uint8_t*>(mappedImage_), headers_.sizeOfImage);
  const auto rva = FindExportRva(headers_, image, name);
  return rva ? static_cast<std::uint8_t*>(mappedImage_) + *rva : nullptr;
}

void* TDLLLoader::GetImportReplacement(const char*, const char*) { return nullptr; }

bool FindImageResource(const void* image, WORD type, const char* name, DWORD& size, const void*& data) noexcept {
  try {
    const auto bytes = ImageBytes(image);
    const ImageHeaders headers = ReadImageHeaders(bytes);
    std::u16string text;
    ResourceName resourceName;
    if (IsOrdinal(name)) {
      resourceName = static_cast<std::uint16_t>(reinterpret_cast<std::uintptr_t>(name));
    } else {
      const int length = MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0);
      if (length <= 0) return false;
      std::wstring wide(static_cast<std::size_t>(length), L'\0');
      MultiByteToWideChar(CP_ACP, 0, name, -1, wide.data(), length);
      wide.pop_back();
      text.assign(wide.begin(), wide.end());
      resourceName = std::u16string_view(text);
    }
    const auto languages = ResourceLanguages();
    const auto found = LocateResource(headers, bytes, type, resourceName, languages);
    if (!found) return false;
    size = found->size;
    data = bytes.data() + found->rva;
    return true;
  } catch (...) {
    return false;
  }
}

std::uint32_t GetImageProductVersion(const void* image) {
  const auto bytes = ImageBytes(image);
  const auto languages = ResourceLanguages();
  return ReadProductVersion(ReadImageHeaders(bytes), bytes, languages);
}

}  // namespace dm
