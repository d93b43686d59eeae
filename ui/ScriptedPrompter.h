#pragma once
// A Prompter for tests: answers come from queues filled in advance, and every call is
// recorded. When a queue is empty the answer is the cautious one (No, cancelled) and the
// call is counted as unscripted, so a test can assert that nothing unexpected was asked.

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

#include "ui/Prompter.h"

namespace orvek {

class ScriptedPrompter : public Prompter {
 public:
  enum class Kind { Info, Error, YesNo, Open, Save };
  struct Call {
    Kind kind;
    QString text;    ///< message, or the proposed name of a save dialog
    QString filter;  ///< dialogs only
    bool multi = false;
  };

  void QueueYesNo(bool answer) { m_yesNo.push_back(answer); }
  void QueueOpen(const QStringList& files) { m_open.push_back(files); }
  void QueueSave(const QString& file) { m_save.push_back(file); }

  void Info(const QString& text) override;
  void Error(const QString& text) override;
  bool AskYesNo(const QString& text) override;
  QStringList OpenFiles(const QString& filter, bool multi, const QString& folder = {}) override;
  QString SaveFile(const QString& proposed, const QString& filter,
                   bool confirmOverwrite = false) override;

  const std::vector<Call>& Calls() const { return m_calls; }
  void ClearCalls() { m_calls.clear(); }
  /// Number of recorded calls of one kind.
  int Count(Kind kind) const;
  /// Texts of the recorded calls of one kind, in order.
  QStringList Texts(Kind kind) const;
  /// Calls answered by default because their queue was empty.
  int Unscripted() const { return m_unscripted; }
  /// Answers still queued (a test that queued too many has a wrong expectation).
  int Pending() const { return static_cast<int>(m_yesNo.size() + m_open.size() + m_save.size()); }

 private:
  std::vector<Call> m_calls;
  std::deque<bool> m_yesNo;
  std::deque<QStringList> m_open;
  std::deque<QString> m_save;
  int m_unscripted = 0;
};

}  // namespace orvek
