#include "desktop.h"

#include "pictures.h"
#include "traynotice.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

struct ImGroupItem {
    QString name;
    QString layout;
};
Q_DECLARE_METATYPE(ImGroupItem)

QDBusArgument& operator<<(QDBusArgument& argument, const ImGroupItem& item)
{
    argument.beginStructure();
    argument << item.name << item.layout;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ImGroupItem& item)
{
    argument.beginStructure();
    argument >> item.name >> item.layout;
    argument.endStructure();
    return argument;
}

namespace kesmir::tray {

namespace {

constexpr char kInputMethod[] = "kesmir";
constexpr int kDBusTimeout = 2000;

QString instanceName() { return QStringLiteral("kesmir-tray-main-%1").arg(::getuid()); }

// fcitx5's controller on the session bus. Every call waits at most kDBusTimeout: a framework that
// hangs costs the program a moment, never its windows.
struct Controller {
    QDBusConnection bus = QDBusConnection::sessionBus();

    Controller()
    {
        qDBusRegisterMetaType<ImGroupItem>();
        qDBusRegisterMetaType<QList<ImGroupItem>>();
    }
    bool there() const
    {
        return bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(QStringLiteral("org.fcitx.Fcitx5"));
    }
    QDBusMessage call(const QString& method, const QVariantList& arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("org.fcitx.Fcitx5"), QStringLiteral("/controller"),
                                                              QStringLiteral("org.fcitx.Fcitx.Controller1"), method);
        message.setArguments(arguments);
        return bus.call(message, QDBus::Block, kDBusTimeout);
    }
    bool ok(const QDBusMessage& reply) const { return reply.type() == QDBusMessage::ReplyMessage; }
    QString text(const QString& method)
    {
        const QDBusMessage reply = call(method);
        return ok(reply) && !reply.arguments().isEmpty() ? reply.arguments().first().toString() : QString();
    }
    bool items(const QString& group, QString* layout, QList<ImGroupItem>* items)
    {
        const QDBusMessage reply = call(QStringLiteral("InputMethodGroupInfo"), {group});
        if (!ok(reply) || reply.arguments().size() != 2) return false;
        *layout = reply.arguments().at(0).toString();
        reply.arguments().at(1).value<QDBusArgument>() >> *items;
        return true;
    }
    bool setItems(const QString& group, const QString& layout, const QList<ImGroupItem>& items)
    {
        return ok(call(QStringLiteral("SetInputMethodGroupInfo"), {group, layout, QVariant::fromValue(items)}));
    }
    // Behavior/ShareInputState of the global configuration ("No", "All", "Program"); empty when
    // fcitx5 does not answer or has no such option.
    QString shareState()
    {
        const QDBusMessage reply = call(QStringLiteral("GetConfig"), {QString::fromLatin1(kGlobalConfig)});
        if (!ok(reply) || reply.arguments().isEmpty()) return QString();
        const QVariant behavior = section(reply.arguments().first()).value(QStringLiteral("Behavior"));
        return section(behavior).value(QStringLiteral("ShareInputState")).toString();
    }
    // Only this one option is sent: fcitx5 keeps every other value of the configuration.
    bool setShareState(const QString& value)
    {
        const QVariantMap behavior{{QStringLiteral("ShareInputState"), value}};
        const QVariantMap config{{QStringLiteral("Behavior"), behavior}};
        return ok(call(QStringLiteral("SetConfig"), {QString::fromLatin1(kGlobalConfig), QVariant::fromValue(QDBusVariant(config))}));
    }

private:
    static constexpr char kGlobalConfig[] = "fcitx://config/global";

    // A configuration group as D-Bus hands it over: a variant holding a{sv}, whose groups are
    // again such variants. Anything else gives an empty map.
    static QVariantMap section(QVariant value)
    {
        if (value.metaType() == QMetaType::fromType<QDBusVariant>()) value = value.value<QDBusVariant>().variant();
        if (value.metaType() == QMetaType::fromType<QVariantMap>()) return value.toMap();
        if (value.metaType() != QMetaType::fromType<QDBusArgument>()) return {};
        const QDBusArgument argument = value.value<QDBusArgument>();
        if (argument.currentSignature() != QLatin1String("a{sv}")) return {};
        QVariantMap map;
        argument >> map;
        return map;
    }
};

bool hasOurs(const QList<ImGroupItem>& items)
{
    return std::any_of(items.begin(), items.end(), [](const ImGroupItem& i) { return i.name == QLatin1String(kInputMethod); });
}

}  // namespace

SystemIconArea::SystemIconArea()
{
    // Queued: what a click does may hide the icon, which must not happen while the icon is still
    // handling that click.
    connect(&icon_, &QSystemTrayIcon::activated, this, &IconArea::activated, Qt::QueuedConnection);
}

bool SystemIconArea::Show(bool vietnamese)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
    Update(vietnamese);
    icon_.show();
    return icon_.isVisible();
}

void SystemIconArea::Update(bool vietnamese)
{
    icon_.setIcon(ModeIcon(vietnamese));
    icon_.setToolTip(vietnamese ? QStringLiteral(" TR-Vietnamese ") : QStringLiteral(" TR-English "));
}

void SystemIconArea::Hide() { icon_.hide(); }

