#include "comms/serial/tapddispatcherthread.h"

#include "comms/core/tapdsyncqueue.h"
#include "comms/serial/tapdwin32dispatcher.h"

namespace {
thread_local TApdWin32Dispatcher* t_current = nullptr;
}

TApdDispatcherThread::~TApdDispatcherThread()
{
    Join();
}

void TApdDispatcherThread::Start()
{
    Thread = std::thread([this] {
        t_current = &H;
        Execute();
        t_current = nullptr;
    });
}

void TApdDispatcherThread::Join()
{
    if (Thread.joinable() && Thread.get_id() != std::this_thread::get_id())
        Thread.join();
}

bool TApdDispatcherThread::Sync(const std::function<void()>& Method)
{
    return TApdSyncQueue::Call(Method, -1, static_cast<TApdBaseDispatcher*>(&H)) == TApdSyncQueue::Done;
}

TApdWin32Dispatcher* TApdDispatcherThread::CurrentDispatcher()
{
    return t_current;
}
