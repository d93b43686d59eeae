#pragma once
// The arrows of an edit box holding an integer, with a step of any size and sign (a step of
// -1 makes the up arrow decrease the value) and either orientation (up and down, or left and
// right), as the alignment dialog and the thumbnail window use them.

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace orvek {

class StepArrows : public QWidget {
  Q_OBJECT
 public:
  /// Arrows for `buddy` within minimum..maximum. Vertical: up then down; horizontal: left
  /// then right. The up (or right) arrow adds `increment`, the other subtracts it.
  StepArrows(QLineEdit* buddy, Qt::Orientation orientation, int minimum, int maximum, int increment,
             QWidget* parent = nullptr);

  /// The buddy's integer clamped to the range; the last position set when the text is not
  /// an integer.
  int Position() const;
  /// Writes the value, clamped to the range, into the buddy.
  void SetPosition(int value);
  void SetRange(int minimum, int maximum);
  int Minimum() const { return m_min; }
  int Maximum() const { return m_max; }
  void SetIncrement(int increment) { m_increment = increment; }
  int Increment() const { return m_increment; }

  /// The arrow that adds the increment (up, or right) and the one that subtracts it.
  QToolButton* NextButton() const { return m_next; }
  QToolButton* PrevButton() const { return m_prev; }

 signals:
  /// An arrow was clicked and the position written; `next` for the adding arrow.
  void Clicked(bool next);

 private:
  void Step(bool next);

  QLineEdit* m_buddy;
  int m_min;
  int m_max;
  int m_increment;
  mutable int m_last;
  QToolButton* m_next;
  QToolButton* m_prev;
};

}  // namespace orvek
