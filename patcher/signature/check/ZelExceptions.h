#pragma once
// The exceptions of the product framework that the signature check raises when
// its library cannot start: zel::RuntimeError, carrying where it was raised.
#include <exception>
#include <string>
#include <utility>

namespace zel {

class Exception : public std::exception {
public:
    const char* what() const noexcept override { return "Exception"; }
};

class ExceptionBase : public Exception {
public:
    ExceptionBase(std::string file, int line, std::wstring message)
        : file_(std::move(file)), line_(line), message_(std::move(message)) {}
    const std::string& File() const { return file_; }
    int Line() const { return line_; }
    const std::wstring& Message() const { return message_; }

private:
    std::string file_;
    int line_;
    std::wstring message_;
};

class RuntimeError : public ExceptionBase {
public:
    using ExceptionBase::ExceptionBase;
    const char* what() const noexcept override { return "RuntimeError"; }
};

}  // namespace zel
