#pragma once

// GLib's headers use names that Qt defines as keywords: files including this one are built
// with QT_NO_KEYWORDS.
#include <gio/gio.h>

#include <QString>
#include <QTimer>

#include <chrono>
#include <coroutine>
#include <functional>
#include <memory>

namespace vozel::glib {

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template<typename T>
using ObjectPtr = std::unique_ptr<T, ObjectUnref>;

struct ErrorFree {
    void operator()(GError *error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;

// The error's message without the D-Bus error name that GDBus puts before remote errors.
inline QString errorMessage(GError *error)
{
    if (g_dbus_error_is_remote_error(error))
        g_dbus_error_strip_remote_error(error);
    return QString::fromUtf8(error->message);
}

// Awaits one GIO-style asynchronous call. `start` begins the call with the callback and data it
// is given; the callback comes from the GLib main context, which Qt's event dispatcher runs.
class AsyncCall {
public:
    using Start = std::function<void(GAsyncReadyCallback, gpointer)>;

    explicit AsyncCall(Start start) : m_start(std::move(start)) {}

    bool await_ready() const noexcept { return false; }

    void await_suspend(std::coroutine_handle<> waiting)
    {
        m_waiting = waiting;
        // The callback may resume (and end) the waiting coroutine before start returns.
        const Start start = std::move(m_start);
        start(&AsyncCall::finished, this);
    }

    ObjectPtr<GAsyncResult> await_resume() { return std::move(m_result); }

private:
    static void finished(GObject *, GAsyncResult *result, gpointer data)
    {
        auto *self = static_cast<AsyncCall *>(data);
        self->m_result.reset(G_ASYNC_RESULT(g_object_ref(result)));
        self->m_waiting.resume();
    }

    Start m_start;
    std::coroutine_handle<> m_waiting;
    ObjectPtr<GAsyncResult> m_result;
};

// A cancellable that cancels itself when its time is up, so that no wait on a service is endless.
class Deadline {
public:
    explicit Deadline(std::chrono::milliseconds bound) : m_cancellable(g_cancellable_new())
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_expired = true;
            g_cancellable_cancel(m_cancellable.get());
        });
        m_timer.start(bound);
    }
    Deadline(const Deadline &) = delete;
    Deadline &operator=(const Deadline &) = delete;

    GCancellable *cancellable() const { return m_cancellable.get(); }
    bool expired() const { return m_expired; }

private:
    ObjectPtr<GCancellable> m_cancellable;
    QTimer m_timer;
    bool m_expired = false;
};

} // namespace vozel::glib
