#include "protocol/protocol_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "edge/output_file.h"
#include "protocol/number_format.h"
#include "protocol/windows1252.h"

namespace zarudiv {

std::string IoErrorMessage(int code)
{
    switch (code) {
    case ENOENT:
    case ENOTDIR:
        return "Pfad nicht gefunden";
    case EROFS:
        return "Dateizugriff verweigert (schreibgeschütztes Dateisystem)";
    case EACCES:
    case EPERM:
    case EISDIR:
    case ETXTBSY:
        return "Dateizugriff verweigert";
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
        return "Ungültiger Dateiname";
    case ENOSPC:
    case EDQUOT:
        return "Festplatte voll";
    case EWOULDBLOCK:
        return "Datei wird von einem anderen Programm verwendet";
    case kNotRegularFile:
        return "Dateizugriff verweigert (keine reguläre Datei)";
    default:
        return "E/A-Fehler " + std::to_string(code);
    }
}

ProtocolFile::~ProtocolFile()
{
    if (isOpen())
        close();
}

void ProtocolFile::setError(int code)
{
    if (error_ == 0)
        error_ = code;
}

void ProtocolFile::reset(const std::string& name, bool inMemory)
{
    if (isOpen())
        close();
    error_ = 0;
    used_ = 0;
    name_ = name;
    contents_.clear();
    inMemory_ = inMemory;
}

void ProtocolFile::open(const std::string& name)
{
    reset(name, false);
    // Check, then change: the file is held before anything in it is
    // truncated, and a FIFO is refused rather than waited for.
    const InPlaceFile file = OpenInPlace(name);
    fd_ = file.fd;
    if (file.error)
        setError(file.error.code);
}

void ProtocolFile::openInMemory(const std::string& name)
{
    reset(name, true);
}

void ProtocolFile::writeBuffer()
{
    if (inMemory_ || keepCopy_)
        contents_.append(buffer_.data(), used_);
    if (inMemory_) {
        used_ = 0;
        return;
    }
    std::size_t done = 0;
    while (done < used_ && error_ == 0) {
        const ssize_t written = ::write(fd_, buffer_.data() + done, used_ - done);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            setError(errno);
        } else {
            done += static_cast<std::size_t>(written);
        }
    }
    used_ = 0;
}

void ProtocolFile::putByte(char byte)
{
    if (used_ == buffer_.size())
        writeBuffer();
    buffer_[used_++] = byte;
}

void ProtocolFile::write(std::string_view utf8)
{
    if (!isOpen() || error_ != 0)
        return;
    for (char byte : Utf8ToWindows1252(utf8))
        putByte(byte);
}

void ProtocolFile::writeLineEnd()
{
    write("\r\n");
}

void ProtocolFile::flush()
{
    if (isOpen() && error_ == 0)
        writeBuffer();
}

void ProtocolFile::close()
{
    if (!isOpen())
        return;
    flush();
    if (inMemory_) {
        inMemory_ = false;
        return;
    }
    // A protocol reported as finished must be on the disk. Devices such as
    // /dev/full cannot be synchronised; only a regular file's failure counts.
    struct stat info {};
    if (::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode) && ::fsync(fd_) != 0)
        setError(errno);
    if (::close(fd_) != 0)
        setError(errno);
    fd_ = -1;
}

void ProtocolFile::check() const
{
    if (error_ != 0)
        throw ProtocolIoError(name_, IoErrorMessage(error_));
}

void EnsureDriveDirectory(const std::string& fileName)
{
    const bool driveLetter = fileName.size() >= 3 &&
                             ((fileName[0] >= 'A' && fileName[0] <= 'Z') ||
                              (fileName[0] >= 'a' && fileName[0] <= 'z')) &&
                             fileName[1] == ':' && fileName[2] == '/';
    if (!driveLetter)
        return;
    if (::mkdir(fileName.substr(0, 2).c_str(), 0777) != 0 && errno != EEXIST)
        throw ProtocolIoError(fileName, IoErrorMessage(errno));
}

std::string CutFileName(const std::string& utf8Name)
{
    return CutUtf8(utf8Name, kMaxFileNameLength);
}

namespace {

void WriteFirstLine(ProtocolFile& file, const std::string& cut)
{
    file.write("##### QX++ Document #####  BEGIN of Savefile: > ");
    file.write(cut);
    file.write(" < ######");
    file.writeLineEnd();
    file.check();
}

}  // namespace

void OpenProtocol(ProtocolFile& file, const std::string& name)
{
    const std::string cut = CutFileName(name);
    EnsureDriveDirectory(cut);
    file.open(cut);
    file.check();
    WriteFirstLine(file, cut);
}

void OpenProtocolInMemory(ProtocolFile& file, const std::string& name)
{
    const std::string cut = CutFileName(name);
    file.openInMemory(cut);
    WriteFirstLine(file, cut);
}

void WriteProtocolHeader(ProtocolFile& file, double generations, double mutants, double startStep)
{
    file.writeLineEnd();
    file.check();
    file.write("maxGenerationen:");
    file.write(FormatReal(generations, 5, 0));
    file.write("    maxMutanten:");
    file.write(FormatReal(mutants, 3, 0));
    file.write("    Start-Schrittweite:");
    file.write(FormatReal(startStep, 5, 10));
    file.write("     ");
    file.writeLineEnd();
    file.check();
    file.writeLineEnd();
    file.check();
    file.write("Generation   Fu-Aufrufe     Qualität           Schrittweite         ");
    file.writeLineEnd();
    file.check();
}

void WriteProtocolRow(ProtocolFile& file, double generation, double mutants, double quality,
                      double step)
{
    // Each field is flushed, so a reader sees the row grow; the line end
    // waits in the buffer until the next flush.
    file.write(FormatReal(generation, 5, 0));
    file.write("*   ");
    file.flush();
    file.check();
    file.write(FormatReal(generation * mutants, 10, 0));
    file.write("*        ");
    file.flush();
    file.check();
    file.write(FormatReal(quality, 5, 10));
    file.write("*    ");
    file.flush();
    file.check();
    file.write(FormatReal(step, 5, 10));
    file.write("*   ");
    file.flush();
    file.check();
    file.writeLineEnd();
    file.check();
}

void CloseProtocol(ProtocolFile& file)
{
    file.write("##### QX++ Document #####  END of Savefile  ##########################");
    file.writeLineEnd();
    file.check();
    file.close();
    file.check();
}

void CutProtocol(ProtocolFile& file)
{
    file.close();
    file.check();
}

void AbandonProtocol(ProtocolFile& file) noexcept
{
    file.close();
}

}  // namespace zarudiv
