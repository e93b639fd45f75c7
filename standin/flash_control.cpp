#include "standin/flash_control.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <utility>

#include "standin/dispatch_table.h"
#include "standin/invoke_xml.h"
#include "standin/module.h"
#include "standin/movie_script.h"
#include "ui/error.h"

namespace dm::standin {

namespace {

constexpr wchar_t kStageClass[] = L"FlashStandinStage";
constexpr wchar_t kServiceClass[] = L"FlashStandinService";
constexpr wchar_t kChannelClass[] = L"FlashStandinChannel";
constexpr UINT kCommandsArrived = WM_APP + 1;
constexpr std::uintmax_t kMaxMovieBytes = 16 * 1024 * 1024;
constexpr wchar_t kTourVariable[] = L"DM_DEMO_TOUR";
constexpr int kControlSlot = 0;  // window extra bytes holding the control

void RegisterWindowClasses() {
  WNDCLASSEXW stage{};
  stage.cbSize = sizeof stage;
  stage.style = CS_DBLCLKS;
  stage.hInstance = ModuleInstance();
  stage.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  stage.lpszClassName = kStageClass;
  stage.cbWndExtra = sizeof(LONG_PTR);  // the control; GWLP_USERDATA stays free for whoever subclasses us
  WNDCLASSEXW service = stage;
  stage.lpfnWndProc = DefWindowProcW;
  service.lpfnWndProc = DefWindowProcW;
  service.lpszClassName = kServiceClass;
  WNDCLASSEXW channel = service;
  channel.lpszClassName = kChannelClass;
  // Already registered by an earlier control of this process: fine.
  RegisterClassExW(&stage);
  RegisterClassExW(&service);
  RegisterClassExW(&channel);
}

// Keys and the mouse, and the system commands that reach the window (tests follow what the host's message
// loop lets through).
bool IsRecordedMessage(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         message == WM_SYSCOMMAND;
}

std::wstring HexCode(HRESULT hr) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

// The file a Movie value names: a plain path or a file: URL.
std::filesystem::path MoviePath(std::wstring url) {
  for (std::wstring_view prefix : {std::wstring_view(L"file:///"), std::wstring_view(L"file://")}) {
    if (url.size() >= prefix.size() && CompareStringOrdinal(url.data(), static_cast<int>(prefix.size()), prefix.data(),
                                                            static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL) {
      url.erase(0, prefix.size());
      std::replace(url.begin(), url.end(), L'/', L'\\');
      break;
    }
  }
  return std::filesystem::path(url);
}

std::string ReadMovieFile(const std::filesystem::path& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) throw Error(L"The movie file cannot be read: " + path.wstring());
  if (size > kMaxMovieBytes) throw Error(L"The movie file is too large: " + path.wstring());
  std::ifstream file(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (!file.good() && !file.eof()) throw Error(L"The movie file cannot be read: " + path.wstring());
  return bytes;
}

void FillException(EXCEPINFO* exception, const std::wstring& description) {
  if (!exception) return;
  *exception = EXCEPINFO{};
  exception->scode = E_FAIL;
  exception->bstrSource = SysAllocString(L"FlashStandin");
  exception->bstrDescription = SysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
}

HRESULT GuardCom(const std::function<HRESULT()>& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace

// ---------------------------------------------------------------- test channel

namespace {

// One channel per process, for all controls in it: a container may create and drop a control
// (to probe for it) before it creates the one it keeps. Commands go to the newest live control.
// Once connected the channel stays for the life of the process, and the module is pinned so that
// its reader thread is never stopped from inside the loader.
class ChannelHub {
 public:
  static ChannelHub& Instance() {
    static ChannelHub hub;
    return hub;
  }

  void Attach(FlashControl* control) {
    controls_.push_back(control);
    if (window_) return;
    window_ = CreateWindowExW(0, kChannelClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ModuleInstance(), nullptr);
    if (!window_) return;
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc));
    channel_ = TestChannel::Connect(window_, kCommandsArrived);
    if (!channel_) return;
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCWSTR>(&ChannelHub::Instance), &pinned);
    channel_->Send({L"hello", NumberField(GetCurrentProcessId())});
  }

  void Detach(FlashControl* control) { std::erase(controls_, control); }

  void Send(const Record& record) {
    if (channel_) channel_->Send(record);
  }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kCommandsArrived) return DefWindowProcW(window, message, wParam, lParam);
    try {
      Instance().HandleCommands();
    } catch (...) {
      // Never unwind into the container's message loop.
    }
    return 0;
  }

