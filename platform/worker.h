#pragma once

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <functional>

namespace platform {

// Runs work on a worker thread of Qt's pool, so that it never holds up the
// window, and hands its result to done on the thread of the event loop; done
// is not called once context is gone.
template<typename Result>
void onWorkerThread(QObject *context, std::function<Result()> work,
                    std::function<void(const Result &)> done)
{
    QPointer<QObject> guard(context);
    QThreadPool::globalInstance()->start([guard, work = std::move(work), done = std::move(done)] {
        Result result = work();
        // The application waits for the pool's work when it ends.
        if (QCoreApplication *application = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(
                    application,
                    [guard, done, result = std::move(result)] {
                        if (guard)
                            done(result);
                    },
                    Qt::QueuedConnection);
        }
    });
}

} // namespace platform
