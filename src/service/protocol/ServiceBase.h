#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Request addresses are built on the installation's service address. A flow
// given another base (a test server, a second installation) swaps that prefix.
namespace ServiceBase {

// url with its leading installation address replaced by base ("http://host/");
// unchanged when base is empty or url does not start with that address.
QByteArray rebase(const QByteArray &url, QByteArrayView base);

} // namespace ServiceBase