namespace {

QString runtimeFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return folder.isEmpty() ? QDir::tempPath() : folder;
}

// Which group we put our input method into, kept while the program runs: a copy that ended
// without unloading (a crash) leaves it, and the next copy takes it out again on unloading.
QString addedMarker() { return runtimeFolder() + QStringLiteral("/kesmir-tray.added"); }

// The same for fcitx5's shared input state: the value it had before we set "All".
QString sharedMarker() { return runtimeFolder() + QStringLiteral("/kesmir-tray.shared"); }

QString readMarker(const QString& path)
{
    QFile marker(path);
    return marker.open(QIODevice::ReadOnly) ? QString::fromUtf8(marker.readAll()) : QString();
}

void writeMarker(const QString& path, const QString& text)
{
    QFile marker(path);
    if (marker.open(QIODevice::WriteOnly | QIODevice::Truncate)) marker.write(text.toUtf8());
}

constexpr char kSharedByAll[] = "All";

}  // namespace

bool Fcitx5Hooks::Install()
{
    Controller fcitx;
    if (!fcitx.there()) return false;
    const QString group = fcitx.text(QStringLiteral("CurrentInputMethodGroup"));
    QString layout;
    QList<ImGroupItem> items;
    if (!fcitx.items(group, &layout, &items)) return false;
    const QString earlier = readMarker(addedMarker());
    if (!hasOurs(items)) {
        items.append({QString::fromLatin1(kInputMethod), QString()});
        if (!fcitx.setItems(group, layout, items)) return false;
        addedTo_ = group;
        writeMarker(addedMarker(), group);
    } else if (!earlier.isEmpty() && earlier == group) {
        addedTo_ = group;
    }
    // fcitx5 keeps an input state per window by default: a window opened later would start
    // without our input method. Shared by all windows, switching it on here switches it on
    // everywhere. A framework without the option (or not answering) is left as it is.
    const QString shared = fcitx.shareState();
    if (shared == QLatin1String(kSharedByAll)) {
        // "All" with a marker: a copy that ended without unloading set it, over the value kept.
        sharedWas_ = readMarker(sharedMarker());
    } else if (!shared.isEmpty()) {
        writeMarker(sharedMarker(), shared);  // before the change: a crash right after it still knows
        if (fcitx.setShareState(QString::fromLatin1(kSharedByAll))) {
            sharedWas_ = shared;
        } else {
            QFile::remove(sharedMarker());
        }
    }
    return fcitx.ok(fcitx.call(QStringLiteral("SetCurrentIM"), {QString::fromLatin1(kInputMethod)}));
}

void Fcitx5Hooks::Remove()
{
    Controller fcitx;
    if (!fcitx.there()) return;
    // Still shared: switching off here switches off in every window.
    if (fcitx.text(QStringLiteral("CurrentInputMethod")) == QLatin1String(kInputMethod)) fcitx.call(QStringLiteral("Deactivate"));
    if (!sharedWas_.isEmpty()) {
        // A value the user chose meanwhile stays; an unanswered read restores all the same.
        const QString now = fcitx.shareState();
        if (!now.isEmpty() && now != QLatin1String(kSharedByAll)) {
            QFile::remove(sharedMarker());
        } else if (fcitx.setShareState(sharedWas_)) {
            QFile::remove(sharedMarker());
        }
        sharedWas_.clear();
    }
    if (addedTo_.isEmpty()) return;
    QString layout;
    QList<ImGroupItem> items;
    if (!fcitx.items(addedTo_, &layout, &items)) return;
    items.removeIf([](const ImGroupItem& i) { return i.name == QLatin1String(kInputMethod); });
    if (fcitx.setItems(addedTo_, layout, items)) QFile::remove(addedMarker());
    addedTo_.clear();
}

bool SingleInstance::Claim()
{
    lock_ = std::make_unique<QLockFile>(runtimeFolder() + QStringLiteral("/kesmir-tray.lock"));
    lock_->setStaleLockTime(0);  // a lock is stale only when its process is gone
    if (!lock_->tryLock(0)) {
        QLocalSocket first;
        first.connectToServer(instanceName());
        if (first.waitForConnected(1000)) {
            first.write("forward\n");
            first.waitForBytesWritten(1000);
            first.disconnectFromServer();
        }
        return false;
    }
    QLocalServer::removeServer(instanceName());
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(instanceName());
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_.nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                if (peer->readAll().startsWith("forward")) emit broughtForward();
            });
        }
    });
    return true;
}

CommandSocket::~CommandSocket()
{
    notifier_.reset();
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(path_.constData());
    }
}

bool CommandSocket::Listen()
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (!TraySocketPath(address.sun_path, sizeof address.sun_path)) return false;
    path_ = address.sun_path;
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) return false;
    // Only one copy runs (the lock says so): a socket file left here is an ended copy's.
    ::unlink(path_.constData());
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        char message[32];
        for (ssize_t n; (n = ::recv(fd_, message, sizeof message - 1, 0)) > 0;) {
            message[n] = 0;
            bool number = false;
            const int id = QByteArray(message).trimmed().toInt(&number);
            if (number) emit command(id);
        }
    });
    return true;
}

}  // namespace kesmir::tray
