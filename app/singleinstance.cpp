#include "singleinstance.h"

#include "privatefolder.h"
#include "prompter.h"
#include "settingkeys.h"

#include <QLocalSocket>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int connectTimeoutMs = 1000;
const QByteArray activateRequest = "activate\n";

}  // namespace

QString SingleInstance::defaultSocketPath()
{
    // A socket in a folder others can enter could be bound first by one of them.
    if (!PreparePrivateFolder())
        return {};
    return PrivateFolderPath() + u"/quillon.socket"_s;
}

SingleInstance::SingleInstance(const QString& socketPath, QObject* parent)
    : QObject(parent), socketPath_(socketPath)
{
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::readRequest);
}

bool SingleInstance::anotherInstanceRuns() const
{
    if (socketPath_.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    return socket.waitForConnected(connectTimeoutMs);
}

void SingleInstance::activateRunningInstance() const
{
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(connectTimeoutMs))
        return;
    socket.write(activateRequest);
    socket.waitForBytesWritten(connectTimeoutMs);
    socket.disconnectFromServer();
}

bool SingleInstance::listen()
{
    if (socketPath_.isEmpty() || anotherInstanceRuns())
        return false;
    QLocalServer::removeServer(socketPath_);
    return server_.listen(socketPath_);
}

void SingleInstance::readRequest()
{
    while (QLocalSocket* client = server_.nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] {
            if (client->readAll().contains(activateRequest))
                emit activationRequested();
        });
    }
}

bool ClaimSingleInstance(SingleInstance& instance, const SettingsStore& store, Prompter& prompter)
{
    const bool severalAllowed = store.readDouble(keys::MultipleInstances) != 0.0;
    if (!severalAllowed && instance.anotherInstanceRuns()) {
        prompter.ask({.text = u"Quillon is already running."_s,
                      .title = u"Stop!"_s,
                      .icon = PromptIcon::Exclamation});
        instance.activateRunningInstance();
        return false;
    }
    instance.listen();
    return true;
}

}  // namespace quillon
