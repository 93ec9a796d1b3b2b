#include "system/IncomingCallNotification.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>

using namespace Qt::StringLiterals;

namespace vozel {

namespace {

const QString service = u"org.freedesktop.Notifications"_s;
const QString path = u"/org/freedesktop/Notifications"_s;
const QString interface = u"org.freedesktop.Notifications"_s;
constexpr int callTimeoutMs = 5000;

QDBusMessage methodCall(const QString &method)
{
    return QDBusMessage::createMethodCall(service, path, interface, method);
}

} // namespace

IncomingCallNotification::IncomingCallNotification(QObject *parent)
    : QObject(parent), m_bus(QDBusConnection::sessionBus())
{
    m_bus.connect(service, path, interface, u"ActionInvoked"_s, this,
                  SLOT(serviceInvokedAction(uint, QString)));
    m_bus.connect(service, path, interface, u"NotificationClosed"_s, this,
                  SLOT(serviceClosedNotification(uint, uint)));

    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(methodCall(u"GetCapabilities"_s), callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<QStringList> reply = *call;
        if (reply.isValid())
            m_bodyMarkup = reply.value().contains(u"body-markup"_s);
    });
}

void IncomingCallNotification::post(const Content &content)
{
    withdraw();
    m_content = content;
    m_wanted = true;
    ++m_generation;
    send(0);
}

void IncomingCallNotification::update(const Content &content)
{
    if (!m_wanted)
        return;
    m_content = content;
    // An unanswered Notify call sends the latest content when its answer arrives.
    if (!m_waitingForId && m_id != 0)
        send(m_id);
}

void IncomingCallNotification::withdraw()
{
    if (!m_wanted)
        return;
    m_wanted = false;
    ++m_generation;
    if (m_id != 0)
        close(m_id);
    m_id = 0;
}

void IncomingCallNotification::send(uint replacesId)
{
    QDBusMessage message = methodCall(u"Notify"_s);
    QVariantMap hints{
        {u"urgency"_s, QVariant::fromValue(uchar(2))}, // critical: stays until withdrawn
        {u"suppress-sound"_s, true},                   // the ring tone is ours
    };
    if (const QString entry = QGuiApplication::desktopFileName(); !entry.isEmpty())
        hints.insert(u"desktop-entry"_s, entry);
    message << u"Vozel"_s << replacesId << u"call-start"_s << u"Chamada recebida"_s << body()
            << QStringList{defaultAction, u"Atender"_s, answerAction, u"Atender"_s, declineAction, u"Recusar"_s}
            << hints << 0;

    m_waitingForId = true;
    const quint64 generation = m_generation;
    const Content sent = m_content;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation, sent](QDBusPendingCallWatcher *call) {
                call->deleteLater();
                const QDBusPendingReply<uint> reply = *call;
                if (generation != m_generation) {
                    // Withdrawn or closed while the service was answering: whatever that
                    // call put on screen must go too.
                    if (reply.isValid() && reply.value() != 0)
                        close(reply.value());
                    return;
                }
                m_waitingForId = false;
                if (!reply.isValid()) {
                    m_wanted = false;
                    m_id = 0;
                    return;
                }
                m_id = reply.value();
                if (m_content != sent)
                    send(m_id);
            });
}

void IncomingCallNotification::close(uint id)
{
    QDBusMessage message = methodCall(u"CloseNotification"_s);
    message << id;
    m_bus.send(message);
}

QString IncomingCallNotification::body() const
{
    QStringList lines;
    if (!m_content.callerName.isEmpty())
        lines << m_content.callerName;
    lines << m_content.number;
    if (!m_content.sourceLabel.isEmpty())
        lines << m_content.sourceLabel;
    const QString text = lines.join(u'\n');
    // The caller's name comes from the remote party; it must not become markup.
    return m_bodyMarkup ? text.toHtmlEscaped() : text;
}

void IncomingCallNotification::serviceInvokedAction(uint id, const QString &action)
{
    if (m_wanted && id != 0 && id == m_id)
        emit actionInvoked(action);
}

void IncomingCallNotification::serviceClosedNotification(uint id, uint)
{
    if (id == 0 || id != m_id)
        return;
    m_id = 0;
    m_wanted = false;
    ++m_generation;
}

} // namespace vozel
