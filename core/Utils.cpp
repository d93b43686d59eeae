#include "core/Utils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/Folders.h"

namespace fs = std::filesystem;

namespace orvek {

namespace {

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

// Byte offsets of each UTF-8 character start (continuation bytes are 10xxxxxx).
std::vector<size_t> CharStarts(const std::string& s) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) starts.push_back(i);
  }
  return starts;
}

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool MatchFrom(const std::string& name, size_t n, const std::string& mask, size_t m) {
  // Iterative wildcard match with back-tracking on the last "*".
  size_t starN = std::string::npos;
  size_t starM = std::string::npos;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || LowerAscii(mask[m]) == LowerAscii(name[n]))) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == '*') {
      starM = m++;
      starN = n;
    } else if (starM != std::string::npos) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

bool IsPlainVisibleFile(const fs::directory_entry& entry) {
  std::error_code ec;
  if (!entry.is_regular_file(ec) || ec) return false;
  const std::string name = entry.path().filename().string();
  return !name.empty() && name[0] != '.';
}

}  // namespace

std::string PadText(const std::string& text, char fill, int width, bool left) {
  if (width <= 0) return {};
  const std::vector<size_t> starts = CharStarts(text);
  const int length = static_cast<int>(starts.size());
  if (length < width) {
    const std::string padding(static_cast<size_t>(width - length), fill);
    return left ? padding + text : text + padding;
  }
  if (length == width) return text;
  return text.substr(0, starts[static_cast<size_t>(width)]);
}

std::string SettingsPath() {
  return CurrentFolders().SettingsFile();
}

std::string ResourceFolder() {
  return CurrentFolders().resources;
}

std::string WorkingFolder() {
  return CurrentFolders().working;
}

std::string WorkFolder(const std::string& name) {
  const std::string path = CurrentFolders().Work(name);
  std::error_code ec;
  fs::create_directories(path, ec);
  return path;
}

std::string LastFolderName(const std::string& path) {
  std::string p = path;
  if (!p.empty() && IsSeparator(p.back())) p.pop_back();
  size_t last = std::string::npos;
  for (size_t i = 0; i < p.size(); ++i) {
    if (IsSeparator(p[i])) last = i;
  }
  if (last == std::string::npos || last + 1 >= p.size()) return {};
  return p.substr(last + 1);
}

bool MatchesMask(const std::string& name, const std::string& mask) {
  // "*.*" matches every name, with or without a dot, as on the desktop system it comes from.
  if (mask == "*.*" || mask == "*") return true;
  return MatchFrom(name, 0, mask, 0);
}

int ClearFolder(const std::string& folder, const std::string& mask) {
  int deleted = 0;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return 0;
  std::vector<fs::path> victims;
  for (const auto& entry : it) {
    if (!IsPlainVisibleFile(entry)) continue;
    if (MatchesMask(entry.path().filename().string(), mask)) victims.push_back(entry.path());
  }
  for (const auto& p : victims) {
    std::error_code rm;
    if (fs::remove(p, rm) && !rm) ++deleted;
  }
  return deleted;
}

int RenameExtensions(const std::string& folder, const std::string& oldExt,
                     const std::string& newExt) {
  int renamed = 0;
  for (const std::string& name : ListFiles(folder, "*" + oldExt)) {
    const std::string from = folder + name;
    const std::string to = folder + name.substr(0, name.size() - oldExt.size()) + newExt;
    std::error_code ec;
    fs::rename(from, to, ec);
    if (!ec) ++renamed;
  }
  return renamed;
}

bool NaturalLess(const std::string& a, const std::string& b) {
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    const unsigned char ca = static_cast<unsigned char>(a[i]);
    const unsigned char cb = static_cast<unsigned char>(b[j]);
    if (std::isdigit(ca) && std::isdigit(cb)) {
      size_t ei = i;
      size_t ej = j;
      while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
      while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
      // Compare the digit runs by value: skip leading zeros, then by length, then digits.
      size_t zi = i;
      size_t zj = j;
      while (zi + 1 < ei && a[zi] == '0') ++zi;
      while (zj + 1 < ej && b[zj] == '0') ++zj;
      if (ei - zi != ej - zj) return ei - zi < ej - zj;
      const int cmp = a.compare(zi, ei - zi, b, zj, ej - zj);
      if (cmp != 0) return cmp < 0;
      i = ei;
      j = ej;
      continue;
    }
    const char la = LowerAscii(static_cast<char>(ca));
    const char lb = LowerAscii(static_cast<char>(cb));
    if (la != lb) return static_cast<unsigned char>(la) < static_cast<unsigned char>(lb);
    ++i;
    ++j;
  }
  if ((a.size() - i) != (b.size() - j)) return (a.size() - i) < (b.size() - j);
  return a < b;
}

