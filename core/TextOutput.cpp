#include "core/TextOutput.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace orvek {

Status DeliverText(const std::string& path, std::string_view content, bool replace) {
  std::error_code ec;
  if (!replace && fs::symlink_status(path, ec).type() != fs::file_type::not_found)
    return Status::Fail(Error(ErrorCode::FileExists).Path(path));

  const fs::path target(path);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(pattern.data());
  const auto failure = [&](ErrorCode code, int err) {
    return Status::Fail(
        Error(err == ENOSPC ? ErrorCode::DiskFull : code).Path(path).Detail(std::strerror(err)));
  };
  if (fd < 0) return failure(ErrorCode::FileWrite, errno);
  const std::string temporary = pattern;
  const auto abandon = [&](int err) {
    ::close(fd);
    ::unlink(temporary.c_str());
    return failure(ErrorCode::FileWrite, err);
  };
  for (size_t done = 0; done < content.size();) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return abandon(errno);
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) return abandon(errno);
  // mkstemp makes the file readable by its owner only; the result gets the usual mode.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (::fchmod(fd, 0666 & ~mask) != 0) return abandon(errno);
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(temporary.c_str());
    return failure(ErrorCode::FileWrite, err);
  }
  if (!replace && fs::symlink_status(path, ec).type() != fs::file_type::not_found) {
    ::unlink(temporary.c_str());
    return Status::Fail(Error(ErrorCode::FileExists).Path(path));
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(temporary.c_str());
    return Status::Fail(
        Error(ErrorCode::FileRename).Path(temporary).Text(path).Detail(std::strerror(err)));
  }
  return Status::Ok();
}

}  // namespace orvek
