#pragma once

#include <stdexcept>
#include <string>

// Raised when an attribute read as a number does not hold a decimal integer.
class EXmlConvertError : public std::runtime_error
{
public:
    explicit EXmlConvertError(const std::string &message) : std::runtime_error(message) {}
};