  void HandleCommands() {
    if (!channel_) return;
    for (const Record& command : channel_->TakeCommands()) {
      if (command.size() < 2) continue;
      if (controls_.empty()) {
        Send({L"error", command[1], L"No control exists."});
        continue;
      }
      FlashControl* control = controls_.back();
      ComPtr<IOleObject> keepAlive(static_cast<IOleObject*>(control));
      control->HandleCommand(command);
    }
  }

  HWND window_ = nullptr;
  std::unique_ptr<TestChannel> channel_;
  std::vector<FlashControl*> controls_;  // live controls, newest last
};

}  // namespace

// ---------------------------------------------------------------- connection point

EventConnectionPoint::Delivery EventConnectionPoint::Fire(DISPID dispid, VARIANTARG* arguments, UINT count) {
  Delivery delivery;
  const auto sinks = sinks_;  // a sink may unadvise while it handles the event
  for (const auto& [cookie, sink] : sinks) {
    DISPPARAMS params{arguments, nullptr, count, 0};
    const HRESULT hr = sink->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                                    nullptr);
    delivery.delivered = true;
    if (FAILED(hr)) delivery.result = hr;
  }
  return delivery;
}

STDMETHODIMP EventConnectionPoint::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) EventConnectionPoint::AddRef() { return static_cast<IOleObject&>(control_).AddRef(); }
STDMETHODIMP_(ULONG) EventConnectionPoint::Release() { return static_cast<IOleObject&>(control_).Release(); }

STDMETHODIMP EventConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = kEventsIid;
  return S_OK;
}

STDMETHODIMP EventConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
  if (!out) return E_POINTER;
  *out = &control_;
  (*out)->AddRef();
  return S_OK;
}

STDMETHODIMP EventConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_POINTER;
  return GuardCom([&] {
    ComPtr<IDispatch> dispatch;
    if (FAILED(sink->QueryInterface(kEventsIid, dispatch.PutVoid())) &&
        FAILED(sink->QueryInterface(IID_IDispatch, dispatch.PutVoid())))
      return CONNECT_E_CANNOTCONNECT;
    *cookie = nextCookie_++;
    sinks_.emplace_back(*cookie, std::move(dispatch));
    return S_OK;
  });
}

STDMETHODIMP EventConnectionPoint::Unadvise(DWORD cookie) {
  auto found = std::find_if(sinks_.begin(), sinks_.end(), [cookie](const auto& entry) { return entry.first == cookie; });
  if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
  sinks_.erase(found);
  return S_OK;
}

STDMETHODIMP EventConnectionPoint::EnumConnections(IEnumConnections** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

// ---------------------------------------------------------------- creation and identity

HRESULT FlashControl::Create(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return GuardCom([&] {
    RegisterWindowClasses();
    ComPtr<IOleObject> control = ComPtr<IOleObject>::Attach(new FlashControl());
    return control->QueryInterface(iid, out);
  });
}

FlashControl::FlashControl() {
  AddModuleReference();
  CreateOleAdviseHolder(adviseHolder_.Put());
  service_ = CreateWindowExW(0, kServiceClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ModuleInstance(), nullptr);
  if (service_) {
    SetWindowLongPtrW(service_, kControlSlot, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(service_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ServiceProc));
  }
  ChannelHub::Instance().Attach(this);
}

FlashControl::~FlashControl() {
  ChannelHub::Instance().Detach(this);
  InPlaceDeactivate();
  if (service_) DestroyWindow(service_);
  ReleaseModuleReference();
}

STDMETHODIMP FlashControl::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  void* found = nullptr;
  if (iid == IID_IUnknown || iid == IID_IOleObject) found = static_cast<IOleObject*>(this);
  else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) found = static_cast<IOleInPlaceObject*>(this);
  else if (iid == IID_IOleInPlaceActiveObject) found = static_cast<IOleInPlaceActiveObject*>(this);
  else if (iid == IID_IPersist || iid == IID_IPersistStreamInit) found = static_cast<IPersistStreamInit*>(this);
  else if (iid == IID_IPersistPropertyBag) found = static_cast<IPersistPropertyBag*>(this);
  else if (iid == IID_IOleControl) found = static_cast<IOleControl*>(this);
  else if (iid == IID_IViewObject || iid == IID_IViewObject2) found = static_cast<IViewObject2*>(this);
  else if (iid == IID_IConnectionPointContainer) found = static_cast<IConnectionPointContainer*>(this);
  else if (iid == IID_IDispatch || iid == kControlIid) found = static_cast<IDispatch*>(this);
  *out = found;
  if (!found) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) FlashControl::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

