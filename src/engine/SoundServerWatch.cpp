#include "engine/SoundServerWatch.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>

#include <unistd.h>

namespace vozel::sip {

namespace {

// Long enough for the sink and the source of one headset, short enough to stay well under the
// 300 ms a user may notice.
constexpr int settleMs = 120;

// What the stack calls each of its streams.
constexpr char callStreamName[] = "phone";

QString property(const pa_proplist *properties, const char *key)
{
    const char *value = pa_proplist_gets(properties, key);
    return value ? QString::fromUtf8(value) : QString();
}

SoundServerDevice deviceFrom(const char *name, const char *description, const pa_proplist *properties, bool isSink)
{
    return {QString::fromUtf8(name), QString::fromUtf8(description ? description : ""), isSink,
            property(properties, "device.bus"), property(properties, "device.form_factor")};
}

} // namespace

// The server's own thread runs every callback below; results reach the watch through its
// event queue, so the watch itself is touched on its thread only.
struct SoundServerWatch::Connection {
    SoundServerWatch *watch = nullptr;
    pa_threaded_mainloop *loop = nullptr;
    pa_context *context = nullptr;
    // Listing: sinks first, then sources; an event during a listing asks for another one.
    bool listing = false;
    bool listAgain = false;
    QList<SoundServerDevice> gathered;

    void list()
    {
        if (listing) {
            listAgain = true;
            return;
        }
        listing = true;
        gathered.clear();
        if (pa_operation *sinks = pa_context_get_sink_info_list(context, &Connection::sinkListed, this))
            pa_operation_unref(sinks);
        if (pa_operation *sources = pa_context_get_source_info_list(context, &Connection::sourceListed, this))
            pa_operation_unref(sources);
    }

    struct Move {
        pa_context *context;
        QByteArray sinkName;
        QByteArray processId = QByteArray::number(::getpid());
    };

    static void playbackListed(pa_context *, const pa_sink_input_info *input, int last, void *data)
    {
        auto *move = static_cast<Move *>(data);
        if (last != 0) {
            delete move;
            return;
        }
        const char *process = pa_proplist_gets(input->proplist, PA_PROP_APPLICATION_PROCESS_ID);
        if (qstrcmp(input->name, callStreamName) == 0 && move->processId == process) {
            if (pa_operation *moved = pa_context_move_sink_input_by_name(move->context, input->index,
                                                                        move->sinkName.constData(), nullptr, nullptr))
                pa_operation_unref(moved);
        }
    }

    void post(std::function<void(SoundServerWatch &)> step)
    {
        SoundServerWatch *target = watch;
        QMetaObject::invokeMethod(target, [target, step = std::move(step)] { step(*target); }, Qt::QueuedConnection);
    }

    static void stateChanged(pa_context *context, void *self)
    {
        auto &connection = *static_cast<Connection *>(self);
        switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            pa_context_set_subscribe_callback(context, &Connection::serverEvent, self);
            if (pa_operation *subscribed = pa_context_subscribe(
                    context, pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE), nullptr,
                    nullptr))
                pa_operation_unref(subscribed);
            connection.list();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            connection.post([](SoundServerWatch &watch) { watch.becameUnavailable(); });
            break;
        default:
            break;
        }
    }

    static void serverEvent(pa_context *, pa_subscription_event_type_t type, uint32_t, void *self)
    {
        // Volume and port changes arrive as "change": they leave the list as it is.
        const auto kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        if (kind == PA_SUBSCRIPTION_EVENT_NEW || kind == PA_SUBSCRIPTION_EVENT_REMOVE)
            static_cast<Connection *>(self)->list();
    }

    static void sinkListed(pa_context *, const pa_sink_info *sink, int last, void *self)
    {
        if (last == 0)
            static_cast<Connection *>(self)->gathered << deviceFrom(sink->name, sink->description, sink->proplist, true);
    }

    static void sourceListed(pa_context *, const pa_source_info *source, int last, void *self)
    {
        auto &connection = *static_cast<Connection *>(self);
        if (last == 0) {
            if (source->monitor_of_sink == PA_INVALID_INDEX)
                connection.gathered << deviceFrom(source->name, source->description, source->proplist, false);
            return;
        }
        connection.listing = false;
        connection.post([devices = std::exchange(connection.gathered, {})](SoundServerWatch &watch) {
            watch.listArrived(devices);
        });
        if (std::exchange(connection.listAgain, false))
            connection.list();
    }
};

SoundServerWatch::SoundServerWatch(std::function<void()> onChange)
    : m_onChange(std::move(onChange)), m_connection(std::make_unique<Connection>())
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMs);
    connect(&m_settle, &QTimer::timeout, this, &SoundServerWatch::settled);

    Connection &connection = *m_connection;
    connection.watch = this;
    connection.loop = pa_threaded_mainloop_new();
    pa_proplist *identity = pa_proplist_new();
    pa_proplist_sets(identity, PA_PROP_APPLICATION_NAME, "Vozel");
    connection.context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(connection.loop), "Vozel", identity);
    pa_proplist_free(identity);
    pa_context_set_state_callback(connection.context, &Connection::stateChanged, &connection);
    // The server's address comes from the usual places (PULSE_SERVER, the user's runtime folder).
    if (pa_context_connect(connection.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0
        || pa_threaded_mainloop_start(connection.loop) < 0)
        QMetaObject::invokeMethod(this, &SoundServerWatch::becameUnavailable, Qt::QueuedConnection);
}

SoundServerWatch::~SoundServerWatch()
{
    Connection &connection = *m_connection;
    pa_threaded_mainloop_stop(connection.loop);
    pa_context_disconnect(connection.context);
    pa_context_unref(connection.context);
    pa_threaded_mainloop_free(connection.loop);
}

void SoundServerWatch::moveCallPlayback(const QString &sinkName)
{
    if (m_state != State::ready)
        return;
    Connection &connection = *m_connection;
    auto *move = new Connection::Move{connection.context, sinkName.toUtf8()};
    pa_threaded_mainloop_lock(connection.loop);
    if (pa_operation *listed =
            pa_context_get_sink_input_info_list(connection.context, &Connection::playbackListed, move))
        pa_operation_unref(listed);
    else
        delete move;
    pa_threaded_mainloop_unlock(connection.loop);
}

void SoundServerWatch::listArrived(QList<SoundServerDevice> devices)
{
    m_devices = std::move(devices);
    if (m_state == State::ready) {
        m_settle.start();
        return;
    }
    m_state = State::ready;
    m_reported = m_devices;
    if (m_onChange)
        m_onChange();
}

void SoundServerWatch::settled()
{
    if (m_devices == m_reported)
        return;
    m_reported = m_devices;
    if (m_onChange)
        m_onChange();
}

void SoundServerWatch::becameUnavailable()
{
    if (m_state == State::unavailable)
        return;
    m_state = State::unavailable;
    m_devices.clear();
    m_reported.clear();
    m_settle.stop();
    if (m_onChange)
        m_onChange();
}

} // namespace vozel::sip
