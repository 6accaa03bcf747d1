// The little COM the Windows Imaging Component needs: a pointer that
// releases itself, the calling thread's apartment for as long as a call
// needs it, and a failure's code as text. Windows only.
#pragma once

#include <objbase.h>
#include <wincodec.h>

#include <cstdio>
#include <string>

template <typename T>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() {
        if (p_)
            p_->Release();
    }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    T** out() { return &p_; }

  private:
    T* p_ = nullptr;
};

// COM on this thread during a call: printer-cli's threads have none, the
// window's thread has its own already (then this only counts it).
class ComApartment {
  public:
    ComApartment() : joined_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (joined_)
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    bool joined_;
};

inline HRESULT CreateImagingFactory(ComPtr<IWICImagingFactory>& factory) {
    return CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                            IID_PPV_ARGS(factory.out()));
}

// "0x88982F50"
inline std::string HresultText(HRESULT result) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
    return code;
}
