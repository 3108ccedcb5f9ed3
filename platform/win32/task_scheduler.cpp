// Task Scheduler 2.0 through its COM interface.
#include "platform/win32/wide.h"
//
#include <objbase.h>
#include <oleauto.h>
#include <taskschd.h>

#include "platform/win32/win32_platform.h"

namespace quellora::win32 {

namespace {

// Releases the interface it holds.
template <typename T>
class Com {
public:
    Com() = default;
    ~Com() {
        if (p_) p_->Release();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T** out() { return &p_; }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

class Bstr {
public:
    explicit Bstr(std::u16string_view text) {
        std::wstring w = Wide(text);
        b_ = SysAllocStringLen(w.c_str(), static_cast<UINT>(w.size()));
    }
    ~Bstr() { SysFreeString(b_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    operator BSTR() const { return b_; }

private:
    BSTR b_ = nullptr;
};

// COM for the calling thread, multithreaded. A thread that is already a
// single-threaded apartment (RPC_E_CHANGED_MODE) can use COM as it is; it
// was not initialised here and is not uninitialised here either.
class ComForThread {
public:
    ComForThread() {
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        usable_ = SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE;
        uninitialize_ = SUCCEEDED(hr);
    }
    ~ComForThread() {
        if (uninitialize_) CoUninitialize();
    }
    ComForThread(const ComForThread&) = delete;
    ComForThread& operator=(const ComForThread&) = delete;
    bool usable() const { return usable_; }

private:
    bool usable_ = false;
    bool uninitialize_ = false;
};

VARIANT EmptyVariant() {
    VARIANT v;
    VariantInit(&v);
    return v;
}

// Connects to the local scheduler as the current user and opens the root folder.
bool OpenRootFolder(Com<ITaskService>& service, Com<ITaskFolder>& folder) {
    if (FAILED(CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                reinterpret_cast<void**>(service.out())))) {
        return false;
    }
    if (FAILED(service->Connect(EmptyVariant(), EmptyVariant(), EmptyVariant(), EmptyVariant()))) return false;
    Bstr root(u"\\");
    return SUCCEEDED(service->GetFolder(root, folder.out())) && folder;
}

VARIANT_BOOL Flag(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

bool FillDefinition(ITaskDefinition* task, const TaskDefinition& d) {
    Com<IRegistrationInfo> info;
    if (FAILED(task->get_RegistrationInfo(info.out())) || !info) return false;
    Bstr author(d.author);
    if (FAILED(info->put_Author(author))) return false;

    Com<ITaskSettings> settings;
    if (FAILED(task->get_Settings(settings.out())) || !settings) return false;
    Bstr limit(d.executionTimeLimit);
    if (FAILED(settings->put_ExecutionTimeLimit(limit)) ||
        FAILED(settings->put_DisallowStartIfOnBatteries(Flag(d.disallowStartIfOnBatteries))) ||
        FAILED(settings->put_StopIfGoingOnBatteries(Flag(d.stopIfGoingOnBatteries))) ||
        FAILED(settings->put_MultipleInstances(static_cast<TASK_INSTANCES_POLICY>(d.multipleInstances))) ||
        FAILED(settings->put_Enabled(Flag(d.enabled)))) {
        return false;
    }

    Com<IPrincipal> principal;
    if (FAILED(task->get_Principal(principal.out())) || !principal) return false;
    if (FAILED(principal->put_RunLevel(static_cast<TASK_RUNLEVEL_TYPE>(d.runLevel)))) return false;

    Com<ITriggerCollection> triggers;
    Com<ITrigger> trigger;
    if (FAILED(task->get_Triggers(triggers.out())) || !triggers) return false;
    if (FAILED(triggers->Create(static_cast<TASK_TRIGGER_TYPE2>(d.triggerType), trigger.out())) || !trigger) return false;
    Bstr triggerId(d.triggerId);
    if (FAILED(trigger->put_Id(triggerId))) return false;
    // The program's trigger fires at any user's logon; a trigger for one user
    // (ILogonTrigger::put_UserId) is not needed.
    if (!d.triggerUserId.empty()) return false;

    Com<IActionCollection> actions;
    Com<IAction> action;
    Com<IExecAction> exec;
    if (FAILED(task->get_Actions(actions.out())) || !actions) return false;
    if (FAILED(actions->Create(static_cast<TASK_ACTION_TYPE>(d.actionType), action.out())) || !action) return false;
    if (FAILED(action->QueryInterface(IID_IExecAction, reinterpret_cast<void**>(exec.out())))) return false;
    Bstr path(d.actionPath);
    Bstr arguments(d.actionArguments);
    return SUCCEEDED(exec->put_Path(path)) && SUCCEEDED(exec->put_Arguments(arguments));
}

VARIANT TextVariant(BSTR text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = text;  // borrowed: the caller's Bstr outlives the call
    return v;
}

}  // namespace

bool Win32TaskScheduler::Register(const TaskDefinition& d) {
    ComForThread com;
    if (!com.usable()) return false;
    Com<ITaskService> service;
    Com<ITaskFolder> folder;
    if (!OpenRootFolder(service, folder)) return false;
    Com<ITaskDefinition> task;
    if (FAILED(service->NewTask(0, task.out())) || !task) return false;
    if (!FillDefinition(task.get(), d)) return false;
    Bstr name(d.name);
    Bstr user(d.registrationUserId);
    Bstr none(u"");
    Com<IRegisteredTask> registered;
    const HRESULT hr = folder->RegisterTaskDefinition(
        name, task.get(), static_cast<LONG>(d.registrationFlags),
        d.registrationUserId.empty() ? EmptyVariant() : TextVariant(user), EmptyVariant(),
        static_cast<TASK_LOGON_TYPE>(d.logonType), TextVariant(none), registered.out());
    return SUCCEEDED(hr);
}

int Win32TaskScheduler::Exists(std::u16string_view taskName) {
    ComForThread com;
    if (!com.usable()) return -1;
    Com<ITaskService> service;
    Com<ITaskFolder> folder;
    if (!OpenRootFolder(service, folder)) return -1;
    Bstr name(taskName);
    Com<IRegisteredTask> task;
    const HRESULT hr = folder->GetTask(name, task.out());
    if (SUCCEEDED(hr) && task) return 1;
    return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND) ? 0 : -1;
}

bool Win32TaskScheduler::Delete(std::u16string_view taskName) {
    ComForThread com;
    if (!com.usable()) return false;
    Com<ITaskService> service;
    Com<ITaskFolder> folder;
    if (!OpenRootFolder(service, folder)) return false;
    Bstr name(taskName);
    return SUCCEEDED(folder->DeleteTask(name, 0));
}

}  // namespace quellora::win32
