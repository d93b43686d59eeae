#include "measure/LogComposer.h"

#include <algorithm>

#include "core/Rounding.h"
#include "core/Utils.h"
#include "measure/ReductionTable.h"

namespace orvek {

namespace {

/// pad(s, w, alignment): spaces on the left when right-aligned, on the right when
/// left-aligned, then cut to w characters.
std::string PadLeftAligned(const std::string& s, int w) {
  return PadText(s, ' ', w, false);
}
std::string PadRightAligned(const std::string& s, int w) {
  return PadText(s, ' ', w, true);
}

bool Blank(const std::string& s) {
  return Trim(s).empty();
}

}  // namespace

Status LogSaveResult::Failure() const {
  for (const Status& s : files)
    if (!s) return s;
  return Status::Ok();
}

size_t LogComposer::CharCount(const std::string& text) {
  size_t n = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++n;
  }
  return n;
}

std::string LogComposer::DumpRow(const std::vector<std::string>& cells) {
  std::string out;
  for (const std::string& cell : cells) {
    const int w = std::max<int>(8, static_cast<int>(CharCount(cell)));
    out += PadRightAligned(cell, w) + " ";
  }
  return out;
}

Extended LogComposer::Median(std::vector<Extended> v) {
  const int n = static_cast<int>(v.size());
  if (n == 0) return 0;
  // Diminishing-gap exchange sort, ascending.
  for (int gap = n / 2; gap >= 1; gap /= 2) {
    bool exchanged;
    do {
      exchanged = false;
      for (int i = 0; i + gap < n; ++i) {
        if (v[static_cast<size_t>(i)] > v[static_cast<size_t>(i + gap)]) {
          std::swap(v[static_cast<size_t>(i)], v[static_cast<size_t>(i + gap)]);
          exchanged = true;
        }
      }
    } while (exchanged);
  }
  // Counting from 1: element n div 2 + 1 when n is odd, else the mean of n div 2 and the next.
  if (n % 2 == 1) return v[static_cast<size_t>(n / 2)];
  return (v[static_cast<size_t>(n / 2 - 1)] + v[static_cast<size_t>(n / 2)]) / 2;
}

void LogComposer::LoadTexts(const IniFile& ini) {
  const std::string section = ini.ReadString("Langage", "Langue", "F") + "Log";
  auto read = [&](const char* key) { return ini.ReadString(section, key, ""); };
  texts.caption = read("tTIT");
  texts.addButton = read("B1");
  labels.CheckBru = read("cBRU");
  labels.checkdel = read("cDEL");
  labels.checkdet = read("cDET");
  labels.checkech = read("cECH");
  texts.menuSave = read("mFIC");
  texts.menuHide = read("mMAS");
  labels.lCam = read("lCam");
  labels.lLie = read("lLie");
  labels.lOpt = read("lOpt");
  labels.lPri = read("lPri");
  labels.lSys = read("lSys");
  labels.lDat = read("lDat");
  labels.lCon = read("lCon");
  labels.lIns = read("lIns");
  labels.lnot = read("lNot");
  texts.filterLog = read("dlgSAV");
  texts.filterData = read("dlgDAT");
  texts.tabs[0] = read("tab0");
  texts.tabs[1] = read("tab1");
  texts.tabs[2] = read("tab2");
}

void LogComposer::RefreshCamera(const std::string& cameraName, const std::string& lPix,
                                const std::string& hPix) {
  fields.lCam = cameraName + "      (pixels : " + lPix + " x " + hPix + ")";
}

void LogComposer::RefreshCamera(const ReductionTable& table) {
  RefreshCamera(table.CameraName(), table.Field(ReductionField::LPix),
                table.Field(ReductionField::HPix));
}