std::vector<std::string> ListFiles(const std::string& folder, const std::string& mask) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? "." : folder, ec);
  if (ec) return names;
  for (const auto& entry : it) {
    if (!IsPlainVisibleFile(entry)) continue;
    const std::string name = entry.path().filename().string();
    if (MatchesMask(name, mask)) names.push_back(name);
  }
  std::sort(names.begin(), names.end(), NaturalLess);
  return names;
}

std::string FolderOf(const std::string& path) {
  for (size_t i = path.size(); i > 0; --i) {
    if (IsSeparator(path[i - 1])) return path.substr(0, i);
  }
  return {};
}

std::string FileNameOf(const std::string& path) {
  return path.substr(FolderOf(path).size());
}

std::string BaseNameOf(const std::string& path) {
  const std::string name = FileNameOf(path);
  const auto dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string ChangeExtension(const std::string& path, const std::string& newExt) {
  const std::string folder = FolderOf(path);
  return folder + BaseNameOf(path) + newExt;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

Status ReadWholeFile(const std::string& path, std::vector<unsigned char>& out) {
  out.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return Status::Fail(Error(ErrorCode::FileOpen).Path(path).Detail(SystemReason(errno)));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int why = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    return Status::Fail(Error(ErrorCode::FileOpen).Path(path).Detail(SystemReason(why)));
  }
  const size_t size = static_cast<size_t>(st.st_size);
  try {
    out.resize(size);
  } catch (const std::bad_alloc&) {
    ::close(fd);
    return Status::Fail(Error(ErrorCode::FileRead).Path(path).Detail(SystemReason(ENOMEM)));
  }
  size_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, out.data() + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int why = n < 0 ? errno : EIO;  // a file that shrank while it was read
      ::close(fd);
      out.clear();
      return Status::Fail(Error(ErrorCode::FileRead).Path(path).Detail(SystemReason(why)));
    }
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  return Status::Ok();
}

namespace {

// The failure of a write: a full disk or quota is told apart from other errors.
Status WriteFailure(const std::string& path, int why) {
  if (why == ENOSPC || why == EDQUOT) return Status::Fail(Error(ErrorCode::DiskFull).Path(path));
  return Status::Fail(Error(ErrorCode::FileWrite).Path(path).Detail(SystemReason(why)));
}

}  // namespace

Status ReplaceFile(const std::string& path, const void* data, size_t size) {
  // A new hidden name beside the file; created by open() so that the process's umask applies
  // as to any new file (changing the umask here would race with other threads).
  static std::atomic<unsigned> counter{0};
  std::string temp;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temp = FolderOf(path) + "." + FileNameOf(path) + "." + std::to_string(::getpid()) + "." +
           std::to_string(counter++) + ".tmp";
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return WriteFailure(path, errno);
  const auto abandon = [&](int why) {
    ::close(fd);
    ::unlink(temp.c_str());
    return WriteFailure(path, why);
  };
  // A file that replaces another keeps its permissions.
  struct stat old {};
  const bool replacing = ::stat(path.c_str(), &old) == 0;
  if (replacing && ::fchmod(fd, old.st_mode & 07777) != 0) return abandon(errno);
  const auto* bytes = static_cast<const unsigned char*>(data);
  size_t put = 0;
  while (put < size) {
    const ssize_t n = ::write(fd, bytes + put, size - put);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return abandon(n < 0 ? errno : EIO);
    put += static_cast<size_t>(n);
  }
  // Flushing costs time; it matters only where a good file would otherwise be lost.
  if (replacing && ::fsync(fd) != 0) return abandon(errno);
  if (::close(fd) != 0) {
    const int why = errno;
    ::unlink(temp.c_str());
    return WriteFailure(path, why);
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int why = errno;
    ::unlink(temp.c_str());
    return Status::Fail(
        Error(ErrorCode::FileRename).Path(temp).Text(path).Detail(SystemReason(why)));
  }
  return Status::Ok();
}

std::string ToUpper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

std::string Trim(const std::string& s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n'))
    --e;
  return s.substr(b, e - b);
}

}  // namespace orvek
