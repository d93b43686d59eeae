#include "core/Output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/Utils.h"

namespace fs = std::filesystem;

namespace orvek {

namespace {

std::string WithSlash(std::string dir) {
  if (dir.empty()) dir = "./";
  if (dir.back() != '/') dir += '/';
  return dir;
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  const bool same = fs::equivalent(a, b, ec);
  return !ec && same;
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::symlink_status(path, ec).type() != fs::file_type::not_found && !ec;
}

}  // namespace

OutputFolder WorkingOutput(const std::string& name) {
  return ProgramOutput(WorkingFolder() + name);
}

OutputFolder ProgramOutput(std::string dir) {
  return OutputFolder{WithSlash(std::move(dir)), true, true};
}

OutputFolder UserOutput(std::string dir, bool overwrite) {
  return OutputFolder{WithSlash(std::move(dir)), false, overwrite};
}

OutputFolder UserOutputOfFile(const std::string& filePath, bool overwrite) {
  return UserOutput(FolderOf(filePath), overwrite);
}

std::string OutputPath(const OutputFolder& out, const std::string& name) {
  return out.dir + name;
}

Status PrepareOutput(const OutputFolder& out) {
  std::error_code ec;
  fs::create_directories(out.dir, ec);
  std::error_code isDir;
  if (!fs::is_directory(out.dir, isDir)) {
    return Status::Fail(Error(ErrorCode::FolderCreate)
                            .Path(out.dir)
                            .Detail(ec ? ec.message() : std::strerror(ENOTDIR)));
  }
  return Status::Ok();
}

Status ClearOutput(const OutputFolder& out, const std::string& mask,
                   const std::vector<std::string>& spare) {
  if (!out.programOwned) return Status::Ok();
  std::error_code ec;
  fs::directory_iterator it(out.dir, ec);
  if (ec) {
    // A working folder that is not there yet holds nothing to empty.
    if (ec == std::errc::no_such_file_or_directory) return Status::Ok();
    return Status::Fail(Error(ErrorCode::FileOpen).Path(out.dir).Detail(ec.message()));
  }
  for (const std::string& name : ListFiles(out.dir, mask)) {
    const std::string path = out.dir + name;
    bool kept = false;
    for (const std::string& s : spare) kept = kept || SameFile(path, s);
    if (kept) continue;
    if (Status s = RemoveFile(path); !s) return s;
  }
  return Status::Ok();
}

Status MayWrite(const OutputFolder& out, const std::string& path) {
  if (out.programOwned || out.overwrite || !Exists(path)) return Status::Ok();
  return Status::Fail(Error(ErrorCode::FileExists).Path(path));
}

Status MayWriteAll(const OutputFolder& out, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    if (Status s = MayWrite(out, OutputPath(out, name)); !s) return s;
  }
  return Status::Ok();
}

Status RemoveFile(const std::string& path) {
  std::error_code ec;
  fs::remove(path, ec);
  if (ec) return Status::Fail(Error(ErrorCode::FileDelete).Path(path).Detail(ec.message()));
  return Status::Ok();
}

Status RenameFile(const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::rename(from, to, ec);
  if (ec)
    return Status::Fail(Error(ErrorCode::FileRename).Path(from).Text(to).Detail(ec.message()));
  return Status::Ok();
}

Status RenameExtensionsIn(const OutputFolder& out, const std::string& oldExt,
                          const std::string& newExt) {
  if (!out.programOwned) return Status::Ok();
  for (const std::string& name : ListFiles(out.dir, "*" + oldExt)) {
    const std::string from = out.dir + name;
    const std::string to = out.dir + name.substr(0, name.size() - oldExt.size()) + newExt;
    if (Status s = RenameFile(from, to); !s) return s;
  }
  return Status::Ok();
}

Status DeliverCopy(const std::string& source, const OutputFolder& out, const std::string& name) {
  const std::string target = OutputPath(out, name);
  if (Status s = MayWrite(out, target); !s) return s;
  std::ifstream in(source, std::ios::binary);
  if (!in)
    return Status::Fail(Error(ErrorCode::FileRead).Path(source).Detail(std::strerror(errno)));

  std::string pattern = out.dir + "." + name + ".XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0)
    return Status::Fail(Error(ErrorCode::FileWrite).Path(target).Detail(std::strerror(errno)));
  const std::string temporary = pattern;
  const auto fail = [&](ErrorCode code, const std::string& path, int err) {
    ::close(fd);
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return Status::Fail(
        Error(err == ENOSPC ? ErrorCode::DiskFull : code).Path(path).Detail(std::strerror(err)));
  };
  char buffer[1 << 16];
  while (in) {
    in.read(buffer, sizeof buffer);
    const std::streamsize got = in.gcount();
    if (in.bad()) return fail(ErrorCode::FileRead, source, errno != 0 ? errno : EIO);
    for (std::streamsize done = 0; done < got;) {
      const ssize_t n = ::write(fd, buffer + done, static_cast<size_t>(got - done));
      if (n < 0) {
        if (errno == EINTR) continue;
        return fail(ErrorCode::FileWrite, target, errno);
      }
      done += n;
    }
  }
  if (::fsync(fd) != 0) return fail(ErrorCode::FileWrite, target, errno);
  // The temporary file was made readable by its owner only; the copy gets the usual mode.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  if (::close(fd) != 0) {
    const int err = errno;
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return Status::Fail(Error(ErrorCode::FileWrite).Path(target).Detail(std::strerror(err)));
  }
  if (Status s = RenameFile(temporary, target); !s) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return s;
  }
  return Status::Ok();
}

Error ReadFailure(const std::string& path, const LoadResult& read) {
  if (!FileExists(path)) return Error(ErrorCode::FileNotFound).Path(path);
  if (read.status == LoadStatus::UnknownExtension)
    return Error(ErrorCode::UnknownExtension).Path(path);
  // The reader's own account of what is wrong with the file.
  if (!read.message.empty()) return Error(ErrorCode::Other).Path(path).Detail(read.message);
  return Error(ErrorCode::FileRead).Path(path);
}

}  // namespace orvek
