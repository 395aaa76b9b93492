// Bounded text handling for the program's fixed-size buffers.
#ifndef QUARVEL_INSTALLER_TEXT_BUFFER_H
#define QUARVEL_INSTALLER_TEXT_BUFFER_H

#include <stddef.h>

// Formats printf-style into buffer, never writing more than size bytes. A text
// too long for the buffer is cut at size - 1 characters; the result is always
// terminated.
void FormatText(char* buffer, size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Appends text to the terminated contents of buffer when the whole result fits
// in size bytes; otherwise leaves buffer unchanged and returns false.
bool AppendText(char* buffer, size_t size, const char* text);

// Copies text into buffer, cut to size - 1 characters and terminated.
void CopyText(char* buffer, size_t size, const char* text);

// True when the first size bytes of buffer hold a terminating NUL.
bool IsTerminated(const char* buffer, size_t size);

#endif
