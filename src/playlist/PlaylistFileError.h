#pragma once

#include <stdexcept>
#include <string>

// A playlist file that could not be read or written. Not a format fault:
// those end in the load's own message. The text names the file and the
// system's reason (UTF-8).
class PlaylistFileError : public std::runtime_error
{
public:
    explicit PlaylistFileError(const std::string &message) : std::runtime_error(message) {}
};
