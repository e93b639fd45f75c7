#pragma once
// Test support: the built control loaded straight from the build (no registry), an event sink that
// records what the control fires, and the dispatch calls a container makes.
#include <windows.h>
#include <ocidl.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ui/com.h"

namespace dm::standin::testing {

// FlashStandin.ocx from the folder above the test program; unloaded at the end.
class StandinModule {
 public:
  StandinModule();
  ~StandinModule();
  StandinModule(const StandinModule&) = delete;
  StandinModule& operator=(const StandinModule&) = delete;
  ComPtr<IDispatch> CreateControl() const;
  HMODULE Handle() const { return module_; }

 private:
  HMODULE module_ = nullptr;
};

// Receives the control's events through its connection point.
class EventSink final : public IDispatch {
 public:
  struct Event {
    DISPID dispid;
    std::wstring argument;        // the first parameter as text
    std::wstring secondArgument;  // the second, when there is one
  };
  std::vector<Event> events;
  // Runs inside each FlashCall, before the control's Invoke on the sink returns.
  std::function<void(const std::wstring& request)> onFlashCall;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;

  std::vector<std::wstring> FlashCalls() const;
};

// Connects the sink for the control's lifetime (the sink must outlive the connection).
DWORD Connect(IDispatch* control, EventSink& sink);

struct CallResult {
  HRESULT hr = E_FAIL;
  std::wstring text;  // the answer, or the exception's description
  SCODE scode = S_OK;
};
CallResult CallFunction(IDispatch* control, const std::wstring& text);
HRESULT PutMovie(IDispatch* control, const std::wstring& path);

// A file in a fresh temporary folder, removed with the object.
class TempFile {
 public:
  explicit TempFile(const std::string& content, const wchar_t* name = L"movie.swf");
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  std::wstring Path() const { return path_.wstring(); }

 private:
  std::filesystem::path folder_;
  std::filesystem::path path_;
};

// Dispatches this thread's messages until `done` holds or the timeout passes; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

}  // namespace dm::standin::testing
