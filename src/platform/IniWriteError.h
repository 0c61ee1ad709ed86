#pragma once

#include <stdexcept>
#include <string>

// A settings write that did not reach the disk; the message is
// "Unable to write to <path>".
class IniWriteError : public std::runtime_error
{
public:
    explicit IniWriteError(const std::string &path) : std::runtime_error("Unable to write to " + path) {}
};
