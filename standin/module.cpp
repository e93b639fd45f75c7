// The DLL's entry points: class object, unloading, registration.
#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include <string>

#include "standin/flash_control.h"
#include "standin/module.h"

namespace dm::standin {

namespace {

HINSTANCE g_module = nullptr;
LONG g_references = 0;

constexpr wchar_t kClsidKey[] = L"CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}";
constexpr wchar_t kProgId[] = L"ShockwaveFlash.ShockwaveFlash";
constexpr wchar_t kVersionedProgId[] = L"ShockwaveFlash.ShockwaveFlash.10";
constexpr wchar_t kClsidText[] = L"{D27CDB6E-AE6D-11CF-96B8-444553540000}";
constexpr wchar_t kDescription[] = L"Flash Player stand-in control";

class ClassFactory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // A static object: its references are the module's.
  STDMETHODIMP_(ULONG) AddRef() override {
    AddModuleReference();
    return 2;
  }
  STDMETHODIMP_(ULONG) Release() override {
    ReleaseModuleReference();
    return 1;
  }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out) *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return FlashControl::Create(iid, out);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) AddModuleReference();
    else ReleaseModuleReference();
    return S_OK;
  }
};

ClassFactory g_factory;

class RegistryKey {
 public:
  explicit RegistryKey(const std::wstring& path) {
    status_ = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key_, nullptr);
  }
  ~RegistryKey() {
    if (status_ == ERROR_SUCCESS) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  LSTATUS Set(const wchar_t* name, const std::wstring& value) {
    if (status_ != ERROR_SUCCESS) return status_;
    return RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }

 private:
  HKEY key_ = nullptr;
  LSTATUS status_;
};

LSTATUS SetValue(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
  return RegistryKey(path).Set(name, value);
}

}  // namespace

HINSTANCE ModuleInstance() { return g_module; }
void AddModuleReference() { InterlockedIncrement(&g_references); }
void ReleaseModuleReference() { InterlockedDecrement(&g_references); }

}  // namespace dm::standin

using namespace dm::standin;

// Nothing but the module handle: a private loader may run this entry without the system's help.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != kControlClsid) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, out);
}

STDAPI DllCanUnloadNow() { return g_references == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(g_module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return SELFREG_E_CLASS;
  const std::wstring clsidKey = kClsidKey;
  const std::pair<std::wstring, std::pair<const wchar_t*, std::wstring>> values[] = {
      {clsidKey, {nullptr, kDescription}},
      {clsidKey + L"\\InprocServer32", {nullptr, path}},
      {clsidKey + L"\\InprocServer32", {L"ThreadingModel", L"Apartment"}},
      {clsidKey + L"\\ProgID", {nullptr, kVersionedProgId}},
      {clsidKey + L"\\VersionIndependentProgID", {nullptr, kProgId}},
      {clsidKey + L"\\Control", {nullptr, L""}},
      {clsidKey + L"\\MiscStatus", {nullptr, L"0"}},
      {clsidKey + L"\\MiscStatus\\1", {nullptr, L"131473"}},
      {kProgId, {nullptr, kDescription}},
      {std::wstring(kProgId) + L"\\CLSID", {nullptr, kClsidText}},
      {std::wstring(kProgId) + L"\\CurVer", {nullptr, kVersionedProgId}},
      {kVersionedProgId, {nullptr, kDescription}},
      {std::wstring(kVersionedProgId) + L"\\CLSID", {nullptr, kClsidText}},
  };
  for (const auto& [key, value] : values)
    if (SetValue(key, value.first, value.second) != ERROR_SUCCESS) return SELFREG_E_CLASS;
  return S_OK;
}

STDAPI DllUnregisterServer() {
  for (const wchar_t* key : {kClsidKey, kProgId, kVersionedProgId}) {
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, key);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return SELFREG_E_CLASS;
  }
  return S_OK;
}