STDMETHODIMP_(ULONG) FlashControl::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

// ---------------------------------------------------------------- embedding

STDMETHODIMP FlashControl::SetClientSite(IOleClientSite* site) {
  site_ = ComPtr<IOleClientSite>(site);
  return S_OK;
}

STDMETHODIMP FlashControl::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = ComPtr<IOleClientSite>(site_).Detach();
  return S_OK;
}

STDMETHODIMP FlashControl::Close(DWORD) {
  InPlaceDeactivate();
  return S_OK;
}

STDMETHODIMP FlashControl::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent, LPCRECT position) {
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_OPEN:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE:
      return GuardCom([&] {
        return Activate(activeSite ? activeSite : site_.Get(), parent, position, verb != OLEIVERB_INPLACEACTIVATE);
      });
    case OLEIVERB_HIDE:
      if (stage_) ShowWindow(stage_, SW_HIDE);
      return S_OK;
    default:
      return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
  }
}

HRESULT FlashControl::Activate(IOleClientSite* site, HWND parent, LPCRECT position, bool uiActivate) {
  ComPtr<IOleInPlaceSite> inPlaceSite;
  if (site) site->QueryInterface(IID_IOleInPlaceSite, inPlaceSite.PutVoid());
  RECT bounds = position ? *position : RECT{0, 0, 1024, 768};
  if (!stage_) {
    ComPtr<IOleInPlaceFrame> frame;
    if (inPlaceSite) {
      if (inPlaceSite->CanInPlaceActivate() == S_FALSE) return E_FAIL;
      inPlaceSite->OnInPlaceActivate();
      HWND siteWindow = nullptr;
      if (SUCCEEDED(inPlaceSite->GetWindow(&siteWindow)) && siteWindow) parent = siteWindow;
      ComPtr<IOleInPlaceUIWindow> document;
      RECT sitePosition{}, clip{};
      OLEINPLACEFRAMEINFO frameInfo{};
      frameInfo.cb = sizeof frameInfo;
      if (SUCCEEDED(inPlaceSite->GetWindowContext(frame.Put(), document.Put(), &sitePosition, &clip, &frameInfo)) &&
          sitePosition.right > sitePosition.left)
        bounds = sitePosition;
    }
    if (!parent) return E_INVALIDARG;
    stage_ = CreateWindowExW(0, kStageClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, bounds.left,
                             bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent, nullptr,
                             ModuleInstance(), nullptr);
    if (!stage_) return HRESULT_FROM_WIN32(GetLastError());
    SetWindowLongPtrW(stage_, kControlSlot, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(stage_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StageProc));
    inPlaceSite_ = inPlaceSite;
    if (uiActivate && inPlaceSite) {
      inPlaceSite->OnUIActivate();
      if (frame) frame->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(this), nullptr);
    }
  } else {
    if (position) SetObjectRects(position, nullptr);
    ShowWindow(stage_, SW_SHOW);
  }
  return S_OK;
}

STDMETHODIMP FlashControl::InPlaceDeactivate() {
  if (stage_) {
    HWND stage = std::exchange(stage_, nullptr);
    SetWindowLongPtrW(stage, kControlSlot, 0);
    DestroyWindow(stage);
  }
  if (ComPtr<IOleInPlaceSite> site = std::exchange(inPlaceSite_, nullptr)) site->OnInPlaceDeactivate();
  return S_OK;
}

STDMETHODIMP FlashControl::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = stage_;
  return stage_ ? S_OK : E_FAIL;
}

