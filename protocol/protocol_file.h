#pragma once
// The protocol file: a plain-text file in Windows-1252 with CRLF line ends,
// written through a 128-byte buffer. Text reaches the disk when the buffer is
// full, at an explicit flush and at closing. Every write updates the file's
// error state; the writers check it at fixed points and raise a ProtocolIoError
// with a German message. After the first error further writes are ignored, so
// the first cause is the one reported.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "evolution/command_error.h"

namespace zarudiv {

// what() is the German message alone, as the window shows it; file() names
// the protocol it concerns.
class ProtocolIoError : public CommandError {
public:
    ProtocolIoError(std::string file, const std::string& message)
        : CommandError(message), file_(std::move(file))
    {
    }
    const std::string& file() const { return file_; }

private:
    std::string file_;
};

// German text for an operating-system error code (errno), or for
// kNotRegularFile.
std::string IoErrorMessage(int code);

class ProtocolFile {
public:
    ProtocolFile() = default;
    ~ProtocolFile();
    ProtocolFile(const ProtocolFile&) = delete;
    ProtocolFile& operator=(const ProtocolFile&) = delete;

    // Creates or truncates the file (read access left to others). A file
    // another protocol, log or series holds open, in this process or
    // another, is refused before anything is truncated, and so is what is
    // not a regular file or a device (a FIFO, a socket). Sets the error
    // state on failure; it does not throw.
    void open(const std::string& name);
    // A protocol that is kept in memory only; `name` is what its first line
    // will say.
    void openInMemory(const std::string& name);
    // Keeps a copy of every byte written to the file, in memory (contents()).
    void keepCopy() { keepCopy_ = true; }
    bool isOpen() const { return fd_ >= 0 || inMemory_; }
    const std::string& name() const { return name_; }
    // What was written so far, where the protocol is kept in memory or copied.
    const std::string& contents() const { return contents_; }

    // Appends UTF-8 text, stored as Windows-1252.
    void write(std::string_view utf8);
    // CR LF.
    void writeLineEnd();
    // Hands the buffer to the operating system.
    void flush();
    // Writes out the rest of the buffer, has the file reach the disk (fsync)
    // and closes it.
    void close();
    // Throws the pending error, if any.
    void check() const;

    int errorCode() const { return error_; }

private:
    // Closes what is open and starts a new protocol of that name.
    void reset(const std::string& name, bool inMemory);
    void putByte(char byte);
    void writeBuffer();
    void setError(int code);

    int fd_ = -1;
    bool inMemory_ = false;
    bool keepCopy_ = false;
    int error_ = 0;
    std::string name_;
    std::string contents_;
    std::array<char, 128> buffer_{};
    std::size_t used_ = 0;
};

// The name the window's file list offers first.
inline constexpr const char* kDefaultProtocolName = "C:/QX_000_000.doc";

// A name that starts with a drive letter ("C:/...") names a file in a directory
// called "C:" below the working directory; OpenProtocol makes that directory
// when it is missing, and throws ProtocolIoError with the cause when it can't.
void EnsureDriveDirectory(const std::string& fileName);

// Protocol names are cut to 250 characters.
constexpr std::size_t kMaxFileNameLength = 250;
std::string CutFileName(const std::string& utf8Name);

// The four writers of the protocol. Each checks the file's error state at its
// fixed points and throws ProtocolIoError.
void OpenProtocol(ProtocolFile& file, const std::string& name);
// The same for a protocol kept in memory (ProtocolFile::contents()).
void OpenProtocolInMemory(ProtocolFile& file, const std::string& name);
void WriteProtocolHeader(ProtocolFile& file, double generations, double mutants, double startStep);
void WriteProtocolRow(ProtocolFile& file, double generation, double mutants, double quality,
                      double step);
void CloseProtocol(ProtocolFile& file);

// Closes the file of a campaign that was stopped: everything written is on
// disk, the closing line is left out so that a cut protocol stays
// recognisable. Throws ProtocolIoError when the rest cannot be written.
void CutProtocol(ProtocolFile& file);

// The same after a command ended with an error: never throws, since the
// error that ended the command is the one to report.
void AbandonProtocol(ProtocolFile& file) noexcept;

}  // namespace zarudiv
