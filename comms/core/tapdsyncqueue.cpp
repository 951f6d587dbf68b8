#include "comms/core/tapdsyncqueue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <set>

namespace {

enum class JobState { Pending, Running, Finished, Dropped };

struct Job {
    std::function<void()> fn;
    const void* token = nullptr;
    JobState state = JobState::Pending;
};

struct Queue {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::shared_ptr<Job>> jobs;
    std::set<const void*> cancelled;
    std::multiset<const void*> running;
};

Queue& queue()
{
    static Queue q;
    return q;
}

void wakeGui()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [] { TApdSyncQueue::Drain(); }, Qt::QueuedConnection);
}

}  // namespace

bool TApdSyncQueue::OnGuiThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

TApdSyncQueue::Result TApdSyncQueue::Call(std::function<void()> Job, int TimeoutMs, const void* Token)
{
    Queue& q = queue();
    if (OnGuiThread()) {
        {
            std::lock_guard<std::mutex> lock(q.mutex);
            if (Token && q.cancelled.count(Token))
                return Cancelled;
        }
        Job();
        return Done;
    }
    auto job = std::make_shared<::Job>();
    job->fn = std::move(Job);
    job->token = Token;
    std::unique_lock<std::mutex> lock(q.mutex);
    if (Token && q.cancelled.count(Token))
        return Cancelled;
    q.jobs.push_back(job);
    lock.unlock();
    wakeGui();
    lock.lock();
    const auto done = [&] { return job->state == JobState::Finished || job->state == JobState::Dropped; };
    if (TimeoutMs < 0) {
        q.changed.wait(lock, done);
    } else if (!q.changed.wait_for(lock, std::chrono::milliseconds(TimeoutMs), done)) {
        if (job->state == JobState::Pending) {
            job->state = JobState::Dropped;
            std::erase(q.jobs, job);
            return TimedOut;
        }
        q.changed.wait(lock, done);  // started: it may use what this thread owns
    }
    return job->state == JobState::Finished ? Done : Cancelled;
}

void TApdSyncQueue::Cancel(const void* Token)
{
    Queue& q = queue();
    std::lock_guard<std::mutex> lock(q.mutex);
    q.cancelled.insert(Token);
    for (auto it = q.jobs.begin(); it != q.jobs.end();) {
        if ((*it)->token == Token) {
            (*it)->state = JobState::Dropped;
            it = q.jobs.erase(it);
        } else {
            ++it;
        }
    }
    q.changed.notify_all();
}

void TApdSyncQueue::Resume(const void* Token)
{
    Queue& q = queue();
    std::lock_guard<std::mutex> lock(q.mutex);
    q.cancelled.erase(Token);
}

int TApdSyncQueue::Drain()
{
    Queue& q = queue();
    int ran = 0;
    for (;;) {
        std::shared_ptr<Job> job;
        {
            std::lock_guard<std::mutex> lock(q.mutex);
            if (q.jobs.empty())
                return ran;
            job = q.jobs.front();
            q.jobs.pop_front();
            job->state = JobState::Running;
            q.running.insert(job->token);
        }
        std::exception_ptr failure;
        try {
            job->fn();
        } catch (...) {
            failure = std::current_exception();
        }
        ++ran;
        {
            std::lock_guard<std::mutex> lock(q.mutex);
            job->state = JobState::Finished;
            q.running.erase(q.running.find(job->token));
            q.changed.notify_all();
        }
        // The waiter is released first; the GUI side then sees the handler's exception as it
        // would see that of any other handler.
        if (failure)
            std::rethrow_exception(failure);
    }
}

bool TApdSyncQueue::Running(const void* Token)
{
    Queue& q = queue();
    std::lock_guard<std::mutex> lock(q.mutex);
    return q.running.count(Token) > 0;
}

int TApdSyncQueue::PendingCount()
{
    Queue& q = queue();
    std::lock_guard<std::mutex> lock(q.mutex);
    return int(q.jobs.size());
}
