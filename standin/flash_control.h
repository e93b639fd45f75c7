#pragma once
// The stand-in Flash Player control: an OLE control that embeds in place, answers the player's
// dispatch interface (Movie, CallFunction and the stored properties), fires the player's events
// through a connection point and plays movie scripts in its window.
#include <windows.h>
#include <ocidl.h>
#include <oleidl.h>
#include <olectl.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "standin/channel_record.h"
#include "standin/movie_player.h"
#include "standin/test_channel.h"
#include "ui/com.h"

namespace dm::standin {

class FlashControl;

// The one connection point, for the event interface. Its references are the control's.
class EventConnectionPoint final : public IConnectionPoint {
 public:
  explicit EventConnectionPoint(FlashControl& control) : control_(control) {}

  struct Delivery {
    HRESULT result = S_OK;
    bool delivered = false;
  };
  // Calls every connected sink's Invoke with the arguments (in dispatch order: last first).
  Delivery Fire(DISPID dispid, VARIANTARG* arguments, UINT count);

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetConnectionInterface(IID* iid) override;
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override;
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumConnections(IEnumConnections** out) override;

 private:
  FlashControl& control_;
  std::vector<std::pair<DWORD, ComPtr<IDispatch>>> sinks_;
  DWORD nextCookie_ = 1;
};

class FlashControl final : public IOleObject,
                           public IOleInPlaceObject,
                           public IOleInPlaceActiveObject,
                           public IPersistStreamInit,
                           public IPersistPropertyBag,
                           public IOleControl,
                           public IViewObject2,
                           public IConnectionPointContainer,
                           public IDispatch,
                           private MovieEnvironment {
 public:
  static HRESULT Create(REFIID iid, void** out);

  // Carries out a test-channel command on this control's thread; replies through the channel.
  void HandleCommand(const Record& command);

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) override;
  STDMETHODIMP GetClientSite(IOleClientSite** site) override;
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP Close(DWORD saveOption) override;
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent, LPCRECT position) override;
  STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return OLE_S_USEREG; }
  STDMETHODIMP Update() override { return S_OK; }
  STDMETHODIMP IsUpToDate() override { return S_OK; }
  STDMETHODIMP GetUserClassID(CLSID* clsid) override;
  STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return OLE_S_USEREG; }
  STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
  STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
  STDMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumAdvise(IEnumSTATDATA** out) override;
  STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
  STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP InPlaceDeactivate() override;
  STDMETHODIMP UIDeactivate() override { return S_OK; }
  STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT clip) override;
  STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP TranslateAccelerator(LPMSG) override { return S_FALSE; }
  STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

  // IPersist, IPersistStreamInit, IPersistPropertyBag
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  STDMETHODIMP IsDirty() override { return S_FALSE; }
  STDMETHODIMP Load(LPSTREAM) override { return S_OK; }
  STDMETHODIMP Save(LPSTREAM, BOOL) override { return S_OK; }
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
  STDMETHODIMP InitNew() override { return S_OK; }
  STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
  STDMETHODIMP Save(IPropertyBag*, BOOL, BOOL) override { return S_OK; }

  // IOleControl
  STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
  STDMETHODIMP OnMnemonic(MSG*) override { return S_OK; }
  STDMETHODIMP OnAmbientPropertyChange(DISPID) override { return S_OK; }
  STDMETHODIMP FreezeEvents(BOOL) override { return S_OK; }

  // IViewObject, IViewObject2
  STDMETHODIMP Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC hdcDraw, LPCRECTL bounds, LPCRECTL,
                    BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override;
  STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override { return S_FALSE; }
  STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  STDMETHODIMP GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) override;

  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* argumentError) override;

 private:
  FlashControl();
  ~FlashControl();

  // MovieEnvironment
  void SendRequest(const std::wstring& requestXml) override;
  void SendFSCommand(const std::wstring& command, const std::wstring& arguments) override;
  void Schedule(int delayMs, std::function<void()> work) override;
  void Repaint() override;

  struct CallOutcome {
    bool succeeded = false;
    std::wstring answer;  // the answer XML, or the error description
  };
  CallOutcome CallFunction(const std::wstring& text);
  void LoadMovie(const std::wstring& url);
  EventConnectionPoint::Delivery FireEvent(DISPID dispid, const std::wstring& name, VARIANTARG* arguments,
                                           UINT count, const std::wstring& argumentText);
  EventConnectionPoint::Delivery FireFlashCall(const std::wstring& requestXml);
  HRESULT Activate(IOleClientSite* site, HWND parent, LPCRECT position, bool uiActivate);
  HRESULT PropertyGet(DISPID dispid, VARIANT* result);
  HRESULT PropertyPut(DISPID dispid, const VARIANT& value);

  void Log(Record record);
  void RunTimer(UINT_PTR id);
  void Paint(HDC dc, const RECT& bounds) const;
  void OnStageMessage(UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK StageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ServiceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  LONG references_ = 1;
  EventConnectionPoint connectionPoint_{*this};
  ComPtr<IOleClientSite> site_;
  ComPtr<IOleInPlaceSite> inPlaceSite_;
  ComPtr<IOleAdviseHolder> adviseHolder_;
  ComPtr<IAdviseSink> viewSink_;
  DWORD viewAspects_ = 0, viewFlags_ = 0;
  SIZEL extent_{27093, 20320};
  HWND stage_ = nullptr;  // destroyed by us or, with its parent, by the container
  HWND service_ = nullptr;  // message-only window for the movie's timers
  std::map<DISPID, Variant> properties_;
  std::wstring movieUrl_;
  std::wstring note_;  // shown instead of a movie (a real SWF, an unreadable or invalid script)
  bool movieLoaded_ = false;
  MoviePlayer player_{*this};
  std::map<UINT_PTR, std::function<void()>> timers_;
  UINT_PTR nextTimer_ = 1;
};

}  // namespace dm::standin
