#pragma once
// Owning wrappers of Win32 handles (Windows only). One move-only template serves every kind of
// handle; the traits name the type, its "no handle" value and the function that closes it.
#include <windows.h>
#include <unknwn.h>

#include <utility>

template <typename Traits>
class THandle {
public:
    using Type = typename Traits::Type;

    THandle() noexcept = default;
    explicit THandle(Type value) noexcept : FValue(value) {}
    THandle(THandle&& other) noexcept : FValue(other.Release()) {}
    THandle& operator=(THandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    ~THandle() { Reset(); }

    Type Get() const noexcept { return FValue; }
    explicit operator bool() const noexcept { return FValue != Traits::Invalid(); }

    // Gives up ownership without closing.
    Type Release() noexcept { return std::exchange(FValue, Traits::Invalid()); }

    // Closes the held handle (if any) and takes value.
    void Reset(Type value = Traits::Invalid()) noexcept {
        Type old = std::exchange(FValue, value);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

private:
    Type FValue = Traits::Invalid();
};

struct TKernelHandleTraits {  // events, threads, processes: "none" is null
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};
struct TFileHandleTraits {  // CreateFile: "none" is INVALID_HANDLE_VALUE
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};
struct TFindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::FindClose(h); }
};
struct TChangeHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::FindCloseChangeNotification(h); }
};
struct TRegKeyTraits {
    using Type = HKEY;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::RegCloseKey(h); }
};
struct TModuleTraits {
    using Type = HMODULE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::FreeLibrary(h); }
};
struct TWindowTraits {
    using Type = HWND;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DestroyWindow(h); }
};
struct TMenuTraits {
    using Type = HMENU;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DestroyMenu(h); }
};
struct TIconTraits {
    using Type = HICON;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DestroyIcon(h); }
};
struct TCursorTraits {
    using Type = HCURSOR;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DestroyCursor(h); }
};
struct TMemDcTraits {  // CreateCompatibleDC / CreateDC
    using Type = HDC;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteDC(h); }
};
template <typename G>
struct TGdiTraits {  // pens, brushes, fonts, bitmaps, regions
    using Type = G;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteObject(h); }
};

using TKernelHandle = THandle<TKernelHandleTraits>;
using TFileHandle = THandle<TFileHandleTraits>;
using TFindHandle = THandle<TFindHandleTraits>;
using TChangeHandle = THandle<TChangeHandleTraits>;
using TRegKey = THandle<TRegKeyTraits>;
using TModule = THandle<TModuleTraits>;
using TWindowHandle = THandle<TWindowTraits>;
using TMenuHandle = THandle<TMenuTraits>;
using TIconHandle = THandle<TIconTraits>;
using TCursorHandle = THandle<TCursorTraits>;
using TMemDc = THandle<TMemDcTraits>;
template <typename G>
using TGdiObject = THandle<TGdiTraits<G>>;
using TPenHandle = TGdiObject<HPEN>;
using TBrushHandle = TGdiObject<HBRUSH>;
using TFontHandle = TGdiObject<HFONT>;
using TBitmapHandle = TGdiObject<HBITMAP>;
using TRegionHandle = TGdiObject<HRGN>;

// A window's device context from GetDC, released to its window.
class TWindowDc {
public:
    explicit TWindowDc(HWND wnd) noexcept : FWnd(wnd), FDc(::GetDC(wnd)) {}
    ~TWindowDc() {
        if (FDc) ::ReleaseDC(FWnd, FDc);
    }
    TWindowDc(const TWindowDc&) = delete;
    TWindowDc& operator=(const TWindowDc&) = delete;
    HDC Get() const noexcept { return FDc; }

private:
    HWND FWnd;
    HDC FDc;
};

// Selects an object into a DC for the life of the scope, then puts the previous one back.
class TSelectObject {
public:
    TSelectObject(HDC dc, HGDIOBJ obj) noexcept : FDc(dc), FOld(::SelectObject(dc, obj)) {}
    ~TSelectObject() {
        if (FOld && FOld != HGDI_ERROR) ::SelectObject(FDc, FOld);
    }
    TSelectObject(const TSelectObject&) = delete;
    TSelectObject& operator=(const TSelectObject&) = delete;

private:
    HDC FDc;
    HGDIOBJ FOld;
};

// Saves every DC attribute (colours, modes, clip region) and restores them at scope end.
class TSaveDc {
public:
    explicit TSaveDc(HDC dc) noexcept : FDc(dc), FId(::SaveDC(dc)) {}
    ~TSaveDc() {
        if (FId) ::RestoreDC(FDc, FId);
    }
    TSaveDc(const TSaveDc&) = delete;
    TSaveDc& operator=(const TSaveDc&) = delete;

private:
    HDC FDc;
    int FId;
};

// COM interface pointer that releases its reference.
template <typename I>
class TComPtr {
public:
    TComPtr() noexcept = default;
    TComPtr(const TComPtr& other) noexcept : FPtr(other.FPtr) {
        if (FPtr) FPtr->AddRef();
    }
    TComPtr(TComPtr&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
    TComPtr& operator=(TComPtr other) noexcept {
        std::swap(FPtr, other.FPtr);
        return *this;
    }
    ~TComPtr() { Reset(); }

    I* Get() const noexcept { return FPtr; }
    I* operator->() const noexcept { return FPtr; }
    explicit operator bool() const noexcept { return FPtr != nullptr; }
    void Reset() noexcept {
        if (FPtr) std::exchange(FPtr, nullptr)->Release();
    }
    // For out-parameters of COM calls: releases what is held, then lends the slot.
    I** Put() noexcept {
        Reset();
        return &FPtr;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

private:
    I* FPtr = nullptr;
};
