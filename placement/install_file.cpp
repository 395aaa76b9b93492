// The one way in which a file of the package is written: a copy that asks
// before replacing a newer installed file, clears a read-only attribute once,
// and lets the user retry while the destination is in use.
#include "placement/placement.h"

#include "installer/text_buffer.h"

const char* const FileSkippedText =
    "One of the files was more recent than the installations file, file skipped";
const char* const FileInUseText = "File is in use";
const char* const FileNotWrittenText = "Couldn't write file to disk";

enum { VersionBufferSize = 1024, MessageSize = 256 };

static bool FailFile(const char* reason)
{
    InstallState.failed = true;
    InstallState.failureReason = reason;
    return false;
}

// Reads dwFileVersionMS of a file; false when the file has no fixed version.
static bool ReadFileVersion(const char* fileName, char* buffer, DWORD* versionMS)
{
    if (!GetFileVersionInfoA(fileName, 0, VersionBufferSize, buffer))
        return false;
    LPVOID fixed = NULL;
    UINT length = 0;
    if (!VerQueryValueA(buffer, "\\", &fixed, &length))
        return false;
    if (fixed == NULL || length < sizeof(VS_FIXEDFILEINFO))
        return false;
    *versionMS = static_cast<VS_FIXEDFILEINFO*>(fixed)->dwFileVersionMS;
    return true;
}

// True when the package file is older than the installed one.
static bool PackageFileIsOlder(const char* source, const char* destination)
{
    char packageVersion[VersionBufferSize];
    char installedVersion[VersionBufferSize];
    DWORD packageMS = 0;
    DWORD installedMS = 0;
    if (!ReadFileVersion(source, packageVersion, &packageMS))
        return false;
    if (!ReadFileVersion(destination, installedVersion, &installedMS))
        return false;
    return packageMS < installedMS;
}

bool InstallFile(const char* source, const char* destination)
{
    char message[MessageSize];

    if (PackageFileIsOlder(source, destination)) {
        FormatText(message, sizeof message,
                   "The file (%s) in the install package is older \n"
                   "than the one it will replace %s.\n"
                   "Press cancel to skip installation of the file (recommended)",
                   source, destination);
        int answer = MessageBoxA(NULL, message, "Quarvel Install", MB_OKCANCEL | MB_DEFBUTTON2);
        // Without an answer the newer installed file is kept, as the default button says.
        if (answer == IDCANCEL || answer == 0)
            return FailFile(FileSkippedText);
    }

    if (CopyFileA(source, destination, FALSE))
        return true;
    DWORD error = GetLastError();

    if (error == ERROR_ACCESS_DENIED) {
        SetFileAttributesA(destination, FILE_ATTRIBUTE_NORMAL);
        if (CopyFileA(source, destination, FALSE))
            return true;
        error = GetLastError();
    }

    while (error == ERROR_SHARING_VIOLATION) {
        FormatText(message, sizeof message,
                   "Failed to copy %s to %s\n %s is in use, close all program that uses "
                   "Quarvel and press RETRY to retry",
                   source, destination, destination);
        int answer = MessageBoxA(NULL, message, "Quarvel Install", MB_RETRYCANCEL);
        // A box that cannot be shown would otherwise be retried without end.
        if (answer == IDCANCEL || answer == 0)
            return FailFile(FileInUseText);
        if (CopyFileA(source, destination, FALSE))
            return true;
        error = GetLastError();
    }

    FormatText(message, sizeof message, "Failed to copy %s to %s\nReturned error: %d", source,
               destination, static_cast<int>(error));
    MessageBoxA(NULL, message, "Quarvel Install", MB_OK);
    return FailFile(FileNotWrittenText);
}
