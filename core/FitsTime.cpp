#include "core/FitsTime.h"

#include <cmath>
#include <cstdio>
#include <map>

#include "core/Rounding.h"

namespace orvek {

namespace {

constexpr size_t kCard = 80;
constexpr double kMjdZero = 2400000.5;

std::string TrimBlanks(const std::string& s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return s.substr(b, e - b);
}

// The value of a "KEYWORD = value / comment" card: a quoted string without its quotes
// (a doubled quote inside stands for one), or the text before the comment.
std::string CardValue(const std::string& card) {
  const std::string rest = card.substr(9);
  const size_t open = rest.find_first_not_of(' ');
  if (open == std::string::npos) return {};
  if (rest[open] != '\'') return TrimBlanks(rest.substr(0, rest.find('/')));
  std::string value;
  for (size_t i = open + 1; i < rest.size(); ++i) {
    if (rest[i] == '\'') {
      if (i + 1 < rest.size() && rest[i + 1] == '\'') {
        value += '\'';
        ++i;
        continue;
      }
      break;
    }
    value += rest[i];
  }
  return TrimBlanks(value);
}

// The keywords of the header that carry values, with their values.
std::map<std::string, std::string> ValueCards(const uint8_t* header, size_t size) {
  std::map<std::string, std::string> cards;
  for (size_t at = 0; at + kCard <= size; at += kCard) {
    const std::string card(reinterpret_cast<const char*>(header) + at, kCard);
    const std::string key = TrimBlanks(card.substr(0, 8));
    if (key == "END") break;
    // "= " in columns 9 and 10 marks a value; writers that omit the blank are read too.
    if (card[8] != '=') continue;
    cards.emplace(key, CardValue(card));  // the first of a repeated keyword counts
  }
  return cards;
}

bool ReadNumber(const std::string& text, double& out) {
  Extended v = 0;
  std::string t = text;
  for (char& c : t) {
    if (c == 'D' || c == 'd') c = 'E';  // FITS reals may write their exponent with D
  }
  if (!ParseNumber(t, v)) return false;
  out = static_cast<double>(v);
  return std::isfinite(out);
}

// "DD/MM/YY" of the years 1900-1999, as FITS files wrote dates before 2000.
bool OldDate(const std::string& text, UtcTime& t) {
  int day = 0, month = 0, year = 0;
  char tail = 0;
  if (text.size() != 8 || text[2] != '/' || text[5] != '/' ||
      std::sscanf(text.c_str(), "%2d/%2d/%2d%c", &day, &month, &year, &tail) != 3)
    return false;
  t = UtcTime{1900 + year, month, day, 0, 0, 0};
  return static_cast<bool>(ToJd(t));
}

class Reader {
 public:
  Reader(const uint8_t* header, size_t size, const std::string& path)
      : m_cards(ValueCards(header, size)), m_path(path) {}

  FitsTimeReading Read() {
    ReadExposure();
    std::optional<FrameTime> time = DateObs();
    if (!time) time = Iso("DATE-AVG", TimeSource::DateAvg);
    if (!time) time = Julian("MJD-OBS", kMjdZero, TimeSource::MjdObs);
    if (!time) time = Julian("JD", 0, TimeSource::Jd);
    m_reading.time = time;
    return m_reading;
  }

 private:
  const std::string* Find(const char* key) const {
    const auto it = m_cards.find(key);
    return it == m_cards.end() ? nullptr : &it->second;
  }

  void Problem(const char* key, const std::string& value) {
    if (m_reading.problem.code != ErrorCode::None) return;  // the first one is reported
    m_reading.problem = Error(ErrorCode::FitsBadTime).Path(m_path).Field(key).Text(value);
  }

  void ReadExposure() {
    for (const char* key : {"EXPTIME", "EXPOSURE"}) {
      const std::string* v = Find(key);
      if (v == nullptr) continue;
      double seconds = 0;
      if (ReadNumber(*v, seconds) && seconds >= 0) {
        m_exposure = seconds;
        return;
      }
      Problem(key, *v);
    }
  }

