#pragma once
// The raised errors of the program. Each carries the exact text the operator
// sees; the application's default error display shows what() in a message box.
#include <stdexcept>
#include <string>

class QuorvexError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A number text that does not convert ("'%s' is not a valid floating point value").
class ConvertError : public QuorvexError {
public:
    using QuorvexError::QuorvexError;
};

// An index or value outside what the receiver can hold.
class RangeError : public QuorvexError {
public:
    using QuorvexError::QuorvexError;
};

// A division by zero, raised instead of producing infinities.
class ZeroDivideError : public QuorvexError {
public:
    using QuorvexError::QuorvexError;
};

// File input and output failures.
class FileError : public QuorvexError {
public:
    using QuorvexError::QuorvexError;
};

// Failures of the USB device link (device not found, open/query warnings).
class UsbError : public QuorvexError {
public:
    using QuorvexError::QuorvexError;
};