STDMETHODIMP FlashControl::SetObjectRects(LPCRECT position, LPCRECT) {
  if (!position) return E_POINTER;
  if (stage_)
    MoveWindow(stage_, position->left, position->top, position->right - position->left,
               position->bottom - position->top, TRUE);
  return S_OK;
}

STDMETHODIMP FlashControl::GetUserClassID(CLSID* clsid) { return GetClassID(clsid); }

STDMETHODIMP FlashControl::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = kControlClsid;
  return S_OK;
}

STDMETHODIMP FlashControl::SetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  extent_ = *size;
  return S_OK;
}

STDMETHODIMP FlashControl::GetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *size = extent_;
  return S_OK;
}

STDMETHODIMP FlashControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

STDMETHODIMP FlashControl::Advise(IAdviseSink* sink, DWORD* cookie) {
  return adviseHolder_ ? adviseHolder_->Advise(sink, cookie) : E_OUTOFMEMORY;
}

STDMETHODIMP FlashControl::Unadvise(DWORD cookie) {
  return adviseHolder_ ? adviseHolder_->Unadvise(cookie) : E_OUTOFMEMORY;
}

STDMETHODIMP FlashControl::EnumAdvise(IEnumSTATDATA** out) {
  return adviseHolder_ ? adviseHolder_->EnumAdvise(out) : E_OUTOFMEMORY;
}

STDMETHODIMP FlashControl::GetMiscStatus(DWORD, DWORD* status) {
  if (!status) return E_POINTER;
  *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
            OLEMISC_SETCLIENTSITEFIRST;
  return S_OK;
}

STDMETHODIMP FlashControl::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = 0;
  return S_OK;
}

STDMETHODIMP FlashControl::Load(IPropertyBag* bag, IErrorLog* log) {
  if (!bag) return E_POINTER;
  return GuardCom([&] {
    for (const StoredProperty& property : StoredProperties()) {
      Variant value;
      const std::wstring name(property.name);
      if (SUCCEEDED(bag->Read(name.c_str(), value.Get(), log))) PropertyPut(property.dispid, *value.Get());
    }
    Variant movie;
    if (SUCCEEDED(bag->Read(L"Movie", movie.Get(), log))) PropertyPut(dispid::kMovie, *movie.Get());
    return S_OK;
  });
}

STDMETHODIMP FlashControl::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

STDMETHODIMP FlashControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC hdcDraw, LPCRECTL bounds, LPCRECTL,
                                BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!hdcDraw || !bounds) return E_INVALIDARG;
  return GuardCom([&] {
    Paint(hdcDraw, RECT{bounds->left, bounds->top, bounds->right, bounds->bottom});
    return S_OK;
  });
}

STDMETHODIMP FlashControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  viewAspects_ = aspects;
  viewFlags_ = flags;
  viewSink_ = ComPtr<IAdviseSink>(sink);
  return S_OK;
}

STDMETHODIMP FlashControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = viewAspects_;
  if (flags) *flags = viewFlags_;
  if (sink) *sink = ComPtr<IAdviseSink>(viewSink_).Detach();
  return S_OK;
}

STDMETHODIMP FlashControl::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid != kEventsIid) return CONNECT_E_NOCONNECTION;
  *out = &connectionPoint_;
  connectionPoint_.AddRef();
  return S_OK;
}

// ---------------------------------------------------------------- dispatch

STDMETHODIMP FlashControl::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP FlashControl::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) {
    const auto id = i == 0 && names[i] ? DispidOfName(names[i]) : std::nullopt;
    ids[i] = id ? *id : DISPID_UNKNOWN;
    if (!id) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

STDMETHODIMP FlashControl::Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                  EXCEPINFO* exception, UINT* argumentError) {
  if (!params) return E_POINTER;
  ComPtr<IOleObject> keepAlive(this);  // the movie's requests may make the container let go of us
  return GuardCom([&]() -> HRESULT {
    if (dispid == dispid::kCallFunction && (flags & DISPATCH_METHOD)) {
      if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
      Variant text;
      if (FAILED(VariantChangeType(text.Get(), &params->rgvarg[0], 0, VT_BSTR))) {
        if (argumentError) *argumentError = 0;
        return DISP_E_TYPEMISMATCH;
      }
      const CallOutcome outcome = CallFunction(text.AsText());
      if (!outcome.succeeded) {
        FillException(exception, outcome.answer);
        return DISP_E_EXCEPTION;
      }
      if (result) {
        VariantInit(result);
        result->vt = VT_BSTR;
        result->bstrVal = Bstr(outcome.answer).Detach();
      }
      return S_OK;
    }
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
      if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
      return PropertyPut(dispid, params->rgvarg[0]);
    }
    if (flags & DISPATCH_PROPERTYGET) {
      if (params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
      if (!result) return E_POINTER;
      return PropertyGet(dispid, result);
    }
    return DISP_E_MEMBERNOTFOUND;
  });
}