  // The start of the exposure moved to its middle.
  std::optional<FrameTime> FromStart(const UtcTime& start, TimeSource source, bool approximate) {
    FrameTime t;
    t.source = source;
    t.approximate = approximate;
    t.exposureS = m_exposure;
    t.utc = start;
    if (m_exposure && *m_exposure > 0) {
      const Result<UtcTime> mid = AddSeconds(start, *m_exposure / 2);
      if (!mid) return std::nullopt;
      t.utc = *mid;
    }
    return t;
  }

  std::optional<FrameTime> DateObs() {
    const std::string* v = Find("DATE-OBS");
    if (v == nullptr) return std::nullopt;
    if (v->size() > 10) {  // a date and a time
      const Result<UtcTime> t = ParseIsoTime(*v);
      if (t) return FromStart(*t, TimeSource::DateObs, false);
      Problem("DATE-OBS", *v);
      return std::nullopt;
    }
    UtcTime date;
    if (const Result<UtcTime> iso = ParseIsoTime(*v)) {
      date = *iso;
    } else if (!OldDate(*v, date)) {
      Problem("DATE-OBS", *v);
      return std::nullopt;
    }
    // A date alone: the time of day comes from TIME-OBS, else UT.
    for (const char* key : {"TIME-OBS", "UT"}) {
      const std::string* tod = Find(key);
      if (tod == nullptr) continue;
      const Result<UtcTime> t = ParseTimeOfDay(*tod, date);
      if (t && ToJd(*t)) return FromStart(*t, TimeSource::DateObs, false);
      Problem(key, *tod);
    }
    return FromStart(date, TimeSource::DateObs, true);
  }

  std::optional<FrameTime> Iso(const char* key, TimeSource source) {
    const std::string* v = Find(key);
    if (v == nullptr) return std::nullopt;
    const Result<UtcTime> t = ParseIsoTime(*v);
    if (!t) {
      Problem(key, *v);
      return std::nullopt;
    }
    FrameTime f;
    f.utc = *t;
    f.source = source;
    f.exposureS = m_exposure;
    return f;
  }

  std::optional<FrameTime> Julian(const char* key, double zero, TimeSource source) {
    const std::string* v = Find(key);
    if (v == nullptr) return std::nullopt;
    double days = 0;
    Result<UtcTime> t = Unexpected(Error(ErrorCode::BadTime));
    if (ReadNumber(*v, days)) t = FromJd(JulianDate{zero, days});
    if (!t) {
      Problem(key, *v);
      return std::nullopt;
    }
    return FromStart(*t, source, false);
  }

  std::map<std::string, std::string> m_cards;
  std::string m_path;
  std::optional<double> m_exposure;
  FitsTimeReading m_reading;
};

std::string Padded(std::string card) {
  card.resize(kCard, ' ');
  return card;
}

}  // namespace

FitsTimeReading ReadFitsTime(const uint8_t* header, size_t size, const std::string& path) {
  return Reader(header, size, path).Read();
}

std::string FitsTimeCards(const FrameTime& time) {
  UtcTime start = time.utc;
  if (time.exposureS && *time.exposureS > 0) {
    const Result<UtcTime> s = AddSeconds(time.utc, -*time.exposureS / 2);
    if (!s) return {};
    start = *s;
  }
  const std::string iso = FormatIsoTime(start);
  if (iso.empty()) return {};
  std::string cards = Padded("DATE-OBS= '" + iso + "'");
  if (time.exposureS) {
    const std::string value = FormatGeneral(*time.exposureS);
    // Right-aligned to end in column 30, as the writer's other cards.
    const size_t blanks = value.size() < 21 ? 21 - value.size() : 1;
    cards += Padded("EXPTIME =" + std::string(blanks, ' ') + value);
  }
  return cards;
}

}  // namespace orvek
