#include "platform/FileError.h"

#include <cerrno>

namespace pixelon {

FileErrorCause fileErrorCauseFromErrno(int error) {
    switch (error) {
    case 0:
        return FileErrorCause::None;
    case ENOENT:
        return FileErrorCause::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EISDIR:
    case EINVAL:
        return FileErrorCause::BadPath;
    case EMFILE:
    case ENFILE:
        return FileErrorCause::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
        return FileErrorCause::AccessDenied;
    case EBADF:
        return FileErrorCause::InvalidFile;
    case EBUSY:
        return FileErrorCause::SharingViolation;
    case EMLINK:
        return FileErrorCause::DirectoryFull;
    case ESPIPE:
        return FileErrorCause::BadSeek;
    case EIO:
        return FileErrorCause::HardIO;
    case EDEADLK:
    case ENOLCK:
        return FileErrorCause::LockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return FileErrorCause::DiskFull;
    default:
        return FileErrorCause::Generic;
    }
}

std::string fileErrorText(FileErrorCause cause) {
    switch (cause) {
    case FileErrorCause::Generic:
        return "An unspecified error occured.";
    case FileErrorCause::FileNotFound:
        return "The file could not be located";
    case FileErrorCause::BadPath:
        return "All or part of the path is invalid.";
    case FileErrorCause::TooManyOpenFiles:
        return "The permitted number of open files was exceeded.";
    case FileErrorCause::AccessDenied:
        return "The file could not be accessed.";
    case FileErrorCause::InvalidFile:
        return "There was an attempt to use an invalid file handle.";
    case FileErrorCause::RemoveCurrentDir:
        return "he current working directory cannot be removed.";
    case FileErrorCause::DirectoryFull:
        return "There are no more directory entries.";
    case FileErrorCause::BadSeek:
        return "There was an error trying to set the file pointer.";
    case FileErrorCause::HardIO:
        return "There was a hardware error.";
    case FileErrorCause::SharingViolation:
        return "There was a Sharing Violation";
    case FileErrorCause::LockViolation:
        return "There was an attempt to lock a region that was already locked.";
    case FileErrorCause::DiskFull:
        return "The disk is full.";
    case FileErrorCause::EndOfFile:
        return "The end of file was reached.";
    case FileErrorCause::None:
        break;
    }
    return {};
}

} // namespace pixelon
