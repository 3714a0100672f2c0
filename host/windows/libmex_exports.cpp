// libmex.dll of the Windows stand-in host: the error and warning calls a
// plug-in makes, formatted here and handed to libmx.dll, which keeps the
// session and raises the error (standin_dll.h).
#include <cstdarg>
#include <cstdio>

#include "mex.h"
#include "standin_dll.h"

namespace {
// The message a printf-style format and its arguments make, cut at 1023 bytes.
struct Message {
    char text[1024];
};

Message format_message(const char* format, va_list args) {
    Message message;
    std::vsnprintf(message.text, sizeof message.text, format, args);
    return message;
}
}  // namespace

extern "C" void mexErrMsgIdAndTxt(const char* identifier, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const Message message = format_message(format, args);
    va_end(args);
    standin_raise_error(identifier, message.text);
}

extern "C" void mexWarnMsgIdAndTxt(const char* identifier, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const Message message = format_message(format, args);
    va_end(args);
    standin_warn(identifier, message.text);
}
