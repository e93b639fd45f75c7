#include "flash/shockwave_flash.h"

#include <ocidl.h>

#include "ui/application.h"
#include "ui/form.h"
#include "ui/ole_control_site.h"

namespace dm {
namespace {

const wchar_t kWrapperProperty[] = L"Driftmarrow.ShockwaveFlash";

// Receives the control's events and hands them to the wrapper while it is attached.
class FlashEventSink final : public IDispatch {
 public:
  explicit FlashEventSink(TShockwaveFlash* owner) : owner_(owner) {}
  void Detach() { owner_ = nullptr; }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kShockwaveFlashEvents) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                      UINT*) override {
    if (result) VariantInit(result);
    if (!owner_ || !params) return S_OK;
    // Keep the sink alive even if a handler ends the wrapper's life.
    ComPtr<IDispatch> self(this);
    return owner_->FireEvent(id, *params);
  }

 private:
  ~FlashEventSink() = default;
  LONG references_ = 1;
  TShockwaveFlash* owner_;
};

// Argument i (in call order) of an event as text; events pass their arguments in reverse order.
std::wstring TextArgument(const DISPPARAMS& params, UINT i) {
  if (i >= params.cArgs) return {};
  const VARIANT& argument = params.rgvarg[params.cArgs - 1 - i];
  const VARIANT& value = (argument.vt == (VT_BYREF | VT_VARIANT) && argument.pvarVal) ? *argument.pvarVal : argument;
  if (value.vt == VT_BSTR) return value.bstrVal ? std::wstring(value.bstrVal, SysStringLen(value.bstrVal)) : L"";
  if (value.vt == (VT_BYREF | VT_BSTR) && value.pbstrVal && *value.pbstrVal)
    return std::wstring(*value.pbstrVal, SysStringLen(*value.pbstrVal));
  return {};
}

int IntArgument(const DISPPARAMS& params, UINT i) {
  if (i >= params.cArgs) return 0;
  VARIANT converted;
  VariantInit(&converted);
  int value = 0;
  if (SUCCEEDED(VariantChangeType(&converted, &params.rgvarg[params.cArgs - 1 - i], 0, VT_I4))) value = converted.lVal;
  VariantClear(&converted);
  return value;
}

void SetTextProperty(TShockwaveFlash& flash, DISPID id, const wchar_t* text) {
  Bstr value(text);
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = value.Get();
  flash.SetProperty(id, v);
}

}  // namespace

FlashControlMissing::FlashControlMissing(HRESULT code)
    : Error(L"The Flash Player ActiveX control is missing or cannot be started. Please install the latest "
            L"Flash Player to play Driftmarrow"),
      code_(code) {}

TShockwaveFlash::TShockwaveFlash() {
  HRESULT hr = CoCreateInstance(kFlashPlayerClassId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                IID_IOleObject, object_.PutVoid());
  if (FAILED(hr) || !object_) throw FlashControlMissing(hr);

  site_ = OleControlSite::Create();
  DWORD misc = 0;
  object_->GetMiscStatus(DVASPECT_CONTENT, &misc);
  if (misc & OLEMISC_SETCLIENTSITEFIRST) object_->SetClientSite(site_.Get());
  if (auto persist = object_.As<IPersistStreamInit>(IID_IPersistStreamInit)) persist->InitNew();
  if (!(misc & OLEMISC_SETCLIENTSITEFIRST)) object_->SetClientSite(site_.Get());

  // 1024 x 768 pixels in units of 0.01 mm.
  SIZEL extent{27093, 20320};
  object_->SetExtent(DVASPECT_CONTENT, &extent);
  SetTextProperty(*this, flash_dispid::WMode, L"Window");
  SetTextProperty(*this, flash_dispid::Quality2, L"High");
  VARIANT showAll;
  showAll.vt = VT_I4;
  showAll.lVal = 0;
  SetProperty(flash_dispid::ScaleMode, showAll);

  if (auto container = object_.As<IConnectionPointContainer>(IID_IConnectionPointContainer)) {
    ComPtr<IConnectionPoint> point;
    if (SUCCEEDED(container->FindConnectionPoint(kShockwaveFlashEvents, point.Put())) && point) {
      sink_ = ComPtr<IDispatch>::Attach(new FlashEventSink(this));
      if (FAILED(point->Advise(sink_.Get(), &sinkCookie_))) sinkCookie_ = 0;
    }
  }
}

TShockwaveFlash::~TShockwaveFlash() {
  Unsubclass();
  if (sink_) static_cast<FlashEventSink*>(sink_.Get())->Detach();
  if (sinkCookie_) {
    if (auto container = object_.As<IConnectionPointContainer>(IID_IConnectionPointContainer)) {
      ComPtr<IConnectionPoint> point;
      if (SUCCEEDED(container->FindConnectionPoint(kShockwaveFlashEvents, point.Put())) && point)
        point->Unadvise(sinkCookie_);
    }
  }
  if (auto inPlace = object_.As<IOleInPlaceObject>(IID_IOleInPlaceObject)) inPlace->InPlaceDeactivate();
  object_->Close(OLECLOSE_NOSAVE);
  object_->SetClientSite(nullptr);
}

void TShockwaveFlash::CreateWindowIn(HWND parent, const RECT& bounds) {
  parent_ = parent;
  site_->SetContainer(parent, bounds);
  RECT position = bounds;
  ThrowIfFailed(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, parent, &position),
                L"Embedding the Flash Player control");
  HWND window = nullptr;
  if (auto inPlace = object_.As<IOleInPlaceObject>(IID_IOleInPlaceObject)) inPlace->GetWindow(&window);
  if (!window) throw Error(L"The Flash Player control did not create its window");
  Subclass(window);
}

