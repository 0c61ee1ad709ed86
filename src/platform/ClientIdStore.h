#pragma once

#include <QByteArrayView>
#include <QtGlobal>

class UserKeyStore;

// The installation's client ID as kept in the per-user key store: the value
// "HashCode" holds the scrambled decimal text of the ID.
namespace ClientIdStore {

// -1 when the key or value is missing or empty, and also when the value does
// not unscramble to a decimal 32-bit integer (start-up goes on without an ID).
qint64 read(const UserKeyStore &store);

// Stores the ID's decimal text as the service sent it; false when the key
// cannot be created or written.
bool write(const UserKeyStore &store, QByteArrayView decimalText);

} // namespace ClientIdStore
