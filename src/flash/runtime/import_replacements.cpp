#include "flash/runtime/import_replacements.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "flash/runtime/dll_loader.h"
#include "flash/runtime/module_system.h"
#include "flash/runtime/wave_scaling.h"

namespace dm {

std::unique_ptr<TMapString2String> ClassNameMap;
std::unique_ptr<TMapCardinal2Cardinal> SampleSizeMap;
std::unique_ptr<TSavedCursors> SavedCursors;
std::unique_ptr<TContentManager> ContentManager;
std::mutex AudioLock;
std::atomic<bool> SoundEnabled{true};
std::atomic<int32_t> AudioVolume{100};

namespace {

// Class names are 8-bit; widening byte for byte gives them back unchanged.
std::u16string Widen(const char* text) {
  std::u16string wide;
  for (; *text; ++text) wide += static_cast<char16_t>(static_cast<unsigned char>(*text));
  return wide;
}

std::string Narrow(std::u16string_view wide) {
  std::string text;
  for (char16_t c : wide) text += static_cast<char>(c);
  return text;
}

uint32_t WaveKey(HWAVEOUT handle) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle)); }

// urlmon's own CreateURLMoniker, for monikers asked for before the content manager exists.
HRESULT GenuineCreateURLMoniker(LPMONIKER context, LPCWSTR url, LPMONIKER* moniker) {
  if (RealCreateURLMoniker) return RealCreateURLMoniker(context, url, moniker);
  struct Urlmon {
    HMODULE module = LoadLibraryW(L"urlmon.dll");
    CreateURLMonikerFunction create = module ? reinterpret_cast<CreateURLMonikerFunction>(reinterpret_cast<void*>(
                                                   GetProcAddress(module, "CreateURLMoniker")))
                                             : nullptr;
    ~Urlmon() {
      if (module) FreeLibrary(module);
    }
  };
  static const Urlmon urlmon;
  if (!urlmon.create) return E_FAIL;
  return urlmon.create(context, url, moniker);
}

bool FindResourceOf(HINSTANCE instance, WORD type, LPCSTR name, DWORD& size, const void*& data) {
  return instance && FindImageResource(instance, type, name, size, data);
}

}  // namespace

HINSTANCE HostInstance() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&HostInstance), &module);
  return module;
}

int LibraryNumber() { return static_cast<int>(reinterpret_cast<intptr_t>(&FlashOCXCodeProvider)); }