HRESULT FlashControl::PropertyGet(DISPID dispid, VARIANT* result) {
  VariantInit(result);
  if (dispid == dispid::kMovie) {
    result->vt = VT_BSTR;
    result->bstrVal = Bstr(movieUrl_).Detach();
    return S_OK;
  }
  if (dispid == dispid::kReadyState) {
    result->vt = VT_I4;
    result->lVal = movieLoaded_ ? 4 : 0;
    return S_OK;
  }
  const StoredProperty* property = FindStoredProperty(dispid);
  if (!property) return DISP_E_MEMBERNOTFOUND;
  auto stored = properties_.find(dispid);
  if (stored != properties_.end()) return VariantCopy(result, stored->second.Get());
  switch (property->type) {
    case StoredProperty::Type::Text:
      result->vt = VT_BSTR;
      result->bstrVal = Bstr(property->defaultText).Detach();
      break;
    case StoredProperty::Type::Number:
      result->vt = VT_I4;
      result->lVal = property->defaultNumber;
      break;
    case StoredProperty::Type::Boolean:
      result->vt = VT_BOOL;
      result->boolVal = property->defaultNumber ? VARIANT_TRUE : VARIANT_FALSE;
      break;
  }
  return S_OK;
}

HRESULT FlashControl::PropertyPut(DISPID dispid, const VARIANT& value) {
  if (dispid == dispid::kMovie) {
    Variant text;
    if (FAILED(VariantChangeType(text.Get(), const_cast<VARIANT*>(&value), 0, VT_BSTR))) return DISP_E_TYPEMISMATCH;
    LoadMovie(text.AsText());
    return S_OK;
  }
  const StoredProperty* property = FindStoredProperty(dispid);
  if (!property) return DISP_E_MEMBERNOTFOUND;
  const VARTYPE type = property->type == StoredProperty::Type::Text     ? VT_BSTR
                       : property->type == StoredProperty::Type::Number ? VT_I4
                                                                         : VT_BOOL;
  Variant converted;
  if (FAILED(VariantChangeType(converted.Get(), const_cast<VARIANT*>(&value), 0, type))) return DISP_E_TYPEMISMATCH;
  Variant& slot = properties_[dispid];
  VariantClear(slot.Get());
  return VariantCopy(slot.Get(), converted.Get());
}

FlashControl::CallOutcome FlashControl::CallFunction(const std::wstring& text) {
  InvokeCall call;
  CallOutcome outcome;
  Callback callback;
  try {
    call = ParseInvoke(text);
    if (!player_.FindCallback(call.name, callback))
      outcome.answer = L"Error calling method on the movie: no callback named \"" + call.name + L"\" is registered.";
    else if (callback.failure)
      outcome.answer = L"Error calling method on the movie: " + *callback.failure;
    else
      outcome = CallOutcome{true, AnswerXml(callback.answer ? &*callback.answer : nullptr)};
  } catch (const Error& error) {
    outcome.answer = L"Error calling method on the movie: " + error.Message();
    Log({L"call", text, L"", L"", L"failed", outcome.answer});
    return outcome;
  }
  Log({L"call", text, call.name, call.argument, outcome.succeeded ? L"ok" : L"failed",
       outcome.answer});
  if (!callback.name.empty()) player_.Run(callback.actions, call.argument);
  return outcome;
}

// ---------------------------------------------------------------- the movie

