#pragma once
// One running program per user and settings folder. The first start listens
// on a local socket named for both; a later start with the same folder finds
// it, asks it to come to the front, and ends without showing anything. A start
// with other settings (another profile) runs beside it.

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace shell {

class CSingleInstance final : public QObject {
    Q_OBJECT
public:
    // The name the instances of this user and settings folder meet at
    // ("brinevane-<uid>-<folder digest>"); BRINE_INSTANCE_NAME overrides it so
    // tests do not meet a real instance.
    static QString DefaultName();
    static QString NameFor(unsigned userId, const QString& settingsFolder);

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

}   // namespace shell
