#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace quillon {

class Prompter;
class SettingsStore;

// Finds an instance of Quillon already running for this user through a local socket, and asks
// it to come to the front. Every instance listens, so that a later start finds one whichever
// settings the earlier ones ran with.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // "quillon.socket" in Quillon's private folder; "" when that folder is refused, and then
    // no instance is found and none listens.
    static QString defaultSocketPath();

    explicit SingleInstance(const QString& socketPath = defaultSocketPath(), QObject* parent = nullptr);

    bool anotherInstanceRuns() const;
    // Asks the running instance to restore and raise its main window; nothing when none runs.
    void activateRunningInstance() const;
    // Takes the socket unless a live instance holds it. A socket file left by a crash is
    // replaced.
    bool listen();

signals:
    void activationRequested();

private:
    void readRequest();

    QString socketPath_;
    QLocalServer server_;
};

// Enforces the single-instance rule at start-up: false when this start must end because
// another instance runs and the settings do not allow several, after telling the user and
// raising the running instance.
bool ClaimSingleInstance(SingleInstance& instance, const SettingsStore& store, Prompter& prompter);

}  // namespace quillon