void FlashControl::LoadMovie(const std::wstring& url) {
  movieUrl_ = url;
  movieLoaded_ = false;
  note_.clear();
  player_.Stop();
  if (url.empty()) {
    Log({L"load", url, L"none", L""});
    return;
  }
  std::string bytes;
  try {
    bytes = ReadMovieFile(MoviePath(url));
  } catch (const Error& error) {
    note_ = error.Message();
    Log({L"load", url, L"unreadable", note_});
    Repaint();
    return;
  }
  if (LooksLikeSwf(bytes)) {
    note_ = L"This stand-in Flash control plays scripted movies only.\n" + url +
            L" is a real SWF file; see standin/README.md for the movie script format.";
    Log({L"load", url, L"swf", L""});
    Repaint();
    return;
  }
  MovieScript script;
  try {
    script = ParseMovieScript(bytes);
  } catch (const Error& error) {
    note_ = error.Message();
    Log({L"load", url, L"invalid", note_});
    Repaint();
    return;
  }
  Log({L"load", url, L"script", L""});
  movieLoaded_ = true;
  wchar_t tour[8];
  const DWORD tourLength = GetEnvironmentVariableW(kTourVariable, tour, ARRAYSIZE(tour));
  player_.Play(std::move(script), tourLength > 0 && tourLength < ARRAYSIZE(tour) && tour[0] != L'0');
  // A real player reports its progress after the load call has returned.
  Schedule(0, [this] {
    VARIANTARG percent;
    percent.vt = VT_I4;
    percent.lVal = 100;
    FireEvent(dispid::kOnProgress, L"OnProgress", &percent, 1, L"100");
    VARIANTARG state;
    state.vt = VT_I4;
    state.lVal = 4;
    FireEvent(dispid::kOnReadyStateChange, L"OnReadyStateChange", &state, 1, L"4");
  });
}

void FlashControl::SendRequest(const std::wstring& requestXml) { FireFlashCall(requestXml); }

void FlashControl::SendFSCommand(const std::wstring& command, const std::wstring& arguments) {
  Bstr commandText(command), argumentsText(arguments);
  VARIANTARG parameters[2];  // in dispatch order: the last parameter first
  parameters[0].vt = VT_BSTR;
  parameters[0].bstrVal = argumentsText.Get();
  parameters[1].vt = VT_BSTR;
  parameters[1].bstrVal = commandText.Get();
  FireEvent(dispid::kFSCommand, L"FSCommand", parameters, 2, command + L" " + arguments);
}

EventConnectionPoint::Delivery FlashControl::FireFlashCall(const std::wstring& requestXml) {
  Bstr request(requestXml);
  VARIANTARG argument;
  argument.vt = VT_BSTR;
  argument.bstrVal = request.Get();
  return FireEvent(dispid::kFlashCall, L"FlashCall", &argument, 1, requestXml);
}

EventConnectionPoint::Delivery FlashControl::FireEvent(DISPID dispid, const std::wstring& name, VARIANTARG* arguments,
                                                       UINT count, const std::wstring& argumentText) {
  ComPtr<IOleObject> keepAlive(this);
  const EventConnectionPoint::Delivery delivery = connectionPoint_.Fire(dispid, arguments, count);
  Log({L"event", NumberField(dispid), name, argumentText, HexCode(delivery.result), delivery.delivered ? L"1" : L"0"});
  return delivery;
}

void FlashControl::Schedule(int delayMs, std::function<void()> work) {
  if (!service_) return;
  const UINT_PTR id = nextTimer_++;
  timers_.emplace(id, std::move(work));
  SetTimer(service_, id, static_cast<UINT>(std::max(delayMs, static_cast<int>(USER_TIMER_MINIMUM))), nullptr);
}

void FlashControl::RunTimer(UINT_PTR id) {
  KillTimer(service_, id);
  auto found = timers_.find(id);
  if (found == timers_.end()) return;
  std::function<void()> work = std::move(found->second);
  timers_.erase(found);
  work();
}

void FlashControl::Repaint() {
  if (stage_) InvalidateRect(stage_, nullptr, FALSE);
}

// ---------------------------------------------------------------- windows

