#include "ui/ScriptedPrompter.h"

namespace orvek {

void ScriptedPrompter::Info(const QString& text) {
  m_calls.push_back({Kind::Info, text, {}});
}

void ScriptedPrompter::Error(const QString& text) {
  m_calls.push_back({Kind::Error, text, {}});
}

bool ScriptedPrompter::AskYesNo(const QString& text) {
  m_calls.push_back({Kind::YesNo, text, {}});
  if (m_yesNo.empty()) {
    ++m_unscripted;
    return false;
  }
  const bool answer = m_yesNo.front();
  m_yesNo.pop_front();
  return answer;
}

QStringList ScriptedPrompter::OpenFiles(const QString& filter, bool multi, const QString&) {
  m_calls.push_back({Kind::Open, {}, filter, multi});
  if (m_open.empty()) {
    ++m_unscripted;
    return {};
  }
  QStringList answer = m_open.front();
  m_open.pop_front();
  return answer;
}

QString ScriptedPrompter::SaveFile(const QString& proposed, const QString& filter, bool) {
  m_calls.push_back({Kind::Save, proposed, filter});
  if (m_save.empty()) {
    ++m_unscripted;
    return {};
  }
  QString answer = m_save.front();
  m_save.pop_front();
  return answer;
}

int ScriptedPrompter::Count(Kind kind) const {
  int n = 0;
  for (const Call& c : m_calls) n += c.kind == kind ? 1 : 0;
  return n;
}

QStringList ScriptedPrompter::Texts(Kind kind) const {
  QStringList out;
  for (const Call& c : m_calls) {
    if (c.kind == kind) out << c.text;
  }
  return out;
}

}  // namespace orvek
