#include "core/Utils.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

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

std::string ProgramFolder() {
  std::string folder;
  if (const char* home = std::getenv("ORVEK_HOME"); home != nullptr && *home != '\0') {
    folder = home;
  } else {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    folder = ec ? fs::current_path(ec).string() : exe.parent_path().string();
  }
  if (folder.empty() || !IsSeparator(folder.back())) folder += '/';
  return folder;
}

std::string SettingsPath() {
  return ProgramFolder() + "orvek.ini";
}

std::string WorkFolder(const std::string& name) {
  const std::string path = ProgramFolder() + name + "/";
  std::error_code ec;
  fs::create_directory(path, ec);  // one level; failures show up when the folder is used
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

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& out, std::string& error) {
  out.clear();
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    error = FileExists(path) ? "cannot be opened for reading" : "File not found";
    return false;
  }
  struct stat st {};
  if (::fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
    std::fclose(f);
    error = "is not a regular file";
    return false;
  }
  const size_t size = static_cast<size_t>(st.st_size);
  try {
    out.resize(size);
  } catch (const std::bad_alloc&) {
    std::fclose(f);
    error = "is too large to be read into memory";
    return false;
  }
  const size_t got = size == 0 ? 0 : std::fread(out.data(), 1, size, f);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed || got != size) {
    out.clear();
    error = "read error";
    return false;
  }
  return true;
}

bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string& error) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    error = "cannot be created for writing";
    return false;
  }
  const size_t put = size == 0 ? 0 : std::fwrite(data, 1, size, f);
  const bool closed = std::fclose(f) == 0;
  if (put != size || !closed) {
    error = "write error (disk full?)";
    return false;
  }
  return true;
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
