#pragma once

#include <string>

namespace pixelon {

// The causes a file operation can fail with, as the program reports them.
enum class FileErrorCause {
    None,
    Generic,
    FileNotFound,
    BadPath,
    TooManyOpenFiles,
    AccessDenied,
    InvalidFile,
    RemoveCurrentDir,
    DirectoryFull,
    BadSeek,
    HardIO,
    SharingViolation,
    LockViolation,
    DiskFull,
    EndOfFile,
};

FileErrorCause fileErrorCauseFromErrno(int error);

// The fixed text shown for a cause; empty for None.
std::string fileErrorText(FileErrorCause cause);

inline std::string fileErrorTextFromErrno(int error) {
    return fileErrorText(fileErrorCauseFromErrno(error));
}

} // namespace pixelon
