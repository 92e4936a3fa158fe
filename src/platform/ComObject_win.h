#pragma once
// IUnknown for a COM object written in C++ that offers one interface (Windows only).
#include <unknwn.h>
#include <windows.h>

// Implements IUnknown for an object that offers one interface I (identified by Iid): the count starts at
// one and the object deletes itself when it reaches zero.
template <class I, const IID& Iid>
class TComUnknown : public I {
public:
    virtual ~TComUnknown() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == Iid) {
            *out = static_cast<I*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefs; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --FRefs;
        if (n == 0) delete this;
        return n;
    }

private:
    ULONG FRefs = 1;
};
