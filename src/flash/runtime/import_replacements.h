#pragma once
// The functions the private runtime's imports are replaced with, and the process-wide objects they use.
// Each replacement has the exact signature and calling convention of the system function it stands in
// for, reports failure the same way, and lets no C++ exception out.
#include <windows.h>
#include <mmsystem.h>
#include <objidl.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "flash/content/content_manager.h"
#include "flash/runtime/maps.h"
#include "flash/runtime/saved_cursors.h"

namespace dm {

// Created and freed by the library's start-up and exit. The runtime's entry code runs before start-up
// creates them: a replacement that needs a map then creates it (start-up keeps it), and one that needs
// the content manager behaves as the system function it replaces.
extern std::unique_ptr<TMapString2String> ClassNameMap;       // requested class name -> registered name
extern std::unique_ptr<TMapCardinal2Cardinal> SampleSizeMap;  // wave-out handle -> bytes per sample
extern std::unique_ptr<TSavedCursors> SavedCursors;
extern std::unique_ptr<TContentManager> ContentManager;
// Serialises the wave-out replacements and SampleSizeMap; exists from program start.
extern std::mutex AudioLock;
extern std::atomic<bool> SoundEnabled;
extern std::atomic<int32_t> AudioVolume;  // percent

template <class T>
T& CreateIfAbsent(std::unique_ptr<T>& object) {
  if (!object) object = std::make_unique<T>();
  return *object;
}

// The module the library's windows and classes belong to: the executable, or the library's own DLL.
HINSTANCE HostInstance();
// Tells this copy of the library apart from others in the process: the address of its provider variable.
int LibraryNumber();

ATOM WINAPI MyRegisterClassExA(const WNDCLASSEXA* windowClass);
HWND WINAPI MyCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                              int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID parameter);
HCURSOR WINAPI MyLoadCursorA(HINSTANCE instance, LPCSTR name);
HMENU WINAPI MyLoadMenuA(HINSTANCE instance, LPCSTR name);
BOOL WINAPI MyFlushInstructionCache(HANDLE process, LPCVOID address, SIZE_T size);
MMRESULT WINAPI MyWaveOutOpen(LPHWAVEOUT handle, UINT device, LPCWAVEFORMATEX format, DWORD_PTR callback,
                              DWORD_PTR instance, DWORD flags);
MMRESULT WINAPI MyWaveOutWrite(HWAVEOUT handle, LPWAVEHDR header, UINT headerSize);
HRESULT WINAPI MyCreateURLMoniker(LPMONIKER context, LPCWSTR url, LPMONIKER* moniker);
HANDLE WINAPI MyCreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                            DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);

}  // namespace dm
