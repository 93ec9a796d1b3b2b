#pragma once

// Ownership of GLib objects and errors, cancellables and waits on GIO calls, shared by the services
// that talk to desktop daemons over D-Bus (keyring, address book). GLib's headers use names that
// Qt defines as keywords: files including this one are built with QT_NO_KEYWORDS.
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

// A GError that frees itself. `out()` is the slot a GLib call reports into; it drops an earlier error.
class Error {
public:
    Error() = default;
    Error(const Error &) = delete;
    Error &operator=(const Error &) = delete;
    ~Error() { g_clear_error(&m_error); }

    GError **out()
    {
        g_clear_error(&m_error);
        return &m_error;
    }
    GError *get() const { return m_error; }
    explicit operator bool() const { return m_error != nullptr; }

private:
    GError *m_error = nullptr;
};

// The error's message without the D-Bus error name that GDBus puts before remote errors.
inline QString errorMessage(GError *error)
{
    if (g_dbus_error_is_remote_error(error))
        g_dbus_error_strip_remote_error(error);
    return QString::fromUtf8(error->message);
}

// D-Bus can neither find the service nor start it.
inline bool isServiceMissing(const GError *error)
{
    return g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN)
        || g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER)
        || g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SPAWN_EXEC_FAILED)
        || g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SPAWN_SERVICE_NOT_FOUND)
        || g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SPAWN_FILE_INVALID)
        || g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SPAWN_CHILD_EXITED);
}

inline ObjectPtr<GCancellable> newCancellable()
{
    return ObjectPtr<GCancellable>(g_cancellable_new());
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
    explicit Deadline(std::chrono::milliseconds bound) : m_cancellable(newCancellable())
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
