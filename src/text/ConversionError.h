#pragma once

#include <stdexcept>
#include <string>

// Raised by text-to-number conversions; the message names the text.
class ConversionError : public std::runtime_error
{
public:
    explicit ConversionError(const std::string &message) : std::runtime_error(message) {}
};
