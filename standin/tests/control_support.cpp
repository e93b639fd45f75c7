#include "standin/tests/control_support.h"

#include <gtest/gtest.h>

#include <fstream>

#include "standin/module.h"

namespace dm::standin::testing {

StandinModule::StandinModule() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::filesystem::path path = std::filesystem::path(self).parent_path().parent_path() / L"FlashStandin.ocx";
  module_ = LoadLibraryW(path.c_str());
  if (!module_) throw Error(L"Cannot load " + path.wstring());
}

StandinModule::~StandinModule() {
  if (module_) FreeLibrary(module_);
}

ComPtr<IDispatch> StandinModule::CreateControl() const {
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
  if (!get) throw Error(L"DllGetClassObject is not exported");
  ComPtr<IClassFactory> factory;
  ThrowIfFailed(get(kControlClsid, IID_IClassFactory, factory.PutVoid()), L"DllGetClassObject");
  ComPtr<IDispatch> control;
  ThrowIfFailed(factory->CreateInstance(nullptr, kControlIid, control.PutVoid()), L"CreateInstance");
  return control;
}

STDMETHODIMP EventSink::QueryInterface(REFIID iid, void** out) {
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kEventsIid) {
    *out = static_cast<IDispatch*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP EventSink::GetTypeInfoCount(UINT* count) {
  *count = 0;
  return S_OK;
}

STDMETHODIMP EventSink::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
  Event event{dispid, {}, {}};
  auto parameter = [&](UINT index) {  // rgvarg holds the parameters last first
    Variant text;
    if (index < params->cArgs &&
        SUCCEEDED(VariantChangeType(text.Get(), &params->rgvarg[params->cArgs - 1 - index], 0, VT_BSTR)))
      return text.AsText();
    return std::wstring();
  };
  event.argument = parameter(0);
  event.secondArgument = parameter(1);
  events.push_back(event);
  if (dispid == 197 && onFlashCall) onFlashCall(event.argument);
  return S_OK;
}

std::vector<std::wstring> EventSink::FlashCalls() const {
  std::vector<std::wstring> requests;
  for (const Event& event : events)
    if (event.dispid == 197) requests.push_back(event.argument);
  return requests;
}

DWORD Connect(IDispatch* control, EventSink& sink) {
  ComPtr<IConnectionPointContainer> container;
  ThrowIfFailed(control->QueryInterface(IID_IConnectionPointContainer, container.PutVoid()), L"container");
  ComPtr<IConnectionPoint> point;
  ThrowIfFailed(container->FindConnectionPoint(kEventsIid, point.Put()), L"FindConnectionPoint");
  DWORD cookie = 0;
  ThrowIfFailed(point->Advise(&sink, &cookie), L"Advise");
  return cookie;
}

namespace {

HRESULT InvokeWithText(IDispatch* control, DISPID dispid, WORD flags, const std::wstring& text, VARIANT* result,
                       EXCEPINFO* exception) {
  Bstr argumentText(text);
  VARIANTARG argument;
  argument.vt = VT_BSTR;
  argument.bstrVal = argumentText.Get();
  DISPID named = DISPID_PROPERTYPUT;
  const bool put = flags == DISPATCH_PROPERTYPUT;
  DISPPARAMS params{&argument, put ? &named : nullptr, 1, put ? 1u : 0u};
  return control->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, exception, nullptr);
}

}  // namespace

CallResult CallFunction(IDispatch* control, const std::wstring& text) {
  Variant answer;
  EXCEPINFO exception{};
  CallResult result;
  result.hr = InvokeWithText(control, 198, DISPATCH_METHOD, text, answer.Get(), &exception);
  if (result.hr == DISP_E_EXCEPTION) {
    result.scode = exception.scode;
    result.text = exception.bstrDescription ? exception.bstrDescription : L"";
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
  } else {
    result.text = answer.AsText();
  }
  return result;
}

HRESULT PutMovie(IDispatch* control, const std::wstring& path) {
  return InvokeWithText(control, 102, DISPATCH_PROPERTYPUT, path, nullptr, nullptr);
}

TempFile::TempFile(const std::string& content, const wchar_t* name) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  static int counter = 0;
  folder_ = std::filesystem::path(temp) /
            (L"standin-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
  std::filesystem::create_directories(folder_);
  path_ = folder_ / name;
  std::ofstream(path_, std::ios::binary) << content;
}

TempFile::~TempFile() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return true;
}

}  // namespace dm::standin::testing
