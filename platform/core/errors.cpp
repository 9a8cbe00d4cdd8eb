// Last-error slot, errno translation and the system message table.
#include <cerrno>

#include "KavroStd/platform/wininet.h"
#include "platform/core/errors_internal.h"

namespace {
thread_local DWORD t_lastError = 0;

struct MessageRow {
  DWORD code;
  const wchar_t* text;
};

// The Windows system texts of the codes the layer sets.
constexpr MessageRow kMessages[] = {
    {ERROR_SUCCESS, L"The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, L"Incorrect function."},
    {ERROR_FILE_NOT_FOUND, L"The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, L"The system cannot find the path specified."},
    {ERROR_TOO_MANY_OPEN_FILES, L"The system cannot open the file."},
    {ERROR_ACCESS_DENIED, L"Access is denied."},
    {ERROR_INVALID_HANDLE, L"The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, L"Not enough memory resources are available to process this command."},
    {ERROR_INVALID_DATA, L"The data is invalid."},
    {ERROR_OUTOFMEMORY, L"Not enough memory resources are available to complete this operation."},
    {ERROR_INVALID_DRIVE, L"The system cannot find the drive specified."},
    {ERROR_CURRENT_DIRECTORY, L"The directory cannot be removed."},
    {ERROR_NOT_SAME_DEVICE, L"The system cannot move the file to a different disk drive."},
    {ERROR_NO_MORE_FILES, L"There are no more files."},
    {ERROR_WRITE_PROTECT, L"The media is write protected."},
    {ERROR_NOT_READY, L"The device is not ready."},
    {ERROR_SEEK, L"The drive cannot locate a specific area or track on the disk."},
    {ERROR_WRITE_FAULT, L"The system cannot write to the specified device."},
    {ERROR_READ_FAULT, L"The system cannot read from the specified device."},
    {ERROR_GEN_FAILURE, L"A device attached to the system is not functioning."},
    {ERROR_SHARING_VIOLATION,
     L"The process cannot access the file because it is being used by another process."},
    {ERROR_LOCK_VIOLATION,
     L"The process cannot access the file because another process has locked a portion of the file."},
    {ERROR_HANDLE_EOF, L"Reached the end of the file."},
    {ERROR_HANDLE_DISK_FULL, L"The disk is full."},
    {ERROR_NOT_SUPPORTED, L"The request is not supported."},
    {ERROR_BAD_NETPATH, L"The network path was not found."},
    {ERROR_FILE_EXISTS, L"The file exists."},
    {ERROR_CANNOT_MAKE, L"The directory or file cannot be created."},
    {ERROR_INVALID_PARAMETER, L"The parameter is incorrect."},
    {ERROR_BROKEN_PIPE, L"The pipe has been ended."},
    {ERROR_OPEN_FAILED, L"The system cannot open the device or file specified."},
    {ERROR_BUFFER_OVERFLOW, L"The file name is too long."},
    {ERROR_DISK_FULL, L"There is not enough space on the disk."},
    {ERROR_INSUFFICIENT_BUFFER, L"The data area passed to a system call is too small."},
    {ERROR_INVALID_NAME, L"The filename, directory name, or volume label syntax is incorrect."},
    {ERROR_MOD_NOT_FOUND, L"The specified module could not be found."},
    {ERROR_PROC_NOT_FOUND, L"The specified procedure could not be found."},
    {ERROR_NEGATIVE_SEEK,
     L"An attempt was made to move the file pointer before the beginning of the file."},
    {ERROR_DIR_NOT_ROOT, L"The directory is not a subdirectory of the root directory."},
    {ERROR_DIR_NOT_EMPTY, L"The directory is not empty."},
    {ERROR_BAD_PATHNAME, L"The specified path is invalid."},
    {ERROR_BUSY, L"The requested resource is in use."},
    {ERROR_ALREADY_EXISTS, L"Cannot create a file when that file already exists."},
    {ERROR_BAD_EXE_FORMAT, L"%1 is not a valid Win32 application."},
    {ERROR_FILENAME_EXCED_RANGE, L"The filename or extension is too long."},
    {ERROR_NO_DATA, L"The pipe is being closed."},
    {ERROR_MORE_DATA, L"More data is available."},
    {ERROR_NO_MORE_ITEMS, L"No more data is available."},
    {ERROR_DIRECTORY, L"The directory name is invalid."},
    {ERROR_NOT_OWNER, L"Attempt to release mutex not owned by caller."},
    {ERROR_PARTIAL_COPY, L"Only part of a ReadProcessMemory or WriteProcessMemory request was completed."},
    {ERROR_INVALID_ADDRESS, L"Attempt to access invalid address."},
    {ERROR_ARITHMETIC_OVERFLOW, L"Arithmetic result exceeded 32 bits."},
    {ERROR_OPERATION_ABORTED,
     L"The I/O operation has been aborted because of either a thread exit or an application request."},
    {ERROR_IO_PENDING, L"Overlapped I/O operation is in progress."},
    {ERROR_NOACCESS, L"Invalid access to memory location."},
    {ERROR_INVALID_FLAGS, L"Invalid flags."},
    {ERROR_FILE_INVALID, L"The volume for a file has been externally altered so that the opened file is no longer valid."},
    {ERROR_CANTOPEN, L"The configuration registry key could not be opened."},
    {ERROR_CANTREAD, L"The configuration registry key could not be read."},
    {ERROR_CANTWRITE, L"The configuration registry key could not be written."},
    {ERROR_NO_UNICODE_TRANSLATION,
     L"No mapping for the Unicode character exists in the target multi-byte code page."},
    {ERROR_NOT_FOUND, L"Element not found."},
    {ERROR_INVALID_WINDOW_HANDLE, L"Invalid window handle."},
    {ERROR_INVALID_ICON_HANDLE, L"Invalid icon handle."},
    {ERROR_CLIPBOARD_NOT_OPEN, L"Thread does not have a clipboard open."},
    {ERROR_NOT_LOCKED, L"The segment is already unlocked."},
    {ERROR_NO_ASSOCIATION, L"No application is associated with the specified file for this operation."},
    {ERROR_BADDB, L"The configuration registry database is corrupt."},
    {ERROR_BADKEY, L"The configuration registry key is invalid."},
    {ERROR_REGISTRY_CORRUPT,
     L"The registry is corrupted. The structure of one of the files containing registry data is corrupted, or the "
     L"system's memory image of the file is corrupted, or the file could not be recovered because the alternate "
     L"copy or log was absent or corrupted."},
    {ERROR_KEY_DELETED, L"Illegal operation attempted on a registry key that has been marked for deletion."},
    {ERROR_CANT_RESOLVE_FILENAME, L"The name of the file cannot be resolved by the system."},
    {ERROR_TIMEOUT, L"This operation returned because the timeout period expired."},
    {ERROR_RESOURCE_DATA_NOT_FOUND, L"The specified image file did not contain a resource section."},
    {ERROR_RESOURCE_TYPE_NOT_FOUND, L"The specified resource type cannot be found in the image file."},
    {ERROR_RESOURCE_NAME_NOT_FOUND, L"The specified resource name cannot be found in the image file."},
    // WinINet's own texts (its message table has no final full stops).
    {ERROR_INTERNET_OUT_OF_HANDLES, L"No more Internet handles can be allocated"},
    {ERROR_INTERNET_TIMEOUT, L"The operation timed out"},
    {ERROR_INTERNET_EXTENDED_ERROR, L"The server returned extended information"},
    {ERROR_INTERNET_INTERNAL_ERROR, L"An internal error occurred in the Microsoft Internet extensions"},
    {ERROR_INTERNET_INVALID_URL, L"The URL is invalid"},
    {ERROR_INTERNET_UNRECOGNIZED_SCHEME, L"The URL does not use a recognized protocol"},
    {ERROR_INTERNET_NAME_NOT_RESOLVED, L"The server name or address could not be resolved"},
    {ERROR_INTERNET_INVALID_OPTION, L"The option is invalid"},
    {ERROR_INTERNET_BAD_OPTION_LENGTH, L"The length is incorrect for the option type"},
    {ERROR_INTERNET_OPERATION_CANCELLED, L"The operation was canceled"},
    {ERROR_INTERNET_INCORRECT_HANDLE_TYPE, L"The type of handle supplied is incorrect for this operation"},
    {ERROR_INTERNET_ITEM_NOT_FOUND, L"The requested item could not be located"},
    {ERROR_INTERNET_CANNOT_CONNECT, L"A connection with the server could not be established"},
    {ERROR_INTERNET_CONNECTION_ABORTED, L"The connection with the server was terminated abnormally"},
    {ERROR_INTERNET_CONNECTION_RESET, L"The connection with the server was reset"},
    {ERROR_INTERNET_SEC_CERT_DATE_INVALID, L"The date in the certificate is invalid or has expired"},
    {ERROR_INTERNET_SEC_CERT_CN_INVALID, L"The host name in the certificate is invalid or does not match"},
    {ERROR_INTERNET_INVALID_CA, L"The certificate authority is invalid or incorrect"},
    {ERROR_INTERNET_SEC_CERT_REV_FAILED, L"Certificate revocation check failed"},
    {ERROR_HTTP_HEADER_NOT_FOUND, L"The requested header could not be located"},
    {ERROR_HTTP_INVALID_SERVER_RESPONSE, L"The server returned an invalid or unrecognized response"},
    {ERROR_HTTP_REDIRECT_FAILED, L"The HTTP redirect request failed"},
    {ERROR_INTERNET_SECURITY_CHANNEL_ERROR, L"An error occurred in the secure channel support"},
    {ERROR_INTERNET_DECODING_FAILED, L"Content decoding has failed"},
};
}  // namespace

extern "C" DWORD GetLastError(void) { return t_lastError; }
extern "C" void SetLastError(DWORD code) { t_lastError = code; }

namespace kavro::platform {

DWORD Win32ErrorFromErrno(int e) {
  switch (e) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return e == EROFS ? ERROR_WRITE_PROTECT : ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EBUSY: return ERROR_BUSY;
    case EAGAIN: return ERROR_LOCK_VIOLATION;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case ESPIPE: return ERROR_SEEK;
    case EIO: return ERROR_GEN_FAILURE;
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
    case EFBIG: return ERROR_DISK_FULL;
    case ENOSYS:
    case EOPNOTSUPP: return ERROR_NOT_SUPPORTED;
    case EFAULT: return ERROR_NOACCESS;
    case EILSEQ: return ERROR_NO_UNICODE_TRANSLATION;
    case ETIMEDOUT: return ERROR_TIMEOUT;
    default: return ERROR_GEN_FAILURE;
  }
}

DWORD SetLastErrorFromErrno(int e) {
  DWORD code = Win32ErrorFromErrno(e);
  t_lastError = code;
  return code;
}

const wchar_t* SystemMessageText(DWORD code) {
  for (const MessageRow& row : kMessages)
    if (row.code == code) return row.text;
  return L"";
}

}  // namespace kavro::platform
