#pragma once
// The Flash Player ActiveX control on a window: creation with the stored settings, in-place embedding,
// property access and CallFunction through late-bound IDispatch, and the control's four events.
// Late binding keeps the host working with every control version that keeps the dispatch ids.
#include <ole2.h>
#include <windows.h>

#include <functional>
#include <string>

#include "flash/flash_player_class.h"
#include "ui/com.h"
#include "ui/error.h"

namespace dm {

class OleControlSite;

// IShockwaveFlash {D27CDB6C-AE6D-11CF-96B8-444553540000}
inline constexpr IID kShockwaveFlashInterface = {0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// The event interface {D27CDB6D-AE6D-11CF-96B8-444553540000}
inline constexpr IID kShockwaveFlashEvents = {0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// Dispatch ids of the control's properties, methods and events.
namespace flash_dispid {
inline constexpr DISPID Movie = 102, Quality = 105, Loop = 106, FrameNum = 107, ScaleMode = 120,
                        AlignMode = 121, BackgroundColor = 123, Playing = 125, WMode = 133, SAlign = 134,
                        Menu = 135, Base = 136, Scale = 137, DeviceFont = 138, EmbedMovie = 139,
                        BGColor = 140, Quality2 = 141, SWRemote = 159, FlashVars = 170,
                        AllowScriptAccess = 171, MovieData = 190, SeamlessTabbing = 192, Profile = 194,
                        ProfileAddress = 195, ProfilePort = 196, AllowNetworking = 201;
inline constexpr DISPID CallFunction = 198;
inline constexpr DISPID OnReadyStateChange = -609, OnProgress = 1958, FSCommand = 150, FlashCall = 197;
}  // namespace flash_dispid

// The control class is not registered or cannot be created: nothing can be played.
class FlashControlMissing : public Error {
 public:
  explicit FlashControlMissing(HRESULT code);
  HRESULT Code() const noexcept { return code_; }

 private:
  HRESULT code_;
};

class TShockwaveFlash {
 public:
  std::function<void(int newState)> OnReadyStateChange;
  std::function<void(int percentDone)> OnProgress;
  std::function<void(const std::wstring& command, const std::wstring& args)> OnFSCommand;
  std::function<void(const std::wstring& request)> OnFlashCall;

  // Creates the control object and hands it the stored settings: extent 1024 x 768, window mode
  // "Window", quality "High", scale mode "ShowAll".
  TShockwaveFlash();
  virtual ~TShockwaveFlash();
  TShockwaveFlash(const TShockwaveFlash&) = delete;
  TShockwaveFlash& operator=(const TShockwaveFlash&) = delete;

  // Embeds the control in place as a child of parent over bounds and routes the control's own window
  // through ControlWndProc.
  void CreateWindowIn(HWND parent, const RECT& bounds);
  HWND ControlWindow() const { return controlWindow_; }
  HWND ParentWindow() const { return parent_; }
  void SetBounds(const RECT& bounds);
  RECT Bounds() const;

  void GetProperty(DISPID id, Variant& value);
  void SetProperty(DISPID id, const VARIANT& value);
  std::wstring Movie();
  void SetMovie(const std::wstring& path);

  // Hands a call text to the movie and returns its answer. An empty text returns empty at once.
  std::wstring CallFunction(const std::wstring& request);

  // Used by the event sink: routes a control event to the matching handler.
  HRESULT FireEvent(DISPID id, const DISPPARAMS& params);

 protected:
  // Every message to the control's window passes here first; the default offers key messages to the
  // form's key preview, then hands the message to the control.
  virtual LRESULT ControlWndProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Hands a message to the control's own window procedure: what the Flash Player gets to see.
  virtual LRESULT PassToControl(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  IDispatch& DefaultInterface();
  void Invoke(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result, const wchar_t* what);
  void Subclass(HWND window);
  void Unsubclass();

  ComPtr<IOleObject> object_;
  ComPtr<IDispatch> dispatch_;
  ComPtr<OleControlSite> site_;
  ComPtr<IDispatch> sink_;
  DWORD sinkCookie_ = 0;
  HWND parent_ = nullptr;
  HWND controlWindow_ = nullptr;
  WNDPROC originalProc_ = nullptr;
};

}  // namespace dm
