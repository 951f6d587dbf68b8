#include "comms/serial/tapdcustomcomport.h"

#include "comms/core/appexceptionhook.h"
#include "comms/core/eapdexception.h"
#include "comms/core/errorcodes.h"
#include "comms/core/oomisc.h"
#include "comms/serial/portlock.h"
#include "comms/serial/portprompt.h"
#include "comms/serial/serialdevice.h"
#include "comms/core/adexcept.h"
#include "comms/core/tapdsyncqueue.h"
#include "comms/serial/tapdwin32dispatcher.h"
#include "comms/core/thiddenwindow.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

namespace {

void raise(int Code)
{
    CheckException(nullptr, Code);
}

// "In use", naming the process that holds the port where it is known.
[[noreturn]] void raisePortInUse(uint16_t comNumber)
{
    const std::string holder = PortHolder(ResolveComDeviceName("\\\\.\\COM" + std::to_string(comNumber)));
    EHardware e(ErrorMsg(ecHardware) + (holder.empty() ? QString() : ": " + QString::fromStdString(holder)));
    e.ErrorCode = ecHardware;
    throw e;
}
}  // namespace

TApdCustomComPort::TApdCustomComPort(QObject* Owner) : TApdBaseComponent(Owner)
{
    NotifyOwnerComponents(this, opInsert);
}

TApdCustomComPort::~TApdCustomComPort()
{
    FDestroying = true;
    try {
        if (FPortState == psOpen)
            DonePort();
    } catch (const std::exception& e) {
        ApplicationHandleException(e);
    }
    // A close still waiting for its threads finishes here: freeing the dispatcher drops a
    // pending synchronised call and joins the threads.
    if (FDispatcher)
        FinishClose();
    FUsers.clear();
    TApdBaseDispatcher::ClearSaveBuffers(FSavedTriggers);
}

// ---- Dispatcher ----

TApdBaseDispatcher* TApdCustomComPort::Dispatcher()
{
    if (!FDispatcher && !IsLoading() && FPortState != psOpen && FAutoOpen && FPortState == psClosed)
        SetOpen(true);
    return FDispatcher;
}

TApdBaseDispatcher* TApdCustomComPort::ValidDispatcher()
{
    TApdBaseDispatcher* d = Dispatcher();
    if (!d)
        Check(ecCommNotOpen);
    return d;
}

TApdWin32Dispatcher* TApdCustomComPort::SerialDispatcher() const
{
    return dynamic_cast<TApdWin32Dispatcher*>(FDispatcher);
}

TApdBaseDispatcher* TApdCustomComPort::ActivateDeviceLayer()
{
    if (CustomDispatcher)
        return CustomDispatcher(this);
    if (FDeviceLayer != dlWin32)
        raise(ecNullApi);
    // Ports opened by the telephony interface do not exist here; tmOn fails at the open.
    return new TApdWin32Dispatcher(this);
}

void TApdCustomComPort::FreeDispatcher()
{
    DeleteOutsideItsEvents(std::exchange(FDispatcher, nullptr));
}

void TApdCustomComPort::DeleteOutsideItsEvents(TApdBaseDispatcher* D)
{
    // Freed inside one of its own events (the port deleted by its handler), it could not join
    // its threads: one waits for that event to return. It goes once the event has returned.
    QCoreApplication* app = QCoreApplication::instance();
    if (!D || !app || !TApdSyncQueue::Running(D)) {
        delete D;
        return;
    }
    D->Owner = nullptr;
    QTimer::singleShot(10, app, [D] { DeleteOutsideItsEvents(D); });
}

// ---- Open and close ----

void TApdCustomComPort::SetOpen(bool Value)
{
    // A close still finishing is told not to open again after all.
    if (!Value && FPortState == psShuttingDown)
        FReopenRequested = false;
    if (Value == FOpen)
        return;
    if (IsLoading()) {
        FOpen = Value;
        if (Value)
            FOpenWhenLoaded = true;
        return;
    }
    if (Value) {
        if (FPortState == psClosed)
            InitPort();
        else if (FPortState == psShuttingDown)
            FReopenRequested = true;
    } else {
        DonePort();
    }
}

void TApdCustomComPort::ForcePortOpen()
{
    if (FAutoOpen)
        FOpenWhenLoaded = true;
}

void TApdCustomComPort::Loaded()
{
    if (FOpenWhenLoaded)
        FOpen = true;
    if (!FOpen)
        return;
    FOpenWhenLoaded = false;
    FOpen = false;
    try {
        InitPort();
    } catch (const std::exception& e) {
        FOpen = false;
        ApplicationHandleException(e);
    }
}

void TApdCustomComPort::ValidateComport()
{
    if (FComNumber != 0)
        return;
    if (!FPromptForPort)
        raise(ecNoPortSelected);
    const int chosen = RunPortPrompt();
    if (chosen <= 0)
        raise(ecNoPortSelected);
    FComNumber = uint16_t(chosen);
}

