#include "FirmwareFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace cv7::host {

namespace {

using sim::FirmwareHeader;
using sim::FirmwareImage;

bool readAt(int fd, uint8_t* into, size_t length, off_t offset) {
  size_t done = 0;
  while (done < length) {
    ssize_t got = ::pread(fd, into + done, length - done, offset + off_t(done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += size_t(got);
  }
  return true;
}

// The header alone: what the file must be before its payload is read.
std::string checkHeader(const uint8_t* header, size_t fileSize) {
  if (std::memcmp(header, FirmwareImage::kMagic, sizeof FirmwareImage::kMagic) != 0) return "not a firmware image (wrong magic)";
  uint32_t payload;
  std::memcpy(&payload, header + offsetof(FirmwareHeader, payloadLength), 4);
  if (payload > FirmwareImage::kMaxPayload || fileSize - FirmwareImage::kHeaderSize != payload)
    return "the header announces " + std::to_string(payload) + " bytes of payload, the file holds " +
           std::to_string(fileSize - FirmwareImage::kHeaderSize);
  return "";
}

// The file's bytes, or a reason why not; reads nothing past its checked size.
std::string readChecked(int fd, std::vector<uint8_t>& bytes) {
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return "not a regular file";
  size_t size = size_t(info.st_size);
  if (size > FirmwareFile::kMaxFileSize)
    return std::to_string(size) + " bytes, more than a firmware image can have (" +
           std::to_string(FirmwareFile::kMaxFileSize) + ")";
  if (size < FirmwareImage::kHeaderSize) return "shorter than a firmware header";
  bytes.resize(size);
  if (!readAt(fd, bytes.data(), FirmwareImage::kHeaderSize, 0)) return "cannot read its header";
  if (std::string wrong = checkHeader(bytes.data(), size); !wrong.empty()) return wrong;
  if (!readAt(fd, bytes.data() + FirmwareImage::kHeaderSize, size - FirmwareImage::kHeaderSize,
              off_t(FirmwareImage::kHeaderSize)))
    return "cannot read its payload";
  return "";
}

}  // namespace

bool FirmwareFile::read(const std::string& path, std::vector<uint8_t>& content, std::string& error) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  std::vector<uint8_t> bytes;
  error = readChecked(fd, bytes);
  ::close(fd);
  if (!error.empty()) return false;
  content = std::move(bytes);
  return true;
}

}  // namespace cv7::host
