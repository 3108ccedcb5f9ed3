// Services through the service control manager, opened per call.
#include "platform/win32/wide.h"
//
#include <vector>

#include "platform/win32/win32_platform.h"

namespace quellora::win32 {

namespace {

// A service opened with the rights one call needs; both handles closed at the end.
class OpenedService {
public:
    OpenedService(std::u16string_view name, DWORD access) {
        manager_ = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
        if (!manager_) return;
        std::wstring n = Wide(name);
        service_ = OpenServiceW(manager_, n.c_str(), access);
    }
    ~OpenedService() {
        if (service_) CloseServiceHandle(service_);
        if (manager_) CloseServiceHandle(manager_);
    }
    OpenedService(const OpenedService&) = delete;
    OpenedService& operator=(const OpenedService&) = delete;
    SC_HANDLE get() const { return service_; }

private:
    SC_HANDLE manager_ = nullptr;
    SC_HANDLE service_ = nullptr;
};

}  // namespace

bool Win32ServiceControl::QueryState(std::u16string_view name, ServiceState& state) {
    OpenedService service(name, SERVICE_QUERY_STATUS);
    SERVICE_STATUS status{};
    if (!service.get() || !QueryServiceStatus(service.get(), &status)) return false;
    state = static_cast<ServiceState>(status.dwCurrentState);
    return true;
}

bool Win32ServiceControl::SendStop(std::u16string_view name) {
    OpenedService service(name, SERVICE_STOP);
    SERVICE_STATUS status{};
    return service.get() && ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
}

bool Win32ServiceControl::Start(std::u16string_view name) {
    OpenedService service(name, SERVICE_START);
    return service.get() && StartServiceW(service.get(), 0, nullptr);
}

bool Win32ServiceControl::QueryStartType(std::u16string_view name, uint32_t& startType) {
    OpenedService service(name, SERVICE_QUERY_CONFIG);
    if (!service.get()) return false;
    DWORD needed = 0;
    QueryServiceConfigW(service.get(), nullptr, 0, &needed);
    if (needed == 0) return false;
    std::vector<unsigned char> buffer(needed);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (!QueryServiceConfigW(service.get(), config, needed, &needed)) return false;
    startType = config->dwStartType;
    return true;
}

bool Win32ServiceControl::SetStartType(std::u16string_view name, uint32_t startType) {
    OpenedService service(name, SERVICE_CHANGE_CONFIG);
    return service.get() && ChangeServiceConfigW(service.get(), SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE,
                                                 nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace quellora::win32