int TApdCustomComPort::InitializePort()
{
    TApdWin32Dispatcher* d = SerialDispatcher();
    if (!d)
        return ecNullApi;
    const QString name = QString::asprintf("\\\\.\\COM%d", int(FComNumber));
    uint32_t options = (FDTR ? ipAssertDTR : 0u) | (FRTS ? ipAssertRTS : 0u);
    if (FHWFlowOptions.contains(hwfUseDTR))
        options |= ipAutoDTR;
    if (FHWFlowOptions.contains(hwfUseRTS))
        options |= ipAutoRTS;
    return d->InitPort(name, uint32_t(FBaud), int(FParity), FDataBits, FStopBits, FInSize, FOutSize, options);
}

void TApdCustomComPort::InitPort()
{
    if (FTapiMode != tmOn)
        ValidateComport();
    FDispatcher = ActivateDeviceLayer();
    FDispatcher->DeviceName = ComName(FComNumber);
    bool registered = false;
    FOpenTold = -1;
    try {
        if (FTapiMode == tmOn)
            raise(ecNotOpenedByTapi);  // no telephony interface opens ports here
        int res = InitializePort();
        if (res == ecHardware)
            raisePortInUse(FComNumber);
        if (res == ecAccessDenied)
            res = ecAlreadyOpen;
        else if (res == ecFileNotFound || res == ecPathNotFound)
            res = ecBadId;
        if (res != 0) {
            Check(res);
            FreeDispatcher();  // a positive code ends the open: nothing more is set up
            return;
        }
        FPortState = psOpen;
        UpdateHandlerFlag();
        FForce = true;
        SetTracing(FTracing);
        SetLogging(FLogging);
        SetHWFlowOptions(FHWFlowOptions);
        SetSWFlowOptions(FSWFlowOptions);
        SetXOnChar(FXOnChar);
        SetXOffChar(FXOffChar);
        SetTriggerLength(FTriggerLength);
        SetDTR(FDTR);
        SetRTS(FRTS);
        SetUseEventWord(FUseEventWord);
        SetRS485Mode(FRS485Mode);
        SetThreadBoost(FThreadBoost);
        FForce = false;
        FOpen = true;
        RegisterComPort(true);
        registered = true;
        if (FTriggersSaved) {
            FTriggersSaved = false;
            FDispatcher->RestoreTriggers(FSavedTriggers);
        }
        FOpenTold = 0;
        PortOpen();
        FOpenTold = -1;
    } catch (...) {
        const int told = FOpenTold;
        FOpenTold = -1;
        // Undo the open; whoever heard "open" hears "closed".
        FForce = false;
        if (told > 0) {
            const int users = std::min<int>(told, int(FUsers.size()));
            for (int i = int(FUsers.size()) - 1, n = 0; i >= 0 && n < users; --i, ++n) {
                UserRecord u = FUsers[size_t(i)];
                try {
                    if (u.Handle)
                        SendMessage(u.Handle, wmPortClose, 0, 0);
                    else if (u.Extended && u.CallbackEx)
                        u.CallbackEx(this, ctClosed);
                    else if (!u.Extended && u.Callback)
                        u.Callback(this, false);
                } catch (...) {
                    // One user failing on the notice must not keep it from the others; the
                    // open's own error is rethrown below.
                }
            }
        }
        if (registered)
            RegisterComPort(false);
        FOpen = false;
        FPortState = psClosed;
        FreeDispatcher();
        throw;
    }
}

void TApdCustomComPort::DonePort()
{
    if (FPortState != psOpen)
        return;
    // A trace or log that cannot be written must not keep the port open: the close goes on
    // and the error is raised once it is done.
    std::exception_ptr dumpError;
    for (const bool log : {false, true}) {
        try {
            SetTraceLog(tlDump, log);
        } catch (...) {
            if (!dumpError)
                dumpError = std::current_exception();
        }
    }
    FPortState = psShuttingDown;
    PortClosing();
    TApdBaseDispatcher::ClearSaveBuffers(FSavedTriggers);
    FDispatcher->SaveTriggers(FSavedTriggers);
    FTriggersSaved = true;
    FDispatcher->DonePort();
    if (FDispatcher->EventBusy() && !FDestroying) {
        // A wait or a notification is running: the window finishes the close later. The
        // port counts as closed from now on.
        FOpen = false;
        PostMessage(FWindow->Handle(), wmPortClosing, 0, int32_t(uint32_t(FDispatcher->Handle) << 16));
        SafeYield();
    } else {
        FinishClose();
    }
    PortClose();
    if (dumpError)
        std::rethrow_exception(dumpError);
}

