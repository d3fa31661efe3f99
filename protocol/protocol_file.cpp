#include "protocol_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "number_format.h"
#include "windows1252.h"

namespace zarudiv {

std::string IoErrorMessage(int code)
{
    switch (code) {
    case ENOENT:
    case ENOTDIR:
        return "Pfad nicht gefunden";
    case EACCES:
    case EPERM:
    case EROFS:
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
    default:
        return "E/A-Fehler " + std::to_string(code);
    }
}

ProtocolFile::~ProtocolFile()
{
    if (isOpen())
        Close();
}

void ProtocolFile::SetError(int code)
{
    if (error_ == 0)
        error_ = code;
}

void ProtocolFile::Open(const std::string& name)
{
    if (isOpen())
        Close();
    error_ = 0;
    used_ = 0;
    name_ = name;
    fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0)
        SetError(errno);
}

void ProtocolFile::WriteBuffer()
{
    std::size_t done = 0;
    while (done < used_ && error_ == 0) {
        const ssize_t written = ::write(fd_, buffer_.data() + done, used_ - done);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            SetError(errno);
        } else {
            done += static_cast<std::size_t>(written);
        }
    }
    used_ = 0;
}

void ProtocolFile::PutByte(char byte)
{
    if (used_ == buffer_.size())
        WriteBuffer();
    buffer_[used_++] = byte;
}

void ProtocolFile::Write(std::string_view utf8)
{
    if (!isOpen() || error_ != 0)
        return;
    for (char byte : Utf8ToWindows1252(utf8))
        PutByte(byte);
}

void ProtocolFile::WriteLineEnd()
{
    Write("\r\n");
}

void ProtocolFile::Flush()
{
    if (isOpen() && error_ == 0)
        WriteBuffer();
}

void ProtocolFile::Close()
{
    if (!isOpen())
        return;
    Flush();
    if (::close(fd_) != 0)
        SetError(errno);
    fd_ = -1;
}

void ProtocolFile::Check() const
{
    if (error_ != 0)
        throw ProtocolIoError(error_, IoErrorMessage(error_));
}

std::string CutFileName(const std::string& utf8Name)
{
    return CutUtf8(utf8Name, kMaxFileNameLength);
}

void OpenProtocol(ProtocolFile& file, const std::string& name)
{
    const std::string cut = CutFileName(name);
    file.Open(cut);
    file.Check();
    file.Write("##### QX++ Document #####  BEGIN of Savefile: > ");
    file.Write(cut);
    file.Write(" < ######");
    file.WriteLineEnd();
    file.Check();
}

void WriteProtocolHeader(ProtocolFile& file, double generations, double mutants, double startStep)
{
    file.WriteLineEnd();
    file.Check();
    file.Write("maxGenerationen:");
    file.Write(FormatReal(generations, 5, 0));
    file.Write("    maxMutanten:");
    file.Write(FormatReal(mutants, 3, 0));
    file.Write("    Start-Schrittweite:");
    file.Write(FormatReal(startStep, 5, 10));
    file.Write("     ");
    file.WriteLineEnd();
    file.Check();
    file.WriteLineEnd();
    file.Check();
    file.Write("Generation   Fu-Aufrufe     Qualität           Schrittweite         ");
    file.WriteLineEnd();
    file.Check();
}

void WriteProtocolRow(ProtocolFile& file, double generation, double mutants, double quality,
                      double step)
{
    // Each field is flushed, so a reader sees the row grow; the line end
    // waits in the buffer until the next flush.
    file.Write(FormatReal(generation, 5, 0));
    file.Write("*   ");
    file.Flush();
    file.Check();
    file.Write(FormatReal(generation * mutants, 10, 0));
    file.Write("*        ");
    file.Flush();
    file.Check();
    file.Write(FormatReal(quality, 5, 10));
    file.Write("*    ");
    file.Flush();
    file.Check();
    file.Write(FormatReal(step, 5, 10));
    file.Write("*   ");
    file.Flush();
    file.Check();
    file.WriteLineEnd();
    file.Check();
}

void CloseProtocol(ProtocolFile& file)
{
    file.Write("##### QX++ Document #####  END of Savefile  ##########################");
    file.WriteLineEnd();
    file.Check();
    file.Close();
    file.Check();
}

void AbandonProtocol(ProtocolFile& file) noexcept
{
    file.Close();
}

}  // namespace zarudiv