ATOM WINAPI MyRegisterClassExA(const WNDCLASSEXA* windowClass) {
  if (!windowClass) return RegisterClassExA(windowClass);
  try {
    WNDCLASSEXA copy = *windowClass;
    copy.hInstance = HostInstance();
    // A class named by an atom cannot be renamed; it is registered under the host as it is.
    if (IsOrdinal(windowClass->lpszClassName)) return RegisterClassExA(&copy);
    char privateName[512];
    std::snprintf(privateName, sizeof privateName, "FlashPlayerControl_%s_%d", windowClass->lpszClassName,
                  LibraryNumber());
    copy.lpszClassName = privateName;
    CreateIfAbsent(ClassNameMap).SetValue(Widen(windowClass->lpszClassName), Widen(privateName));
    UnregisterClassA(privateName, copy.hInstance);
    return RegisterClassExA(&copy);
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
}

HWND WINAPI MyCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                              int width, int height, HWND parent, HMENU menu, HINSTANCE, LPVOID parameter) {
  try {
    std::string privateName;
    if (className && !IsOrdinal(className) && ClassNameMap) {
      if (std::optional<std::u16string> registered = ClassNameMap->GetValue(Widen(className))) {
        privateName = Narrow(*registered);
        className = privateName.c_str();
      }
    }
    return CreateWindowExA(exStyle, className, windowName, style, x, y, width, height, parent, menu, HostInstance(),
                           parameter);
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

HCURSOR WINAPI MyLoadCursorA(HINSTANCE instance, LPCSTR name) {
  if (!instance) return LoadCursorA(nullptr, name);
  if (SavedCursors)
    if (HCURSOR saved = SavedCursors->Find(instance, name)) return saved;
  DWORD size = 0;
  const void* data = nullptr;
  if (!FindResourceOf(instance, 12, name, size, data)) return nullptr;
  int id = LookupIconIdFromDirectory(static_cast<PBYTE>(const_cast<void*>(data)), FALSE);
  if (id == 0) return nullptr;
  if (!FindResourceOf(instance, 1, OrdinalAsName(static_cast<WORD>(id)), size, data)) return nullptr;
  return CreateIconFromResource(static_cast<PBYTE>(const_cast<void*>(data)), size, FALSE, 0x00030000);
}

HMENU WINAPI MyLoadMenuA(HINSTANCE instance, LPCSTR name) {
  DWORD size = 0;
  const void* data = nullptr;
  if (!FindResourceOf(instance, 4, name, size, data)) return nullptr;
  return LoadMenuIndirectA(data);
}

BOOL WINAPI MyFlushInstructionCache(HANDLE process, LPCVOID address, SIZE_T size) {
  DWORD previous = 0;
  VirtualProtect(const_cast<LPVOID>(address), size, PAGE_EXECUTE_READWRITE, &previous);
  return FlushInstructionCache(process, address, size);
}

MMRESULT WINAPI MyWaveOutOpen(LPHWAVEOUT handle, UINT device, LPCWAVEFORMATEX format, DWORD_PTR callback,
                              DWORD_PTR instance, DWORD flags) {
  try {
    std::lock_guard guard(AudioLock);
    MMRESULT result = waveOutOpen(handle, device, format, callback, instance, flags);
    if (result == MMSYSERR_NOERROR && handle && *handle && format)
      CreateIfAbsent(SampleSizeMap).Add(WaveKey(*handle), format->wBitsPerSample / 8u);
    return result;
  } catch (...) {
    return MMSYSERR_NOMEM;
  }
}

MMRESULT WINAPI MyWaveOutWrite(HWAVEOUT handle, LPWAVEHDR header, UINT headerSize) {
  try {
    std::lock_guard guard(AudioLock);
    if (header && header->lpData) {
      auto* data = reinterpret_cast<uint8_t*>(header->lpData);
      if (!SoundEnabled) {
        std::memset(data, 0, header->dwBufferLength);
      } else if (SampleSizeMap) {
        if (std::optional<uint32_t> bytesPerSample = SampleSizeMap->Find(WaveKey(handle)))
          ScaleWaveSamples(data, header->dwBufferLength, *bytesPerSample, AudioVolume);
      }
    }
    return waveOutWrite(handle, header, headerSize);
  } catch (...) {
    return MMSYSERR_ERROR;
  }
}

HRESULT WINAPI MyCreateURLMoniker(LPMONIKER context, LPCWSTR url, LPMONIKER* moniker) {
  if (!moniker) return E_INVALIDARG;
  try {
    if (!ContentManager) return GenuineCreateURLMoniker(context, url, moniker);
    return ContentManager->CreateURLMoniker(context, url, moniker);
  } catch (...) {
    *moniker = nullptr;
    return E_OUTOFMEMORY;
  }
}

HANDLE WINAPI MyCreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                            DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile) {
  try {
    if (ContentManager)
      return ContentManager->CreateFile(fileName, access, shareMode, security, creationDisposition,
                                        flagsAndAttributes, templateFile);
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileA(fileName, access, shareMode, security, creationDisposition, flagsAndAttributes, templateFile);
}

// The replacements must be interchangeable with what they replace.
static_assert(std::is_same_v<decltype(&MyRegisterClassExA), decltype(&::RegisterClassExA)>);
static_assert(std::is_same_v<decltype(&MyCreateWindowExA), decltype(&::CreateWindowExA)>);
static_assert(std::is_same_v<decltype(&MyLoadCursorA), decltype(&::LoadCursorA)>);
static_assert(std::is_same_v<decltype(&MyLoadMenuA), decltype(&::LoadMenuA)>);
static_assert(std::is_same_v<decltype(&MyFlushInstructionCache), decltype(&::FlushInstructionCache)>);
static_assert(std::is_same_v<decltype(&MyWaveOutOpen), decltype(&::waveOutOpen)>);
static_assert(std::is_same_v<decltype(&MyWaveOutWrite), decltype(&::waveOutWrite)>);
static_assert(std::is_same_v<decltype(&MyCreateURLMoniker), decltype(&::CreateURLMoniker)>);
static_assert(std::is_same_v<decltype(&MyCreateFileA), decltype(&::CreateFileA)>);

}  // namespace dm
