#include "platform/win32/com_apartment.h"

#include "platform/win32/wide.h"
//
#include <objbase.h>

#include <atomic>

namespace quellora::win32 {

namespace {

constexpr DWORD kSingleThreaded = COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE;

// Whether the main thread's start-up joined the multithreaded apartment (and
// so holds one initialisation to give back).
std::atomic<bool> g_mainThreadInMta{false};

}  // namespace

void JoinMainThreadToMultithreadedApartment() {
    g_mainThreadInMta = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
}

bool MoveMainThreadToSingleThreadedApartment() {
    if (g_mainThreadInMta.exchange(false)) CoUninitialize();
    const HRESULT hr = CoInitializeEx(nullptr, kSingleThreaded);
    // S_FALSE: it is a single-threaded apartment already (this initialisation
    // is counted all the same and never given back: the thread ends with the process).
    return SUCCEEDED(hr);
}

SingleThreadedApartment::SingleThreadedApartment() {
    joined_ = SUCCEEDED(CoInitializeEx(nullptr, kSingleThreaded));
}

SingleThreadedApartment::~SingleThreadedApartment() {
    if (joined_) CoUninitialize();
}

}  // namespace quellora::win32
