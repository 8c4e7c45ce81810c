#include "shell/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include <unistd.h>

#include "platform/SettingsStore.h"

namespace shell {

namespace {
constexpr char kRaise[] = "raise\n";
constexpr int kConnectMs = 500;
}   // namespace

QString CSingleInstance::DefaultName()
{
    const QByteArray overrideName = qgetenv("BRINE_INSTANCE_NAME");
    if (!overrideName.isEmpty())
        return QString::fromUtf8(overrideName);
    const auto folder = platform::CSettingsStore::DefaultPath().parent_path();
    return NameFor(::getuid(), QString::fromStdString(folder.string()));
}

QString CSingleInstance::NameFor(unsigned userId, const QString& settingsFolder)
{
    // The folder's canonical path where it exists, so two spellings of one
    // folder meet; a digest keeps the socket name short whatever the path.
    const QString canonical = QFileInfo(settingsFolder).canonicalFilePath();
    const QString folder = canonical.isEmpty() ? QDir::cleanPath(settingsFolder) : canonical;
    const QByteArray digest =
        QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return QString("brinevane-%1-%2").arg(userId).arg(QString::fromLatin1(digest));
}

CSingleInstance::CSingleInstance(QString name, QObject* parent)
    : QObject(parent), m_name(std::move(name))
{
    connect(&m_server, &QLocalServer::newConnection, this, &CSingleInstance::OnConnection);
}

CSingleInstance::~CSingleInstance() = default;

bool CSingleInstance::AskRunningInstanceToRaise()
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kConnectMs))
        return false;
    socket.write(kRaise);
    socket.waitForBytesWritten(kConnectMs);
    socket.disconnectFromServer();
    return true;
}

bool CSingleInstance::Acquire()
{
    // Two starts at the same moment must not both decide they are first, nor
    // may one remove the other's fresh socket: the test and the listen happen
    // under one lock.
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    QLockFile lock(dir + "/" + m_name + ".lock");
    lock.setStaleLockTime(5000);
    lock.tryLock(5000);
    if (AskRunningInstanceToRaise())
        return false;
    QLocalServer::removeServer(m_name);   // a socket left by a program that crashed
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(m_name)) {
        // Without the socket the program still runs; a later start just will
        // not find it.
        qWarning("Brinevane: cannot listen for other starts: %s",
                 qPrintable(m_server.errorString()));
    }
    return true;
}

void CSingleInstance::OnConnection()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto readLines = [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine() == kRaise)
                    emit raiseRequested();
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, readLines);
        readLines();   // what arrived before the connection was taken
    }
}

}   // namespace shell