Status LogComposer::AddToLog(const ReductionTable& table) {
  const int n = table.ResultRowCount() - 1;
  const std::string date = PadLeftAligned(fields.lDat, 12);
  const std::string sys = PadLeftAligned(fields.lSys, 15);
  const std::string theta = PadRightAligned(table.Field(ReductionField::txtTheta), 8);
  const std::string rho = PadRightAligned(table.Field(ReductionField::txtRho), 8);
  const std::string& dm = table.Field(ReductionField::txtDm);
  const std::string nb = FormatInt(n);
  const std::string sth = PadLeftAligned(table.Field(ReductionField::sigTh), 5);
  const std::string srh = PadLeftAligned(table.Field(ReductionField::sigRh), 5);
  const std::string& notes = fields.lnot;

  std::string medTheta, medRho;
  if (n > 2) {
    for (int col : {kResTheta, kResRho}) {
      std::vector<Extended> values;
      for (int r = 1; r <= n; ++r) {
        const std::string& cell = table.ResultCell(r, col);
        Extended v;
        if (!ParseNumber(cell, v)) {
          return Status::Fail(
              Error(ErrorCode::NotANumber).Row(r).Field(kResultHeaders[col]).Text(cell));
        }
        values.push_back(v);
      }
      (col == kResTheta ? medTheta : medRho) = FormatGeneral(static_cast<double>(Median(values)));
    }
  }

  auto label = [](const std::string& text) { return text + " : "; };
  const std::string stars(80, '*');
  const std::string dashes(80, '-');

  std::vector<std::string> log;
  log.push_back(stars);
  log.push_back(label(labels.lDat) + date);
  if (!Blank(fields.lLie)) log.push_back(label(labels.lLie) + fields.lLie);
  if (!Blank(fields.lCon)) log.push_back(label(labels.lCon) + fields.lCon);
  if (!Blank(fields.lIns)) log.push_back(label(labels.lIns) + fields.lIns);
  if (!Blank(fields.lOpt)) log.push_back(std::string(12, ' ') + fields.lOpt);
  if (!Blank(fields.lCam)) log.push_back(label(labels.lCam) + fields.lCam);
  if (!Blank(fields.lPri)) log.push_back(std::string(8, ' ') + fields.lPri);
  log.push_back(labels.checkech + " : " + table.Field(ReductionField::txtEps));
  log.push_back(labels.checkdel + " : " + table.Field(ReductionField::txtDelta));
  log.push_back("");
  log.push_back("-=-= " + fields.lSys + " =-=-");
  if (n > 2) {
    log.push_back(theta + "  (sigma theta : " + Trim(sth) + ")" + "  Med: " + medTheta);
    log.push_back(rho + "  (sigma rho : " + Trim(srh) + ")" + "  Med: " + medRho);
  } else {
    log.push_back("theta =" + theta);
    log.push_back("rho   =" + rho);
  }
  log.push_back("deltaM=" + dm);
  log.push_back("Nb : " + nb);
  log.push_back(notes);
  log.push_back(dashes);
  log.push_back(labels.checkdet + " : ");
  log.push_back(dashes);
  for (const auto& row : table.ResultRows()) log.push_back(DumpRow(row));
  log.push_back(dashes);
  log.push_back(dashes);
  log.push_back(labels.CheckBru + " : ");
  log.push_back(dashes);
  for (const auto& row : table.RawRows()) log.push_back(DumpRow(row));

  const std::vector<std::string> dataFields = {sys,  date, theta, rho, dm, nb, sth + " / " + srh,
                                               notes};
  std::string data;
  for (size_t i = 0; i < dataFields.size(); ++i) {
    if (i > 0) data += ";";
    data += dataFields[i];
  }

  const std::string report = PadLeftAligned(fields.WDSid, 15) + sys +
                             PadRightAligned(fields.MG1, 6) + PadRightAligned(fields.MG2, 6) +
                             std::string(5, ' ') + date + theta + rho +
                             PadRightAligned(Trim(nb), 6) + std::string(5, ' ') + notes;

  m_memo1.insert(m_memo1.end(), log.begin(), log.end());
  m_memo2.push_back(data);
  m_memo3.push_back(report);
  m_saved = false;
  m_page = kLogData;
  return Status::Ok();
}

void LogComposer::SetMemo(int index, std::vector<std::string> lines) {
  switch (index) {
    case 1: m_memo1 = std::move(lines); break;
    case 2: m_memo2 = std::move(lines); break;
    case 3: m_memo3 = std::move(lines); break;
    default: break;
  }
}

LogSaveResult LogComposer::Save(const std::array<std::optional<std::string>, 3>& paths) {
  LogSaveResult res;
  const std::vector<std::string>* memos[3] = {&m_memo1, &m_memo2, &m_memo3};
  for (size_t i = 0; i < 3; ++i) {
    if (!paths[i]) continue;  // dialog cancelled: this file only is skipped
    std::string text;
    for (const std::string& line : *memos[i]) text += line + "\r\n";
    res.files[i] = ReplaceFile(*paths[i], text.data(), text.size());
    res.written[i] = res.files[i].ok;
  }
  res.allWritten = res.written[0] && res.written[1] && res.written[2];
  // Only a complete save makes the logs safe to lose at exit.
  if (res.allWritten) m_saved = true;
  return res;
}

}  // namespace orvek