void TApdCustomComPort::FinishClose()
{
    RegisterComPort(false);
    FreeDispatcher();
    FPortState = psClosed;
    FOpen = false;
}

// ---- Notification window ----

void TApdCustomComPort::RegisterComPort(bool Enabling)
{
    if (Enabling) {
        FWindow = std::make_unique<THiddenWindow>(QStringLiteral("awComWindow"));
        FWindow->SetWndProc([this](uint32_t Msg, uint32_t wParam, int32_t lParam) {
            return WndProc(Msg, wParam, lParam);
        });
        if (FDispatcher)
            FDispatcher->RegisterWndTriggerHandler(FWindow->Handle());
    } else if (FWindow) {
        if (FDispatcher)
            FDispatcher->DeregisterWndTriggerHandler(FWindow->Handle());
        FWindow.reset();
    }
}

HWND TApdCustomComPort::WindowHandle() const
{
    return FWindow ? FWindow->Handle() : 0;
}

int32_t TApdCustomComPort::WndProc(uint32_t Msg, uint32_t wParam, int32_t lParam)
{
    if ((Msg < wmTriggerAvail || Msg > wmTriggerStatus) && Msg != wmPortClosing)
        return 0;
    // Find the port by the dispatcher's list entry; the list lock is not held while the
    // events run, since a handler may close the port and wait for its threads.
    TApdCustomComPort* port = nullptr;
    {
        TApdBaseDispatcher::LockPortList();
        TApdBaseDispatcher* d = TApdBaseDispatcher::PortListAt(int(uint32_t(lParam) >> 16));
        if (d)
            port = qobject_cast<TApdCustomComPort*>(d->Owner);
        TApdBaseDispatcher::UnlockPortList();
    }
    if (!port || port != this || !FDispatcher)
        return 0;
    const uint16_t data = Msg == wmTriggerAvail ? uint16_t(wParam) : uint16_t(lParam & 0xFFFF);
    try {
        if (Msg == wmPortClosing) {
            if (FDispatcher->DispActive || FDispatcher->ThreadCount.load() > 0) {
                PostMessage(FWindow->Handle(), wmPortClosing, 0, lParam);
                return 0;
            }
            FinishClose();
            if (FReopenRequested) {
                FReopenRequested = false;
                InitPort();
            }
            return 0;
        }
        // A handler may delete the port: nothing of it is touched after that.
        const QPointer<TApdCustomComPort> alive(this);
        Trigger(uint16_t(Msg), uint16_t(wParam), data);
        if (!alive)
            return 0;
        switch (Msg) {
        case 0x7E01: TriggerAvail(uint16_t(wParam)); break;
        case 0x7E02: TriggerData(uint16_t(wParam)); break;
        case 0x7E03: TriggerTimer(uint16_t(wParam)); break;
        case 0x7E04:
            TriggerStatus(uint16_t(wParam));
            if (!alive || !FDispatcher)
                break;
            switch (ClassifyStatusTrigger(int32_t(wParam))) {
            case stModem: TriggerModemStatus(); break;
            case stLine: TriggerLineError(LineError(), LineBreak()); break;
            case stOutBuffFree: TriggerOutbuffFree(); break;
            case stOutBuffUsed: TriggerOutbuffUsed(); break;
            case stOutSent: TriggerOutSent(); break;
            default: break;
            }
            break;
        default: break;
        }
    } catch (const std::exception& e) {
        ApplicationHandleException(e);
    }
    return 0;
}

void TApdCustomComPort::UpdateHandlerFlag()
{
    if (FPortState != psOpen || !FDispatcher)
        return;
    const bool any = FOnTrigger || FOnTriggerAvail || FOnTriggerData || FOnTriggerStatus || FOnTriggerTimer ||
                     FOnTriggerLineError || FOnTriggerModemStatus || FOnTriggerOutbuffFree ||
                     FOnTriggerOutbuffUsed || FOnTriggerOutSent;
    FDispatcher->UpdateHandlerFlags(any ? fuEnablePort : fuDisablePort);
}

