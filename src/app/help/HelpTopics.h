#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The help topics compiled into the program: markup texts in Windows-1250,
// keyed by the exact text of their node in the help window's tree.
namespace HelpTopics {

// The ten topic names, in tree order.
QStringList names();
// The topic's markup; empty for a name that is not a topic.
QByteArray text(const QString &name);

} // namespace HelpTopics