void TShockwaveFlash::SetBounds(const RECT& bounds) {
  site_->SetBounds(bounds);
  if (auto inPlace = object_.As<IOleInPlaceObject>(IID_IOleInPlaceObject)) inPlace->SetObjectRects(&bounds, &bounds);
}

RECT TShockwaveFlash::Bounds() const { return site_->Bounds(); }

IDispatch& TShockwaveFlash::DefaultInterface() {
  if (!dispatch_) {
    dispatch_ = object_.As<IDispatch>(kShockwaveFlashInterface);
    if (!dispatch_) dispatch_ = object_.As<IDispatch>(IID_IDispatch);
    if (!dispatch_) throw ComError(E_NOINTERFACE, L"The Flash Player control has no IShockwaveFlash interface");
  }
  return *dispatch_.Get();
}

void TShockwaveFlash::Invoke(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result, const wchar_t* what) {
  EXCEPINFO exception{};
  UINT badArgument = 0;
  HRESULT hr = DefaultInterface().Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &exception,
                                         &badArgument);
  if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
  Bstr description, source, help;
  *description.Put() = exception.bstrDescription;
  *source.Put() = exception.bstrSource;
  *help.Put() = exception.bstrHelpFile;
  if (SUCCEEDED(hr)) return;
  HRESULT code = (hr == DISP_E_EXCEPTION && FAILED(exception.scode)) ? exception.scode : hr;
  if (!description.Str().empty()) throw ComError(code, description.Str());
  ThrowIfFailed(code, what);
}

void TShockwaveFlash::GetProperty(DISPID id, Variant& value) {
  DISPPARAMS params{};
  VariantClear(value.Get());
  Invoke(id, DISPATCH_PROPERTYGET, params, value.Get(), L"Reading a Flash Player property");
}

void TShockwaveFlash::SetProperty(DISPID id, const VARIANT& value) {
  VARIANT argument = value;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{&argument, &named, 1, 1};
  Invoke(id, DISPATCH_PROPERTYPUT, params, nullptr, L"Setting a Flash Player property");
}

std::wstring TShockwaveFlash::Movie() {
  Variant value;
  GetProperty(flash_dispid::Movie, value);
  return value.AsText();
}

void TShockwaveFlash::SetMovie(const std::wstring& path) { SetTextProperty(*this, flash_dispid::Movie, path.c_str()); }

std::wstring TShockwaveFlash::CallFunction(const std::wstring& request) {
  if (request.empty()) return {};
  Bstr text(request);
  VARIANT argument;
  argument.vt = VT_BSTR;
  argument.bstrVal = text.Get();
  DISPPARAMS params{&argument, nullptr, 1, 0};
  Variant answer;
  Invoke(flash_dispid::CallFunction, DISPATCH_METHOD, params, answer.Get(), L"Calling the movie");
  return answer.AsText();
}

HRESULT TShockwaveFlash::FireEvent(DISPID id, const DISPPARAMS& params) {
  try {
    switch (id) {
      case flash_dispid::FlashCall:
        if (OnFlashCall) OnFlashCall(TextArgument(params, 0));
        break;
      case flash_dispid::OnReadyStateChange:
        if (OnReadyStateChange) OnReadyStateChange(IntArgument(params, 0));
        break;
      case flash_dispid::OnProgress:
        if (OnProgress) OnProgress(IntArgument(params, 0));
        break;
      case flash_dispid::FSCommand:
        if (OnFSCommand) OnFSCommand(TextArgument(params, 0), TextArgument(params, 1));
        break;
      default:
        break;
    }
  } catch (...) {
    Application::Instance().ReportCurrentException();
  }
  return S_OK;
}

void TShockwaveFlash::Subclass(HWND window) {
  Unsubclass();
  controlWindow_ = window;
  SetPropW(window, kWrapperProperty, this);
  originalProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TShockwaveFlash::SubclassProc)));
}

void TShockwaveFlash::Unsubclass() {
  if (!controlWindow_) return;
  if (IsWindow(controlWindow_)) {
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(controlWindow_, GWLP_WNDPROC)) == &TShockwaveFlash::SubclassProc)
      SetWindowLongPtrW(controlWindow_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalProc_));
    RemovePropW(controlWindow_, kWrapperProperty);
  }
  controlWindow_ = nullptr;
}

LRESULT TShockwaveFlash::PassToControl(UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcW(originalProc_, controlWindow_, message, wParam, lParam);
}

LRESULT TShockwaveFlash::ControlWndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP) {
    if (Form* form = Form::FromWindow(GetAncestor(controlWindow_, GA_ROOT))) form->PreviewKey(message, wParam);
  }
  return PassToControl(message, wParam, lParam);
}

LRESULT CALLBACK TShockwaveFlash::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* wrapper = static_cast<TShockwaveFlash*>(GetPropW(window, kWrapperProperty));
  if (!wrapper) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    WNDPROC original = wrapper->originalProc_;
    wrapper->Unsubclass();
    return CallWindowProcW(original, window, message, wParam, lParam);
  }
  try {
    return wrapper->ControlWndProc(message, wParam, lParam);
  } catch (...) {
    Application::Instance().ReportCurrentException();
    return 0;
  }
}

}  // namespace dm