void TApdCustomComPort::Trigger(uint16_t Msg, uint16_t TriggerHandle, uint16_t Data)
{
    if (FOnTrigger)
        FOnTrigger(this, Msg, TriggerHandle, Data);
}
void TApdCustomComPort::TriggerAvail(uint16_t Count)
{
    if (FOnTriggerAvail)
        FOnTriggerAvail(this, Count);
}
void TApdCustomComPort::TriggerData(uint16_t TriggerHandle)
{
    if (FOnTriggerData)
        FOnTriggerData(this, TriggerHandle);
}
void TApdCustomComPort::TriggerStatus(uint16_t TriggerHandle)
{
    if (FOnTriggerStatus)
        FOnTriggerStatus(this, TriggerHandle);
}
void TApdCustomComPort::TriggerTimer(uint16_t TriggerHandle)
{
    if (FOnTriggerTimer)
        FOnTriggerTimer(this, TriggerHandle);
}
void TApdCustomComPort::TriggerLineError(uint16_t Error, bool LineBreak)
{
    if (FOnTriggerLineError)
        FOnTriggerLineError(this, Error, LineBreak);
}
void TApdCustomComPort::TriggerModemStatus()
{
    if (FOnTriggerModemStatus)
        FOnTriggerModemStatus(this);
}
void TApdCustomComPort::TriggerOutbuffFree()
{
    if (FOnTriggerOutbuffFree)
        FOnTriggerOutbuffFree(this);
}
void TApdCustomComPort::TriggerOutbuffUsed()
{
    if (FOnTriggerOutbuffUsed)
        FOnTriggerOutbuffUsed(this);
}
void TApdCustomComPort::TriggerOutSent()
{
    if (FOnTriggerOutSent)
        FOnTriggerOutSent(this);
}
void TApdCustomComPort::WaitChar(char C)
{
    if (OnWaitChar)
        OnWaitChar(this, C);
}

// ---- Users ----

void TApdCustomComPort::RegisterUser(HWND Handle)
{
    FUsers.push_back({Handle, nullptr, {}, {}, false});
}
void TApdCustomComPort::RegisterUserEx(HWND Handle)
{
    FUsers.push_back({Handle, nullptr, {}, {}, true});
}
void TApdCustomComPort::RegisterUserCallback(const void* Key, TPortCallback Callback)
{
    FUsers.push_back({0, Key, std::move(Callback), {}, false});
}
void TApdCustomComPort::RegisterUserCallbackEx(const void* Key, TPortCallbackEx CallbackEx)
{
    FUsers.push_back({0, Key, {}, std::move(CallbackEx), true});
}

void TApdCustomComPort::DeregisterUser(HWND Handle)
{
    if (FDestroying)
        return;
    for (size_t i = FUsers.size(); i-- > 0;)
        if (FUsers[i].Handle == Handle && Handle != 0)
            FUsers.erase(FUsers.begin() + std::ptrdiff_t(i));
}
void TApdCustomComPort::DeregisterUserCallback(const void* Key)
{
    if (FDestroying)
        return;
    for (size_t i = FUsers.size(); i-- > 0;)
        if (FUsers[i].Handle == 0 && !FUsers[i].Extended && FUsers[i].Key == Key)
            FUsers.erase(FUsers.begin() + std::ptrdiff_t(i));
}
void TApdCustomComPort::DeregisterUserCallbackEx(const void* Key)
{
    if (FDestroying)
        return;
    for (size_t i = FUsers.size(); i-- > 0;)
        if (FUsers[i].Handle == 0 && FUsers[i].Extended && FUsers[i].Key == Key)
            FUsers.erase(FUsers.begin() + std::ptrdiff_t(i));
}

void TApdCustomComPort::NotifyUsers(TApdCallbackType Type, int* Told)
{
    // Last to first; a copy, since a user may deregister while it is told.
    const std::vector<UserRecord> users = FUsers;
    for (size_t i = users.size(); i-- > 0;) {
        const UserRecord& u = users[i];
        if (Type == ctClosing && !u.Extended)
            continue;
        if (u.Handle) {
            SendMessage(u.Handle, Type == ctOpen ? wmPortOpen : Type == ctClosing ? wmPortClosing : wmPortClose, 0, 0);
        } else if (u.Extended) {
            if (u.CallbackEx)
                u.CallbackEx(this, Type);
        } else if (u.Callback) {
            u.Callback(this, Type == ctOpen);
        }
        if (Told)
            ++*Told;
    }
}

void TApdCustomComPort::PortOpen()
{
    NotifyUsers(ctOpen, FOpenTold >= 0 ? &FOpenTold : nullptr);
    if (FOpenTold >= 0)
        FOpenTold = int(FUsers.size()) + 1;
    if (OnPortOpen)
        OnPortOpen(this);
}

void TApdCustomComPort::PortClosing()
{
    NotifyUsers(ctClosing, nullptr);
}

void TApdCustomComPort::PortClose()
{
    NotifyUsers(ctClosed, nullptr);
    if (OnPortClose)
        OnPortClose(this);
}

// ---- Free functions ----

TApdCustomComPort* SearchComPort(QObject* Owner)
{
    if (!Owner)
        return nullptr;
    TApdCustomComPort* found = nullptr;
    for (QObject* c : Owner->children()) {
        if (auto* p = qobject_cast<TApdCustomComPort*>(c))
            return p;
    }
    for (QObject* c : Owner->children())
        if (TApdCustomComPort* p = SearchComPort(c))
            found = p;
    return found;
}

QString ComName(int N)
{
    return QStringLiteral("COM") + QString::number(N);
}