namespace {

// Where the stage lies in a rectangle: scaled to fit whole, centred ("ShowAll").
struct StageFit {
  StageFit(const RECT& bounds, int stageWidth, int stageHeight) {
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    scale = std::min(static_cast<double>(width) / stageWidth, static_cast<double>(height) / stageHeight);
    if (scale <= 0) scale = 1;
    left = bounds.left + static_cast<int>((width - stageWidth * scale) / 2);
    top = bounds.top + static_cast<int>((height - stageHeight * scale) / 2);
    right = left + static_cast<int>(stageWidth * scale);
    bottom = top + static_cast<int>(stageHeight * scale);
  }
  POINT ToStage(int x, int y) const {
    return POINT{static_cast<LONG>((x - left) / scale), static_cast<LONG>((y - top) / scale)};
  }
  double scale;
  int left, top, right, bottom;
};

COLORREF ToColorRef(std::uint32_t rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

struct GdiObject {
  explicit GdiObject(HGDIOBJ object) : object(object) {}
  ~GdiObject() {
    if (object) DeleteObject(object);
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  HGDIOBJ object;
};

void FillRectangle(HDC dc, const RECT& rect, std::uint32_t rgb) {
  GdiObject brush(CreateSolidBrush(ToColorRef(rgb)));
  FillRect(dc, &rect, static_cast<HBRUSH>(brush.object));
}

void DrawLine(HDC dc, int x, int y, std::uint32_t rgb, const std::wstring& text) {
  SetTextColor(dc, ToColorRef(rgb));
  TextOutW(dc, x, y, text.data(), static_cast<int>(text.size()));
}

}  // namespace

void FlashControl::Paint(HDC dc, const RECT& bounds) const {
  const MovieScript& script = player_.Script();
  FillRectangle(dc, bounds, 0x000000);
  const StageFit fit(bounds, script.stageWidth, script.stageHeight);
  const int saved = SaveDC(dc);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowExtEx(dc, script.stageWidth, script.stageHeight, nullptr);
  SetViewportExtEx(dc, fit.right - fit.left, fit.bottom - fit.top, nullptr);
  SetViewportOrgEx(dc, fit.left, fit.top, nullptr);
  FillRectangle(dc, RECT{0, 0, script.stageWidth, script.stageHeight}, script.background);
  SetBkMode(dc, TRANSPARENT);
  GdiObject font(CreateFontW(-20, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, L"Tahoma"));
  SelectObject(dc, font.object);
  for (const Label& label : script.labels) DrawLine(dc, label.x, label.y, label.color, label.text);
  for (const Button& button : script.buttons) {
    RECT rect{button.x, button.y, button.x + button.width, button.y + button.height};
    FillRectangle(dc, rect, 0x3A5A8C);
    FrameRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc, RGB(255, 255, 255));
    std::wstring label = button.label;
    DrawTextW(dc, label.data(), static_cast<int>(label.size()), &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  if (script.notices) {
    int y = script.notices->y;
    for (const std::wstring& notice : player_.Notices()) {
      DrawLine(dc, script.notices->x, y, script.notices->color, notice);
      y += 26;
    }
  }
  if (!note_.empty()) {
    RECT rect{40, 40, script.stageWidth - 40, script.stageHeight - 40};
    std::wstring note = note_;
    SetTextColor(dc, RGB(255, 220, 120));
    DrawTextW(dc, note.data(), static_cast<int>(note.size()), &rect, DT_CENTER | DT_WORDBREAK);
  }
  RestoreDC(dc, saved);
}

void FlashControl::OnStageMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsRecordedMessage(message))
    Log({L"message", NumberField(message), NumberField(static_cast<long long>(wParam)), NumberField(lParam)});
  if (message == WM_LBUTTONDOWN) {
    SetFocus(stage_);
    RECT client{};
    GetClientRect(stage_, &client);
    const MovieScript& script = player_.Script();
    const POINT point = StageFit(client, script.stageWidth, script.stageHeight)
                            .ToStage(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    std::vector<Action> actions;
    if (player_.ButtonAt(point.x, point.y, actions)) player_.Run(std::move(actions), {});
  }
}

LRESULT CALLBACK FlashControl::StageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* control = reinterpret_cast<FlashControl*>(GetWindowLongPtrW(window, kControlSlot));
  if (!control) return DefWindowProcW(window, message, wParam, lParam);
  try {
    switch (message) {
      case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client{};
        GetClientRect(window, &client);
        control->Paint(dc, client);
        EndPaint(window, &paint);
        return 0;
      }
      case WM_ERASEBKGND:
        return 1;
      case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTTAB;
      case WM_NCDESTROY:
        // The container destroyed its window, and ours with it.
        control->stage_ = nullptr;
        break;
      default: {
        ComPtr<IOleObject> keepAlive(control);
        control->OnStageMessage(message, wParam, lParam);
        break;
      }
    }
  } catch (...) {
    // A failure in the stand-in's own handling must not unwind into the container's message loop.
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK FlashControl::ServiceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* control = reinterpret_cast<FlashControl*>(GetWindowLongPtrW(window, kControlSlot));
  if (!control || message != WM_TIMER) return DefWindowProcW(window, message, wParam, lParam);
  ComPtr<IOleObject> keepAlive(control);
  try {
    control->RunTimer(wParam);
  } catch (...) {
    // As above: never unwind into the container.
  }
  return 0;
}

// ---------------------------------------------------------------- test channel

void FlashControl::Log(Record record) { ChannelHub::Instance().Send(record); }

void FlashControl::HandleCommand(const Record& command) {
  if (command.size() < 2) return;
  const std::wstring& verb = command[0];
  Record reply{L"reply", command[1]};
  auto field = [&](std::size_t index) -> const std::wstring& {
    if (index >= command.size()) throw Error(L"The command " + verb + L" lacks a field.");
    return command[index];
  };
  auto number = [&](std::size_t index) { return ParseNumberField(field(index)); };
  auto addDelivery = [&](const EventConnectionPoint::Delivery& delivery) {
    reply.push_back(HexCode(delivery.result));
    reply.push_back(delivery.delivered ? L"1" : L"0");
  };
  try {
    if (verb == L"request") {
      addDelivery(FireFlashCall(RequestXml(field(2), field(3))));
    } else if (verb == L"raw") {
      addDelivery(FireFlashCall(field(2)));
    } else if (verb == L"script") {
      player_.Merge(ParseMovieScript(ToUtf8(field(2))));
    } else if (verb == L"unregister") {
      player_.Unregister(field(2));
    } else if (verb == L"post" || verb == L"send") {
      if (!stage_) throw Error(L"The control has no window.");
      HWND target = field(2) == L"main" ? GetAncestor(stage_, GA_ROOT) : stage_;
      const auto message = static_cast<UINT>(number(3));
      const auto wParam = static_cast<WPARAM>(number(4));
      const auto lParam = static_cast<LPARAM>(number(5));
      if (verb == L"post") {
        if (!PostMessageW(target, message, wParam, lParam)) throw Error(L"PostMessage failed.");
      } else {
        reply.push_back(NumberField(SendMessageW(target, message, wParam, lParam)));
      }
    } else if (verb == L"window") {
      if (!stage_) throw Error(L"The control has no window.");
      HWND root = GetAncestor(stage_, GA_ROOT);
      RECT window{}, client{};
      GetWindowRect(root, &window);
      GetClientRect(root, &client);
      wchar_t caption[512] = L"";
      GetWindowTextW(root, caption, ARRAYSIZE(caption));
      auto handle = [](HWND h) { return NumberField(static_cast<long long>(reinterpret_cast<std::uintptr_t>(h))); };
      reply.insert(reply.end(),
                   {handle(root), NumberField(window.left), NumberField(window.top), NumberField(window.right),
                    NumberField(window.bottom), NumberField(client.left), NumberField(client.top),
                    NumberField(client.right), NumberField(client.bottom),
                    NumberField(static_cast<DWORD>(GetWindowLongW(root, GWL_STYLE))),
                    NumberField(static_cast<DWORD>(GetWindowLongW(root, GWL_EXSTYLE))),
                    IsWindowVisible(root) ? L"1" : L"0", IsIconic(root) ? L"1" : L"0",
                    GetForegroundWindow() == root ? L"1" : L"0", NumberField(GetSystemMetrics(SM_CXSCREEN)),
                    NumberField(GetSystemMetrics(SM_CYSCREEN)), caption, handle(stage_)});
    } else if (verb == L"pid") {
      reply.push_back(NumberField(GetCurrentProcessId()));
    } else {
      throw Error(L"Unknown command " + verb + L".");
    }
  } catch (const Error& error) {
    Log({L"error", command[1], error.Message()});
    return;
  }
  Log(std::move(reply));
}

}  // namespace dm::standin
