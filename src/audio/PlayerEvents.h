#pragma once

#include "PlayerTypes.h"

#include <QObject>
#include <QString>

// The engine's events as signals, raised right after the engine's own
// handler of the same name, so any number of listeners (the desktop's
// player interface among them) can hear them without taking the handler
// from its flow. User-interface thread only; listeners follow the handlers'
// rule and must not destroy the engine.
class PlayerEvents : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void OnPlayEnd();
    void OnModeChange(TPlayerMode oldMode, TPlayerMode newMode);
    void OnGetMeta(const QString &content);
    void OnDownloaded(const QString &content);
};
