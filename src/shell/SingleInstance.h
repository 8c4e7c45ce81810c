#pragma once
// One running program per user. The first start listens on a local socket
// named for the user; a later start finds it, asks it to come to the front,
// and ends without showing anything.

#include <QLocalServer>
#include <QObject>
#include <QString>

class CSingleInstance final : public QObject {
    Q_OBJECT
public:
    // The name the instances of this user meet at ("brinevane-<uid>");
    // BRINE_INSTANCE_NAME overrides it so tests do not meet a real instance.
    static QString DefaultName();

    explicit CSingleInstance(QString name = DefaultName(), QObject* parent = nullptr);
    ~CSingleInstance() override;

    // True when this is the first instance (and it now listens); false when
    // another instance answered and was asked to raise its window.
    bool Acquire();
    bool IsPrimary() const { return m_server.isListening(); }

signals:
    void raiseRequested();

private:
    bool AskRunningInstanceToRaise();
    void OnConnection();

    QString m_name;
    QLocalServer m_server;
};
