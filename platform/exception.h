// The class library's base exception and its conversion error, from which every failure the
// program raises derives (the engine's, the dataset's). Messages are bytes in the program's
// code page, never translated.
#pragma once

#include <exception>
#include <string>
#include <utility>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : m_message(std::move(message)) {}
    const char* what() const noexcept override { return m_message.c_str(); }
    const std::string& Message() const noexcept { return m_message; }
    // The class's name, as the last-chance report names the kind of a failure.
    virtual const char* ClassName() const noexcept { return "Exception"; }

private:
    std::string m_message;
};

// Raised by text-to-value conversions (dates, numbers) that the engine lets through unchanged.
class EConvertError : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EConvertError"; }
};
