#include "installer/text_buffer.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

void FormatText(char* buffer, size_t size, const char* format, ...)
{
    if (size == 0)
        return;
    va_list arguments;
    va_start(arguments, format);
#ifdef _WIN32
    // msvcrt's _vsnprintf takes the size but leaves a cut text unterminated.
    _vsnprintf(buffer, size - 1, format, arguments);
#else
    vsnprintf(buffer, size, format, arguments);
#endif
    va_end(arguments);
    buffer[size - 1] = '\0';
}

bool AppendText(char* buffer, size_t size, const char* text)
{
    size_t used = strlen(buffer);
    size_t added = strlen(text);
    if (used + added >= size)
        return false;
    memcpy(buffer + used, text, added + 1);
    return true;
}

void CopyText(char* buffer, size_t size, const char* text)
{
    if (size == 0)
        return;
    size_t length = strlen(text);
    if (length > size - 1)
        length = size - 1;
    memcpy(buffer, text, length);
    buffer[length] = '\0';
}

bool IsTerminated(const char* buffer, size_t size)
{
    return memchr(buffer, '\0', size) != NULL;
}
