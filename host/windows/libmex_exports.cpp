// libmex.dll of the Windows stand-in host: the error and warning calls a
// plug-in makes, formatted here and handed to libmx.dll, which keeps the
// session and raises the error (standin_dll.h).
#include <cstdarg>
#include <cstdio>

#include "mex.h"
#include "standin_dll.h"

extern "C" void mexErrMsgIdAndTxt(const char* identifier, const char* format, ...) {
    char message[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    standin_raise_error(identifier, message);
}

extern "C" void mexWarnMsgIdAndTxt(const char* identifier, const char* format, ...) {
    char message[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    standin_warn(identifier, message);
}
