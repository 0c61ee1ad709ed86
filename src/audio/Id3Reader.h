#pragma once

#include "PlayerTypes.h"

#include <QByteArray>

// Reads the tag texts of an MP3's ID3 block into the stream facts. Only the
// fields TStreamInfo holds are read; anything malformed is skipped, never
// read past the block's end.
namespace Id3Reader {

// A 128-byte block starting with "TAG". False when it is not one.
bool readV1(const QByteArray &block, TStreamInfo &info);
// A whole ID3v2.2/2.3/2.4 block, header included. False when it is not one.
bool readV2(const QByteArray &block, TStreamInfo &info);
// The name of an ID3v1 genre number, empty when unknown.
QString genreName(int id);

} // namespace Id3Reader
