#include "ClientIdStore.h"

#include "ConversionError.h"
#include "Conversions.h"
#include "ProgramConstants.h"
#include "ShiftHex.h"
#include "UserKeyStore.h"

namespace ClientIdStore {

qint64 read(const UserKeyStore &store)
{
    const auto value = store.readString(QString::fromLatin1(ProgramConstants::ClientIdKeyPath),
                                        QString::fromLatin1(ProgramConstants::ClientIdValueName));
    if (!value || value->isEmpty())
        return -1;
    try {
        return Conversions::StrToInt(DecodeShiftHex(value->toLatin1(), ShiftHex::ClientIdKey));
    } catch (const ConversionError &) {
        // A damaged value must not stop the start; the service hands out a new ID.
        return -1;
    }
}

bool write(const UserKeyStore &store, QByteArrayView decimalText)
{
    return store.writeString(QString::fromLatin1(ProgramConstants::ClientIdKeyPath),
                             QString::fromLatin1(ProgramConstants::ClientIdValueName),
                             QString::fromLatin1(EncodeShiftHex(decimalText, ShiftHex::ClientIdKey)));
}

} // namespace ClientIdStore
